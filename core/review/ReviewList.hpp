#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/index/IndexEntry.hpp"
#include "core/review/ReviewGroup.hpp"
#include "core/review/ReviewGroups.hpp"

namespace keepsift {

// The groups the user is asked to look at, newest first, with the totals of what would be
// discarded. The totals are computed with the list; copies share its groups.
struct ReviewList {
    ReviewGroups groups;
    std::int64_t flaggedCount = 0;
    std::int64_t reclaimableBytes = 0;

    ReviewList() = default;
    // Groups already in display order.
    explicit ReviewList(std::vector<ReviewGroup> groups);

    // Groups of two or more photographs holding a flag or a decision by hand, leaving out
    // ungrouped, deleted and skipped entries and the ignored groups.
    static ReviewList build(const std::map<std::string, IndexEntry>& entries,
                            const std::set<std::string>& ignoredGroups);

    // The pieces of `build`, for a caller that keeps the groups holding a decision at hand
    // instead of walking the whole index.
    using Bucket = std::vector<const IndexEntry*>;
    static ReviewGroup groupOf(std::string id, const Bucket& entries);
    static ReviewList inDisplayOrder(std::vector<ReviewGroup> groups);
    static ReviewList inDisplayOrder(std::vector<ReviewGroups::Shared> groups);
    // An entry that can appear in a group of the list.
    static bool isListed(const IndexEntry& entry);
    // A state that makes a group worth reviewing.
    static bool carriesDecision(ReviewState state);

    // Takes the group with this identifier out, or puts a group in at its place in the
    // display order, keeping the totals.
    void remove(const std::string& groupID);
    void insert(ReviewGroup group);
    void insert(ReviewGroups::Shared group);
    // The display order: newest first, then the higher identifier; undated groups last.
    static bool displaysBefore(const ReviewGroup& a, const ReviewGroup& b);

    std::int64_t reviewableGroupCount() const;
    bool isEmpty() const { return groups.empty(); }

    bool operator==(const ReviewList&) const = default;
};

} // namespace keepsift
