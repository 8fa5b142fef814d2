#include <cstdio>
#include <sstream>

#include "core/corpus/TextJoin.hpp"
#include "photos/corpus-tool/MeasureCommand.hpp"

namespace keepsift::corpustool {
namespace {

std::string percent(double share) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f%%", share * 100);
    return text;
}

std::string score(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", value);
    return text;
}

const char* verdict(bool passes) {
    return passes ? "passes" : "fails";
}

void writeCounts(std::ostream& out, const CorpusMeasurement::Result& r) {
    using namespace CorpusMeasurement;
    out << "folders " << r.folders << " (" << r.handFolderedFolders << " hand-foldered, "
        << r.appGroupedFolders << " app-grouped), photographs " << r.photographs << "\n"
        << "grouping: " << r.foldersExact << " exact folders, " << r.falseMerges
        << " false merges: " << verdict(r.groupingPasses()) << " (needs " << minimumExactFolders
        << " exact and at most " << maximumFalseMerges << " false merges)\n"
        << "keepers: top pick a winner in " << r.topPickCorrect << " of " << r.foldersWithWinner
        << " folders, " << percent(r.topPickAccuracy()) << ": " << verdict(r.keeperPasses())
        << " (needs " << percent(minimumTopPickAccuracy) << ")\n"
        << "  as grouped over the corpus: " << r.topPickAsGrouped << " of "
        << r.foldersWithWinnerAsGrouped << ", " << percent(r.topPickAccuracyAsGrouped()) << "\n"
        << "  both winners kept in " << r.bothWinnersKept << " of " << r.foldersWithTwoWinners
        << " two-winner folders\n"
        << "winners: " << r.winnersKept << " of " << r.winnersTotal << " kept, "
        << percent(r.winnersKeptShare()) << ": " << verdict(r.winnersPass()) << " (needs "
        << minimumWinnersKept << ")\n"
        << "decisions: " << r.kept << " kept, " << r.flagged << " flagged, "
        << percent(r.flaggedShare()) << " flagged\n"
        << "meetsBar: " << (r.meetsBar() ? "yes" : "no") << "\n";
}

void writeMisses(std::ostream& out, const std::vector<CorpusMeasurement::Miss>& misses) {
    if (misses.empty()) return;
    out << "misses:\n";
    for (const auto& miss : misses) {
        out << "  folder " << miss.group << ": chose " << miss.chosen << ", expected "
            << joined(miss.expected, ", ") << (miss.hint.empty() ? "" : " (" + miss.hint + ")")
            << "\n";
        for (size_t rank = 0; rank < miss.ranking.size(); ++rank) {
            const auto& decision = miss.ranking[rank];
            out << "    " << rank + 1 << ". " << decision.filename << "  "
                << (decision.isKeeper ? "kept" : "flagged") << "  " << toString(decision.reason)
                << "  " << score(decision.score) << "\n";
        }
    }
}

void writeList(std::ostream& out, const char* title, const std::vector<std::string>& lines) {
    if (lines.empty()) return;
    out << title << ":\n";
    for (const auto& line : lines)
        out << "  " << line << "\n";
}

} // namespace

std::string measurementText(const CorpusMeasurement::Result& result,
                            const std::vector<std::string>& lostWinners) {
    std::ostringstream out;
    writeCounts(out, result);
    writeList(out, "notes", result.notes);
    writeMisses(out, result.misses);
    writeList(out, "winners flagged", lostWinners);
    std::string text = out.str();
    text.pop_back(); // the caller ends the line
    return text;
}

} // namespace keepsift::corpustool
