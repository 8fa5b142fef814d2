#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/library/FileSystemOps.hpp"
#include "platform/library/MediaKinds.hpp"
#include "platform/library/PhotoLibraryPort.hpp"

namespace keepsift {

class FolderViews;

// One visible folder of the library, relative to the root ("" is the root itself).
struct WalkedFolder {
    std::string relative;
    std::vector<FolderEntry> entries;
    // The folder's part of its photographs' identifiers.
    std::string identifier;
    // The folder's own status (its drive and folder number), where the walk read it.
    FileStamp stamp = {};
};

// A file of an asset as it sits on disk.
struct CatalogueResource {
    PortResourceType type = PortResourceType::photo;
    std::string name;
    FileStamp stamp;
    MediaKind kind = MediaKind::other;
    // A sync client's placeholder standing in for `name`.
    std::string placeholder;
};

// One photograph: its primary file, companions and sidecars, all in one folder.
struct CatalogueItem {
    std::string id;
    std::string folder;
    std::vector<CatalogueResource> resources;

    const CatalogueResource& primary() const { return resources.front(); }
    std::string relativePath(const CatalogueResource& resource) const;
};

// True for names the library hides: dot files and dot-folders.
inline bool isHiddenName(const std::string& name) {
    return !name.empty() && name[0] == '.';
}

// True when a folder (relative) that cannot be read held photographs, so that leaving it
// out would report them deleted.
using MustRead = std::function<bool(const std::string& relative)>;

// Every visible folder under the root: dot-folders, folders a system keeps for itself
// (lost+found) and folders holding .nomedia are left out, symbolic links are never
// followed. Throws PortFetchError when the root cannot be read, or a folder that must be
// read cannot (without `mustRead`, unreadable folders are left out), so a listing is
// complete or fails. A folder replaced while the tree is read makes the walk start again,
// once. With `views`, a folder reachable twice is walked under one name only.
std::vector<WalkedFolder> walkLibrary(FileSystemOps& ops, const std::string& root,
                                      ListingDetail detail = ListingDetail::stamps,
                                      const MustRead& mustRead = nullptr,
                                      FolderViews* views = nullptr);

// Lists one folder the same way (a folder that is hidden or gone gives nothing).
std::vector<CatalogueItem> itemsOfFolder(const WalkedFolder& folder);

bool isAscii(std::string_view text);

// A path below the root made only of visible names: no empty, "." or ".." components.
bool isVisibleRelative(std::string_view relative);

// The asset identifier of a relative on-disk path: its text form (see NameText.hpp), NFC,
// '/'-separated. Library photographs and folders take theirs from FolderNames, which keeps
// two names that differ only in normal form apart.
std::string identifierOf(const std::string& relativePath);
// The identifier part of a visible folder below the root (relative, on-disk); a name that is
// not in NFC is told apart from its neighbours by listing its parent.
std::string folderIdentifier(FileSystemOps& ops, const std::string& root,
                             const std::string& relative);
// The on-disk path an identifier names, spelt as the identifier is (NFC where it is text).
std::string relativePathOf(const std::string& identifier);

} // namespace keepsift
