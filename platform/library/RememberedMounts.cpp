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

// The record that follows a mount point with the drive seen there. It is no absolute path,
// so a reader that knows only mount points drops it and keeps the paths.
constexpr std::string_view driveMark = "drive ";

// A path never holds a NUL, so each ends with one, and so does the drive's record after it;
// what is no absolute path in its plain form is no mount point, and any other text is dropped.
MountPoints pointsIn(const std::string& content) {
    MountPoints points;
    std::string* drive = nullptr;
    size_t start = 0;
    for (size_t end; (end = content.find('\0', start)) != std::string::npos; start = end + 1) {
        std::string piece = content.substr(start, end - start);
        if (isMountPoint(piece)) {
            drive = &points[std::move(piece)];
            continue;
        }
        if (drive && piece.starts_with(driveMark)) *drive = piece.substr(driveMark.size());
        drive = nullptr;
    }
    return points;
}

// What a drive is known by across runs, wherever it is mounted: its device numbers and the
// folder of it mounted, with its type and source, which another drive given the same numbers
// after a restart seldom shares. Empty when the table does not say.
std::string driveOf(const TableLine& mount) {
    std::string drive = mountedDrive(mount);
    if (drive.empty()) return drive;
    const MountOrigin origin = originOf(mount);
    drive.append(" ").append(origin.type).append(" ").append(origin.source);
    return drive.find('\0') == std::string::npos ? drive : std::string();
}

// A link that leads nowhere is a missing file.
bool isAbsent(const std::filesystem::path& file) {
    struct stat info {};
    return ::stat(file.c_str(), &info) != 0 && errno == ENOENT;
}

std::string contentOf(const MountPoints& points) {
    std::string content;
    for (const auto& [point, drive] : points) {
        content.append(point).push_back('\0');
        if (!drive.empty()) content.append(driveMark).append(drive).push_back('\0');
    }
    return content;
}

} // namespace

std::filesystem::path defaultMountsFile() {
    return xdgDataHome() / xdg::appFolder / "library-mounts";
}

RememberedMounts::RememberedMounts(std::filesystem::path file)
    : RememberedMounts(std::move(file), Tables{}) {}

MountPoints& RememberedMounts::rememberedLocked() {
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

RememberedMounts::Live RememberedMounts::liveBelow(const std::string& realRoot) const {
    Live live;
    for (const auto& mount : liveMounts(tables_.live)) {
        live.points.insert(mount.path);
        if (!isBelow(mount.path, realRoot)) continue;
        std::string drive = driveOf(mount);
        if (!drive.empty()) live.drivesBelow.emplace(drive, mount.path);
        live.below.insert_or_assign(mount.path, std::move(drive));
    }
    return live;
}

void RememberedMounts::note(const std::string& root) {
    const std::string realRoot = realFolderOf(root);
    const Live live = liveBelow(realRoot);
    MountPoints kept = live.below;
    std::lock_guard lock(mutex_);
    // Another library's are kept as they are, for when it is chosen again.
    for (const auto& [point, drive] : rememberedLocked()) {
        if (isBelow(point, realRoot) && live.movedAway(point, drive)) {
            log().info(point + " is forgotten: its drive is mounted at another folder of " +
                       realRoot);
            movedThisRun_.insert_or_assign(point, drive);
            continue;
        }
        if (!isBelow(point, realRoot) || (!live.points.contains(point) && isBareFolder(point)))
            kept.emplace(point, drive);
    }
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
    for (const auto& [point, drive] : rememberedLocked())
        mounts.known.insert(point);
    return mounts;
}

// Where the drive is mounted now, not where it was first found: it may have moved again.
MountMoves RememberedMounts::moves(const std::string& root) {
    const std::string realRoot = realFolderOf(root);
    const Live live = liveBelow(realRoot);
    const auto relative = [&](const std::string& point) {
        return std::filesystem::path(point).lexically_relative(realRoot).string();
    };
    MountMoves moves;
    const auto add = [&](const MountPoints& points) {
        for (const auto& [point, drive] : points)
            if (isBelow(point, realRoot) && live.movedAway(point, drive))
                moves.emplace(relative(point), relative(live.drivesBelow.at(drive)));
    };
    std::lock_guard lock(mutex_);
    add(rememberedLocked());
    add(movedThisRun_);
    return moves;
}

} // namespace keepsift
