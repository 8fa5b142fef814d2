#include "Keepsift/shell/InstanceLock.hpp"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "core/settings/Keepsift.hpp"
#include "core/support/Logger.hpp"

namespace keepsift::app {
namespace {

const Logger& lockLog() {
    static const Logger logger(std::string(Keepsift::identifier), "shell");
    return logger;
}

void sayRefused(const std::filesystem::path& path, const std::string& reason) {
    lockLog().error("instance lock path refused: " + path.string() + " (" + reason + ")");
}

bool isOwnProcess(const std::string& pid) {
    std::ifstream status("/proc/" + pid + "/status");
    for (std::string line; std::getline(status, line);) {
        if (!line.starts_with("Uid:")) continue;
        std::istringstream ids(line.substr(4));
        uid_t real = 0;
        uid_t effective = 0;
        return static_cast<bool>(ids >> real >> effective) && effective == ::geteuid();
    }
    return false;
}

// flock tells nothing of its holder; the kernel's table of locks names its process.
bool heldByOwnProcess(ino_t inode) {
    std::ifstream locks("/proc/locks");
    const std::string file = ":" + std::to_string(inode);
    for (std::string line; std::getline(locks, line);) {
        std::istringstream fields(line);
        std::string number, kind, mode, access, pid, where;
        // A waiter's line ("->") holds nothing.
        if (!(fields >> number >> kind >> mode >> access >> pid >> where) || kind != "FLOCK")
            continue;
        if (where.ends_with(file) && isOwnProcess(pid)) return true;
    }
    return false;
}

// Why a folder may not hold a lock file; nothing when it is a real folder of the user's own
// that others cannot enter.
std::optional<std::string> refusalOf(const std::filesystem::path& folder) {
    struct stat info {};
    if (::lstat(folder.c_str(), &info) != 0) return std::strerror(errno);
    if (!S_ISDIR(info.st_mode)) return "not a folder";
    if (info.st_uid != ::geteuid()) return "another user's folder";
    if ((info.st_mode & 077) != 0) return "others may enter it";
    return std::nullopt;
}

} // namespace

InstanceLock::Claim InstanceLock::claim(const std::filesystem::path& file) {
    release();
    fd_ = ::open(file.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd_ < 0) return refuse(file, std::strerror(errno));
    if (::flock(fd_, LOCK_EX | LOCK_NB) == 0) return Claim::taken;
    if (errno != EWOULDBLOCK) return refuse(file, std::strerror(errno));
    release();
    return Claim::heldElsewhere;
}

// Followed when it is a link: only the owner of the folder it names matters, and nothing is
// written to it.
InstanceLock::Claim InstanceLock::claimFolder(const std::filesystem::path& folder) {
    release();
    fd_ = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    struct stat info {};
    if (fd_ < 0 || ::fstat(fd_, &info) != 0) return refuse(folder, std::strerror(errno));
    if (info.st_uid != ::geteuid()) return refuse(folder, "another user's folder");
    if (::flock(fd_, LOCK_EX | LOCK_NB) == 0) return Claim::taken;
    if (errno != EWOULDBLOCK) return refuse(folder, std::strerror(errno));
    if (!heldByOwnProcess(info.st_ino)) return refuse(folder, "another user holds a lock on it");
    release();
    return Claim::heldElsewhere;
}

InstanceLock::Claim InstanceLock::refuse(const std::filesystem::path& path,
                                         const std::string& reason) {
    sayRefused(path, reason);
    release();
    return Claim::unavailable;
}

void InstanceLock::release() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

std::optional<std::filesystem::path> privateRuntimeFolder() {
    const char* value = std::getenv("XDG_RUNTIME_DIR");
    if (value == nullptr) return std::nullopt;
    const std::filesystem::path folder(value);
    const auto refusal = folder.is_absolute() ? refusalOf(folder)
                                              : std::optional<std::string>("not an absolute path");
    if (!refusal) return folder;
    sayRefused(folder, *refusal);
    return std::nullopt;
}

std::optional<std::filesystem::path> privateTemporaryFolder(const std::string& name) {
    const char* value = std::getenv("TMPDIR");
    const std::filesystem::path base = value != nullptr && value[0] == '/' ? value : "/tmp";
    const auto folder = base / (name + "-" + std::to_string(::geteuid()));
    // An existing one is checked as it is: never made private by a change of its mode.
    const auto refusal = ::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST
                             ? std::optional<std::string>(std::strerror(errno))
                             : refusalOf(folder);
    if (!refusal) return folder;
    sayRefused(folder, *refusal);
    return std::nullopt;
}

} // namespace keepsift::app
