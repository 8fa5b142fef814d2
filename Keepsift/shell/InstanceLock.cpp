#include "Keepsift/shell/InstanceLock.hpp"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
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

std::optional<std::filesystem::path> privateRuntimeFolder() {
    const char* value = std::getenv("XDG_RUNTIME_DIR");
    if (value == nullptr || value[0] != '/') return std::nullopt;
    struct stat info {};
    if (::lstat(value, &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != ::geteuid() ||
        (info.st_mode & 077) != 0)
        return std::nullopt;
    return std::filesystem::path(value);
}

} // namespace keepsift::app
