#include "platform/files/PrivateFiles.hpp"

#include <cerrno>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/files/ReplacedPlace.hpp"

namespace keepsift {
namespace {

constexpr mode_t privateMode = 0700;

std::error_code lastError() {
    return {errno, std::generic_category()};
}

class PrivateFolderCategory : public std::error_category {
public:
    const char* name() const noexcept override { return "private folder"; }
    std::string message(int) const override { return "it belongs to another user"; }
};

} // namespace

std::error_code createPrivateFolders(const std::filesystem::path& folder) {
    std::filesystem::path made;
    for (const auto& part : folder.lexically_normal()) {
        made /= part;
        if (part.empty() || part == "/") continue;
        if (::mkdir(made.c_str(), privateMode) == 0 || errno == EEXIST) continue;
        return lastError();
    }
    struct stat info {};
    if (::stat(folder.c_str(), &info) != 0) return lastError();
    if (!S_ISDIR(info.st_mode)) return std::make_error_code(std::errc::not_a_directory);
    return {};
}

std::error_code anotherUsersFolder() {
    static const PrivateFolderCategory category;
    return {EPERM, category};
}

// Another user may have made it first where they could (a shared folder), or a link there to
// a folder of theirs: whatever went in would be theirs to read.
std::error_code makePrivateFolder(const std::filesystem::path& folder) {
    if (auto error = createPrivateFolders(folder)) return error;
    struct stat info {};
    if (::stat(folder.c_str(), &info) != 0) return lastError();
    if (info.st_uid != ::geteuid()) return anotherUsersFolder();
    if ((info.st_mode & 07777) != privateMode && ::chmod(folder.c_str(), privateMode) != 0)
        return lastError();
    return {};
}

// Where a link in its place is followed, the file it leads to is the user's own.
std::error_code makePrivateFile(const std::filesystem::path& file) {
    const auto place = replacedPlace(file);
    if (!place) return std::make_error_code(std::errc::no_link);
    int fd = ::open(place->c_str(), O_RDONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600);
    if (fd < 0) return lastError();
    struct stat info {};
    std::error_code error;
    if (::fstat(fd, &info) != 0 ||
        ((info.st_mode & 07777) != 0600 && S_ISREG(info.st_mode) && ::fchmod(fd, 0600) != 0))
        error = lastError();
    ::close(fd);
    return error;
}

} // namespace keepsift
