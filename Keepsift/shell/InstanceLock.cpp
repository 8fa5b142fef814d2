#include "Keepsift/shell/InstanceLock.hpp"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace keepsift::app {

InstanceLock::Claim InstanceLock::claim(const std::filesystem::path& file) {
    release();
    fd_ = ::open(file.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd_ < 0) return Claim::unavailable;
    if (::flock(fd_, LOCK_EX | LOCK_NB) == 0) return Claim::taken;
    const bool held = errno == EWOULDBLOCK;
    release();
    return held ? Claim::heldElsewhere : Claim::unavailable;
}

void InstanceLock::release() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

namespace {

bool isPrivateFolder(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode) &&
           info.st_uid == ::geteuid() && (info.st_mode & 077) == 0;
}

} // namespace

std::optional<std::filesystem::path> privateRuntimeFolder() {
    const char* value = std::getenv("XDG_RUNTIME_DIR");
    if (value == nullptr || value[0] != '/' || !isPrivateFolder(value)) return std::nullopt;
    return std::filesystem::path(value);
}

std::optional<std::filesystem::path> privateTemporaryFolder(const std::string& name) {
    const char* value = std::getenv("TMPDIR");
    const std::filesystem::path base = value != nullptr && value[0] == '/' ? value : "/tmp";
    const auto folder = base / (name + "-" + std::to_string(::geteuid()));
    // An existing one is checked as it is: never made private by a change of its mode.
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return std::nullopt;
    if (!isPrivateFolder(folder)) return std::nullopt;
    return folder;
}

} // namespace keepsift::app
