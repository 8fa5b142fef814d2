#pragma once

#include <optional>
#include <string>
#include <sys/types.h>

#include "platform/library/FileSystemOps.hpp"

namespace keepsift {

// One Trash folder of the user, open and checked, with its "files" and "info" folders.
// Everything below it is reached through the open folder, never through its path again.
class TrashFolder {
public:
    TrashFolder() = default;
    TrashFolder(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}
    ~TrashFolder();
    TrashFolder(TrashFolder&& other) noexcept;
    TrashFolder& operator=(TrashFolder&& other) noexcept;
    TrashFolder(const TrashFolder&) = delete;
    TrashFolder& operator=(const TrashFolder&) = delete;

    bool isOpen() const { return fd_ >= 0; }
    int fd() const { return fd_; }
    const std::string& path() const { return path_; }
    // A place below the folder ("files/NAME", "info/NAME.trashinfo").
    Place place(const std::string& relative) const { return {path_, relative, fd_}; }

private:
    int fd_ = -1;
    std::string path_;
};

// Why no Trash could be used: the errno value, and when a folder failed the safety checks,
// which one and why.
struct TrashRefusal {
    int error = 0;
    std::string reason;
};

// The home Trash, or why it cannot be used, and the drive of the user's data folder it is in:
// for the files of that drive it is the only Trash.
struct HomeTrash {
    TrashFolder trash;
    TrashRefusal refusal;
    std::optional<dev_t> drive;
};

// The home Trash at this path, in the user's own data folder, checked as a Trash at a drive's
// top is, save that a link the user made there is followed; made private (0700, with its
// parents) when missing.
HomeTrash openHomeTrash(const std::string& path, uid_t user);

// The user's Trash at the top of a mount, as the freedesktop.org Trash specification checks
// it, since others share such a drive: $topdir/.Trash/$uid where $topdir/.Trash is a real
// folder (no link) with the sticky bit, else $topdir/.Trash-$uid. Either must be the user's
// own real folder that no one else may write to, and is created 0700 when missing. When
// neither passes there is no Trash on that drive.
TrashRefusal openTopTrash(const std::string& topdir, uid_t user, TrashFolder& trash);

} // namespace keepsift
