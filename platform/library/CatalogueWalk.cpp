#include "platform/library/CatalogueWalk.hpp"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <map>

#include "core/support/Unicode.hpp"
#include "platform/library/MediaKinds.hpp"

namespace keepsift {
namespace {

constexpr std::array<std::string_view, 2> placeholderSuffixes{".nextcloud", ".owncloud"};

std::string joined(const std::string& folder, const std::string& name) {
    return folder.empty() ? name : folder + "/" + name;
}

bool holdsNoMedia(const std::vector<FolderEntry>& entries) {
    return std::any_of(entries.begin(), entries.end(),
                       [](const FolderEntry& entry) { return entry.name == ".nomedia"; });
}

// The image name a placeholder stands for, or empty.
std::string placeholderTarget(const std::string& name) {
    for (std::string_view suffix : placeholderSuffixes) {
        if (name.size() <= suffix.size() || !name.ends_with(suffix)) continue;
        std::string target = name.substr(0, name.size() - suffix.size());
        if (isImage(mediaKind(target))) return target;
    }
    return {};
}

int rankOf(MediaKind kind) {
    switch (kind) {
    case MediaKind::primaryImage:
        return 0;
    case MediaKind::otherImage:
        return 1;
    case MediaKind::raw:
        return 2;
    default:
        return 3;
    }
}

// Files of one folder sharing a stem.
struct StemGroup {
    std::vector<CatalogueResource> images;
    std::vector<CatalogueResource> videos;
};

std::map<std::string, StemGroup> stemGroups(const std::vector<FolderEntry>& entries) {
    std::map<std::string, StemGroup> groups;
    for (const FolderEntry& entry : entries) {
        if (entry.kind != FolderEntry::Kind::file || isHiddenName(entry.name)) continue;
        CatalogueResource resource{PortResourceType::photo, entry.name, entry.stamp, {}};
        std::string placeholderFor = placeholderTarget(entry.name);
        if (!placeholderFor.empty()) {
            resource.placeholder = entry.name;
            resource.name = placeholderFor;
        }
        MediaKind kind = mediaKind(resource.name);
        auto& group = groups[std::string(stemOf(resource.name))];
        if (isImage(kind))
            group.images.push_back(std::move(resource));
        else if (kind == MediaKind::video)
            group.videos.push_back(std::move(resource));
    }
    return groups;
}

bool sameRank(const CatalogueResource& a, const CatalogueResource& b) {
    return rankOf(mediaKind(a.name)) == rankOf(mediaKind(b.name));
}

void sortByRank(std::vector<CatalogueResource>& images) {
    std::sort(images.begin(), images.end(), [](const auto& a, const auto& b) {
        int ra = rankOf(mediaKind(a.name)), rb = rankOf(mediaKind(b.name));
        return ra != rb ? ra < rb : a.name < b.name;
    });
}

// Sidecars are named after the stem (IMG_1.xmp) or the whole file name (IMG_1.CR2.xmp).
void addSidecars(CatalogueItem& item, const std::vector<FolderEntry>& entries, bool ownsStem) {
    for (const FolderEntry& entry : entries) {
        if (entry.kind != FolderEntry::Kind::file || mediaKind(entry.name) != MediaKind::sidecar)
            continue;
        std::string_view base = stemOf(entry.name);
        bool matches = std::any_of(
            item.resources.begin(), item.resources.end(), [&](const CatalogueResource& resource) {
                return base == resource.name || (ownsStem && base == stemOf(resource.name));
            });
        if (matches)
            item.resources.push_back(
                {PortResourceType::adjustmentData, entry.name, entry.stamp, {}});
    }
}

CatalogueItem makeItem(const WalkedFolder& folder, std::vector<CatalogueResource> resources) {
    CatalogueItem item;
    item.folder = folder.relative;
    item.resources = std::move(resources);
    item.id = identifierOf(joined(folder.relative, item.primary().name));
    return item;
}

// One stem: a single best image pairs with its RAW and videos; several images of the
// primary rank stay separate assets so that none disappears behind another.
std::vector<CatalogueItem> itemsOfStem(const WalkedFolder& folder, StemGroup group) {
    std::vector<CatalogueItem> items;
    if (group.images.empty()) return items;
    sortByRank(group.images);
    size_t leaders = 1;
    while (leaders < group.images.size() && sameRank(group.images[leaders], group.images[0]))
        ++leaders;
    bool paired = leaders == 1;
    if (paired && group.images.size() > 1) {
        size_t raws = static_cast<size_t>(
            std::count_if(group.images.begin() + 1, group.images.end(),
                          [](const auto& r) { return mediaKind(r.name) == MediaKind::raw; }));
        paired = raws == group.images.size() - 1;
    }
    if (!paired) {
        for (auto& image : group.images)
            items.push_back(makeItem(folder, {std::move(image)}));
        return items;
    }
    std::vector<CatalogueResource> resources = std::move(group.images);
    for (size_t i = 1; i < resources.size(); ++i)
        resources[i].type = PortResourceType::alternatePhoto;
    for (auto& video : group.videos) {
        video.type = PortResourceType::pairedVideo;
        resources.push_back(std::move(video));
    }
    items.push_back(makeItem(folder, std::move(resources)));
    return items;
}

} // namespace

std::string CatalogueItem::relativePath(const CatalogueResource& resource) const {
    return joined(folder, resource.placeholder.empty() ? resource.name : resource.placeholder);
}

std::string identifierOf(const std::string& relativePath) {
    bool ascii = std::all_of(relativePath.begin(), relativePath.end(),
                             [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    return ascii ? relativePath : unicode::nfc(relativePath);
}

std::vector<WalkedFolder> walkLibrary(FileSystemOps& ops, const std::string& root) {
    std::vector<WalkedFolder> folders;
    std::vector<std::string> pending{""};
    while (!pending.empty()) {
        std::string relative = std::move(pending.back());
        pending.pop_back();
        std::string path = relative.empty() ? root : root + "/" + relative;
        FolderListing listing = listFolder(ops, path);
        if (listing.error == ENOENT && !relative.empty()) continue;
        if (listing.error != 0)
            throw PortFetchError("cannot read the folder " + path + ": " +
                                 std::strerror(listing.error));
        if (holdsNoMedia(listing.entries)) continue;
        for (const FolderEntry& entry : listing.entries)
            if (entry.kind == FolderEntry::Kind::directory && !isHiddenName(entry.name))
                pending.push_back(joined(relative, entry.name));
        folders.push_back({std::move(relative), std::move(listing.entries)});
    }
    return folders;
}

std::vector<CatalogueItem> itemsOfFolder(const WalkedFolder& folder) {
    std::vector<CatalogueItem> items;
    auto groups = stemGroups(folder.entries);
    for (auto& [stem, group] : groups) {
        auto stemItems = itemsOfStem(folder, std::move(group));
        bool ownsStem = stemItems.size() == 1;
        for (auto& item : stemItems) {
            addSidecars(item, folder.entries, ownsStem);
            items.push_back(std::move(item));
        }
    }
    return items;
}

} // namespace keepsift
