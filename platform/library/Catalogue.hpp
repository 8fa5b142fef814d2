#pragma once

#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/library/CatalogueWalk.hpp"
#include "platform/library/FileSystemKeys.hpp"
#include "platform/library/FolderItemsCache.hpp"
#include "platform/library/FolderViews.hpp"
#include "platform/library/MetadataCache.hpp"
#include "platform/library/PhotoLibraryPort.hpp"
#include "platform/library/RememberedMounts.hpp"
#include "platform/library/ReviewedFile.hpp"
#include "platform/library/StickyIdentifiers.hpp"

namespace keepsift {

// One photograph with the facts the service reports of it.
struct CatalogueAsset {
    CatalogueItem item;
    PortAsset asset;
    int orientation = 1;
};

// The service's catalogue: the folder tree listed afresh for every listing, with file facts
// taken from the metadata cache and read again for files whose size, time or inode changed,
// and, after a change of their status alone, when their bytes are read whole.
class Catalogue {
public:
    // Rows of files read whole written in one commit; a crash loses at most these, which are
    // read again the next time those files are.
    static constexpr std::size_t readWholeBatch = 1024;

    Catalogue(std::filesystem::path root, std::shared_ptr<FileSystemOps> ops,
              const std::filesystem::path& cacheFile, std::filesystem::path mountsFile);
    ~Catalogue();
    Catalogue(const Catalogue&) = delete;
    Catalogue& operator=(const Catalogue&) = delete;

    const std::string& root() const { return root_; }
    // The folders of the library that show it again, as its listings found them.
    FolderViews& views() { return views_; }
    FileSystemOps& ops() const { return *ops_; }
    std::string absolute(const std::string& relative) const {
        return relative.empty() ? root_ : root_ + "/" + relative;
    }

    // Every photograph, ascending by creation date (identifier on ties). Throws
    // PortFetchError when the listing cannot be complete.
    std::vector<CatalogueAsset> all();
    // The mount points the next listing finds moved: their drive mounted at another folder of
    // the library.
    MountMoves mountMoves() { return mounts_.moves(root_); }
    // The photographs among these identifiers, in the order given; unknown ones left out.
    std::vector<CatalogueAsset> withIdentifiers(const std::vector<std::string>& ids);
    // Every visible folder of the library, each folder under one name only.
    std::vector<WalkedFolder> walk(ListingDetail detail = ListingDetail::stamps,
                                   const MustRead& mustRead = nullptr);
    // The photographs of one folder (relative, on-disk); none when it is hidden or gone.
    std::vector<CatalogueItem> itemsIn(const std::string& folder,
                                       ListingDetail detail = ListingDetail::stamps);

    // The files are gone on purpose (moved to the Trash): no longer ones the library held.
    void forget(const std::vector<std::string>& relatives);
    // A file's bytes were read whole: facts kept over a change of its status are read again.
    // They reach the cache with those of other files read whole, in one write.
    void noteReadWhole(const CatalogueItem& item, const CatalogueResource& resource);
    // A file's bytes were handed out for measuring as they stood then.
    void noteMeasured(const std::string& relative, const ReviewedFile& measured);
    // The files it lists, relative to the root.
    std::vector<std::string> listedNames();
    // What the file was when it was measured, else at the last listing of the whole library
    // (what the review rests on); absent when it was never seen.
    std::optional<ReviewedFile> reviewedFile(const std::string& relative);
    // Of photographs a listing left out, those whose storage went away: the root emptied, or
    // a mount point below it no longer mounted on and left bare.
    std::vector<std::string> unavailable(const std::vector<std::string>& missing);
    // True when a listing found files that were not removed on purpose since.
    bool heldFiles();

private:
    struct Pending;
    std::vector<CatalogueAsset> describe(std::vector<CatalogueItem> items, bool complete);
    bool describeOne(CatalogueAsset& described, Pending& pending);
    struct Remembered;
    Remembered* factsOf(const CatalogueItem& item, const CatalogueResource& resource,
                        Pending& pending);
    bool isHiddenFolder(const std::string& relative);
    std::optional<WalkedFolder> visibleFolder(const std::string& relative,
                                              ListingDetail detail = ListingDetail::stamps);
    std::string folderOnDisk(const std::string& identifier);
    void noteSpellings(const std::vector<WalkedFolder>& folders);
    void loadMemory();
    void keepIdentifiersOf(std::vector<CatalogueItem>& items);
    std::vector<CatalogueItem> itemsOf(const WalkedFolder& folder);
    bool heldFilesIn(const std::string& folder);
    std::vector<std::pair<std::string, MetadataCache::Entry>>
    withReadWhole(std::vector<std::pair<std::string, MetadataCache::Entry>> changed);

    std::string root_;
    std::shared_ptr<FileSystemOps> ops_;
    struct Remembered {
        MetadataCache::Entry entry;
        // The capture date read from `entry` (the zone is read once per process), kept so
        // that a listing parses each date only once.
        std::optional<std::optional<Date>> captured;
        // The describe pass that last met the file; older ones are gone from the tree.
        std::uint64_t seenInPass = 0;
        std::optional<FileStamp> listed;
        std::optional<ReviewedFile> measured;
    };

    Remembered& remember(const std::string& relative, const MetadataCache::Entry& entry);
    void noteListed(Remembered& remembered, const FileStamp& stamp);
    void noteSeen(Remembered& remembered);
    static void rememberChangeTime(Remembered& remembered, const std::string& relative,
                                   const FileStamp& stamp, Pending& pending);
    static const std::optional<Date>& capturedAt(Remembered& remembered);

    MetadataCache cache_;
    RememberedMounts mounts_;
    FolderViews views_;
    std::mutex mutex_;
    bool loaded_ = false;
    std::uint64_t pass_ = 0;
    // Remembered files met by the current pass.
    size_t seenInPass_ = 0;
    std::unordered_map<std::string, Remembered> memory_;
    // Facts read again once a file was read whole, not yet in the cache: a read-back of every
    // file after `chmod -R` commits them a batch at a time, not once a file.
    std::vector<std::pair<std::string, MetadataCache::Entry>> readWhole_;
    GivenIdentifiers given_;
    // The drives of the files described, looked up again only once the mounts changed.
    FileSystemKeys drives_;
    // Folders whose name on disk is not their identifier, from the last listing of them all.
    std::unordered_map<std::string, std::string> respeltFolders_;
    FolderItemsCache folders_;
};

// "YYYY:MM:DD HH:MM:SS" read as this machine's local time.
std::optional<Date> exifLocalDate(const std::string& text);

} // namespace keepsift
