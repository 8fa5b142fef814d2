#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/model/DeletionReport.hpp"
#include "core/model/LibraryAsset.hpp"
#include "core/model/LibraryChange.hpp"
#include "core/model/LibraryEnums.hpp"
#include "core/model/ReviewedBytes.hpp"
#include "core/support/Channel.hpp"

namespace keepsift {

using LibraryChangeStream = Channel<LibraryChange>::Pointer;

// The photo library as the engine reaches it. Every operation blocks its calling thread;
// implementations are safe to call from any thread.
class PhotoLibrary {
public:
    virtual ~PhotoLibrary() = default;

    // Where the originals live, found without downloading anything.
    virtual LibraryStorage storageMode() = 0;
    virtual LibraryAuthorization authorizationStatus() = 0;
    virtual LibraryAuthorization requestAuthorization() = 0;
    // The complete listing of image photographs, ascending by creation date. Throws.
    virtual std::vector<LibraryAsset> fetchAssets() = 0;
    // Of photographs a listing left out, those whose storage went away (an unmounted drive,
    // a library a sync client has not filled yet) rather than being deleted.
    virtual std::vector<std::string> unavailable(const std::vector<std::string>& missing) {
        (void)missing;
        return {};
    }
    // Of the given photographs, those whose files are there now: a short look at each, no
    // listing of the library.
    virtual std::vector<std::string> present(const std::vector<std::string>& ids) { return ids; }
    // What the library says of the given photographs' files now, each looked up by itself, no
    // listing of the library; those not there are left out, and so are all where it cannot
    // tell. Album memberships are not said.
    virtual std::vector<LibraryAsset> lookUp(const std::vector<std::string>& ids) {
        (void)ids;
        return {};
    }
    // A digest of the photograph's bytes as they are on this machine, so that a photograph
    // found elsewhere is known for the same one; none when they cannot be read without
    // downloading them, or at all.
    virtual std::optional<std::string> contentDigest(const std::string& id) {
        (void)id;
        return std::nullopt;
    }
    // The same digest, with the file's status where it proves the bytes read.
    virtual std::optional<DigestRead> readDigest(const std::string& id) {
        auto digest = contentDigest(id);
        if (!digest) return std::nullopt;
        return DigestRead{std::move(*digest)};
    }
    // Adds to (or removes from) the rejects album. An addition answers those of the photographs
    // the album linked already when it looked, which it left as they were. Throws LibraryError.
    virtual std::vector<std::string> setRejected(const std::vector<std::string>& ids,
                                                 bool rejected) = 0;
    // Takes out of the rejects album the links of these photographs that left the library
    // (removed by hand) and lead nowhere now; what lies on storage that is away stays, and so
    // does every other link. Throws LibraryError.
    virtual void removeDepartedRejects(const std::vector<std::string>& departed) { (void)departed; }
    // Moves the photographs to the Trash, after the user confirmed it once more, and says what
    // became of each; nothing deleted when nothing matched. A photograph whose reviewed bytes
    // are given goes only while its file holds them. Throws only when the library could not be
    // asked at all, and then nothing was moved.
    virtual DeletionReport deleteAssets(const std::vector<std::string>& ids,
                                        const ReviewedContents& reviewed) = 0;
    // Runs until the consumer cancels it.
    virtual LibraryChangeStream changes() = 0;
};

} // namespace keepsift
