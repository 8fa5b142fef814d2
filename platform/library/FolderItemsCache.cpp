#include "platform/library/FolderItemsCache.hpp"

#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_set>

namespace keepsift {
namespace {

// Longer than the coarsest modification times of a common filesystem (FAT keeps two seconds).
constexpr std::int64_t settledNs = 3'000'000'000;

std::int64_t nanosecondsOf(const timespec& time) {
    return static_cast<std::int64_t>(time.tv_sec) * 1'000'000'000 + time.tv_nsec;
}

std::int64_t nowNs() {
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    return nanosecondsOf(now);
}

// The item's files as they are now; false when one of them is gone or is no file any more.
bool restamped(int folderFd, CatalogueItem& item) {
    for (CatalogueResource& resource : item.resources) {
        const std::string& name =
            resource.placeholder.empty() ? resource.name : resource.placeholder;
        struct stat info {};
        if (::fstatat(folderFd, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0 ||
            !S_ISREG(info.st_mode))
            return false;
        resource.stamp = stampOf(info);
    }
    return true;
}

std::vector<CatalogueItem> picked(const std::vector<CatalogueItem>& items,
                                  const std::vector<std::string>& ids) {
    const std::unordered_set<std::string_view> wantedIds(ids.begin(), ids.end());
    std::vector<CatalogueItem> wanted;
    for (const CatalogueItem& item : items)
        if (wantedIds.contains(item.id)) wanted.push_back(item);
    return wanted;
}

// Closes the descriptor whatever way the lookup ends.
struct OpenFolder {
    int fd;
    ~OpenFolder() {
        if (fd >= 0) ::close(fd);
    }
};

} // namespace

std::vector<CatalogueItem> FolderItemsCache::find(const std::string& root,
                                                  const std::string& folder,
                                                  const std::vector<std::string>& ids,
                                                  const Lister& list, bool& found) {
    found = false;
    const std::int64_t listedAt = nowNs();
    OpenFolder open{openFolder({root, folder})};
    struct stat info {};
    std::optional<FolderStamp> stamp;
    if (open.fd >= 0 && ::fstat(open.fd, &info) == 0)
        stamp = FolderStamp{info.st_dev, info.st_ino, nanosecondsOf(info.st_mtim),
                            nanosecondsOf(info.st_ctim)};
    if (stamp)
        if (auto items = fromMemory(open.fd, *stamp, folder, ids)) {
            found = true;
            return std::move(*items);
        }
    std::optional<std::vector<CatalogueItem>> listed = list();
    if (!listed) {
        remember(folder, {}, {});
        return {};
    }
    found = true;
    std::vector<CatalogueItem> items = std::move(*listed);
    std::vector<CatalogueItem> wanted = picked(items, ids);
    bool settled = stamp && stamp->mtimeNs < listedAt - settledNs;
    remember(folder, stamp.value_or(FolderStamp{}),
             settled ? std::move(items) : std::vector<CatalogueItem>{});
    return wanted;
}

std::optional<std::vector<CatalogueItem>>
FolderItemsCache::fromMemory(int folderFd, const FolderStamp& stamp, const std::string& folder,
                             const std::vector<std::string>& ids) {
    std::lock_guard lock(mutex_);
    auto known = folders_.find(folder);
    if (known == folders_.end() || known->second.items.empty() || known->second.stamp != stamp)
        return std::nullopt;
    order_.splice(order_.end(), order_, known->second.used);
    std::vector<CatalogueItem> items;
    for (const std::string& id : ids) {
        auto item = known->second.items.find(id);
        if (item == known->second.items.end()) continue;
        CatalogueItem current = item->second;
        if (!restamped(folderFd, current)) return std::nullopt;
        items.push_back(std::move(current));
    }
    return items;
}

// An empty list of items forgets the folder.
void FolderItemsCache::remember(const std::string& folder, const FolderStamp& stamp,
                                std::vector<CatalogueItem> items) {
    std::lock_guard lock(mutex_);
    if (auto known = folders_.find(folder); known != folders_.end()) {
        itemCount_ -= known->second.items.size();
        order_.erase(known->second.used);
        folders_.erase(known);
    }
    if (items.empty()) return;
    Folder& remembered = folders_[folder];
    remembered.stamp = stamp;
    remembered.items.reserve(items.size());
    for (CatalogueItem& item : items)
        remembered.items.emplace(item.id, std::move(item));
    itemCount_ += remembered.items.size();
    remembered.used = order_.insert(order_.end(), folder);
    while (itemCount_ > itemLimit_ && order_.front() != folder) {
        auto oldest = folders_.find(order_.front());
        itemCount_ -= oldest->second.items.size();
        folders_.erase(oldest);
        order_.pop_front();
    }
}

} // namespace keepsift
