#pragma once

#include <filesystem>
#include <sys/types.h>
#include <vector>

namespace keepsift::foldertest {

// Drives of the test's own: mounts made in a mount namespace of this process only, so that
// a test can shape a shared volume without touching the machine. Needs root; where the
// process may not, nothing is mounted and every call answers false. Unmounts on destruction.
class PrivateMounts {
public:
    PrivateMounts() = default;
    ~PrivateMounts() { unmountAll(); }
    PrivateMounts(const PrivateMounts&) = delete;
    PrivateMounts& operator=(const PrivateMounts&) = delete;

    // A fresh tmpfs at this folder (made), its top folder with this mode.
    bool tmpfs(const std::filesystem::path& at, mode_t mode);
    // The folder `from` mounted again at `at` (made).
    bool bind(const std::filesystem::path& from, const std::filesystem::path& at);
    void unmountAll();

private:
    std::vector<std::filesystem::path> mounted_;
};

} // namespace keepsift::foldertest
