#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace keepsift {

// Summary of the longest edges of delivered renditions.
struct EdgeStatistics {
    std::int64_t min = 0;
    // The upper of the two middle values when the count is even.
    std::int64_t median = 0;
    std::int64_t max = 0;
    // Edges long enough to judge a face.
    std::int64_t big = 0;

    static constexpr std::int64_t bigEdge = 1024;

    // Absent for an empty list.
    static std::optional<EdgeStatistics> of(std::vector<std::int64_t> edges);

    bool operator==(const EdgeStatistics&) const = default;
};

} // namespace keepsift
