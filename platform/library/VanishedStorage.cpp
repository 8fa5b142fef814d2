#include "platform/library/VanishedStorage.hpp"

#include <map>

#include "platform/library/CatalogueWalk.hpp"
#include "platform/library/MountPoint.hpp"
#include "platform/library/PhotographPresence.hpp"

namespace keepsift {
namespace {

std::string parentOf(const std::string& relative) {
    auto slash = relative.rfind('/');
    return slash == std::string::npos ? std::string() : relative.substr(0, slash);
}

// The library's own folders are never links that a listing follows, so a folder's real path
// is the root's with the relative path after it; a folder behind a dead mount is not touched.
class MountsBelow {
public:
    MountsBelow(const std::string& root, const StorageMounts& mounts)
        : root_(root), realRoot_(realFolderOf(root)), mounts_(mounts) {}

    // Whether the photographs last seen in this folder went away with their storage.
    bool wentAway(const std::string& folder) const {
        for (std::string at = folder; !at.empty(); at = parentOf(at)) {
            const std::string real = realRoot_ + "/" + at;
            if (mounts_.mounted.contains(real)) return false;
            if (mounts_.known.contains(real)) return isBare(root_ + "/" + at);
        }
        return isBare(root_);
    }

private:
    // Gone, or without a photograph; asked once for each folder.
    bool isBare(const std::string& path) const {
        auto [known, added] = bare_.try_emplace(path, false);
        if (added) known->second = isBareFolder(path);
        return known->second;
    }

    std::string root_;
    std::string realRoot_;
    const StorageMounts& mounts_;
    mutable std::map<std::string, bool> bare_;
};

} // namespace

std::vector<std::string> vanishedStorage(const std::string& root,
                                         const std::vector<MissingPhotograph>& missing,
                                         const StorageMounts& mounts) {
    std::map<std::string, std::vector<const std::string*>> byFolder;
    for (const MissingPhotograph& photograph : missing)
        if (photograph.folder.empty() || isVisibleRelative(photograph.folder))
            byFolder[photograph.folder].push_back(&photograph.id);
    const MountsBelow below(root, mounts);
    std::vector<std::string> vanished;
    for (const auto& [folder, ids] : byFolder) {
        if (!below.wentAway(folder)) continue;
        for (const std::string* id : ids)
            vanished.push_back(*id);
    }
    return vanished;
}

} // namespace keepsift
