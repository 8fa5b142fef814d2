#include "core/engine/WorkTracker.hpp"

namespace keepsift {

WorkTracker::Key WorkTracker::keyOf(const IndexEntry& entry) {
    const auto& created = entry.asset.createdAt;
    return Key{!created.has_value(), created ? -created->seconds : 0.0, entry.asset.id};
}

void WorkTracker::rebuild(const LibraryIndex& index) {
    awaitingSignals_.clear();
    awaitingOriginals_.clear();
    for (const auto& [id, entry] : index.entries)
        note(entry);
}

void WorkTracker::forget(const IndexEntry& entry) {
    if (!entry.needsSignals() && !entry.awaitsOriginal()) return;
    const Key key = keyOf(entry);
    awaitingSignals_.erase(key);
    awaitingOriginals_.erase(key);
}

void WorkTracker::note(const IndexEntry& entry) {
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
