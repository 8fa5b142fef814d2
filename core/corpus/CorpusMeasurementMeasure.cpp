#include <algorithm>

#include "core/corpus/CorpusMeasurement.hpp"
#include "core/grouping/KeeperSelector.hpp"

namespace keepsift::CorpusMeasurement {
namespace {

bool contains(const std::vector<std::string>& texts, const std::string& text) {
    return std::find(texts.begin(), texts.end(), text) != texts.end();
}

bool topIsWinner(const GroupDecision& decision, const CorpusRecording& recording) {
    return !decision.decisions.empty() &&
           contains(recording.winners, decision.decisions.front().filename);
}

const PhotoSignals* firstPhotoNamed(const CorpusRecording& recording,
                                    const std::vector<std::string>& names) {
    for (const auto& photo : recording.photos)
        if (contains(names, photo.filename)) return &photo;
    return nullptr;
}

std::string winnerHints(const CorpusRecording& recording) {
    std::string out;
    for (const auto& winner : recording.winners) {
        const auto hint = recording.hints.find(winner);
        if (hint == recording.hints.end() || hint->second.empty()) continue;
        out += (out.empty() ? "" : " / ") + hint->second;
    }
    return out;
}

// Decisions of the groups formed over the whole corpus, each decided once.
class CorpusDecisions {
public:
    CorpusDecisions(const Prepared& prepared, const ScoringPolicy& policy)
        : prepared_(prepared), decisions_(KeeperSelector::decideAll(prepared.groups, policy)) {}

    const GroupDecision* of(const PhotoSignals& photo) const {
        const auto found = prepared_.groupOf.find(photo.digest);
        return found == prepared_.groupOf.end() ? nullptr : &decisions_[found->second];
    }
    const std::vector<GroupDecision>& all() const { return decisions_; }

private:
    const Prepared& prepared_;
    std::vector<GroupDecision> decisions_;
};

void countWinnersAsGrouped(const Prepared& prepared, const CorpusDecisions& decisions,
                           Result& result) {
    for (const auto& recording : prepared.recordings) {
        if (recording.winners.empty()) continue;
        const PhotoSignals* winner = firstPhotoNamed(recording, recording.winners);
        const GroupDecision* decision = winner ? decisions.of(*winner) : nullptr;
        if (decision == nullptr) continue;
        ++result.foldersWithWinnerAsGrouped;
        if (topIsWinner(*decision, recording)) ++result.topPickAsGrouped;
    }
}

void countWinnersKept(const Prepared& prepared, const CorpusDecisions& decisions, Result& result) {
    for (const auto& recording : prepared.recordings)
        for (const auto& winner : recording.winners) {
            const PhotoSignals* photo = firstPhotoNamed(recording, {winner});
            const GroupDecision* decision = photo ? decisions.of(*photo) : nullptr;
            if (decision == nullptr) continue;
            ++result.winnersTotal;
            const auto keepers = decision->keepers();
            const bool kept = std::any_of(keepers.begin(), keepers.end(),
                                          [&](const auto& d) { return d.digest == photo->digest; });
            if (kept)
                ++result.winnersKept;
            else
                result.winnersFlagged.push_back(recording.group + "/" + winner);
        }
}

void countKeepersAndFlags(const CorpusDecisions& decisions, Result& result) {
    for (const auto& decision : decisions.all()) {
        result.kept += static_cast<std::int64_t>(decision.keepers().size());
        result.flagged += static_cast<std::int64_t>(decision.flagged().size());
    }
}

void judgeTruthGroups(const Prepared& prepared, const ScoringPolicy& policy, Result& result) {
    result.foldersWithWinner += static_cast<std::int64_t>(prepared.truthGroups.size());
    for (const auto& truth : prepared.truthGroups) {
        const CorpusRecording& recording = prepared.recordings[truth.recording];
        const GroupDecision decision = KeeperSelector::decide(truth.group, policy);
        if (decision.decisions.empty()) continue;
        if (topIsWinner(decision, recording))
            ++result.topPickCorrect;
        else
            result.misses.push_back({recording.group, decision.decisions.front().filename,
                                     recording.winners, winnerHints(recording),
                                     decision.decisions});
        if (recording.winners.size() != 2) continue;
        ++result.foldersWithTwoWinners;
        std::vector<std::string> keeperNames;
        for (const auto& keeper : decision.keepers())
            keeperNames.push_back(keeper.filename);
        if (std::all_of(recording.winners.begin(), recording.winners.end(),
                        [&](const std::string& winner) { return contains(keeperNames, winner); }))
            ++result.bothWinnersKept;
    }
}

} // namespace

Result measure(const Prepared& prepared, const ScoringPolicy& policy) {
    Result result = prepared.grouped;
    const CorpusDecisions decisions(prepared, policy);
    countWinnersAsGrouped(prepared, decisions, result);
    countWinnersKept(prepared, decisions, result);
    countKeepersAndFlags(decisions, result);
    judgeTruthGroups(prepared, policy, result);
    return result;
}

Result run(const std::vector<CorpusRecording>& recordings, const GroupingPolicy& grouping,
           const ScoringPolicy& scoring) {
    return measure(prepare(recordings, grouping), scoring);
}

std::vector<Verdict> decide(const Prepared& prepared, const ScoringPolicy& policy) {
    std::vector<Verdict> verdicts;
    for (const auto& truth : prepared.truthGroups) {
        const CorpusRecording& recording = prepared.recordings[truth.recording];
        verdicts.push_back({recording.group, static_cast<std::int64_t>(recording.winners.size()),
                            static_cast<std::int64_t>(recording.photos.size()),
                            topIsWinner(KeeperSelector::decide(truth.group, policy), recording)});
    }
    return verdicts;
}

} // namespace keepsift::CorpusMeasurement
