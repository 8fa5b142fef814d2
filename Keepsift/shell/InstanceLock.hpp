#pragma once

#include <filesystem>
#include <optional>

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

} // namespace keepsift::app
