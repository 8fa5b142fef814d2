#include "PrivateMounts.hpp"

#include <cstdio>
#include <sched.h>
#include <string>
#include <sys/mount.h>

namespace keepsift::foldertest {
namespace {

// Once per process; fails where the process is not root or already runs threads.
bool inPrivateNamespace() {
    static const bool entered = ::unshare(CLONE_NEWNS) == 0 &&
                                ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
    return entered;
}

} // namespace

bool PrivateMounts::tmpfs(const std::filesystem::path& at, mode_t mode) {
    if (!inPrivateNamespace()) return false;
    std::filesystem::create_directories(at);
    char options[32];
    std::snprintf(options, sizeof options, "mode=%04o", static_cast<unsigned>(mode));
    if (::mount("keepsift-test", at.c_str(), "tmpfs", 0, options) != 0) return false;
    mounted_.push_back(at);
    return true;
}

bool PrivateMounts::bind(const std::filesystem::path& from, const std::filesystem::path& at) {
    if (!inPrivateNamespace()) return false;
    std::filesystem::create_directories(at);
    if (::mount(from.c_str(), at.c_str(), nullptr, MS_BIND, nullptr) != 0) return false;
    mounted_.push_back(at);
    return true;
}

void PrivateMounts::unmountAll() {
    for (auto it = mounted_.rbegin(); it != mounted_.rend(); ++it)
        ::umount2(it->c_str(), MNT_DETACH);
    mounted_.clear();
}

} // namespace keepsift::foldertest
