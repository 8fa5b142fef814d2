#pragma once

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sched.h>
#include <string>
#include <sys/mount.h>
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
    bool tmpfs(const std::filesystem::path& at, mode_t mode) {
        if (!inPrivateNamespace()) return false;
        std::filesystem::create_directories(at);
        char options[32];
        std::snprintf(options, sizeof options, "mode=%04o", static_cast<unsigned>(mode));
        if (::mount("keepsift-test", at.c_str(), "tmpfs", 0, options) != 0) return false;
        mounted_.push_back(at);
        return true;
    }
    // The folder `from` mounted again at `at` (made).
    bool bind(const std::filesystem::path& from, const std::filesystem::path& at) {
        if (!inPrivateNamespace()) return false;
        std::filesystem::create_directories(at);
        if (::mount(from.c_str(), at.c_str(), nullptr, MS_BIND, nullptr) != 0) return false;
        mounted_.push_back(at);
        return true;
    }
    // A FUSE view of the folder `from` at `at` (made), as bindfs shows it; false where bindfs
    // is missing.
    bool bindfs(const std::filesystem::path& from, const std::filesystem::path& at) {
        if (!inPrivateNamespace()) return false;
        std::filesystem::create_directories(at);
        const std::string command =
            "bindfs '" + from.string() + "' '" + at.string() + "' >/dev/null 2>&1";
        if (std::system(command.c_str()) != 0) return false;
        mounted_.push_back(at);
        return true;
    }
    void unmountAll() {
        for (auto it = mounted_.rbegin(); it != mounted_.rend(); ++it)
            ::umount2(it->c_str(), MNT_DETACH);
        mounted_.clear();
    }

private:
    // Once per process; fails where the process is not root or already runs threads.
    static bool inPrivateNamespace() {
        static const bool entered =
            ::unshare(CLONE_NEWNS) == 0 &&
            ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
        return entered;
    }

    std::vector<std::filesystem::path> mounted_;
};

} // namespace keepsift::foldertest
