#include "core/review/ReviewList.hpp"

#include <algorithm>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

#include "core/grouping/DatedOrder.hpp"
#include "core/support/Checked.hpp"
#include "core/support/Unicode.hpp"

namespace keepsift {

namespace {

using Bucket = std::vector<const IndexEntry*>;

bool isListed(const IndexEntry& entry) {
    return entry.groupID && entry.state != ReviewState::deleted &&
           entry.state != ReviewState::skipped;
}

bool carriesDecision(ReviewState state) {
    return isFlagged(state) || isSetByHand(state);
}

ReviewPhoto photoOf(const IndexEntry& entry) {
    const LibraryAsset& asset = entry.asset;
    std::int64_t size = asset.fileSize;
    if (size < 1) size = entry.signals ? entry.signals->fileSize : 0;
    return ReviewPhoto{
        asset.id,     asset.filename,  !isFlagged(entry.state), isSetByHand(entry.state),
        entry.reason, asset.createdAt, asset.pixelWidth,        asset.pixelHeight,
        size};
}

std::optional<Date> latestDate(const std::vector<ReviewPhoto>& photos) {
    std::optional<Date> latest;
    for (const auto& p : photos)
        if (p.createdAt && (!latest || *p.createdAt > *latest)) latest = p.createdAt;
    return latest;
}

ReviewGroup groupOf(const std::string& id, const Bucket& bucket) {
    std::vector<ReviewPhoto> photos;
    photos.reserve(bucket.size());
    for (const IndexEntry* entry : bucket)
        photos.push_back(photoOf(*entry));
    // Undated photographs are placed by file name alone.
    sortDatedThenText(
        photos, [](const ReviewPhoto& p) { return p.createdAt; },
        [](const ReviewPhoto& p) -> const std::string& { return p.filename; });
    auto captured = latestDate(photos);
    return ReviewGroup{id, std::move(photos), captured};
}

bool newerGroup(const ReviewGroup& a, const ReviewGroup& b) {
    const Date da = a.capturedAt.value_or(Date::distantPast());
    const Date db = b.capturedAt.value_or(Date::distantPast());
    if (da != db) return da > db;
    return unicode::compare(a.id, b.id) > 0;
}

// Most groups are solitary or undecided; collecting the decided groups first keeps the
// bucketing to the few entries that can be listed.
std::unordered_set<std::string_view> decidedGroups(const std::map<std::string, IndexEntry>& entries,
                                                   const std::set<std::string>& ignored) {
    std::unordered_set<std::string_view> decided;
    for (const auto& [id, entry] : entries)
        if (carriesDecision(entry.state) && isListed(entry) && !ignored.count(*entry.groupID))
            decided.insert(*entry.groupID);
    return decided;
}

} // namespace

ReviewList::ReviewList(std::vector<ReviewGroup> ordered) : groups(std::move(ordered)) {
    for (const auto& group : groups)
        for (const auto& photo : group.photos) {
            if (photo.isKeeper) continue;
            ++flaggedCount;
            reclaimableBytes = saturatingAdd(reclaimableBytes, photo.fileSize);
        }
}

ReviewList ReviewList::build(const std::map<std::string, IndexEntry>& entries,
                             const std::set<std::string>& ignoredGroups) {
    const auto decided = decidedGroups(entries, ignoredGroups);
    if (decided.empty()) return ReviewList();
    std::unordered_map<std::string_view, Bucket> buckets;
    for (const auto& [id, entry] : entries)
        if (isListed(entry) && decided.count(*entry.groupID))
            buckets[*entry.groupID].push_back(&entry);
    std::vector<ReviewGroup> groups;
    for (const auto& [groupID, bucket] : buckets)
        if (bucket.size() >= 2) groups.push_back(groupOf(std::string(groupID), bucket));
    std::sort(groups.begin(), groups.end(), newerGroup);
    return ReviewList(std::move(groups));
}

std::int64_t ReviewList::reviewableGroupCount() const {
    return std::count_if(groups.begin(), groups.end(),
                         [](const ReviewGroup& g) { return g.hasFlagged(); });
}

} // namespace keepsift
