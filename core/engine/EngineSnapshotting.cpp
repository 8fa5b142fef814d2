#include "core/engine/ScanEngine.hpp"

namespace keepsift {

// The review list is copied after the lock is released: it is shared, never changed
// while held here.
EngineSnapshot ScanEngine::snapshot() const {
    EngineSnapshot snapshot;
    std::shared_ptr<const ReviewList> review;
    {
        std::lock_guard lock(mutex_);
        snapshot.authorization = authorization_;
        review = work_.sharedReviewList(index_.ignoredGroups);
        snapshot.batchIsFull = batchLimitReachedLocked();
        snapshot.waiting =
            static_cast<std::int64_t>(queue_.items.size() + work_.awaitingOriginalCount());
        snapshot.hasCompletedFirstPass = hasCompletedFirstPass_;
        snapshot.analysed = work_.analysed();
        snapshot.known = work_.known();
    }
    snapshot.review = *review;
    return snapshot;
}

} // namespace keepsift
