#include "photos/library/EdgeStatistics.hpp"

#include <algorithm>

namespace keepsift {

std::optional<EdgeStatistics> EdgeStatistics::of(std::vector<std::int64_t> edges) {
    if (edges.empty()) return std::nullopt;
    std::sort(edges.begin(), edges.end());
    EdgeStatistics stats;
    stats.min = edges.front();
    stats.median = edges[edges.size() / 2];
    stats.max = edges.back();
    stats.big = std::count_if(edges.begin(), edges.end(), [](auto e) { return e >= bigEdge; });
    return stats;
}

} // namespace keepsift
