#include "platform/files/ReplacedPlace.hpp"

#include <cerrno>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace keepsift {
namespace {

namespace fs = std::filesystem;

// As many as the system follows before it calls it a loop.
constexpr int mostLinks = 40;

bool isLink(const fs::path& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode);
}

// Where the chain of links ends, in a folder named without links; nothing for a loop or a
// folder that is missing or cannot be looked into.
std::optional<fs::path> endOfLinks(fs::path at) {
    for (int hop = 0; hop < mostLinks && isLink(at); ++hop) {
        std::error_code error;
        const fs::path leadsTo = fs::read_symlink(at, error);
        if (error) return std::nullopt;
        at = leadsTo.is_absolute() ? leadsTo : at.parent_path() / leadsTo;
    }
    const fs::path name = at.filename();
    if (isLink(at) || name.empty() || name == "." || name == "..") return std::nullopt;
    std::error_code error;
    const fs::path folder = fs::canonical(at.parent_path().empty() ? "." : at.parent_path(), error);
    if (error) return std::nullopt;
    return folder / name;
}

bool isOwn(const struct stat& info) {
    return info.st_uid == ::geteuid();
}

// Nothing when what is there cannot be seen.
std::optional<bool> isOwnPlace(const fs::path& target) {
    struct stat info {};
    if (::lstat(target.c_str(), &info) == 0) return S_ISREG(info.st_mode) && isOwn(info);
    if (errno != ENOENT || ::stat(target.parent_path().c_str(), &info) != 0) return std::nullopt;
    return S_ISDIR(info.st_mode) && isOwn(info);
}

} // namespace

std::optional<fs::path> replacedPlace(const fs::path& file) {
    if (!isLink(file)) return file;
    const auto target = endOfLinks(file);
    if (!target) return std::nullopt;
    const auto own = isOwnPlace(*target);
    if (!own) return std::nullopt;
    return *own ? *target : file;
}

} // namespace keepsift
