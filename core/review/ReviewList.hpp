#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "core/index/IndexEntry.hpp"
#include "core/review/ReviewGroup.hpp"

namespace keepsift {

// The groups the user is asked to look at, newest first, with the totals of what would be
// discarded. Built whole on every request; the totals are computed with the list.
struct ReviewList {
    std::vector<ReviewGroup> groups;
    std::int64_t flaggedCount = 0;
    std::int64_t reclaimableBytes = 0;

    ReviewList() = default;
    // Groups already in display order.
    explicit ReviewList(std::vector<ReviewGroup> groups);

    // Groups of two or more photographs holding a flag or a decision by hand, leaving out
    // ungrouped, deleted and skipped entries and the ignored groups.
    static ReviewList build(const std::map<std::string, IndexEntry>& entries,
                            const std::set<std::string>& ignoredGroups);

    std::int64_t reviewableGroupCount() const;
    bool isEmpty() const { return groups.empty(); }

    bool operator==(const ReviewList&) const = default;
};

} // namespace keepsift
