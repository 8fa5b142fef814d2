#include "platform/library/RememberedMounts.hpp"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <sys/stat.h>
#include <system_error>

#include "core/support/Logger.hpp"
#include "platform/files/AtomicFile.hpp"
#include "platform/files/PrivateFiles.hpp"
#include "platform/files/XdgFolders.hpp"
#include "platform/library/MountPoint.hpp"
#include "platform/library/MountTable.hpp"
#include "platform/library/PhotographPresence.hpp"
#include "platform/library/XdgPaths.hpp"

namespace keepsift {
namespace {

bool isBelow(const std::string& path, const std::string& folder) {
    return path.size() > folder.size() + 1 && path.starts_with(folder) &&
           (folder == "/" || path[folder.size()] == '/');
}

const Logger& log() {
    static const Logger logger(xdg::appFolder, "catalogue");
    return logger;
}

// A real list of a few drives is far smaller; anything beyond is not read.
constexpr std::size_t maximumFileBytes = 64 * 1024;

bool isMountPoint(const std::string& point) {
    return point.starts_with('/') && point.size() < PATH_MAX &&
           (point.size() == 1 || !point.ends_with('/')) &&
           std::filesystem::path(point).lexically_normal().string() == point;
}

// A path never holds a NUL, so each ends with one; what is no absolute path in its plain form
// is no mount point.
std::set<std::string> pointsIn(const std::string& content) {
    std::set<std::string> points;
    size_t start = 0;
    for (size_t end; (end = content.find('\0', start)) != std::string::npos; start = end + 1)
        if (std::string point = content.substr(start, end - start); isMountPoint(point))
            points.insert(std::move(point));
    return points;
}

// A link that leads nowhere is a missing file.
bool isAbsent(const std::filesystem::path& file) {
    struct stat info {};
    return ::stat(file.c_str(), &info) != 0 && errno == ENOENT;
}

std::string contentOf(const std::set<std::string>& points) {
    std::string content;
    for (const std::string& point : points)
        content.append(point).push_back('\0');
    return content;
}

} // namespace

std::filesystem::path defaultMountsFile() {
    return xdgDataHome() / xdg::appFolder / "library-mounts";
}

RememberedMounts::RememberedMounts(std::filesystem::path file)
    : RememberedMounts(std::move(file), Tables{}) {}

std::set<std::string>& RememberedMounts::rememberedLocked() {
    if (remembered_) return *remembered_;
    auto content = readFileHead(file_, maximumFileBytes + 1);
    const bool whole = content && content->size() <= maximumFileBytes;
    if (content) content->resize(std::min(content->size(), maximumFileBytes));
    remembered_ = pointsIn(content.value_or(""));
    // Anything else in its place is rewritten by the next listing.
    fileIsTidy_ = whole ? *content == contentOf(*remembered_) : isAbsent(file_);
    if (!whole && !fileIsTidy_)
        log().error(file_.string() + (content ? " is larger than expected, only its head is read"
                                              : " cannot be read, it is written anew"));
    return *remembered_;
}

void RememberedMounts::note(const std::string& root) {
    const std::string realRoot = realFolderOf(root);
    std::set<std::string> live, kept, drivesBelow;
    std::map<std::string, std::string> drivesAt;
    for (const auto& mount : liveMounts(tables_.live)) {
        live.insert(mount.path);
        if (!isBelow(mount.path, realRoot)) continue;
        kept.insert(mount.path);
        if (auto drive = mountedDrive(mount); !drive.empty()) {
            drivesBelow.insert(drive);
            drivesAt.insert_or_assign(mount.path, std::move(drive));
        }
    }
    std::lock_guard lock(mutex_);
    const auto movedBelow = [&](const std::string& point) {
        const auto seen = drivesSeen_.find(point);
        return seen != drivesSeen_.end() && drivesBelow.contains(seen->second);
    };
    // Another library's are kept as they are, for when it is chosen again.
    for (const std::string& point : rememberedLocked())
        if (!isBelow(point, realRoot) ||
            (!live.contains(point) && isBareFolder(point) && !movedBelow(point)))
            kept.insert(point);
    for (auto& [point, drive] : drivesAt)
        drivesSeen_.insert_or_assign(point, std::move(drive));
    if (kept == rememberedLocked() && fileIsTidy_) return;
    remembered_ = kept;
    // Not kept, it is only forgotten: the mount points declared in the filesystem table
    // still count.
    try {
        if (const auto error = makePrivateFolder(file_.parent_path()))
            throw std::system_error(error, file_.parent_path().string());
        replaceFileOrFolderAtomically(file_, contentOf(kept));
        fileIsTidy_ = true;
    } catch (const std::exception& error) {
        log().error(std::string("mount points not kept: ") + error.what());
    }
}

StorageMounts RememberedMounts::now() {
    StorageMounts mounts{liveMountPoints(tables_.live), tableMountPoints(tables_.declared)};
    std::lock_guard lock(mutex_);
    mounts.known.insert(rememberedLocked().begin(), rememberedLocked().end());
    return mounts;
}

} // namespace keepsift
