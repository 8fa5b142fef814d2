#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace keepsift::app {

// An exclusive lock on one file, held until released; it dies with its process, so a crash
// never blocks the next start.
class InstanceLock {
public:
    enum class Claim { taken, heldElsewhere, unavailable };

    InstanceLock() = default;
    ~InstanceLock() { release(); }
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    // Creates the file 0600 when missing (never through a link).
    Claim claim(const std::filesystem::path& file);
    void release();

private:
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
