#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <dirent.h>
#include <sys/stat.h>

namespace keepsift {

// The filesystem calls the folder library makes that can fail for reasons outside its
// control. Tests replace single operations to inject faults (a full disk, an unreadable
// folder); every call answers 0 or an errno value.
class FileSystemOps {
public:
    virtual ~FileSystemOps() = default;
    // Null with errno set on failure.
    virtual DIR* openDirectory(const std::string& path);
    virtual int makeSymlink(const std::string& target, const std::string& linkPath);
    virtual int removeFile(const std::string& path);
    virtual int makeDirectory(const std::string& path);
    virtual int renamePath(const std::string& from, const std::string& to);
    // Creates the file exclusively and writes it durably; EEXIST when it is there.
    virtual int writeNewFile(const std::string& path, const std::string& contents);
};

std::shared_ptr<FileSystemOps> realFileSystem();

// What stat told about one file.
struct FileStamp {
    std::int64_t size = 0;
    std::int64_t mtimeNs = 0;
    std::uint64_t inode = 0;
    std::int64_t blocks = 0;

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
FolderListing listFolder(FileSystemOps& ops, const std::string& path,
                         ListingDetail detail = ListingDetail::stamps);

// lstat of one path; false when it cannot be read.
bool stampOf(const std::string& path, FileStamp& stamp);
// The stamp of what stat told.
FileStamp stampOf(const struct stat& info);

} // namespace keepsift
