#include "platform/library/RememberedMounts.hpp"

#include "platform/library/MountPoint.hpp"
#include "platform/library/MountTable.hpp"
#include "platform/library/PhotographPresence.hpp"

namespace keepsift {
namespace {

bool isBelow(const std::string& path, const std::string& folder) {
    return path.size() > folder.size() + 1 && path.starts_with(folder) &&
           (folder == "/" || path[folder.size()] == '/');
}

} // namespace

RememberedMounts::RememberedMounts(MetadataCache& cache) : RememberedMounts(cache, Tables{}) {}

std::set<std::string>& RememberedMounts::rememberedLocked() {
    if (!remembered_) remembered_ = cache_.loadMountPoints();
    return *remembered_;
}

void RememberedMounts::note(const std::string& root) {
    const std::string realRoot = realFolderOf(root);
    const std::set<std::string> live = liveMountPoints(tables_.live);
    std::set<std::string> kept;
    for (const std::string& point : live)
        if (isBelow(point, realRoot)) kept.insert(point);
    std::lock_guard lock(mutex_);
    for (const std::string& point : rememberedLocked())
        if (isBelow(point, realRoot) && !live.contains(point) && isBareFolder(point))
            kept.insert(point);
    if (kept == rememberedLocked()) return;
    remembered_ = kept;
    cache_.replaceMountPoints(kept);
}

StorageMounts RememberedMounts::now() {
    StorageMounts mounts{liveMountPoints(tables_.live), tableMountPoints(tables_.declared)};
    std::lock_guard lock(mutex_);
    mounts.known.insert(rememberedLocked().begin(), rememberedLocked().end());
    return mounts;
}

} // namespace keepsift
