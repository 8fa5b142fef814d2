#include "core/engine/ScanEngine.hpp"

namespace keepsift {

EngineSnapshot ScanEngine::snapshot() const {
    std::lock_guard lock(mutex_);
    EngineSnapshot snapshot;
    snapshot.authorization = authorization_;
    snapshot.review = ReviewList::build(index_.entries, index_.ignoredGroups);
    snapshot.batchIsFull = batchLimitReachedLocked();
    snapshot.waiting =
        static_cast<std::int64_t>(queue_.items.size() + work_.awaitingOriginalCount());
    snapshot.hasCompletedFirstPass = hasCompletedFirstPass_;
    for (const auto& [id, entry] : index_.entries) {
        if (entry.signals || entry.skip) ++snapshot.analysed;
        if (entry.state != ReviewState::deleted) ++snapshot.known;
    }
    return snapshot;
}

} // namespace keepsift
