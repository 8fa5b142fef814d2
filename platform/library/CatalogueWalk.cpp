#include "platform/library/CatalogueWalk.hpp"

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <optional>
#include <thread>
#include <unordered_map>

#include <sys/stat.h>

#include "core/support/Logger.hpp"
#include "core/support/Unicode.hpp"
#include "platform/library/FetchErrors.hpp"
#include "platform/library/FolderNames.hpp"
#include "platform/library/FolderViews.hpp"
#include "platform/library/MediaKinds.hpp"
#include "platform/library/NameText.hpp"

namespace keepsift {
namespace {

constexpr std::array<std::string_view, 2> placeholderSuffixes{".nextcloud", ".owncloud"};
// Folders a filesystem or another system keeps for itself (the dot-folders, .Trash-1000
// among them, are hidden anyway).
constexpr std::array<std::string_view, 3> systemFolders{"lost+found", "$RECYCLE.BIN",
                                                        "System Volume Information"};

const Logger& log() {
    static Logger logger("com.ambervale.keepsift", "catalogue");
    return logger;
}

std::string joined(const std::string& folder, const std::string& name) {
    return folder.empty() ? name : folder + "/" + name;
}

bool holdsNoMedia(const std::vector<FolderEntry>& entries) {
    return std::any_of(entries.begin(), entries.end(),
                       [](const FolderEntry& entry) { return entry.name == ".nomedia"; });
}

// The image name a placeholder stands for, or empty.
std::string placeholderTarget(const std::string& name) {
    for (std::string_view suffix : placeholderSuffixes) {
        if (name.size() <= suffix.size() || !name.ends_with(suffix)) continue;
        std::string target = name.substr(0, name.size() - suffix.size());
        if (isImage(mediaKind(target))) return target;
    }
    return {};
}

int rankOf(MediaKind kind) {
    switch (kind) {
    case MediaKind::primaryImage:
        return 0;
    case MediaKind::otherImage:
        return 1;
    case MediaKind::raw:
        return 2;
    default:
        return 3;
    }
}

// Files of one folder sharing a stem.
struct StemGroup {
    std::vector<CatalogueResource> images;
    std::vector<CatalogueResource> videos;
};

bool isListedFile(const FolderEntry& entry) {
    return entry.kind == FolderEntry::Kind::file && !isHiddenName(entry.name);
}

// A placeholder counts only while the file it stands for is not there itself.
bool standsInFor(const std::vector<FolderEntry>& entries, const std::string& target) {
    return std::none_of(entries.begin(), entries.end(), [&](const FolderEntry& entry) {
        return isListedFile(entry) && entry.name == target;
    });
}

// The listed resource a folder entry gives, if any.
std::optional<CatalogueResource> resourceOf(const std::vector<FolderEntry>& entries,
                                            const FolderEntry& entry) {
    if (!isListedFile(entry)) return std::nullopt;
    CatalogueResource resource{
        PortResourceType::photo, entry.name, entry.stamp, mediaKind(entry.name), {}};
    if (resource.kind == MediaKind::other) {
        std::string placeholderFor = placeholderTarget(entry.name);
        if (placeholderFor.empty() || !standsInFor(entries, placeholderFor)) return std::nullopt;
        resource.placeholder = entry.name;
        resource.name = placeholderFor;
        resource.kind = mediaKind(placeholderFor);
    }
    if (!isImage(resource.kind) && resource.kind != MediaKind::video) return std::nullopt;
    return resource;
}

// The images and videos of one folder grouped by stem, ascending by stem, each group in
// listing order. Sorting once costs far less than a map node per file.
std::vector<StemGroup> stemGroups(const std::vector<FolderEntry>& entries) {
    std::vector<CatalogueResource> resources;
    resources.reserve(entries.size());
    for (const FolderEntry& entry : entries)
        if (auto resource = resourceOf(entries, entry)) resources.push_back(std::move(*resource));
    std::vector<size_t> order(resources.size());
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    auto stem = [&](size_t i) { return stemOf(resources[i].name); };
    std::stable_sort(order.begin(), order.end(),
                     [&](size_t a, size_t b) { return stem(a) < stem(b); });
    std::vector<bool> startsGroup(order.size());
    for (size_t i = 0; i < order.size(); ++i)
        startsGroup[i] = i == 0 || stem(order[i]) != stem(order[i - 1]);
    std::vector<StemGroup> groups;
    for (size_t i = 0; i < order.size(); ++i) {
        if (startsGroup[i]) groups.emplace_back();
        CatalogueResource& resource = resources[order[i]];
        auto& into = isImage(resource.kind) ? groups.back().images : groups.back().videos;
        into.push_back(std::move(resource));
    }
    return groups;
}

bool sameRank(const CatalogueResource& a, const CatalogueResource& b) {
    return rankOf(a.kind) == rankOf(b.kind);
}

void sortByRank(std::vector<CatalogueResource>& images) {
    std::sort(images.begin(), images.end(), [](const auto& a, const auto& b) {
        int ra = rankOf(a.kind), rb = rankOf(b.kind);
        return ra != rb ? ra < rb : a.name < b.name;
    });
}

// Sidecars are named after the stem (IMG_1.xmp) or the whole file name (IMG_1.CR2.xmp).
using Sidecars = std::unordered_map<std::string_view, std::vector<const FolderEntry*>>;

Sidecars sidecarsOf(const std::vector<FolderEntry>& entries) {
    Sidecars sidecars;
    for (const FolderEntry& entry : entries)
        if (isListedFile(entry) && mediaKind(entry.name) == MediaKind::sidecar)
            sidecars[stemOf(entry.name)].push_back(&entry);
    return sidecars;
}

void addSidecars(CatalogueItem& item, const Sidecars& sidecars, bool ownsStem) {
    if (sidecars.empty()) return;
    std::vector<std::string_view> names;
    for (const CatalogueResource& resource : item.resources)
        names.push_back(resource.name);
    if (ownsStem) names.push_back(stemOf(item.primary().name));
    std::vector<const FolderEntry*> found;
    for (std::string_view name : names)
        if (auto it = sidecars.find(name); it != sidecars.end())
            found.insert(found.end(), it->second.begin(), it->second.end());
    for (const FolderEntry* entry : found)
        item.resources.push_back(
            {PortResourceType::adjustmentData, entry->name, entry->stamp, MediaKind::sidecar, {}});
}

CatalogueItem makeItem(const WalkedFolder& folder, const FolderNames& names,
                       std::vector<CatalogueResource> resources) {
    CatalogueItem item;
    item.folder = folder.relative;
    item.resources = std::move(resources);
    item.id = joined(folder.identifier, names.identifierOf(item.primary().name));
    return item;
}

// One stem: a single best image pairs with its RAW and videos; several images of the
// primary rank stay separate assets so that none disappears behind another.
std::vector<CatalogueItem> itemsOfStem(const WalkedFolder& folder, const FolderNames& names,
                                       StemGroup group) {
    std::vector<CatalogueItem> items;
    if (group.images.empty()) return items;
    sortByRank(group.images);
    size_t leaders = 1;
    while (leaders < group.images.size() && sameRank(group.images[leaders], group.images[0]))
        ++leaders;
    bool paired = leaders == 1;
    if (paired && group.images.size() > 1) {
        size_t raws = static_cast<size_t>(
            std::count_if(group.images.begin() + 1, group.images.end(),
                          [](const auto& r) { return r.kind == MediaKind::raw; }));
        paired = raws == group.images.size() - 1;
    }
    if (!paired) {
        for (auto& image : group.images)
            items.push_back(makeItem(folder, names, {std::move(image)}));
        return items;
    }
    std::vector<CatalogueResource> resources = std::move(group.images);
    for (size_t i = 1; i < resources.size(); ++i)
        resources[i].type = PortResourceType::alternatePhoto;
    for (auto& video : group.videos) {
        video.type = PortResourceType::pairedVideo;
        resources.push_back(std::move(video));
    }
    items.push_back(makeItem(folder, names, std::move(resources)));
    return items;
}

} // namespace

std::string CatalogueItem::relativePath(const CatalogueResource& resource) const {
    return joined(folder, resource.placeholder.empty() ? resource.name : resource.placeholder);
}

bool isVisibleRelative(std::string_view relative) {
    while (true) {
        size_t slash = relative.find('/');
        std::string_view component = relative.substr(0, slash);
        if (component.empty() || component[0] == '.') return false;
        if (slash == std::string_view::npos) return true;
        relative.remove_prefix(slash + 1);
    }
}

bool isAscii(std::string_view text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

std::string identifierOf(const std::string& relativePath) {
    return isAscii(relativePath) ? relativePath : unicode::nfc(textOfName(relativePath));
}

std::string relativePathOf(const std::string& identifier) {
    return isAscii(identifier) ? identifier : nameOfText(identifier);
}

std::string folderIdentifier(FileSystemOps& ops, const std::string& root,
                             const std::string& relative) {
    std::string identifier, parent;
    size_t start = 0;
    while (start < relative.size()) {
        size_t slash = relative.find('/', start);
        size_t end = slash == std::string::npos ? relative.size() : slash;
        std::string name = relative.substr(start, end - start);
        std::string part;
        if (FolderNames::standsAlone(name)) {
            part = isAscii(name) ? name : textOfName(name);
        } else {
            part = FolderNames(listFolder(ops, {root, parent}, ListingDetail::kindsOnly).entries)
                       .identifierOf(name);
        }
        identifier = joined(identifier, part);
        parent = joined(parent, name);
        start = end + 1;
    }
    return identifier;
}

namespace {

// Folders of one level are listed by a few threads at once: listing is mostly waiting on
// the kernel, and a large library has thousands of folders.
constexpr size_t listingThreads = 4;
constexpr size_t foldersPerThread = 16;

std::vector<FolderListing> listAll(FileSystemOps& ops, const std::string& root,
                                   const std::vector<std::string>& level, ListingDetail detail) {
    std::vector<FolderListing> listings(level.size());
    std::atomic<size_t> next{0};
    auto work = [&] {
        for (size_t i = next++; i < level.size(); i = next++)
            listings[i] = listFolder(ops, {root, level[i]}, detail);
    };
    size_t threads = std::min(listingThreads, level.size() / foldersPerThread);
    {
        std::vector<std::jthread> helpers;
        for (size_t t = 1; t < threads; ++t)
            helpers.emplace_back(work);
        work();
    }
    return listings;
}

void throwIfRootUnreadable(const std::string& root, int error) {
    if (error == ENOENT) throw libraryUnavailable(root, "it is missing");
    if (error == ENOTDIR) throw libraryUnavailable(root, "it is not a folder");
    if (error != 0) throw folderUnreadable(root, error);
}

bool neverHoldsPhotographs(const std::string& name) {
    return std::find(systemFolders.begin(), systemFolders.end(), name) != systemFolders.end();
}

// The status of a folder below the root as its parent's listing gave it, read where the
// listing told only its kind.
FileStamp folderStamp(const std::string& root, const std::string& relative,
                      const FolderEntry& entry) {
    if (entry.stamp.inode != 0) return entry.stamp;
    FileStamp stamp;
    stampOf(Place{root, relative}, stamp);
    return stamp;
}

// A folder on another drive than its parent may be a view of the library itself, which is
// not walked (a view of a folder above it would lead into itself again).
bool isViewOfLibrary(FolderViews* views, const FileStamp& parent, const FileStamp& folder,
                     const std::string& relative, std::vector<SecondName>& leftOut) {
    if (views == nullptr || folder.device == parent.device) return false;
    auto why = views->viewOfLibrary(relative);
    if (why) leftOut.push_back({relative, std::move(*why)});
    return why.has_value();
}

// Nothing when a folder turned into something else while the tree was read (the walk is
// then made again); `replaced` names it.
std::optional<std::vector<WalkedFolder>> walkOnce(FileSystemOps& ops, const std::string& root,
                                                  ListingDetail detail, const MustRead& mustRead,
                                                  std::string& replaced, FolderViews* views,
                                                  std::vector<SecondName>& leftOut) {
    std::vector<WalkedFolder> folders;
    std::vector<std::string> level{""};
    std::vector<std::string> identifiers{""};
    std::vector<FileStamp> stamps(1);
    // The root itself may be reached through a link.
    struct stat rootStatus {};
    if (views && ::stat(root.c_str(), &rootStatus) == 0) stamps.front() = stampOf(rootStatus);
    while (!level.empty()) {
        std::vector<FolderListing> listings = listAll(ops, root, level, detail);
        std::vector<std::string> nextLevel, nextIdentifiers;
        std::vector<FileStamp> nextStamps;
        for (size_t i = 0; i < level.size(); ++i) {
            FolderListing& listing = listings[i];
            int error = listing.error;
            if (level[i].empty()) throwIfRootUnreadable(root, error);
            if (error == ENOTDIR || error == ELOOP) return replaced = level[i], std::nullopt;
            if (error == ENOENT) continue;
            if (error != 0 && mustRead && mustRead(level[i]))
                throw folderUnreadable(root + "/" + level[i], error);
            if (error != 0) {
                if (mustRead)
                    log().notice("skipping an unreadable folder that held no photographs: " + root +
                                 "/" + level[i]);
                continue;
            }
            if (holdsNoMedia(listing.entries)) continue;
            FolderNames names(listing.entries);
            for (const FolderEntry& entry : listing.entries) {
                if (entry.kind != FolderEntry::Kind::directory || isHiddenName(entry.name) ||
                    neverHoldsPhotographs(entry.name))
                    continue;
                std::string relative = joined(level[i], entry.name);
                FileStamp stamp = views ? folderStamp(root, relative, entry) : FileStamp{};
                if (isViewOfLibrary(views, stamps[i], stamp, relative, leftOut)) continue;
                nextLevel.push_back(std::move(relative));
                nextIdentifiers.push_back(joined(identifiers[i], names.identifierOf(entry.name)));
                nextStamps.push_back(stamp);
            }
            folders.push_back({std::move(level[i]), std::move(listing.entries),
                               std::move(identifiers[i]), stamps[i]});
        }
        level = std::move(nextLevel);
        identifiers = std::move(nextIdentifiers);
        stamps = std::move(nextStamps);
    }
    if (views) {
        auto same = views->keepOnce(folders);
        leftOut.insert(leftOut.end(), same.begin(), same.end());
    }
    return folders;
}

} // namespace

std::vector<WalkedFolder> walkLibrary(FileSystemOps& ops, const std::string& root,
                                      ListingDetail detail, const MustRead& mustRead,
                                      FolderViews* views) {
    std::optional<std::vector<WalkedFolder>> folders;
    std::string replaced;
    std::vector<SecondName> leftOut;
    for (int attempt = 0; attempt < 2 && !folders; ++attempt) {
        leftOut.clear();
        folders = walkOnce(ops, root, detail, mustRead, replaced, views, leftOut);
    }
    if (!folders) throw folderUnreadable(root + "/" + replaced, ENOTDIR);
    if (views) views->tell(std::move(leftOut));
    return std::move(*folders);
}

std::vector<CatalogueItem> itemsOfFolder(const WalkedFolder& folder) {
    std::vector<CatalogueItem> items;
    auto groups = stemGroups(folder.entries);
    Sidecars sidecars = sidecarsOf(folder.entries);
    FolderNames names(folder.entries);
    for (auto& group : groups) {
        auto stemItems = itemsOfStem(folder, names, std::move(group));
        bool ownsStem = stemItems.size() == 1;
        for (auto& item : stemItems) {
            addSidecars(item, sidecars, ownsStem);
            items.push_back(std::move(item));
        }
    }
    return items;
}

} // namespace keepsift
