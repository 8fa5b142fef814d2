#pragma once

#include <cstdint>
#include <functional>
#include <list>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/library/CatalogueWalk.hpp"

namespace keepsift {

// The photographs of the folders last looked up by identifier, kept while each folder is
// unchanged: finding one photograph in a camera dump of a hundred thousand then costs a few
// system calls, not a listing. A folder is trusted only once its modification time lies well
// before its listing, so a change in the same clock tick is never missed; the files of what
// is found are looked at again on every lookup.
class FolderItemsCache {
public:
    // The photographs of one visible folder listed afresh; nothing when it cannot be listed.
    using Lister = std::function<std::optional<std::vector<CatalogueItem>>()>;

    explicit FolderItemsCache(size_t itemLimit = 200000) : itemLimit_(itemLimit) {}

    // The photographs among `ids` in this folder (relative, on-disk) as they are now; `found`
    // is false when the folder could not be listed.
    std::vector<CatalogueItem> find(const std::string& root, const std::string& folder,
                                    const std::vector<std::string>& ids, const Lister& list,
                                    bool& found);

private:
    struct FolderStamp {
        std::uint64_t device = 0;
        std::uint64_t inode = 0;
        std::int64_t mtimeNs = 0;
        std::int64_t ctimeNs = 0;
        bool operator==(const FolderStamp&) const = default;
    };
    struct Folder {
        FolderStamp stamp;
        std::unordered_map<std::string, CatalogueItem> items;
        std::list<std::string>::iterator used;
    };

    std::optional<std::vector<CatalogueItem>> fromMemory(int folderFd, const FolderStamp& stamp,
                                                         const std::string& folder,
                                                         const std::vector<std::string>& ids);
    void remember(const std::string& folder, const FolderStamp& stamp,
                  std::vector<CatalogueItem> items);

    const size_t itemLimit_;
    std::mutex mutex_;
    std::unordered_map<std::string, Folder> folders_;
    // Least recently used first.
    std::list<std::string> order_;
    size_t itemCount_ = 0;
};

} // namespace keepsift
