#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace keepsift::app {

// An exclusive lock on one file or folder, held until released; it dies with its process, so a
// crash never blocks the next start. A path that is refused is said in the log.
class InstanceLock {
public:
    enum class Claim { taken, heldElsewhere, unavailable };

    InstanceLock() = default;
    ~InstanceLock() { release(); }
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    // Creates the file 0600 when missing (never through a link).
    Claim claim(const std::filesystem::path& file);
    // A folder of the user's own that exists: its lock needs no room on its drive. Another
    // user's folder is refused, and so is a lock on it that no process of the user's holds.
    Claim claimFolder(const std::filesystem::path& folder);
    void release();
    bool isHeld() const { return fd_ >= 0; }

private:
    Claim refuse(const std::filesystem::path& path, const std::string& reason);

    int fd_ = -1;
};

// $XDG_RUNTIME_DIR when it is the user's own private folder, as the XDG base directory
// specification requires of it; nothing otherwise.
std::optional<std::filesystem::path> privateRuntimeFolder();

// The user's private folder of this name in $TMPDIR, else /tmp, made 0700 when missing:
// there for the session when no runtime folder is. Nothing when the place is taken by anything
// but such a folder of the user's own (another user may have made it first, or a link).
std::optional<std::filesystem::path> privateTemporaryFolder(const std::string& name);

} // namespace keepsift::app
