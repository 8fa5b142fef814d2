#include "platform/library/RememberedMounts.hpp"

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

// A path never holds a NUL, so each ends with one.
std::set<std::string> pointsIn(const std::optional<std::string>& content) {
    std::set<std::string> points;
    if (!content) return points;
    size_t start = 0;
    for (size_t end; (end = content->find('\0', start)) != std::string::npos; start = end + 1)
        points.insert(content->substr(start, end - start));
    return points;
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
    if (!remembered_) remembered_ = pointsIn(readWholeFile(file_));
    return *remembered_;
}

void RememberedMounts::note(const std::string& root) {
    const std::string realRoot = realFolderOf(root);
    const std::set<std::string> live = liveMountPoints(tables_.live);
    std::set<std::string> kept;
    for (const std::string& point : live)
        if (isBelow(point, realRoot)) kept.insert(point);
    std::lock_guard lock(mutex_);
    // Another library's are kept as they are, for when it is chosen again.
    for (const std::string& point : rememberedLocked())
        if (!isBelow(point, realRoot) || (!live.contains(point) && isBareFolder(point)))
            kept.insert(point);
    if (kept == rememberedLocked()) return;
    remembered_ = kept;
    // Not kept, it is only forgotten: the mount points declared in the filesystem table
    // still count.
    try {
        makePrivateFolder(file_.parent_path());
        replaceFileAtomically(file_, contentOf(kept));
    } catch (const std::exception& error) {
        static const Logger log(xdg::appFolder, "catalogue");
        log.error(std::string("mount points not kept: ") + error.what());
    }
}

StorageMounts RememberedMounts::now() {
    StorageMounts mounts{liveMountPoints(tables_.live), tableMountPoints(tables_.declared)};
    std::lock_guard lock(mutex_);
    mounts.known.insert(rememberedLocked().begin(), rememberedLocked().end());
    return mounts;
}

} // namespace keepsift
