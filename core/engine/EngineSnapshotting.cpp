#include "core/engine/ScanEngine.hpp"

namespace keepsift {

EngineSnapshot ScanEngine::snapshot() const {
    std::lock_guard lock(mutex_);
    EngineSnapshot snapshot;
    snapshot.authorization = authorization_;
    snapshot.review = work_.reviewList(index_.ignoredGroups);
    snapshot.batchIsFull = batchLimitReachedLocked();
    snapshot.waiting =
        static_cast<std::int64_t>(queue_.items.size() + work_.awaitingOriginalCount());
    snapshot.hasCompletedFirstPass = hasCompletedFirstPass_;
    snapshot.analysed = work_.analysed();
    snapshot.known = work_.known();
    return snapshot;
}

} // namespace keepsift
