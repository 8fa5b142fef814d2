#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "core/corpus/CorpusRecording.hpp"
#include "core/grouping/GroupingPolicy.hpp"
#include "core/grouping/ScoringPolicy.hpp"
#include "core/model/Decisions.hpp"
#include "core/model/PhotoGroup.hpp"

// Scores grouping and keeper choice against a corpus of human ground truth.
namespace keepsift::CorpusMeasurement {

inline constexpr std::int64_t minimumExactFolders = 24;
inline constexpr std::int64_t minimumWinnersKept = 26;
inline constexpr std::int64_t maximumFalseMerges = 0;
inline constexpr double minimumTopPickAccuracy = 0.8;

// A winner folder whose top pick is not a winner.
struct Miss {
    std::string group;
    std::string chosen;
    std::vector<std::string> expected;
    std::string hint;
    std::vector<PhotoDecision> ranking; // top first

    bool operator==(const Miss&) const = default;
};

struct Result {
    std::int64_t folders = 0;
    std::int64_t photographs = 0;
    std::int64_t handFolderedFolders = 0;
    std::int64_t appGroupedFolders = 0;
    std::int64_t foldersExact = 0;
    std::int64_t falseMerges = 0;
    std::vector<std::string> notes;
    std::int64_t foldersWithWinner = 0;
    std::int64_t topPickCorrect = 0;
    std::int64_t foldersWithTwoWinners = 0;
    std::int64_t bothWinnersKept = 0;
    std::vector<Miss> misses;
    std::int64_t topPickAsGrouped = 0;
    std::int64_t foldersWithWinnerAsGrouped = 0;
    std::int64_t kept = 0;
    std::int64_t flagged = 0;
    std::int64_t winnersKept = 0;
    std::int64_t winnersTotal = 0;
    std::vector<std::string> winnersFlagged;

    // Fractions in 0...1; 0 when the denominator is 0.
    double topPickAccuracy() const;
    double topPickAccuracyAsGrouped() const;
    double flaggedShare() const;
    double winnersKeptShare() const;

    bool groupingPasses() const;
    bool keeperPasses() const;
    bool winnersPass() const;
    bool hasAppGroupedFolders() const;
    bool meetsBar() const;

    bool operator==(const Result&) const = default;
};

struct TruthGroup {
    size_t recording = 0; // index into Prepared::recordings
    PhotoGroup group;     // the folder as a group
    bool operator==(const TruthGroup&) const = default;
};

// One grouping pass that several scoring runs can share.
struct Prepared {
    std::vector<CorpusRecording> recordings;
    std::vector<CorpusRecording> handFoldered;
    Result grouped;                        // the grouping counts and notes only
    std::vector<PhotoGroup> groups;        // grouping over all recordings
    std::map<std::string, size_t> groupOf; // photograph digest -> index into groups
    std::vector<TruthGroup> truthGroups;   // folders with at least one winner
};

struct Verdict {
    std::string group;
    std::int64_t winners = 0;
    std::int64_t photographs = 0;
    bool hit = false;

    bool hasChoice() const { return winners < photographs; }
    bool operator==(const Verdict&) const = default;
};

Prepared prepare(const std::vector<CorpusRecording>& recordings, const GroupingPolicy& policy);
Result measure(const Prepared& prepared, const ScoringPolicy& policy);
Result run(const std::vector<CorpusRecording>& recordings, const GroupingPolicy& grouping,
           const ScoringPolicy& scoring);
std::vector<Verdict> decide(const Prepared& prepared, const ScoringPolicy& policy);

} // namespace keepsift::CorpusMeasurement
