#include "platform/library/SymlinkAlbums.hpp"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <map>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/library/ChangeTimeKept.hpp"
#include "platform/library/LinkTargets.hpp"
#include "platform/library/MediaKinds.hpp"

namespace keepsift {
namespace {

std::string parentOf(const std::string& relative) {
    auto slash = relative.rfind('/');
    return slash == std::string::npos ? std::string() : relative.substr(0, slash);
}

std::string nameOf(const std::string& relative) {
    return relative.substr(relative.rfind('/') + 1);
}

size_t depthOf(const std::string& relative) {
    return static_cast<size_t>(std::count(relative.begin(), relative.end(), '/'));
}

bool holdsLink(const WalkedFolder& folder) {
    return std::any_of(folder.entries.begin(), folder.entries.end(), [](const FolderEntry& entry) {
        return entry.kind == FolderEntry::Kind::symlink && !isHiddenName(entry.name);
    });
}

// The rejects album is the top-level folder of its title; a deeper folder of that name is
// an album of another kind, so that it is neither taken for it nor counted as a user album.
constexpr int nestedRejectsSubtype = 100;

PortAssetCollection collectionOf(const std::string& relative) {
    PortAssetCollection album;
    album.localIdentifier = identifierOf(relative);
    album.localizedTitle = identifierOf(nameOf(relative));
    if (album.localizedTitle == rejectsAlbumTitle && depthOf(relative) > 0)
        album.subtype = nestedRejectsSubtype;
    return album;
}

// An album folder that another user made where they may write (a shared library) is theirs to
// read and fill: Keepsift neither writes the user's flags there nor takes their links for them.
bool isAnotherUsers(int folder) {
    struct stat info {};
    return ::fstat(folder, &info) == 0 && info.st_uid != ::geteuid();
}

// The photograph files a link may point at: the image and video resources, not sidecars.
std::map<std::string, std::string> ownersOf(const std::vector<CatalogueItem>& items) {
    std::map<std::string, std::string> owners;
    for (const CatalogueItem& item : items)
        for (const CatalogueResource& resource : item.resources)
            if (resource.type != PortResourceType::adjustmentData)
                owners.emplace(item.relativePath(resource), item.id);
    return owners;
}

} // namespace

// What lies at the path a link names, looked at without following it.
SymlinkAlbums::Link::Reach SymlinkAlbums::reachOf(const Place& named) {
    struct stat status {};
    if (named.relative.empty()) return Link::Reach::nothing;
    if (::lstat(named.path().c_str(), &status) == 0)
        return S_ISLNK(status.st_mode) ? Link::Reach::link : Link::Reach::file;
    return errno == ENOENT || errno == ENOTDIR ? Link::Reach::nothing : Link::Reach::away;
}

namespace {

// "IMG_1.jpg", then "IMG_1 (2).jpg", "IMG_1 (3).jpg", ...
std::string linkName(const std::string& base, int attempt) {
    if (attempt == 1) return base;
    std::string stem(stemOf(base)), extension(extensionOf(base));
    std::string numbered = stem + " (" + std::to_string(attempt) + ")";
    return extension.empty() ? numbered : numbered + "." + extension;
}

} // namespace

std::string SymlinkAlbums::folderOf(const PortAssetCollection& album) const {
    return relativePathOf(album.localIdentifier);
}

std::vector<PortAssetCollection> SymlinkAlbums::all() {
    std::vector<std::string> folders;
    for (const WalkedFolder& folder : catalogue_.walk(ListingDetail::kindsOnly)) {
        if (folder.relative.empty()) continue;
        bool rejects = folder.relative == rejectsAlbumTitle;
        if (rejects && !isOwnFolder(folder.relative)) continue;
        if (rejects || holdsLink(folder)) folders.push_back(folder.relative);
    }
    std::sort(folders.begin(), folders.end(), [](const std::string& a, const std::string& b) {
        size_t da = depthOf(a), db = depthOf(b);
        return da != db ? da < db : a < b;
    });
    std::vector<PortAssetCollection> albums;
    for (const auto& folder : folders)
        albums.push_back(collectionOf(folder));
    return albums;
}

bool SymlinkAlbums::exists(const PortAssetCollection& album) {
    return isVisibleRelative(folderOf(album)) && isOwnFolder(folderOf(album));
}

bool SymlinkAlbums::isOwnFolder(const std::string& relative) {
    int fd = openFolder({catalogue_.root(), relative});
    if (fd < 0) return false;
    const bool own = !isAnotherUsers(fd);
    ::close(fd);
    return own;
}

// Each link is read by the path it names: what lies there is never followed further, so a
// photograph replaced by a link to another does not make that other one a member.
std::vector<SymlinkAlbums::Link> SymlinkAlbums::resolvedLinks(const std::string& albumFolder) {
    std::vector<Link> links;
    LinkTargets targets(catalogue_.root());
    if (!targets.ready() || !isVisibleRelative(albumFolder)) return links;
    Place album{catalogue_.root(), albumFolder};
    FolderListing listing = listFolder(catalogue_.ops(), album, ListingDetail::kindsOnly);
    for (const FolderEntry& entry : listing.entries) {
        if (entry.kind != FolderEntry::Kind::symlink) continue;
        Place link{album.anchor, albumFolder + "/" + entry.name};
        std::string named = targets.namedRelative(link);
        links.push_back({std::move(link), named, reachOf({album.anchor, named})});
    }
    return links;
}

std::vector<std::string> SymlinkAlbums::members(const PortAssetCollection& album) {
    return membersIn(folderOf(album));
}

std::vector<PortMember> SymlinkAlbums::membersWithTimes(const PortAssetCollection& album) {
    std::vector<PortMember> members;
    for (auto& [id, addedNs] : linkedIn(folderOf(album), true))
        members.push_back({id, addedNs});
    return members;
}

std::vector<std::string> SymlinkAlbums::membersIn(const std::string& albumFolder) {
    std::vector<std::string> ids;
    for (auto& member : linkedIn(albumFolder, false))
        ids.push_back(member.first);
    return ids;
}

namespace {

// When the link was put where it is: its change time, which no one can set back.
std::optional<std::int64_t> changedNsOf(const Place& link) {
    struct stat status {};
    if (::lstat(link.path().c_str(), &status) != 0) return std::nullopt;
    return static_cast<std::int64_t>(status.st_ctim.tv_sec) * 1000000000 + status.st_ctim.tv_nsec;
}

void keepNewest(std::optional<std::int64_t>& kept, std::optional<std::int64_t> found) {
    if (found && (!kept || *found > *kept)) kept = found;
}

} // namespace

// A link whose photograph cannot be looked at still holds it, as a card that is away does;
// broken links, and links to anything but a photograph of the library, belong to none. Of two
// links to one photograph, the newer tells when it was linked; a photograph linked once with a
// time the system keeps and once without has none.
std::map<std::string, std::optional<std::int64_t>>
SymlinkAlbums::linkedIn(const std::string& albumFolder, bool timed) {
    auto links = resolvedLinks(albumFolder);
    const std::string ownPrefix = identifierOf(albumFolder) + "/";
    std::map<std::string, std::map<std::string, std::string>> ownersByFolder;
    std::map<std::string, bool> timesKeptByFolder;
    const bool albumKeepsTimes = timed && changeTimeKeptAt(catalogue_.absolute(albumFolder));
    std::map<std::string, std::optional<std::int64_t>> linked;
    std::set<std::string> untimed;
    std::vector<Place> stray;
    for (const Link& link : links) {
        if (link.reach == Link::Reach::away) {
            // A link to another link of the album (a loop) names no photograph.
            if (!link.named.starts_with(ownPrefix)) linked.try_emplace(identifierOf(link.named));
            continue;
        }
        if (link.reach == Link::Reach::file) {
            std::string folder = parentOf(link.named);
            auto found = ownersByFolder.find(folder);
            if (found == ownersByFolder.end())
                found = ownersByFolder
                            .emplace(folder,
                                     ownersOf(catalogue_.itemsIn(folder, ListingDetail::kindsOnly)))
                            .first;
            auto owner = found->second.find(link.named);
            if (owner != found->second.end()) {
                auto [kept, fresh] = timesKeptByFolder.try_emplace(folder, false);
                if (fresh && albumKeepsTimes)
                    kept->second = changeTimeKeptAt(catalogue_.absolute(folder));
                const auto time = kept->second ? changedNsOf(link.place) : std::nullopt;
                if (!time) untimed.insert(owner->second);
                keepNewest(linked[owner->second], time);
                continue;
            }
        }
        stray.push_back(link.place);
    }
    strayLinks_.tell(albumFolder, stray);
    for (const auto& id : untimed)
        linked[id].reset();
    return linked;
}

std::map<std::string, std::vector<Place>>
SymlinkAlbums::linksTo(const std::string& albumFolder, const std::vector<CatalogueItem>& items) {
    auto owners = ownersOf(items);
    std::map<std::string, std::vector<Place>> paths;
    for (const Link& link : resolvedLinks(albumFolder))
        if (link.reach == Link::Reach::file || link.reach == Link::Reach::link)
            if (auto owner = owners.find(link.named); owner != owners.end())
                paths[owner->second].push_back(link.place);
    return paths;
}

int SymlinkAlbums::create(const std::string& title) {
    Place folder{catalogue_.root(), title};
    int error = catalogue_.ops().makeDirectory(folder);
    // EPERM says the folder is another user's.
    if (error == EPERM) return EACCES;
    if (error != EEXIST) return error;
    // Something else of that name (a file, a link) is not the album and blocks it.
    int fd = openFolder(folder);
    if (fd < 0) return ENOTDIR;
    error = isAnotherUsers(fd) ? EPERM : 0;
    ::close(fd);
    return error;
}

void SymlinkAlbums::removeDanglingLinks(const std::string& albumFolder,
                                        const std::vector<std::string>& departed) {
    if (departed.empty() || !isVisibleRelative(albumFolder)) return;
    const std::set<std::string> left(departed.begin(), departed.end());
    std::vector<std::pair<std::string, Place>> dangling;
    for (Link& link : resolvedLinks(albumFolder)) {
        if (isHiddenName(nameOf(link.place.relative)) || !link.namesNoFile()) continue;
        if (auto target = identifierOf(link.named); left.contains(target))
            dangling.emplace_back(std::move(target), std::move(link.place));
    }
    if (dangling.empty()) return;
    std::vector<std::string> targets;
    for (const auto& [target, link] : dangling)
        targets.push_back(target);
    const auto away = catalogue_.unavailable(targets);
    const std::set<std::string> kept(away.begin(), away.end());
    for (const auto& [target, link] : dangling)
        if (!kept.contains(target)) catalogue_.ops().removeFile(link);
}

namespace {

// The same path below where its mount point moved, or nothing where none moved above it.
std::optional<std::string> movedPathOf(const std::string& path, const MountMoves& moves) {
    for (const auto& [from, to] : moves)
        if (path.starts_with(from + "/")) return to + path.substr(from.size());
    return std::nullopt;
}

bool madeSince(const Place& link, const Place& file) {
    const auto linked = changedNsOf(link), changed = changedNsOf(file);
    return linked && changed && *linked > *changed;
}

// Made aside and renamed over it: a link of the user's is never lost on the way.
void pointAt(FileSystemOps& ops, const Place& link, const std::string& target) {
    const Place aside{link.anchor,
                      parentOf(link.relative) + "/." + nameOf(link.relative) + ".following"};
    ops.removeFile(aside);
    if (ops.makeSymlink(target, aside) != 0) return;
    if (ops.renamePath(aside, link) != 0) ops.removeFile(aside);
}

} // namespace

// Only in the user's own album, and only to a photograph the library lists there. One made no
// later than that file last changed, where the times say so, stays as it is: made again, it
// would take the time of now and speak for bytes it was never made for.
void SymlinkAlbums::followMovedMounts(const std::string& albumFolder, const MountMoves& moves) {
    if (!isVisibleRelative(albumFolder) || !isOwnFolder(albumFolder)) return;
    const std::filesystem::path albumPath = catalogue_.absolute(albumFolder);
    const bool albumKeepsTimes = changeTimeKeptAt(albumPath);
    struct Folder {
        std::map<std::string, std::string> photographs;
        bool keepsTimes = false;
    };
    std::map<std::string, Folder> folders;
    const auto folderOf = [&](const std::string& relative) -> const Folder& {
        const std::string folder = parentOf(relative);
        auto [found, fresh] = folders.try_emplace(folder);
        if (fresh) {
            found->second.photographs =
                ownersOf(catalogue_.itemsIn(folder, ListingDetail::kindsOnly));
            found->second.keepsTimes =
                albumKeepsTimes && changeTimeKeptAt(catalogue_.absolute(folder));
        }
        return found->second;
    };
    for (const Link& link : resolvedLinks(albumFolder)) {
        if (link.reach != Link::Reach::nothing || link.named.empty()) continue;
        const auto moved = movedPathOf(link.named, moves);
        if (!moved) continue;
        const Folder& folder = folderOf(*moved);
        if (!folder.photographs.contains(*moved) ||
            (folder.keepsTimes && !madeSince(link.place, {catalogue_.root(), *moved})))
            continue;
        pointAt(catalogue_.ops(), link.place,
                std::filesystem::path(catalogue_.absolute(*moved)).lexically_relative(albumPath));
    }
}

int SymlinkAlbums::add(const std::string& albumFolder, const std::vector<CatalogueItem>& items) {
    std::string albumPath = catalogue_.absolute(albumFolder);
    auto placeOf = [&](const std::string& name) {
        return Place{catalogue_.root(), albumFolder + "/" + name};
    };
    std::set<std::string> present;
    for (const auto& id : membersIn(albumFolder))
        present.insert(id);
    for (const CatalogueItem& item : items) {
        if (present.contains(item.id)) continue;
        std::filesystem::path target = catalogue_.absolute(item.relativePath(item.primary()));
        std::string relativeTarget = target.lexically_relative(albumPath).string();
        int attempt = 1;
        FileStamp taken;
        while (stampOf(placeOf(linkName(item.primary().name, attempt)), taken))
            ++attempt;
        Place link = placeOf(linkName(item.primary().name, attempt));
        if (int error = catalogue_.ops().makeSymlink(relativeTarget, link); error != 0)
            return error;
        present.insert(item.id);
    }
    return 0;
}

int SymlinkAlbums::remove(const std::string& albumFolder, const std::vector<CatalogueItem>& items,
                          const std::vector<std::string>& departed) {
    removeDanglingLinks(albumFolder, departed);
    for (const auto& [id, links] : linksTo(albumFolder, items))
        for (const Place& link : links)
            if (int error = catalogue_.ops().removeFile(link); error != 0 && error != ENOENT)
                return error;
    return 0;
}

} // namespace keepsift
