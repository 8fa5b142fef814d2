#include "platform/library/FolderPhotoLibrary.hpp"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <iterator>
#include <set>
#include <sys/stat.h>

#include "core/support/Logger.hpp"
#include "core/support/Unicode.hpp"
#include "platform/imaging/ImageSource.hpp"
#include "platform/library/BoundedRead.hpp"
#include "platform/library/ChangeTimeKept.hpp"
#include "platform/library/Locality.hpp"
#include "platform/library/MediaKinds.hpp"
#include "platform/library/NameText.hpp"
#include "platform/library/PhotographPresence.hpp"
#include "platform/library/ProvingStamp.hpp"

namespace keepsift {
namespace {

std::vector<std::string> identifiersOf(const std::vector<PortAsset>& assets) {
    std::vector<std::string> ids;
    for (const PortAsset& asset : assets)
        ids.push_back(asset.localIdentifier);
    return ids;
}

std::vector<PortAsset> assetsOf(std::vector<CatalogueAsset> described) {
    std::vector<PortAsset> assets;
    assets.reserve(described.size());
    for (CatalogueAsset& one : described)
        assets.push_back(std::move(one.asset));
    return assets;
}

std::vector<CatalogueItem> itemsOf(std::vector<CatalogueAsset> described) {
    std::vector<CatalogueItem> items;
    for (auto& one : described)
        items.push_back(std::move(one.item));
    return items;
}

std::string typeIdentifierOf(const std::string& name) {
    std::string extension = unicode::lowercased(extensionOf(name));
    if (extension == "jpg" || extension == "jpeg") return "public.jpeg";
    if (extension == "heic" || extension == "heif") return "public.heic";
    if (extension == "tif" || extension == "tiff") return "public.tiff";
    if (mediaKind(name) == MediaKind::raw) return "public.camera-raw-image";
    return "public." + extension;
}

bool isFolderName(const std::string& title) {
    return !title.empty() && title != "." && title != ".." && !isHiddenName(title) &&
           title.find('/') == std::string::npos;
}

const Logger& log() {
    static Logger logger("com.ambervale.keepsift", "folder-library");
    return logger;
}

// Told once per write so that the application can tell the user what to move away.
PortError blockedAlbum(const std::string& path) {
    std::string message =
        "A file named \u201C" + path.substr(path.rfind('/') + 1) +
        "\u201D in the photo library folder blocks the album of that name: " + "move or rename " +
        path;
    log().error(message);
    return {folderLibraryErrorDomain, ENOTDIR, message};
}

// Another user made the folder where they may write to the library: what Keepsift wrote there
// they could read, and their links would pass for the user's flags.
PortError othersAlbum(const std::string& path) {
    std::string message = "The folder \u201C" + path.substr(path.rfind('/') + 1) +
                          "\u201D in the photo library folder belongs to another user: Keepsift "
                          "keeps no album in it; move or rename " +
                          path;
    log().error(message);
    return {folderLibraryErrorDomain, EPERM, message};
}

// The photographs asked for that the library no longer holds.
std::vector<std::string> departedOf(const std::vector<std::string>& ids,
                                    const std::vector<CatalogueItem>& items) {
    std::set<std::string> found;
    for (const CatalogueItem& item : items)
        found.insert(item.id);
    std::vector<std::string> departed;
    std::copy_if(ids.begin(), ids.end(), std::back_inserter(departed),
                 [&](const std::string& id) { return !found.contains(id); });
    return departed;
}

// What a link's own text says, unfollowed; empty when it is no link now.
std::string linkText(const Place& link) {
    std::error_code error;
    auto text = std::filesystem::read_symlink(link.path(), error);
    return error ? std::string() : text.string();
}

PortError missingAsset() {
    return folderLibraryError(ENOENT, "the photograph is no longer in the library");
}

} // namespace

PortError folderLibraryError(int errnoValue, const std::string& what) {
    return {folderLibraryErrorDomain, errnoValue, what + ": " + std::strerror(errnoValue)};
}

// What one change block asked for, carried out after the block returns.
class FolderPhotoLibrary::ChangeRequests : public PortChangeRequests {
public:
    struct AlbumOperation {
        bool adding = true;
        std::vector<std::string> ids;
    };
    class AlbumChange : public PortCollectionChangeRequest {
    public:
        explicit AlbumChange(std::string folder) : folder(std::move(folder)) {}
        void addAssets(const std::vector<PortAsset>& assets) override {
            operations.push_back({true, identifiersOf(assets)});
        }
        void removeAssets(const std::vector<PortAsset>& assets) override {
            operations.push_back({false, identifiersOf(assets)});
        }
        std::string folder;
        std::vector<AlbumOperation> operations;
    };

    explicit ChangeRequests(SymlinkAlbums& albums) : albums_(albums) {}

    PortCollectionChangeRequest*
    changeRequestForAssetCollection(const PortAssetCollection& album) override {
        if (!albums_.exists(album)) return nullptr;
        albumChanges.push_back(std::make_unique<AlbumChange>(albums_.folderOf(album)));
        return albumChanges.back().get();
    }
    void creationRequestForAssetCollectionWithTitle(const std::string& title) override {
        creations.push_back(title);
    }
    void deleteAssets(const std::vector<PortAsset>& assets,
                      const ReviewedContents& reviewed) override {
        deletions.insert(deletions.end(), assets.begin(), assets.end());
        reviewedDeletions.insert(reviewed.begin(), reviewed.end());
    }

    std::vector<std::string> creations;
    std::vector<std::unique_ptr<AlbumChange>> albumChanges;
    std::vector<PortAsset> deletions;
    ReviewedContents reviewedDeletions;

private:
    SymlinkAlbums& albums_;
};

FolderPhotoLibrary::FolderPhotoLibrary(FolderLibraryOptions options)
    : options_(std::move(options)),
      catalogue_(options_.root, options_.ops, options_.catalogueFile, options_.mountsFile),
      albums_(catalogue_), trash_(options_.ops, options_.homeTrash),
      consent_(options_.consentFile, options_.root, options_.access) {}

FolderPhotoLibrary::~FolderPhotoLibrary() {
    std::unique_ptr<ChangeWatcher> watcher;
    {
        std::lock_guard lock(mutex_);
        watcher = std::move(watcher_);
    }
}

int FolderPhotoLibrary::authorizationStatus() {
    const int status = consent_.status();
    if (status != port_authorization::authorized && status != port_authorization::limited)
        return status;
    // An unmounted drive leaves its empty mount point: a library that held photographs and
    // now holds none is unavailable, not emptied, until they are back.
    if (catalogue_.heldFiles() && !holdsAnyPhotograph(catalogue_.root()))
        return port_authorization::restricted;
    return status;
}

void FolderPhotoLibrary::requestAuthorization(std::function<void(int status)> handler) {
    if (!consent_.consent() && options_.consentPrompt)
        consent_.record(options_.consentPrompt->askLibraryConsent(catalogue_.root()));
    handler(authorizationStatus());
}

bool FolderPhotoLibrary::recordConsent(bool granted) {
    return consent_.record(granted);
}

std::vector<PortAsset> FolderPhotoLibrary::fetchImageAssets() {
    return assetsOf(catalogue_.all());
}

std::vector<PortAsset>
FolderPhotoLibrary::fetchAssetsWithLocalIdentifiers(const std::vector<std::string>& identifiers) {
    return assetsOf(catalogue_.withIdentifiers(identifiers));
}

std::vector<std::string>
FolderPhotoLibrary::unavailableIdentifiers(const std::vector<std::string>& missing) {
    return catalogue_.unavailable(missing);
}

std::vector<PortAssetCollection>
FolderPhotoLibrary::fetchRegularAlbumsTitled(const std::string& title) {
    std::string wanted = identifierOf(title);
    std::vector<PortAssetCollection> albums = albums_.all();
    std::erase_if(albums, [&](const PortAssetCollection& album) {
        return album.localizedTitle != wanted ||
               album.subtype != PortAssetCollection::subtypeAlbumRegular;
    });
    return albums;
}

std::vector<PortAssetCollection> FolderPhotoLibrary::fetchAllAlbums() {
    return albums_.all();
}

std::vector<std::string> FolderPhotoLibrary::memberIdentifiers(const PortAssetCollection& album) {
    return albums_.members(album);
}

// Read as a listing begins. A link the user made to a card's photograph, unread when the card
// was mounted again at another folder, is theirs: it follows the card, and is read so. No
// album write runs meanwhile: one taking out links that lead nowhere would take it out too.
std::vector<PortMember> FolderPhotoLibrary::membersWithTimes(const PortAssetCollection& album) {
    if (const auto moves = catalogue_.mountMoves(); !moves.empty()) {
        std::lock_guard lock(changesMutex_);
        albums_.followMovedMounts(albums_.folderOf(album), moves);
    }
    return albums_.membersWithTimes(album);
}

void FolderPhotoLibrary::performChanges(PortChangeBlock block, PortChangeCompletion completion) {
    std::optional<PortError> error;
    {
        std::lock_guard lock(changesMutex_);
        ChangeRequests requests(albums_);
        block(requests);
        error = apply(requests);
    }
    completion(!error.has_value(), error);
}

std::optional<PortError> FolderPhotoLibrary::apply(ChangeRequests& requests) {
    std::vector<CatalogueItem> trashing;
    ReviewedFiles expected;
    AlbumLinks links;
    if (!requests.deletions.empty()) {
        trashing = itemsOf(catalogue_.withIdentifiers(identifiersOf(requests.deletions)));
        expected = reviewedFiles(trashing, requests.reviewedDeletions);
        links = albumLinksTo(trashing);
        auto& confirmation = options_.deletionConfirmation;
        if (!confirmation || !confirmation->confirmDeletion(requests.deletions))
            return PortError::cancelled();
    }
    for (const std::string& title : requests.creations) {
        if (!isFolderName(title)) return folderLibraryError(EINVAL, "cannot create the album");
        int error = albums_.create(title);
        if (error == ENOTDIR) return blockedAlbum(catalogue_.absolute(title));
        if (error == EPERM) return othersAlbum(catalogue_.absolute(title));
        if (error != 0) return folderLibraryError(error, "cannot create the album");
    }
    for (const auto& change : requests.albumChanges) {
        for (const auto& operation : change->operations) {
            auto items = itemsOf(catalogue_.withIdentifiers(operation.ids));
            const auto departed = departedOf(operation.ids, items);
            if (!operation.adding)
                for (const auto& [id, paths] :
                     albums_.linksTo(change->folder, departedInPlace(departed)))
                    for (const Place& link : paths)
                        options_.ops->removeFile(link);
            int error = operation.adding ? albums_.add(change->folder, items)
                                         : albums_.remove(change->folder, items, departed);
            if (error != 0) return folderLibraryError(error, "the album write is incomplete");
        }
    }
    if (requests.deletions.empty()) return std::nullopt;
    return deleteItems(trashing, expected, links);
}

// Looked up before anything of the batch happens, so that a photograph whose file is put
// aside meanwhile still has its links found.
FolderPhotoLibrary::AlbumLinks
FolderPhotoLibrary::albumLinksTo(const std::vector<CatalogueItem>& items) {
    AlbumLinks links;
    for (const PortAssetCollection& album : albums_.all())
        for (auto& [id, paths] : albums_.linksTo(albums_.folderOf(album), items))
            for (Place& link : paths) {
                std::string named = linkText(link);
                links[id].push_back({std::move(link), std::move(named)});
            }
    return links;
}

// Only a link that still names the path it named when it was looked up: one the user pointed
// at another photograph meanwhile is theirs to keep.
void FolderPhotoLibrary::removeLinksOf(AlbumLinks& links, const std::string& id) {
    for (const AlbumLink& link : links[id])
        if (!link.named.empty() && linkText(link.place) == link.named)
            options_.ops->removeFile(link.place);
}

std::vector<CatalogueItem>
FolderPhotoLibrary::departedInPlace(const std::vector<std::string>& departed) {
    std::vector<CatalogueItem> items;
    for (const std::string& id : departed) {
        const std::string relative = relativePathOf(id);
        struct stat status {};
        if (::lstat(catalogue_.absolute(relative).c_str(), &status) != 0 ||
            S_ISREG(status.st_mode) || S_ISDIR(status.st_mode) || S_ISLNK(status.st_mode))
            continue;
        const auto slash = relative.rfind('/');
        CatalogueItem item;
        item.id = id;
        item.folder = slash == std::string::npos ? std::string() : relative.substr(0, slash);
        CatalogueResource& resource = item.resources.emplace_back();
        resource.name = relative.substr(slash + 1);
        items.push_back(std::move(item));
    }
    return items;
}

// Every file of each photograph goes to the Trash; album links to it are removed only
// once its primary file is there, so a failed move leaves its albums intact. A failure
// stops only its own photograph, and the error names what did reach the Trash and why the
// others stayed. One found gone is in neither list: it left the library, not into the Trash.
std::optional<PortError> FolderPhotoLibrary::deleteItems(const std::vector<CatalogueItem>& items,
                                                         const ReviewedFiles& expected,
                                                         AlbumLinks& links) {
    std::vector<std::string> deleted, gone, trashed;
    std::vector<KeptPhoto> kept;
    std::vector<PortError> failures;
    const SameEntryNames names = sameEntryNames(items);
    for (const CatalogueItem& item : items) {
        bool primaryTrashed = false, unlinked = false;
        if (auto failure = trashItem(item, expected, names, primaryTrashed, trashed)) {
            log().error(failure->error.message);
            failures.push_back(std::move(failure->error));
            if (!failure->reason)
                gone.push_back(item.id);
            else if (!primaryTrashed)
                kept.push_back({item.id, *failure->reason});
            unlinked = failure->leftLibrary;
        }
        if (primaryTrashed) deleted.push_back(item.id);
        if (primaryTrashed || unlinked) removeLinksOf(links, item.id);
    }
    catalogue_.forget(trashed);
    if (failures.empty()) return std::nullopt;
    PortError error = failures.front();
    if (failures.size() > 1)
        error.message += " (and " + std::to_string(failures.size() - 1) + " more)";
    error.deletedIdentifiers = std::move(deleted);
    error.keptIdentifiers = std::move(kept);
    error.goneIdentifiers = std::move(gone);
    return error;
}

namespace {

KeptReason keptReasonOf(int error) {
    switch (error) {
    case ESTALE:
        return KeptReason::changedSinceReviewed;
    case EXDEV:
        return KeptReason::trashOnAnotherDevice;
    case EACCES:
    case EPERM:
    case EROFS:
        return KeptReason::notWritable;
    default:
        return KeptReason::failed;
    }
}

// Said of the file the check stopped at.
PortError notMoved(const std::string& path, const std::string& why, int error) {
    return {folderLibraryErrorDomain, error,
            "\u201C" + path + "\u201D " + why + " and was not moved to the Trash"};
}

} // namespace

FolderPhotoLibrary::TrashFailure FolderPhotoLibrary::noPrivateTrash(const std::string& path,
                                                                    const TrashRefusal& refusal) {
    return {{folderLibraryErrorDomain, refusal.error,
             "\u201C" + path +
                 "\u201D was not moved: this drive has no Trash that is private to you (" +
                 refusal.reason + ")"},
            KeptReason::noPrivateTrash};
}

// Moved or removed by someone else meanwhile: it is not in the Trash, and nothing of it goes.
FolderPhotoLibrary::TrashFailure FolderPhotoLibrary::leftBeforeItsMove(const std::string& path) {
    return {notMoved(path, "is no longer there", ENOENT), std::nullopt};
}

namespace {

FileStamp stampRecorded(const DigestedStatus& status) {
    FileStamp stamp;
    stamp.inode = static_cast<std::uint64_t>(status.number);
    stamp.size = status.size;
    stamp.mtimeNs = status.modifiedNs;
    stamp.ctimeNs = status.changedNs;
    return stamp;
}

// A companion as it was when its photograph was read for review, where that was recorded;
// else as it was before anything of the batch happened.
ReviewedFile reviewedCompanion(const CatalogueResource& resource, const ReviewedBytes* bytes) {
    if (bytes == nullptr) return {resource.stamp};
    const auto recorded = bytes->companions.find(textOfName(resource.name));
    if (recorded == bytes->companions.end()) return {resource.stamp};
    const CompanionRead& companion = recorded->second;
    ReviewedFile file{stampRecorded(companion.status)};
    if (companion.digest) file.bytes = ReviewedBytes{*companion.digest, companion.status.size};
    return file;
}

// The file as checked right before its move, with the bytes reviewed of it where known.
ReviewedFile checkedAgainst(const ReviewedFiles& expected, const std::string& relative,
                            const FileStamp& checked) {
    const auto reviewed = expected.find(relative);
    return {checked, reviewed != expected.end() ? reviewed->second.bytes : std::nullopt};
}

} // namespace

// What each file is checked against right before the photograph moves: for its primary file
// the bytes reviewed where they are known, else the file as it was before anything of the
// batch happened, so that a listing while it runs does not make other bytes the reviewed
// ones; for its companions, each file as it was reviewed.
ReviewedFiles FolderPhotoLibrary::reviewedFiles(const std::vector<CatalogueItem>& items,
                                                const ReviewedContents& reviewed) {
    ReviewedFiles files;
    for (const CatalogueItem& item : items) {
        auto bytes = reviewed.find(item.id);
        const ReviewedBytes* known = bytes != reviewed.end() ? &bytes->second : nullptr;
        for (const CatalogueResource& resource : item.resources)
            if (&resource != &item.primary())
                files.emplace(item.relativePath(resource), reviewedCompanion(resource, known));
        const std::string primary = item.relativePath(item.primary());
        auto file = catalogue_.reviewedFile(primary);
        if (bytes != reviewed.end()) {
            if (!file) file = ReviewedFile{};
            file->bytes = bytes->second;
        }
        if (file) files.emplace(primary, std::move(*file));
    }
    return files;
}

// The listed names as their folders are now, against the files this delete moves.
SameEntryNames FolderPhotoLibrary::sameEntryNames(const std::vector<CatalogueItem>& items) {
    std::set<std::string> moving;
    for (const CatalogueItem& item : items)
        for (const CatalogueResource& resource : item.resources)
            moving.insert(item.relativePath(resource));
    return SameEntryNames(catalogue_.root(), catalogue_.listedNames(), std::move(moving));
}

// A file that is also another listed name, one this delete leaves (kept by hand, say), is
// that photograph's file as much as this one's: moving it would take that one away too.
std::optional<FolderPhotoLibrary::TrashFailure>
FolderPhotoLibrary::sharedWithStayingName(const CheckedFiles& checked,
                                          const SameEntryNames& names) {
    for (const auto& [relative, stamp] : checked.files)
        if (const auto staying = names.stayingNameOf(relative))
            return TrashFailure{notMoved(catalogue_.absolute(relative),
                                         "is the very file of \u201C" +
                                             catalogue_.absolute(*staying) +
                                             "\u201D (one folder reached by two names), which "
                                             "stays,",
                                         EBUSY),
                                KeptReason::failed};
    return std::nullopt;
}

// Every file is checked before any moves, once its drive is known to have a Trash for it;
// each moves then only while it is still the file checked, and only where no name that
// stays shares it.
std::optional<FolderPhotoLibrary::TrashFailure>
FolderPhotoLibrary::trashItem(const CatalogueItem& item, const ReviewedFiles& expected,
                              const SameEntryNames& names, bool& primaryTrashed,
                              std::vector<std::string>& trashed) {
    const std::string primary = item.relativePath(item.primary());
    if (TrashRefusal refusal = trash_.refusalFor({catalogue_.root(), primary});
        !refusal.reason.empty())
        return noPrivateTrash(catalogue_.absolute(primary), refusal);
    const CheckedFiles checked = checkFiles(catalogue_.root(), item, expected);
    const auto path = [&] { return catalogue_.absolute(checked.files.front().first); };
    switch (checked.outcome) {
    case FilesCheck::ready:
        if (auto shared = sharedWithStayingName(checked, names)) return shared;
        return moveChecked(checked, expected, primaryTrashed, trashed);
    case FilesCheck::gone:
        return leftBeforeItsMove(path());
    case FilesCheck::unreadable:
        return TrashFailure{notMoved(path(), "cannot be read", EACCES), KeptReason::unreadable};
    case FilesCheck::unproven:
        return TrashFailure{
            notMoved(path(), "has no reviewed bytes to compare on this drive yet", EAGAIN),
            KeptReason::unproven};
    case FilesCheck::notAPhotograph:
    case FilesCheck::changed:
        break;
    }
    return TrashFailure{notMoved(path(), "changed after it was reviewed", ESTALE),
                        KeptReason::changedSinceReviewed,
                        checked.outcome == FilesCheck::notAPhotograph};
}

// The primary file goes first; one gone before its move stops the photograph, which then
// did not reach the Trash. One found changed, before its move or once in the Trash, takes
// back those of its photograph that went before it: the photograph stays whole.
std::optional<FolderPhotoLibrary::TrashFailure>
FolderPhotoLibrary::moveChecked(const CheckedFiles& checked, const ReviewedFiles& expected,
                                bool& primaryTrashed, std::vector<std::string>& trashed) {
    std::vector<TrashedFile> moved;
    for (const auto& [relative, stamp] : checked.files) {
        const bool primary = &relative == &checked.files.front().first;
        const std::string path = catalogue_.absolute(relative);
        TrashedFile arrived;
        TrashRefusal refusal = trash_.moveToTrash(
            {catalogue_.root(), relative}, checkedAgainst(expected, relative, stamp), &arrived);
        int error = refusal.error;
        if (!refusal.reason.empty()) return noPrivateTrash(path, refusal);
        if (error == ENOENT && primary) return leftBeforeItsMove(path);
        if (error == ESTALE) {
            strandedInTrash(arrived);
            putBackAll(moved, primaryTrashed, trashed);
            return TrashFailure{notMoved(path, "changed after it was reviewed", ESTALE),
                                KeptReason::changedSinceReviewed};
        }
        if (error != 0 && error != ENOENT)
            return TrashFailure{folderLibraryError(error, "cannot move " + path + " to the Trash"),
                                keptReasonOf(error)};
        if (error == 0) {
            trashed.push_back(relative);
            moved.push_back(std::move(arrived));
        }
        if (primary) primaryTrashed = true;
    }
    return std::nullopt;
}

// What reached the Trash of a photograph that stays goes back, the primary file last; a file
// that cannot go back stays in the Trash, and the log says where.
void FolderPhotoLibrary::putBackAll(std::vector<TrashedFile>& moved, bool& primaryTrashed,
                                    std::vector<std::string>& trashed) {
    for (auto file = moved.rbegin(); file != moved.rend(); ++file) {
        file->putBackError = trash_.putBack(*file);
        if (file->putBackError != 0) {
            strandedInTrash(*file);
            continue;
        }
        std::erase(trashed, file->original.relative);
        if (file + 1 == moved.rend()) primaryTrashed = false;
    }
}

void FolderPhotoLibrary::strandedInTrash(const TrashedFile& file) {
    if (file.name.empty()) return;
    log().error("\u201C" + catalogue_.absolute(file.original.relative) +
                "\u201D could not be put back where it was (" + std::strerror(file.putBackError) +
                "): it is in the Trash as \u201C" + file.path() + "\u201D");
}

std::optional<CatalogueItem> FolderPhotoLibrary::itemFor(const PortAsset& asset) {
    auto found = catalogue_.withIdentifiers({asset.localIdentifier});
    if (found.empty()) return std::nullopt;
    return std::move(found.front().item);
}

void FolderPhotoLibrary::requestImageData(const PortAsset& asset,
                                          const PortImageRequestOptions& options,
                                          PortImageDataHandler handler) {
    auto found = catalogue_.withIdentifiers({asset.localIdentifier});
    if (found.empty())
        return handler(std::nullopt, "", 1, {std::nullopt, std::nullopt, missingAsset()});
    const CatalogueItem& item = found.front().item;
    const CatalogueResource& primary = item.primary();
    std::string path = catalogue_.absolute(item.relativePath(primary));
    std::string type = typeIdentifierOf(primary.name);
    int orientation = found.front().orientation;
    Residency residency = residencyOf(path, primary);
    PortImageInfo info;
    if (residency != Residency::unknown) info.isInCloud = residency == Residency::inCloud;
    bool placeholderOnly = !primary.placeholder.empty();
    if ((!options.networkAccessAllowed && residency != Residency::resident) || placeholderOnly)
        return handler(std::nullopt, type, orientation, info);
    // Nothing larger than its picture can need is read at all.
    std::optional<FileStamp> proving;
    const std::string relative = item.relativePath(primary);
    BoundedRead read = readProvenImageFile({catalogue_.root(), relative}, proving);
    if (read.bytes) {
        catalogue_.noteMeasured(relative, {read.stamp});
        catalogue_.noteReadWhole(item, primary);
        measured_.keep({relative, read.stamp, proving, *read.bytes});
    } else
        info.error = folderLibraryError(read.error, "cannot read " + path);
    handler(std::move(read.bytes), type, orientation, info);
}

void FolderPhotoLibrary::requestImage(const PortAsset& asset, std::int64_t target,
                                      const PortImageRequestOptions& options,
                                      PortImageHandler handler) {
    auto item = itemFor(asset);
    if (!item) return handler(std::nullopt, {std::nullopt, std::nullopt, missingAsset()});
    std::string path = catalogue_.absolute(item->relativePath(item->primary()));
    Residency residency = residencyOf(path, item->primary());
    bool mayOpen = residency == Residency::resident ||
                   (options.networkAccessAllowed && item->primary().placeholder.empty());
    PortImageInfo info;
    info.isDegraded = false;
    if (residency != Residency::unknown) info.isInCloud = residency == Residency::inCloud;
    if (!options_.renditions) return handler(std::nullopt, info);
    auto image = options_.renditions->rendition(path, mayOpen, target);
    // What is on disk may be smaller than asked: it comes as it is, marked as not the answer
    // asked for.
    if (image) info.isDegraded = std::max(image->width, image->height) < target;
    handler(std::move(image), info);
}

std::vector<PortAssetResource> FolderPhotoLibrary::assetResources(const PortAsset& asset) {
    auto found = catalogue_.withIdentifiers({asset.localIdentifier});
    return found.empty() ? asset.resources : found.front().asset.resources;
}

void FolderPhotoLibrary::requestData(const PortAsset& asset, const PortAssetResource& resource,
                                     bool networkAccessAllowed, DataReceived dataReceived,
                                     Completion completion) {
    streamResource(asset, resource, networkAccessAllowed ? Reach::anywhere : Reach::resident, false,
                   std::move(dataReceived),
                   [completion = std::move(completion)](std::optional<PortError> error, auto) {
                       completion(std::move(error));
                   });
}

void FolderPhotoLibrary::requestProvenData(const PortAsset& asset,
                                           const PortAssetResource& resource,
                                           bool networkAccessAllowed, DataReceived dataReceived,
                                           ProvenCompletion completion) {
    streamResource(asset, resource, networkAccessAllowed ? Reach::anywhere : Reach::undetermined,
                   true, std::move(dataReceived), std::move(completion));
}

namespace {

// The photograph's other files as its file was read: their statuses as listed, or, where a
// status proves nothing of the bytes, each held here read with its digest; one not read so
// keeps its status alone, which proves nothing there, and is read again before it may go.
CompanionStatuses companionsWith(const std::string& root, const CatalogueItem& item,
                                 const CatalogueResource& read) {
    CompanionStatuses companions;
    if (item.resources.size() < 2) return companions;
    const bool digested = !changeTimeKeptAt(root + "/" + item.relativePath(read));
    for (const CatalogueResource& other : item.resources) {
        if (&other == &read) continue;
        std::optional<CompanionRead> bytes;
        if (digested && other.placeholder.empty())
            bytes = readWithItsStatus({root, item.relativePath(other)});
        companions.emplace(textOfName(other.name),
                           bytes.value_or(CompanionRead{digestedStatusOf(other.stamp)}));
    }
    return companions;
}

} // namespace

// A sync client's placeholder is never read: its file is not there.
void FolderPhotoLibrary::streamResource(const PortAsset& asset, const PortAssetResource& resource,
                                        Reach reach, bool proven, DataReceived dataReceived,
                                        ProvenCompletion completion) {
    const auto failed = [&](PortError error) { completion(std::move(error), {}); };
    auto item = itemFor(asset);
    if (!item) return failed(missingAsset());
    auto file = std::find_if(item->resources.begin(), item->resources.end(), [&](const auto& r) {
        return textOfName(r.name) == resource.originalFilename && r.type == resource.type;
    });
    if (file == item->resources.end()) return failed(missingAsset());
    std::string path = catalogue_.absolute(item->relativePath(*file));
    const Residency residency = residencyOf(path, *file);
    const bool reached = reach == Reach::anywhere || residency == Residency::resident ||
                         (reach == Reach::undetermined && residency == Residency::unknown);
    if (!file->placeholder.empty() || !reached)
        return failed(folderLibraryError(EAGAIN, path + " is not on this machine"));
    std::optional<FileStamp> proving;
    const Place place{catalogue_.root(), item->relativePath(*file)};
    if (auto measured = proven ? measured_.take(place) : std::nullopt) {
        dataReceived(measured->bytes);
        proving = measured->proving;
    } else if (int error = streamProvenFile(place, dataReceived, proving); error != 0)
        return failed(folderLibraryError(error, "cannot read " + path));
    catalogue_.noteReadWhole(*item, *file);
    ReadProof proof{proving ? std::optional(digestedStatusOf(*proving)) : std::nullopt, {}};
    if (proven) proof.companions = companionsWith(catalogue_.root(), *item, *file);
    completion(std::nullopt, std::move(proof));
}

void FolderPhotoLibrary::notifyObservers() {
    std::vector<std::shared_ptr<PortChangeObserver>> observers;
    {
        std::lock_guard lock(mutex_);
        observers = observers_;
    }
    for (const auto& observer : observers)
        observer->photoLibraryDidChange();
}

void FolderPhotoLibrary::registerChangeObserver(std::shared_ptr<PortChangeObserver> observer) {
    bool needsWatcher;
    {
        std::lock_guard lock(mutex_);
        observers_.push_back(std::move(observer));
        needsWatcher = watcher_ == nullptr;
    }
    if (!needsWatcher) return;
    auto watcher = std::make_unique<ChangeWatcher>(
        catalogue_.root(), options_.ops, [this] { notifyObservers(); }, options_.watcher,
        &catalogue_.views());
    std::lock_guard lock(mutex_);
    if (watcher_ == nullptr) watcher_ = std::move(watcher);
}

void FolderPhotoLibrary::unregisterChangeObserver(
    const std::shared_ptr<PortChangeObserver>& observer) {
    std::unique_ptr<ChangeWatcher> stopped;
    {
        std::lock_guard lock(mutex_);
        std::erase(observers_, observer);
        // The watcher cannot stop itself from inside its own notification.
        bool onWatcherThread = watcher_ && watcher_->threadId() == std::this_thread::get_id();
        if (observers_.empty() && !onWatcherThread) stopped = std::move(watcher_);
    }
}

bool FolderPhotoLibrary::isWatchPolling() {
    std::lock_guard lock(mutex_);
    return watcher_ != nullptr && watcher_->isPolling();
}

} // namespace keepsift
