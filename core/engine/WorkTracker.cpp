#include "core/engine/WorkTracker.hpp"

#include <atomic>

#include "core/support/Unicode.hpp"

namespace keepsift {

WorkTracker::Key WorkTracker::keyOf(const IndexEntry& entry) {
    const auto& created = entry.asset.createdAt;
    const std::string& id = entry.asset.id;
    std::string canonical = unicode::nfc(id);
    if (canonical == id) canonical.clear();
    return Key{!created.has_value(), created ? -created->seconds : 0.0, std::move(canonical), id};
}

void WorkTracker::rebuild(const LibraryIndex& index) {
    awaitingSignals_.clear();
    awaitingOriginals_.clear();
    groups_.clear();
    decided_.clear();
    list_.reset();
    changed_.clear();
    analysed_ = known_ = 0;
    for (const auto& [id, entry] : index.entries)
        note(entry);
    // Made here with the rest, so the next snapshot is not the one to build every group.
    reviewList(index.ignoredGroups);
}

namespace {

std::int64_t analysedCount(const IndexEntry& entry) {
    return entry.signals || entry.skip ? 1 : 0;
}
std::int64_t knownCount(const IndexEntry& entry) {
    return entry.state != ReviewState::deleted ? 1 : 0;
}

} // namespace

void WorkTracker::forget(const IndexEntry& entry) {
    analysed_ -= analysedCount(entry);
    known_ -= knownCount(entry);
    if (ReviewList::isListed(entry)) {
        auto group = groups_.find(*entry.groupID);
        if (group == groups_.end()) return;
        follow(*group, [&](Members& members) {
            std::erase(members.entries, &entry);
            members.decisions -= ReviewList::carriesDecision(entry.state) ? 1 : 0;
        });
        if (group->second.entries.empty()) groups_.erase(group);
    }
    if (!entry.needsSignals() && !entry.awaitsOriginal()) return;
    const Key key = keyOf(entry);
    awaitingSignals_.erase(key);
    awaitingOriginals_.erase(key);
}

void WorkTracker::note(const IndexEntry& entry) {
    analysed_ += analysedCount(entry);
    known_ += knownCount(entry);
    if (ReviewList::isListed(entry)) {
        auto& group = *groups_.try_emplace(*entry.groupID).first;
        follow(group, [&](Members& members) {
            members.entries.push_back(&entry);
            members.decisions += ReviewList::carriesDecision(entry.state) ? 1 : 0;
        });
    }
    if (entry.needsSignals()) awaitingSignals_.insert(keyOf(entry));
    if (entry.awaitsOriginal()) awaitingOriginals_.insert(keyOf(entry));
}

std::optional<Date> WorkTracker::newestDateAwaitingSignals() const {
    if (awaitingSignals_.empty() || awaitingSignals_.begin()->undated) return std::nullopt;
    return Date{-awaitingSignals_.begin()->negatedDate};
}

std::vector<std::string> WorkTracker::newestAwaitingSignals(std::size_t limit) const {
    std::vector<std::string> ids;
    for (auto it = awaitingSignals_.begin(); it != awaitingSignals_.end() && ids.size() < limit;
         ++it)
        ids.push_back(it->id);
    return ids;
}

std::optional<std::string> WorkTracker::nextNeedingOriginal() const {
    if (awaitingOriginals_.empty()) return std::nullopt;
    return awaitingOriginals_.begin()->id;
}

} // namespace keepsift

namespace keepsift {

bool WorkTracker::isDecided(const Members& members) {
    return members.decisions > 0 && members.entries.size() >= 2;
}

// Keeps the set of decided groups in step with a change of one group's members.
void WorkTracker::follow(Group& group, const std::function<void(Members&)>& change) {
    change(group.second);
    group.second.shown.reset();
    if (list_) changed_.insert(group.first);
    if (isDecided(group.second))
        decided_.insert(&group);
    else
        decided_.erase(&group);
}

const ReviewGroups::Shared& WorkTracker::shownGroup(const Group& group) const {
    auto& shown = group.second.shown;
    if (!shown)
        shown = std::make_shared<const ReviewGroup>(
            ReviewList::groupOf(group.first, group.second.entries));
    return shown;
}

const ReviewList& WorkTracker::reviewList(const std::set<std::string>& ignored) const {
    return *sharedReviewList(ignored);
}

std::shared_ptr<const ReviewList>
WorkTracker::sharedReviewList(const std::set<std::string>& ignored) const {
    if (list_ && listIgnored_ == ignored && changed_.size() <= maximumPatches) {
        patchList(ignored);
        return list_;
    }
    std::vector<ReviewGroups::Shared> groups;
    groups.reserve(decided_.size());
    for (const Group* group : decided_)
        if (!ignored.count(group->first)) groups.push_back(shownGroup(*group));
    list_ = std::make_shared<ReviewList>(ReviewList::inDisplayOrder(std::move(groups)));
    listIgnored_ = ignored;
    changed_.clear();
    return list_;
}

// The last holder to let go publishes its reads with the release of its count; the fence
// makes them happen before the patch writes to the list.
ReviewList& WorkTracker::ownList() const {
    if (list_.use_count() == 1)
        std::atomic_thread_fence(std::memory_order_acquire);
    else
        list_ = std::make_shared<ReviewList>(*list_);
    return *list_;
}

void WorkTracker::patchList(const std::set<std::string>& ignored) const {
    if (changed_.empty()) return;
    ReviewList& list = ownList();
    for (const auto& id : changed_) {
        list.remove(id);
        auto group = groups_.find(id);
        if (group != groups_.end() && decided_.count(&*group) && !ignored.count(id))
            list.insert(shownGroup(*group));
    }
    changed_.clear();
}

} // namespace keepsift
