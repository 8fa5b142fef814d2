#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "core/model/LibraryError.hpp"
#include "core/model/PhotoLibrary.hpp"

namespace keepsift {

// The in-memory photo library of the interface-test scenarios. It answers from its own
// table of assets, records what it was asked, and announces the changes a scenario makes
// on its change stream the way the live library would. Operations are virtual so that a
// test can hook into any of them.
class ScriptedLibrary : public PhotoLibrary {
public:
    struct RejectionCall {
        std::vector<std::string> ids;
        bool rejected = false;
        bool operator==(const RejectionCall&) const = default;
    };

    // The first of two assets sharing an identifier wins. Without an explicit answer an
    // undecided or authorised library answers `authorized`; the others answer themselves.
    ScriptedLibrary(const std::vector<LibraryAsset>& assets, LibraryAuthorization state,
                    std::optional<LibraryAuthorization> answersWith, bool confirmsDeletion,
                    LibraryStorage storageMode,
                    std::chrono::milliseconds readDelay = std::chrono::milliseconds(0));

    // PhotoLibrary
    LibraryStorage storageMode() override;
    LibraryAuthorization authorizationStatus() override;
    LibraryAuthorization requestAuthorization() override;
    std::vector<LibraryAsset> fetchAssets() override;
    std::vector<LibraryAsset> lookUp(const std::vector<std::string>& ids) override;
    // The content given for a listed photograph; none without one.
    std::optional<std::string> contentDigest(const std::string& id) override;
    std::vector<std::string> setRejected(const std::vector<std::string>& ids,
                                         bool rejected) override;
    DeletionReport deleteAssets(const std::vector<std::string>& ids,
                                const ReviewedContents& reviewed) override;
    LibraryChangeStream changes() override;

    // Scenario side: each change is announced on the current stream, when one exists.
    virtual void setStorageMode(LibraryStorage mode);
    virtual void setRejectionWritesFail(bool fail);
    virtual void add(const std::vector<LibraryAsset>& assets);
    virtual void remove(const std::vector<std::string>& ids);
    virtual void markRejected(const std::vector<std::string>& ids, bool rejected);
    virtual void setAuthorization(LibraryAuthorization state);
    // What the photograph under this identifier holds, as its digest; it stays with the
    // identifier.
    void setContent(const std::string& id, const std::string& digest);

    // Read-only views.
    std::vector<LibraryAsset> assets() const;
    std::set<std::string> rejectedIDs() const;

    // Field access for the test that owns the library.
    LibraryAuthorization state() const;
    LibraryAuthorization answersWith() const;
    void setAnswersWith(LibraryAuthorization answer);
    bool confirmsDeletion() const;
    void setConfirmsDeletion(bool confirms);
    // A photograph that a confirmed delete leaves where it is, for this reason.
    void keepOnDelete(const std::string& id, KeptReason reason);
    std::int64_t authorizationRequests() const;
    std::vector<RejectionCall> rejectionCalls() const;
    std::vector<std::vector<std::string>> deleteCalls() const;
    bool rejectionWritesFail() const;
    std::chrono::milliseconds readDelay() const { return readDelay_; }

private:
    void announceLocked(LibraryChange change);
    void requireReadAccessLocked() const;

    mutable std::mutex mutex_;
    LibraryStorage storageMode_;
    std::map<std::string, LibraryAsset> assetsByID_;
    LibraryAuthorization state_;
    LibraryAuthorization answersWith_;
    bool confirmsDeletion_;
    LibraryChangeStream continuation_;
    std::int64_t authorizationRequests_ = 0;
    std::vector<RejectionCall> rejectionCalls_;
    std::vector<std::vector<std::string>> deleteCalls_;
    std::map<std::string, KeptReason> keptOnDelete_;
    std::map<std::string, std::string> contents_;
    const std::chrono::milliseconds readDelay_;
    bool rejectionWritesFail_ = false;
};

} // namespace keepsift
