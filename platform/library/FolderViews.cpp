#include "platform/library/FolderViews.hpp"

#include <algorithm>
#include <fcntl.h>
#include <map>
#include <sys/stat.h>

#include "core/support/Logger.hpp"
#include "platform/library/CatalogueWalk.hpp"
#include "platform/library/MountPoint.hpp"

namespace keepsift {
namespace {

const Logger& log() {
    static Logger logger("com.ambervale.keepsift", "catalogue");
    return logger;
}

bool isAtOrBelow(const std::string& path, const std::string& top) {
    if (top == "/") return true;
    return path.starts_with(top) && (path.size() == top.size() || path[top.size()] == '/');
}

bool isFolder(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::vector<std::string> componentsOf(const std::string& relative) {
    std::vector<std::string> components;
    size_t start = 0;
    while (start <= relative.size() && !relative.empty()) {
        size_t slash = relative.find('/', start);
        if (slash == std::string::npos) slash = relative.size();
        components.push_back(relative.substr(start, slash - start));
        start = slash + 1;
    }
    return components;
}

struct FolderKey {
    std::uint64_t device;
    std::uint64_t number;
    auto operator<=>(const FolderKey&) const = default;
};

// What decides which name of one folder is listed: the same at every listing, whatever order
// the folders were read in.
struct NameRank {
    int folderMounts = 0;
    int mountRoots = 0;
    std::vector<std::string> components;
    bool operator<(const NameRank& other) const {
        if (folderMounts != other.folderMounts) return folderMounts < other.folderMounts;
        if (mountRoots != other.mountRoots) return mountRoots < other.mountRoots;
        if (components.size() != other.components.size())
            return components.size() < other.components.size();
        return components < other.components;
    }
};

std::string quoted(const std::string& path) {
    return "\u201C" + path + "\u201D";
}

} // namespace

FolderViews::FolderViews(std::string root, std::string mountinfo)
    : root_(std::move(root)), mountinfo_(std::move(mountinfo)), watch_(mountinfo_) {
    while (root_.size() > 1 && root_.back() == '/')
        root_.pop_back();
}

FolderViews::~FolderViews() = default;

std::uint64_t FolderViews::tableReads() const {
    std::lock_guard lock(mutex_);
    return reads_;
}

// The watch looks before the table is read, so that a change after that read shows at the
// next look.
const std::vector<TableLine>& FolderViews::mountsLocked() {
    if (watch_.changed()) {
        mounts_ = liveMounts(mountinfo_);
        ++reads_;
    }
    return mounts_;
}

std::optional<TableLine> FolderViews::topMountAt(const std::string& relative) {
    const std::string at = realFolderOf(root_ + "/" + relative);
    std::optional<TableLine> top;
    std::lock_guard lock(mutex_);
    // The last line of a folder is the mount on top, the one a listing sees.
    for (const TableLine& mount : mountsLocked())
        if (mount.path == at) top = mount;
    return top;
}

bool FolderViews::mountsFolderOfDrive(const std::string& relative) {
    const auto top = topMountAt(relative);
    return top && !mountsTopOfDrive(*top);
}

std::optional<std::string> FolderViews::viewOfLibrary(const std::string& relative) {
    const std::string realRoot = realFolderOf(root_);
    const auto top = topMountAt(relative);
    const std::optional<MountOrigin> origin = top ? std::optional(originOf(*top)) : std::nullopt;
    if (!origin || !origin->type.starts_with("fuse") || !origin->source.starts_with('/'))
        return std::nullopt;
    const std::string source = realFolderOf(origin->source);
    if (!isAtOrBelow(source, realRoot) && !isAtOrBelow(realRoot, source)) return std::nullopt;
    if (!isFolder(source)) return std::nullopt;
    return "a view (" + origin->type + ") of " + quoted(source) +
           ", which the library holds already";
}

bool FolderViews::leadsBackIn(const std::string& relative) {
    return isMountRoot(relative) && viewOfLibrary(relative).has_value();
}

bool FolderViews::isMountRoot(const std::string& relative) const {
    struct statx info {};
    const std::string path = root_ + "/" + relative;
    if (::statx(AT_FDCWD, path.c_str(), AT_SYMLINK_NOFOLLOW, 0, &info) != 0) return false;
    return (info.stx_attributes_mask & STATX_ATTR_MOUNT_ROOT) != 0 &&
           (info.stx_attributes & STATX_ATTR_MOUNT_ROOT) != 0;
}

std::vector<SecondName> FolderViews::keepOnce(std::vector<WalkedFolder>& folders) {
    std::map<FolderKey, std::vector<size_t>> names;
    for (size_t i = 0; i < folders.size(); ++i) {
        const FileStamp& stamp = folders[i].stamp;
        if (stamp.device != 0 && stamp.inode != 0) names[{stamp.device, stamp.inode}].push_back(i);
    }
    struct MountKind {
        bool root = false;
        bool ofFolder = false;
    };
    std::map<std::string, MountKind> mounts;
    auto rankOf = [&](const std::string& relative) {
        NameRank rank{0, 0, componentsOf(relative)};
        std::string prefix;
        for (const std::string& component : rank.components) {
            prefix = prefix.empty() ? component : prefix + "/" + component;
            auto [known, added] = mounts.try_emplace(prefix);
            if (added && isMountRoot(prefix)) known->second = {true, mountsFolderOfDrive(prefix)};
            rank.mountRoots += known->second.root;
            rank.folderMounts += known->second.ofFolder;
        }
        return rank;
    };
    std::map<std::string, std::string> leftOut; // the name left out, and the one listed
    for (const auto& [key, indices] : names) {
        if (indices.size() < 2) continue;
        std::vector<std::pair<NameRank, size_t>> ranked;
        for (size_t i : indices)
            ranked.emplace_back(rankOf(folders[i].relative), i);
        std::sort(ranked.begin(), ranked.end());
        for (size_t r = 1; r < ranked.size(); ++r)
            leftOut.emplace(folders[ranked[r].second].relative,
                            folders[ranked.front().second].relative);
    }
    if (leftOut.empty()) return {};
    std::vector<SecondName> told;
    for (const auto& [relative, listed] : leftOut) {
        auto slash = relative.rfind('/');
        bool parentLeftOut =
            slash != std::string::npos && leftOut.contains(relative.substr(0, slash));
        if (!parentLeftOut)
            told.push_back({relative, "the same folder (drive and folder number) as " +
                                          quoted(root_ + "/" + listed) + ", mounted again"});
    }
    std::erase_if(folders,
                  [&](const WalkedFolder& folder) { return leftOut.contains(folder.relative); });
    return told;
}

bool FolderViews::isLeftOut(const std::string& relative) const {
    std::lock_guard lock(mutex_);
    return std::any_of(told_.begin(), told_.end(), [&](const SecondName& name) {
        return isAtOrBelow(relative, name.relative);
    });
}

void FolderViews::tell(std::vector<SecondName> names) {
    std::set<SecondName> now(std::make_move_iterator(names.begin()),
                             std::make_move_iterator(names.end()));
    std::vector<SecondName> fresh;
    {
        std::lock_guard lock(mutex_);
        std::set_difference(now.begin(), now.end(), told_.begin(), told_.end(),
                            std::back_inserter(fresh));
        told_ = std::move(now);
    }
    for (const SecondName& name : fresh)
        log().notice("listing each photograph once: leaving out " +
                     quoted(root_ + "/" + name.relative) + ", " + name.why);
}

} // namespace keepsift
