#include "core/review/ReviewList.hpp"

#include <algorithm>
#include <limits>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

#include "core/grouping/DatedOrder.hpp"
#include "core/support/Checked.hpp"
#include "core/support/Unicode.hpp"

namespace keepsift {

namespace {

using Bucket = ReviewList::Bucket;

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

// Earlier first, else by file name; undated photographs are placed by file name alone.
void sortPhotos(std::vector<ReviewPhoto>& photos) {
    const bool allDated = std::all_of(photos.begin(), photos.end(),
                                      [](const ReviewPhoto& p) { return p.createdAt.has_value(); });
    if (!allDated) {
        // Photos the order cannot tell apart keep the order of their identifiers, so the
        // list never depends on the order the entries were gathered in.
        std::sort(photos.begin(), photos.end(),
                  [](const auto& a, const auto& b) { return a.assetID < b.assetID; });
        sortDatedThenText(
            photos, [](const ReviewPhoto& p) { return p.createdAt; },
            [](const ReviewPhoto& p) -> const std::string& { return p.filename; });
        return;
    }
    // The identifier settles equal dates and names, so no stable sort (and its buffer) is needed.
    std::sort(photos.begin(), photos.end(), [](const auto& a, const auto& b) {
        if (*a.createdAt != *b.createdAt) return *a.createdAt < *b.createdAt;
        const int byName = unicode::compare(a.filename, b.filename);
        return byName != 0 ? byName < 0 : a.assetID < b.assetID;
    });
}

} // namespace

ReviewGroup ReviewList::groupOf(std::string id, const Bucket& bucket) {
    std::vector<ReviewPhoto> photos;
    photos.reserve(bucket.size());
    for (const IndexEntry* entry : bucket)
        photos.push_back(photoOf(*entry));
    sortPhotos(photos);
    auto captured = latestDate(photos);
    return ReviewGroup{std::move(id), std::move(photos), captured};
}

namespace {

struct Listed {
    std::size_t groupHash;
    const IndexEntry* entry;
};

bool isShown(const std::string& groupID, const Bucket& bucket,
             const std::set<std::string>& ignoredGroups) {
    return bucket.size() >= 2 && !ignoredGroups.count(groupID) &&
           std::any_of(bucket.begin(), bucket.end(),
                       [](const IndexEntry* e) { return ReviewList::carriesDecision(e->state); });
}

} // namespace

namespace {

struct Totals {
    std::int64_t count = 0;
    std::int64_t bytes = 0;
};

Totals flaggedTotals(const ReviewGroup& group) {
    Totals totals;
    for (const auto& photo : group.photos) {
        if (photo.isKeeper) continue;
        ++totals.count;
        totals.bytes = saturatingAdd(totals.bytes, photo.fileSize);
    }
    return totals;
}

void addTotals(ReviewList& list) {
    for (const auto& group : list.groups) {
        const auto totals = flaggedTotals(group);
        list.flaggedCount += totals.count;
        list.reclaimableBytes = saturatingAdd(list.reclaimableBytes, totals.bytes);
    }
}

} // namespace

ReviewList::ReviewList(std::vector<ReviewGroup> ordered) : groups(std::move(ordered)) {
    addTotals(*this);
}

bool ReviewList::displaysBefore(const ReviewGroup& a, const ReviewGroup& b) {
    const Date da = a.capturedAt.value_or(Date::distantPast());
    const Date db = b.capturedAt.value_or(Date::distantPast());
    if (da != db) return da > db;
    return unicode::compare(a.id, b.id) > 0;
}

void ReviewList::remove(const std::string& groupID) {
    auto found = std::find_if(groups.begin(), groups.end(),
                              [&](const ReviewGroup& g) { return g.id == groupID; });
    if (found == groups.end()) return;
    const auto totals = flaggedTotals(*found);
    const bool saturated = reclaimableBytes == std::numeric_limits<std::int64_t>::max();
    groups.erase(found);
    flaggedCount -= totals.count;
    reclaimableBytes -= totals.bytes;
    if (saturated) {
        flaggedCount = reclaimableBytes = 0;
        addTotals(*this);
    }
}

void ReviewList::insert(ReviewGroup group) {
    insert(std::make_shared<const ReviewGroup>(std::move(group)));
}

void ReviewList::insert(ReviewGroups::Shared group) {
    const auto totals = flaggedTotals(*group);
    flaggedCount += totals.count;
    reclaimableBytes = saturatingAdd(reclaimableBytes, totals.bytes);
    const auto at = std::upper_bound(groups.begin(), groups.end(), *group, displaysBefore);
    groups.insert(at, std::move(group));
}

// One walk over the index: most groups are solitary or undecided, so only the entries of
// groups that hold a decision are bucketed, found again by the hash of their group.
ReviewList ReviewList::build(const std::map<std::string, IndexEntry>& entries,
                             const std::set<std::string>& ignoredGroups) {
    const std::hash<std::string_view> hash;
    std::vector<Listed> listed;
    listed.reserve(entries.size());
    std::unordered_set<std::size_t> decided;
    for (const auto& [id, entry] : entries) {
        if (!isListed(entry)) continue;
        listed.push_back({hash(*entry.groupID), &entry});
        if (carriesDecision(entry.state)) decided.insert(listed.back().groupHash);
    }
    if (decided.empty()) return ReviewList();
    std::unordered_map<std::string_view, Bucket> buckets;
    for (const auto& [groupHash, entry] : listed)
        if (decided.count(groupHash)) buckets[*entry->groupID].push_back(entry);
    std::vector<ReviewGroup> groups;
    for (const auto& [groupID, bucket] : buckets) {
        std::string id(groupID);
        if (isShown(id, bucket, ignoredGroups)) groups.push_back(groupOf(std::move(id), bucket));
    }
    return inDisplayOrder(std::move(groups));
}

ReviewList ReviewList::inDisplayOrder(std::vector<ReviewGroup> groups) {
    std::sort(groups.begin(), groups.end(), displaysBefore);
    return ReviewList(std::move(groups));
}

ReviewList ReviewList::inDisplayOrder(std::vector<ReviewGroups::Shared> groups) {
    std::sort(groups.begin(), groups.end(),
              [](const auto& a, const auto& b) { return displaysBefore(*a, *b); });
    ReviewList list;
    list.groups = ReviewGroups(std::move(groups));
    addTotals(list);
    return list;
}

bool ReviewList::isListed(const IndexEntry& entry) {
    return entry.groupID && entry.state != ReviewState::deleted &&
           entry.state != ReviewState::skipped;
}

bool ReviewList::carriesDecision(ReviewState state) {
    return isFlagged(state) || isSetByHand(state);
}

std::int64_t ReviewList::reviewableGroupCount() const {
    return std::count_if(groups.begin(), groups.end(),
                         [](const ReviewGroup& g) { return g.hasFlagged(); });
}

} // namespace keepsift
