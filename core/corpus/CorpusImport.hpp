#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// Decides whether staged capture folders may join the corpus and under which names. Works
// on descriptions the caller gathers; touches no files.
namespace keepsift::CorpusImport {

struct Photograph {
    std::string filename;
    std::string digest; // equal exactly when the file contents are equal
    bool operator==(const Photograph&) const = default;
    auto operator<=>(const Photograph&) const = default;
};

std::int64_t winnerCount(const std::vector<Photograph>& photographs);

struct Staged {
    std::string name;
    bool hasManifest = false;
    std::vector<Photograph> photographs;
    std::optional<bool> humanOverrode;

    std::int64_t winners() const { return winnerCount(photographs); }
    bool operator==(const Staged&) const = default;
};

struct Existing {
    std::string name;
    std::vector<Photograph> photographs;
    bool operator==(const Existing&) const = default;
};

struct Move {
    std::string staged;
    std::string destination;
    std::int64_t photographs = 0;
    std::int64_t winners = 0;
    std::optional<bool> humanOverrode;
    bool operator==(const Move&) const = default;
};

// Either refusals or moves, never both: a partly valid staging area moves nothing.
struct Plan {
    std::vector<Move> moves;
    std::vector<std::string> refusals;
    bool hasRefusals() const { return !refusals.empty(); }
    bool operator==(const Plan&) const = default;
};

inline constexpr std::int64_t minimumPhotographs = 2;

Plan plan(const std::vector<Staged>& staged, const std::vector<Existing>& existing);
// A console table of the moves, or "nothing to import".
std::string report(const std::vector<Move>& moves);

} // namespace keepsift::CorpusImport
