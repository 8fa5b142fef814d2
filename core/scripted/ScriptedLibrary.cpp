#include "core/scripted/ScriptedLibrary.hpp"

#include "core/grouping/DatedOrder.hpp"

#include <algorithm>
#include <thread>
#include <utility>

namespace keepsift {

namespace {

LibraryAuthorization defaultAnswer(LibraryAuthorization state) {
    if (state == LibraryAuthorization::notDetermined) return LibraryAuthorization::authorized;
    return state;
}

} // namespace

ScriptedLibrary::ScriptedLibrary(const std::vector<LibraryAsset>& assets,
                                 LibraryAuthorization state,
                                 std::optional<LibraryAuthorization> answersWith,
                                 bool confirmsDeletion, LibraryStorage storageMode,
                                 std::chrono::milliseconds readDelay)
    : storageMode_(storageMode), state_(state),
      answersWith_(answersWith.value_or(defaultAnswer(state))), confirmsDeletion_(confirmsDeletion),
      readDelay_(readDelay) {
    for (const auto& asset : assets)
        assetsByID_.try_emplace(asset.id, asset);
}

void ScriptedLibrary::announceLocked(LibraryChange change) {
    if (continuation_) continuation_->yield(std::move(change));
}

void ScriptedLibrary::requireReadAccessLocked() const {
    if (!canRead(state_)) throw LibraryError::notAuthorised();
}

LibraryStorage ScriptedLibrary::storageMode() {
    std::lock_guard lock(mutex_);
    return storageMode_;
}

LibraryAuthorization ScriptedLibrary::authorizationStatus() {
    std::lock_guard lock(mutex_);
    return state_;
}

LibraryAuthorization ScriptedLibrary::requestAuthorization() {
    std::lock_guard lock(mutex_);
    ++authorizationRequests_;
    state_ = answersWith_;
    announceLocked(change::AuthorizationChanged{state_});
    return state_;
}

std::vector<LibraryAsset> ScriptedLibrary::fetchAssets() {
    {
        std::lock_guard lock(mutex_);
        requireReadAccessLocked();
    }
    if (readDelay_.count() > 0) std::this_thread::sleep_for(readDelay_);
    std::vector<LibraryAsset> all;
    {
        std::lock_guard lock(mutex_);
        all.reserve(assetsByID_.size());
        for (const auto& [id, asset] : assetsByID_)
            all.push_back(asset);
    }
    // Undated assets are placed by identifier alone.
    sortDatedThenText(
        all, [](const LibraryAsset& a) { return a.createdAt; },
        [](const LibraryAsset& a) -> const std::string& { return a.id; });
    return all;
}

std::vector<LibraryAsset> ScriptedLibrary::lookUp(const std::vector<std::string>& ids) {
    std::lock_guard lock(mutex_);
    std::vector<LibraryAsset> found;
    for (const auto& id : ids)
        if (const auto asset = assetsByID_.find(id); asset != assetsByID_.end())
            found.push_back(asset->second);
    return found;
}

std::optional<std::string> ScriptedLibrary::contentDigest(const std::string& id) {
    std::lock_guard lock(mutex_);
    const auto content = contents_.find(id);
    if (content == contents_.end() || !assetsByID_.contains(id)) return std::nullopt;
    return content->second;
}

void ScriptedLibrary::setContent(const std::string& id, const std::string& digest) {
    std::lock_guard lock(mutex_);
    contents_.insert_or_assign(id, digest);
}

std::vector<std::string> ScriptedLibrary::setRejected(const std::vector<std::string>& ids,
                                                      bool rejected) {
    std::lock_guard lock(mutex_);
    requireReadAccessLocked();
    rejectionCalls_.push_back({ids, rejected});
    if (rejectionWritesFail_)
        throw LibraryError::albumWriteIncomplete(static_cast<std::int64_t>(ids.size()));
    for (const auto& id : ids)
        if (auto found = assetsByID_.find(id); found != assetsByID_.end())
            found->second.isRejected = rejected;
    return {};
}

DeletionReport ScriptedLibrary::deleteAssets(const std::vector<std::string>& ids,
                                             const ReviewedContents&) {
    std::lock_guard lock(mutex_);
    requireReadAccessLocked();
    deleteCalls_.push_back(ids);
    if (!confirmsDeletion_) return DeletionReport::allKept(ids, KeptReason::declined);
    DeletionReport report;
    for (const auto& id : ids) {
        if (auto kept = keptOnDelete_.find(id); kept != keptOnDelete_.end()) {
            report.kept.push_back({id, kept->second});
            continue;
        }
        assetsByID_.erase(id);
        report.deleted.push_back(id);
    }
    return report;
}

LibraryChangeStream ScriptedLibrary::changes() {
    auto stream = Channel<LibraryChange>::make();
    LibraryChangeStream earlier;
    {
        std::lock_guard lock(mutex_);
        earlier = std::exchange(continuation_, stream);
    }
    // A replaced stream is fed no more; finishing it lets its reader stop waiting.
    if (earlier) earlier->finish();
    return stream;
}

void ScriptedLibrary::setStorageMode(LibraryStorage mode) {
    std::lock_guard lock(mutex_);
    storageMode_ = mode;
}

void ScriptedLibrary::setRejectionWritesFail(bool fail) {
    std::lock_guard lock(mutex_);
    rejectionWritesFail_ = fail;
}

void ScriptedLibrary::add(const std::vector<LibraryAsset>& assets) {
    std::lock_guard lock(mutex_);
    for (const auto& asset : assets)
        assetsByID_.insert_or_assign(asset.id, asset);
    announceLocked(change::AssetsAdded{assets});
}

void ScriptedLibrary::remove(const std::vector<std::string>& ids) {
    std::lock_guard lock(mutex_);
    for (const auto& id : ids)
        assetsByID_.erase(id);
    announceLocked(change::AssetsDeleted{ids});
}

void ScriptedLibrary::markRejected(const std::vector<std::string>& ids, bool rejected) {
    std::lock_guard lock(mutex_);
    for (const auto& id : ids)
        if (auto found = assetsByID_.find(id); found != assetsByID_.end())
            found->second.isRejected = rejected;
    if (rejected)
        announceLocked(change::RejectsAlbumChanged{ids, {}});
    else
        announceLocked(change::RejectsAlbumChanged{{}, ids});
}

void ScriptedLibrary::setAuthorization(LibraryAuthorization state) {
    std::lock_guard lock(mutex_);
    state_ = state;
    announceLocked(change::AuthorizationChanged{state});
}

std::vector<LibraryAsset> ScriptedLibrary::assets() const {
    std::lock_guard lock(mutex_);
    std::vector<LibraryAsset> all;
    all.reserve(assetsByID_.size());
    for (const auto& [id, asset] : assetsByID_)
        all.push_back(asset);
    return all;
}

std::set<std::string> ScriptedLibrary::rejectedIDs() const {
    std::lock_guard lock(mutex_);
    std::set<std::string> ids;
    for (const auto& [id, asset] : assetsByID_)
        if (asset.isRejected) ids.insert(id);
    return ids;
}

LibraryAuthorization ScriptedLibrary::state() const {
    std::lock_guard lock(mutex_);
    return state_;
}

LibraryAuthorization ScriptedLibrary::answersWith() const {
    std::lock_guard lock(mutex_);
    return answersWith_;
}

void ScriptedLibrary::setAnswersWith(LibraryAuthorization answer) {
    std::lock_guard lock(mutex_);
    answersWith_ = answer;
}

bool ScriptedLibrary::confirmsDeletion() const {
    std::lock_guard lock(mutex_);
    return confirmsDeletion_;
}

void ScriptedLibrary::setConfirmsDeletion(bool confirms) {
    std::lock_guard lock(mutex_);
    confirmsDeletion_ = confirms;
}

void ScriptedLibrary::keepOnDelete(const std::string& id, KeptReason reason) {
    std::lock_guard lock(mutex_);
    keptOnDelete_[id] = reason;
}

std::int64_t ScriptedLibrary::authorizationRequests() const {
    std::lock_guard lock(mutex_);
    return authorizationRequests_;
}

std::vector<ScriptedLibrary::RejectionCall> ScriptedLibrary::rejectionCalls() const {
    std::lock_guard lock(mutex_);
    return rejectionCalls_;
}

std::vector<std::vector<std::string>> ScriptedLibrary::deleteCalls() const {
    std::lock_guard lock(mutex_);
    return deleteCalls_;
}

bool ScriptedLibrary::rejectionWritesFail() const {
    std::lock_guard lock(mutex_);
    return rejectionWritesFail_;
}

} // namespace keepsift
