#include "photos/corpus-tool/LostWinners.hpp"

#include <algorithm>
#include <cstdio>

#include "core/grouping/KeeperSelector.hpp"
#include "core/support/RawEnum.hpp"

namespace keepsift::corpustool {
namespace {

const PhotoSignals* photoNamed(const CorpusRecording& recording, const std::string& name) {
    const auto found =
        std::find_if(recording.photos.begin(), recording.photos.end(),
                     [&](const PhotoSignals& photo) { return photo.filename == name; });
    return found == recording.photos.end() ? nullptr : &*found;
}

// The sharpest of the shots the rules compare: copies follow their originals.
double sharpestShot(const PhotoGroup& group) {
    double sharpest = 0;
    for (const auto& photo : group.photos)
        if (!group.copies.contains(photo.digest))
            sharpest = std::max(sharpest, double(photo.sharpness));
    return sharpest;
}

std::string keptText(const GroupDecision& decision) {
    std::string text;
    for (const auto& kept : decision.keepers())
        text += (text.empty() ? "" : ", ") + kept.filename + " (" +
                std::string(toString(kept.reason)) + ")";
    return text.empty() ? "nothing" : text;
}

std::string lostLine(const std::string& name, const PhotoSignals& winner, const PhotoGroup& group,
                     const GroupDecision& decision) {
    const auto own =
        std::find_if(decision.decisions.begin(), decision.decisions.end(),
                     [&](const PhotoDecision& d) { return d.digest == winner.digest; });
    const double sharpest = sharpestShot(group);
    char share[32];
    std::snprintf(share, sizeof share, "%.2f",
                  sharpest > 0 ? double(winner.sharpness) / sharpest : 0.0);
    const std::string reason =
        own == decision.decisions.end() ? "undecided" : std::string(toString(own->reason));
    return name + ": " + reason + ", " + std::string(toString(group.kind)) + " group of " +
           std::to_string(group.count()) + ", sharpness " + share + " of its sharpest; kept " +
           keptText(decision);
}

} // namespace

std::vector<std::string> lostWinnerLines(const CorpusMeasurement::Prepared& prepared,
                                         const ScoringPolicy& policy) {
    std::vector<std::string> lines;
    for (const auto& recording : prepared.recordings)
        for (const auto& name : recording.winners) {
            const PhotoSignals* winner = photoNamed(recording, name);
            if (winner == nullptr) continue;
            const auto grouped = prepared.groupOf.find(winner->digest);
            if (grouped == prepared.groupOf.end()) continue;
            const PhotoGroup& group = prepared.groups[grouped->second];
            const GroupDecision decision = KeeperSelector::decide(group, policy);
            const auto keepers = decision.keepers();
            if (std::none_of(keepers.begin(), keepers.end(),
                             [&](const PhotoDecision& d) { return d.digest == winner->digest; }))
                lines.push_back(lostLine(recording.group + "/" + name, *winner, group, decision));
        }
    return lines;
}

} // namespace keepsift::corpustool
