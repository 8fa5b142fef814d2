#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <dirent.h>
#include <sys/stat.h>

namespace keepsift {

// A path below a trusted folder (the library root, a Trash folder), reached without
// following any symbolic link below it: a folder swapped for a link while Keepsift works
// never leads outside (ELOOP or ENOTDIR instead). The anchor itself may be reached through
// links, as a library folder on another drive often is.
struct Place {
    std::string anchor;
    // '/'-separated; empty for the anchor itself.
    std::string relative;
    // When set, the anchor as already opened and checked: reached through this descriptor,
    // never through its path again (which someone else may have swapped since).
    int anchorFd = -1;

    std::string path() const { return relative.empty() ? anchor : anchor + "/" + relative; }
};

// The filesystem calls the folder library makes that can fail for reasons outside its
// control. Tests replace single operations to inject faults (a full disk, an unreadable
// folder); every call answers 0 or an errno value.
class FileSystemOps {
public:
    virtual ~FileSystemOps() = default;
    // Null with errno set on failure.
    virtual DIR* openDirectory(const Place& folder);
    virtual int makeSymlink(const std::string& target, const Place& link);
    virtual int removeFile(const Place& file);
    // The user's alone: what Keepsift makes tells what the user means to delete.
    virtual int makeDirectory(const Place& folder);
    virtual int renamePath(const Place& from, const Place& to);
    // EEXIST, and nothing moved, when something is at `to`: where the drive cannot rename so,
    // a second name is made for the file and the first removed.
    virtual int renameWithoutReplacing(const Place& from, const Place& to);
    // Creates the file exclusively and writes it durably; EEXIST when it is there.
    virtual int writeNewFile(const Place& file, const std::string& contents);
};

// A descriptor of the folder, opened as Place says; -1 with errno set on failure.
int openFolder(const Place& folder);
// A file below the anchor opened read-only, never through a link; -1 with errno set.
int openFileBelow(const Place& file);

std::shared_ptr<FileSystemOps> realFileSystem();

// What stat told about one file.
struct FileStamp {
    std::int64_t size = 0;
    std::int64_t mtimeNs = 0;
    std::uint64_t inode = 0;
    std::int64_t blocks = 0;
    // When the file's status last changed; 0 where it is not known (caches of earlier builds).
    std::int64_t ctimeNs = 0;
    // The device holding it; 0 where it is not known (caches keep none).
    std::uint64_t device = 0;

    bool operator==(const FileStamp&) const = default;
};

// The same file as it was: size, modification time and inode unchanged.
inline bool sameFile(const FileStamp& a, const FileStamp& b) {
    return a.size == b.size && a.mtimeNs == b.mtimeNs && a.inode == b.inode;
}

struct FolderEntry {
    enum class Kind { file, directory, symlink, other };
    std::string name;
    Kind kind = Kind::other;
    FileStamp stamp;
};

struct FolderListing {
    int error = 0;
    std::vector<FolderEntry> entries;
};

// What a listing learns of each entry: its stamp too, or only its kind (no stat call where
// the directory tells the kind).
enum class ListingDetail { stamps, kindsOnly };

// Every entry but "." and "..", symbolic links not followed. An entry that vanishes while
// being listed is left out: it is no longer there.
FolderListing listFolder(FileSystemOps& ops, const Place& folder,
                         ListingDetail detail = ListingDetail::stamps);

// lstat of one path; false when it cannot be read.
bool stampOf(const std::string& path, FileStamp& stamp);
// The same for a place, the last name not followed either.
bool stampOf(const Place& place, FileStamp& stamp);
// The stamp of what stat told.
FileStamp stampOf(const struct stat& info);

} // namespace keepsift
