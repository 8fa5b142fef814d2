#pragma once

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <grp.h>
#include <optional>
#include <string>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace keepsift::testing {

// Another local user of the machine: a uid without a passwd entry, in no group, without
// capabilities, as a process of its own. Only a superuser can start one.
constexpr uid_t otherUserId = 54321;

// Runs `act` in a forked child that has become the other user; only system calls may run there
// (the test may hold threads whose locks the child would inherit). The act's answer, nothing
// where the child could not become that user.
inline std::optional<bool> asOtherUser(const std::function<bool()>& act) {
    const pid_t child = ::fork();
    if (child < 0) return std::nullopt;
    if (child == 0) {
        // Raw calls: the process holds this one thread, and no other may be asked to follow.
        const bool became = ::syscall(SYS_setgroups, 0, nullptr) == 0 &&
                            ::syscall(SYS_setresgid, otherUserId, otherUserId, otherUserId) == 0 &&
                            ::syscall(SYS_setresuid, otherUserId, otherUserId, otherUserId) == 0;
        ::_exit(!became ? 2 : act() ? 0 : 1);
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0)
        if (errno != EINTR) return std::nullopt;
    if (!WIFEXITED(status) || WEXITSTATUS(status) > 1) return std::nullopt;
    return WEXITSTATUS(status) == 0;
}

// Folders made by the other user one after the other, open to everyone whatever their umask.
inline bool otherUserMakesOpenFolders(const std::vector<std::filesystem::path>& folders) {
    std::vector<std::string> paths;
    for (const auto& folder : folders)
        paths.push_back(folder.string());
    return asOtherUser([&] {
               for (const std::string& path : paths)
                   if (::mkdir(path.c_str(), 0777) != 0 || ::chmod(path.c_str(), 0777) != 0)
                       return false;
               return true;
           })
        .value_or(false);
}

enum class Access { read, list, write, create, connect };

inline const char* toString(Access access) {
    switch (access) {
    case Access::read:
        return "read";
    case Access::list:
        return "list";
    case Access::write:
        return "write";
    case Access::create:
        return "create in";
    case Access::connect:
        return "connect to";
    }
    return "?";
}

// Whether the other user can read a byte of the file, read the folder's names, open the file
// to write (writing nothing), make a file in the folder (removed at once) or connect to the
// socket.
inline std::optional<bool> otherUserCan(Access access, const std::filesystem::path& path) {
    const std::string target = path.string();
    const std::string probe = (path / ".other-user-probe").string();
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (access == Access::connect && target.size() >= sizeof address.sun_path) return std::nullopt;
    target.copy(address.sun_path, std::min(target.size(), sizeof address.sun_path - 1));
    return asOtherUser([&] {
        char buffer[512];
        switch (access) {
        case Access::read: {
            const int fd = ::open(target.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
            return fd >= 0 && ::read(fd, buffer, 1) >= 0;
        }
        case Access::list: {
            const int fd = ::open(target.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            return fd >= 0 && ::syscall(SYS_getdents64, fd, buffer, sizeof buffer) >= 0;
        }
        case Access::write:
            return ::open(target.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC) >= 0;
        case Access::create: {
            const int fd = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
            return fd >= 0 && ::unlink(probe.c_str()) == 0;
        }
        case Access::connect: {
            const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
            return fd >= 0 &&
                   ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
        }
        }
        return false;
    });
}

inline Access writeAccessTo(mode_t mode) {
    if (S_ISDIR(mode)) return Access::create;
    return S_ISSOCK(mode) ? Access::connect : Access::write;
}

// What the other user could do there, as "read list" etc.; empty when nothing.
inline std::string whatOtherUserCan(const std::filesystem::path& path) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0) return "";
    const bool folder = S_ISDIR(info.st_mode);
    const Access checked[] = {folder ? Access::list : Access::read, writeAccessTo(info.st_mode)};
    std::string can;
    for (Access access : checked)
        if (otherUserCan(access, path).value_or(true))
            can += std::string(can.empty() ? "" : " ") + toString(access);
    return can;
}

} // namespace keepsift::testing
