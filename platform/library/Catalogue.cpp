#include "platform/library/Catalogue.hpp"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <ctime>
#include <deque>
#include <iterator>
#include <map>
#include <unordered_set>
#include <utility>

#include "platform/library/FetchErrors.hpp"
#include "platform/library/Locality.hpp"
#include "platform/library/MediaKinds.hpp"
#include "platform/library/NameText.hpp"
#include "platform/library/VanishedStorage.hpp"

namespace keepsift {

// What one describe pass learnt, written to the cache at its end.
struct Catalogue::Pending {
    std::vector<std::pair<std::string, MetadataCache::Entry>> changed;
    // Files whose bytes are elsewhere: described from their stamps alone, never remembered.
    std::deque<Catalogue::Remembered> unread;
    // The path of the file looked up last, its buffer reused for every file of a listing.
    std::string lookedUp;
    // A listing of the whole library: the stamps the engine reconciles against.
    bool complete = false;
};

namespace {

constexpr int replacedRetries = 3;

std::string parentOf(const std::string& relative) {
    auto slash = relative.rfind('/');
    return slash == std::string::npos ? std::string() : relative.substr(0, slash);
}

Date dateOfNanoseconds(std::int64_t ns) {
    return Date::fromUnix(static_cast<double>(ns / 1000000000) +
                          static_cast<double>(ns % 1000000000) / 1e9);
}

Date wholeSecondsOf(std::int64_t ns) {
    std::int64_t seconds = ns / 1000000000;
    if (ns % 1000000000 < 0) --seconds;
    return Date::fromUnix(static_cast<double>(seconds));
}

// Not a folder gone, or replaced by a link that the library never follows.
bool cannotBeRead(FileSystemOps& ops, const Place& folder) {
    const int error = listFolder(ops, folder, ListingDetail::kindsOnly).error;
    return error != 0 && error != ENOENT && error != ENOTDIR && error != ELOOP;
}

bool isSidecar(const CatalogueResource& resource) {
    return resource.type == PortResourceType::adjustmentData;
}

bool isPp3(const std::string& name) {
    std::string_view extension = extensionOf(name);
    return extension.size() == 3 && (extension[0] | 0x20) == 'p' && (extension[1] | 0x20) == 'p' &&
           extension[2] == '3';
}

PortAssetResource portResource(const CatalogueResource& resource, FileSystemKeys& drives) {
    PortAssetResource port{resource.type, textOfName(resource.name), std::nullopt, std::nullopt};
    if (!resource.placeholder.empty()) return port;
    port.fileSize = resource.stamp.size;
    if (resource.stamp.ctimeNs != 0)
        port.file =
            FileIdentity{static_cast<std::int64_t>(resource.stamp.inode), resource.stamp.ctimeNs,
                         resource.stamp.device != 0 ? drives.keyOf(resource.stamp.device) : 0};
    return port;
}

bool holdsOnlyHidden(const WalkedFolder& folder) {
    return std::all_of(folder.entries.begin(), folder.entries.end(),
                       [](const FolderEntry& entry) { return isHiddenName(entry.name); });
}

// Facts of the file as it stands, read again while it is replaced under the read; nothing when
// it vanished.
std::optional<MetadataCache::Entry> readFacts(const std::string& path, bool sidecar,
                                              FileStamp before) {
    for (int attempt = 0; attempt < replacedRetries; ++attempt) {
        FileFacts facts = sidecar ? readSidecarFacts(path) : readImageFacts(path);
        FileStamp after;
        if (!stampOf(path, after)) return std::nullopt;
        if (MetadataCache::matches({before, {}}, after) || attempt + 1 == replacedRetries)
            return MetadataCache::Entry{after, facts};
        before = after;
    }
    return std::nullopt;
}

const std::string& relativePathInto(std::string& path, const CatalogueItem& item,
                                    const CatalogueResource& resource) {
    const std::string& name = resource.placeholder.empty() ? resource.name : resource.placeholder;
    path.assign(item.folder);
    if (!path.empty()) path += '/';
    path += name;
    return path;
}

// Ascending by creation date, identifier on ties. Sorting small keys and then moving each
// asset once into place costs far less than swapping whole assets while sorting.
void sortByCreation(std::vector<CatalogueAsset>& described) {
    struct Key {
        double seconds;
        const std::string* id;
        size_t index;
    };
    std::vector<Key> keys;
    keys.reserve(described.size());
    for (size_t i = 0; i < described.size(); ++i)
        keys.push_back(
            {described[i].asset.creationDate->seconds, &described[i].asset.localIdentifier, i});
    std::sort(keys.begin(), keys.end(), [](const Key& a, const Key& b) {
        return a.seconds != b.seconds ? a.seconds < b.seconds : *a.id < *b.id;
    });
    // Position i takes the asset from keys[i].index; each cycle of moves closes on itself.
    std::vector<size_t> from(keys.size());
    for (size_t i = 0; i < keys.size(); ++i)
        from[i] = keys[i].index;
    for (size_t start = 0; start < from.size(); ++start) {
        if (from[start] == start) continue;
        CatalogueAsset held = std::move(described[start]);
        size_t at = start;
        while (from[at] != start) {
            described[at] = std::move(described[from[at]]);
            size_t next = from[at];
            from[at] = at;
            at = next;
        }
        described[at] = std::move(held);
        from[at] = at;
    }
}

} // namespace

namespace {

long utcOffsetAt(std::time_t instant) {
    std::tm local{};
    ::localtime_r(&instant, &local);
    return local.tm_gmtoff;
}

// mktime re-reads the zone file on every call; localtime_r does not, which matters over a
// hundred thousand photographs. The offset is taken at the wall-clock time read as UTC,
// then checked once at the instant it gives, as mktime would settle it.
std::time_t localToUnix(std::tm parts) {
    std::time_t wall = ::timegm(&parts);
    std::time_t guess = wall - utcOffsetAt(wall);
    long settled = utcOffsetAt(guess);
    return wall - settled;
}

} // namespace

std::optional<Date> exifLocalDate(const std::string& text) {
    if (text.size() < 19) return std::nullopt;
    std::tm parts{};
    char tail = 0;
    int matched =
        std::sscanf(text.c_str(), "%4d:%2d:%2d %2d:%2d:%2d%c", &parts.tm_year, &parts.tm_mon,
                    &parts.tm_mday, &parts.tm_hour, &parts.tm_min, &parts.tm_sec, &tail);
    if (matched != 6 || parts.tm_year < 1 || parts.tm_mon < 1 || parts.tm_mon > 12 ||
        parts.tm_mday < 1 || parts.tm_mday > 31 || parts.tm_hour > 23 || parts.tm_min > 59 ||
        parts.tm_sec > 60)
        return std::nullopt;
    parts.tm_year -= 1900;
    parts.tm_mon -= 1;
    return Date::fromUnix(static_cast<double>(localToUnix(parts)));
}

Catalogue::Catalogue(std::filesystem::path root, std::shared_ptr<FileSystemOps> ops,
                     const std::filesystem::path& cacheFile, std::filesystem::path mountsFile)
    : root_(std::move(root).lexically_normal().string()), ops_(std::move(ops)), cache_(cacheFile),
      mounts_(std::move(mountsFile)), views_(root_) {
    while (root_.size() > 1 && root_.back() == '/')
        root_.pop_back();
}

Catalogue::~Catalogue() {
    cache_.update(readWhole_, {});
}

// Rows of files read whole go first, so that facts a listing read since win.
std::vector<std::pair<std::string, MetadataCache::Entry>>
Catalogue::withReadWhole(std::vector<std::pair<std::string, MetadataCache::Entry>> changed) {
    if (readWhole_.empty()) return changed;
    auto rows = std::exchange(readWhole_, {});
    rows.insert(rows.end(), std::make_move_iterator(changed.begin()),
                std::make_move_iterator(changed.end()));
    return rows;
}

void Catalogue::loadMemory() {
    if (loaded_) return;
    for (auto& [path, entry] : cache_.loadAll())
        memory_.emplace(path, Remembered{entry, std::nullopt, 0, entry.stamp, std::nullopt});
    given_ = cache_.loadIdentifiers();
    loaded_ = true;
}

void Catalogue::keepIdentifiersOf(std::vector<CatalogueItem>& items) {
    std::lock_guard lock(mutex_);
    loadMemory();
    cache_.updateIdentifiers(keepIdentifiers(items, given_));
}

std::vector<CatalogueItem> Catalogue::itemsOf(const WalkedFolder& folder) {
    std::vector<CatalogueItem> items = itemsOfFolder(folder);
    if (!std::all_of(items.begin(), items.end(),
                     [](const CatalogueItem& item) { return isAscii(item.primary().name); }))
        keepIdentifiersOf(items);
    return items;
}

bool Catalogue::heldFiles() {
    std::lock_guard lock(mutex_);
    loadMemory();
    return !memory_.empty();
}

bool Catalogue::heldFilesIn(const std::string& folder) {
    std::lock_guard lock(mutex_);
    loadMemory();
    std::string prefix = folder + "/";
    return std::any_of(memory_.begin(), memory_.end(),
                       [&](const auto& known) { return known.first.starts_with(prefix); });
}

// A folder that is there but cannot be read (its permissions, an I/O error, a stale share)
// still holds its photographs, as storage that is away does.
std::vector<std::string> Catalogue::unavailable(const std::vector<std::string>& missing) {
    std::vector<MissingPhotograph> photographs;
    photographs.reserve(missing.size());
    std::vector<std::string> unreadable;
    std::map<std::string, bool> closed;
    for (const std::string& id : missing) {
        std::string folder = folderOnDisk(parentOf(id));
        auto [known, added] = closed.try_emplace(folder, false);
        if (added) known->second = cannotBeRead(*ops_, {root_, folder});
        if (known->second)
            unreadable.push_back(id);
        else
            photographs.push_back({id, std::move(folder)});
    }
    auto away = vanishedStorage(root_, photographs, mounts_.now());
    away.insert(away.end(), unreadable.begin(), unreadable.end());
    return away;
}

std::vector<CatalogueAsset> Catalogue::all() {
    std::vector<WalkedFolder> folders = walk(
        ListingDetail::stamps, [this](const std::string& folder) { return heldFilesIn(folder); });
    // At most one photograph per entry: reserved once, the list is never copied as it grows.
    size_t entries = 0;
    for (const WalkedFolder& folder : folders)
        entries += folder.entries.size();
    noteSpellings(folders);
    mounts_.note(root_);
    std::vector<CatalogueItem> items;
    items.reserve(entries);
    for (const WalkedFolder& folder : folders)
        for (auto& item : itemsOf(folder))
            items.push_back(std::move(item));
    // Storage that went away (an unmounted drive leaves its empty mount point, a sync client
    // that has not started its bare folders) is not a library whose photographs were all
    // deleted. A root holding .nomedia is hidden on purpose and lists nothing.
    bool rootListed = !folders.empty() && folders.front().relative.empty();
    if (rootListed && items.empty() && heldFiles())
        throw libraryUnavailable(root_, holdsOnlyHidden(folders.front())
                                            ? "it is empty, although it held photographs"
                                            : "it holds no photographs any more, although it did");
    auto described = describe(std::move(items), true);
    sortByCreation(described);
    return described;
}

std::vector<WalkedFolder> Catalogue::walk(ListingDetail detail, const MustRead& mustRead) {
    return walkLibrary(*ops_, root_, detail, mustRead, &views_);
}

bool Catalogue::isHiddenFolder(const std::string& relative) {
    if (!relative.empty() && !isVisibleRelative(relative)) return true;
    if (!relative.empty() && views_.isLeftOut(relative)) return true;
    // Every folder on the way down, the root included, may hide what is below it.
    FileStamp ignored;
    size_t end = 0;
    while (true) {
        std::string folder = relative.substr(0, end);
        // Read-only checks go by path: the listing opens the folder safely.
        if (stampOf(absolute(folder) + "/.nomedia", ignored)) return true;
        if (end >= relative.size()) return false;
        size_t slash = relative.find('/', end + 1);
        end = slash == std::string::npos ? relative.size() : slash;
    }
}

std::optional<WalkedFolder> Catalogue::visibleFolder(const std::string& relative,
                                                     ListingDetail detail) {
    if (isHiddenFolder(relative)) return std::nullopt;
    FolderListing listing = listFolder(*ops_, {root_, relative}, detail);
    if (listing.error != 0) return std::nullopt;
    return WalkedFolder{relative, std::move(listing.entries),
                        folderIdentifier(*ops_, root_, relative)};
}

std::vector<CatalogueItem> Catalogue::itemsIn(const std::string& folder, ListingDetail detail) {
    auto walked = visibleFolder(folder, detail);
    return walked ? itemsOf(*walked) : std::vector<CatalogueItem>{};
}

// The on-disk folder of a folder identifier: spelt as the identifier is, unless the last
// listing of the library found it spelt otherwise.
std::string Catalogue::folderOnDisk(const std::string& identifier) {
    std::lock_guard lock(mutex_);
    auto respelt = respeltFolders_.find(identifier);
    return respelt != respeltFolders_.end() ? respelt->second : relativePathOf(identifier);
}

void Catalogue::noteSpellings(const std::vector<WalkedFolder>& folders) {
    std::unordered_map<std::string, std::string> respelt;
    for (const WalkedFolder& folder : folders)
        if (folder.identifier != folder.relative)
            respelt.emplace(folder.identifier, folder.relative);
    std::lock_guard lock(mutex_);
    respeltFolders_ = std::move(respelt);
}

// Each folder is found by its identifier and only its own photographs are looked at, from
// the folder cache while the folder is unchanged.
std::vector<CatalogueAsset> Catalogue::withIdentifiers(const std::vector<std::string>& ids) {
    std::map<std::string, std::vector<std::string>> byFolder;
    for (const std::string& id : ids)
        byFolder[folderOnDisk(parentOf(id))].push_back(id);
    std::unordered_map<std::string, CatalogueItem> found;
    bool folderMissing = false;
    for (const auto& [folder, wanted] : byFolder) {
        bool listed = false;
        if (!isHiddenFolder(folder))
            for (auto& item : folders_.find(
                     root_, folder, wanted,
                     [&]() -> std::optional<std::vector<CatalogueItem>> {
                         auto walked = visibleFolder(folder);
                         if (!walked) return std::nullopt;
                         return itemsOf(*walked);
                     },
                     listed))
                found.emplace(item.id, std::move(item));
        folderMissing = folderMissing || !listed;
    }
    // A folder spelt on disk otherwise than in NFC, made since the last listing of the whole
    // library, is looked for in the whole tree.
    bool respelt = folderMissing && std::any_of(ids.begin(), ids.end(), [&](const std::string& id) {
                       return !found.contains(id) && !isAscii(id);
                   });
    if (respelt) {
        std::vector<WalkedFolder> folders = walk();
        for (const WalkedFolder& folder : folders)
            for (auto& item : itemsOf(folder))
                found.emplace(item.id, std::move(item));
        noteSpellings(folders);
    }
    std::vector<CatalogueItem> items;
    std::unordered_set<std::string> taken;
    for (const std::string& id : ids) {
        auto it = found.find(id);
        if (it != found.end() && taken.insert(id).second) items.push_back(it->second);
    }
    return describe(std::move(items), false);
}

std::vector<CatalogueAsset> Catalogue::describe(std::vector<CatalogueItem> items, bool complete) {
    std::lock_guard lock(mutex_);
    loadMemory();
    ++pass_;
    seenInPass_ = 0;
    drives_.forgetIfChanged();
    Pending pending;
    pending.complete = complete;
    std::vector<CatalogueAsset> described;
    described.reserve(items.size());
    for (auto& item : items) {
        CatalogueAsset asset{std::move(item), {}, 1};
        if (describeOne(asset, pending)) described.push_back(std::move(asset));
    }
    std::vector<std::string> removed;
    // Every remembered file met again: nothing is gone, and the walk over all of them is spared.
    if (complete && seenInPass_ != memory_.size()) {
        for (const auto& [path, remembered] : memory_)
            if (remembered.seenInPass != pass_) removed.push_back(path);
        for (const auto& path : removed) {
            memory_.erase(path);
            given_.erase(path);
        }
    }
    // Rows of files read whole wait for a write of the cache, not for every look-up.
    if (!pending.changed.empty() || !removed.empty())
        cache_.update(withReadWhole(std::move(pending.changed)), removed);
    return described;
}

bool Catalogue::describeOne(CatalogueAsset& described, Pending& pending) {
    const CatalogueItem& item = described.item;
    Remembered* primary = factsOf(item, item.primary(), pending);
    if (primary == nullptr) return false;
    const FileFacts* primaryFacts = &primary->entry.facts;
    described.orientation = primaryFacts->orientation;
    PortAsset& asset = described.asset;
    asset.localIdentifier = item.id;
    asset.filename = textOfName(item.primary().name);
    asset.pixelWidth = primaryFacts->pixelWidth;
    asset.pixelHeight = primaryFacts->pixelHeight;
    std::optional<int> rating = primaryFacts->rating;
    for (const CatalogueResource& resource : item.resources) {
        asset.resources.push_back(portResource(resource, drives_));
        if (!isSidecar(resource)) continue;
        if (isPp3(resource.name)) {
            asset.hasAdjustments = true;
            continue;
        }
        const Remembered* entry = factsOf(item, resource, pending);
        if (entry == nullptr) continue;
        const FileFacts* sidecar = &entry->entry.facts;
        if (sidecar->rating) rating = sidecar->rating;
        asset.hasAdjustments = asset.hasAdjustments || sidecar->editHistory;
    }
    asset.isFavorite = rating.value_or(0) >= 4;
    std::int64_t mtime = primary->entry.stamp.mtimeNs;
    asset.modificationDate = wholeSecondsOf(mtime);
    asset.creationDate = capturedAt(*primary);
    if (!asset.creationDate) asset.creationDate = dateOfNanoseconds(mtime);
    return true;
}

const std::optional<Date>& Catalogue::capturedAt(Remembered& remembered) {
    if (!remembered.captured) {
        const auto& text = remembered.entry.facts.dateTimeOriginal;
        remembered.captured = text ? exifLocalDate(*text) : std::nullopt;
    }
    return *remembered.captured;
}

// Facts of one file: from memory while its size, modification time and inode are unchanged,
// else read from the file. A change of its status alone (chmod, chown) moves only its change
// time: its facts are read again when its bytes are read back, never inside a listing.
Catalogue::Remembered* Catalogue::factsOf(const CatalogueItem& item,
                                          const CatalogueResource& resource, Pending& pending) {
    if (isKnownNonResident(resource))
        return &pending.unread.emplace_back(
            Remembered{{resource.stamp, {}}, std::nullopt, 0, std::nullopt, std::nullopt});
    const std::string& lookedUp = relativePathInto(pending.lookedUp, item, resource);
    auto known = memory_.find(lookedUp);
    if (known != memory_.end() && sameFile(known->second.entry.stamp, resource.stamp)) {
        noteSeen(known->second);
        if (pending.complete) known->second.listed = resource.stamp;
        rememberChangeTime(known->second, lookedUp, resource.stamp, pending);
        return &known->second;
    }
    std::string relative = lookedUp;
    auto entry = readFacts(absolute(relative), isSidecar(resource), resource.stamp);
    if (!entry) return nullptr;
    Remembered& remembered = remember(relative, *entry);
    noteSeen(remembered);
    if (pending.complete) noteListed(remembered, entry->stamp);
    if (!remembered.listed) remembered.listed = entry->stamp;
    pending.changed.push_back({std::move(relative), std::move(*entry)});
    return &remembered;
}

Catalogue::Remembered& Catalogue::remember(const std::string& relative,
                                           const MetadataCache::Entry& entry) {
    Remembered& remembered = memory_[relative];
    remembered.entry = entry;
    remembered.captured.reset();
    return remembered;
}

// The pages just read hold the header: reading it again costs no trip to the disk.
void Catalogue::noteReadWhole(const CatalogueItem& item, const CatalogueResource& resource) {
    std::lock_guard lock(mutex_);
    loadMemory();
    std::string relative;
    relativePathInto(relative, item, resource);
    auto known = memory_.find(relative);
    FileStamp now;
    if (known == memory_.end() || !stampOf(absolute(relative), now) ||
        MetadataCache::matches(known->second.entry, now))
        return;
    auto entry = readFacts(absolute(relative), isSidecar(resource), now);
    if (!entry) return;
    remember(relative, *entry);
    readWhole_.emplace_back(std::move(relative), std::move(*entry));
    if (readWhole_.size() >= readWholeBatch) cache_.update(withReadWhole({}), {});
}

// Rows of an earlier build learn their change time once, so that a later rewrite shows.
void Catalogue::rememberChangeTime(Remembered& remembered, const std::string& relative,
                                   const FileStamp& stamp, Pending& pending) {
    if (remembered.entry.stamp.ctimeNs != 0 || stamp.ctimeNs == 0) return;
    remembered.entry.stamp.ctimeNs = stamp.ctimeNs;
    pending.changed.push_back({relative, remembered.entry});
}

void Catalogue::noteSeen(Remembered& remembered) {
    if (remembered.seenInPass == pass_) return;
    remembered.seenInPass = pass_;
    ++seenInPass_;
}

// A listing that shows another modification second makes the engine measure and review
// the photograph again, maybe from a rendition: the listed file is then the reviewed one.
void Catalogue::noteListed(Remembered& remembered, const FileStamp& stamp) {
    if (remembered.measured && wholeSecondsOf(remembered.measured->stamp.mtimeNs).seconds !=
                                   wholeSecondsOf(stamp.mtimeNs).seconds)
        remembered.measured.reset();
    remembered.listed = stamp;
}

void Catalogue::forget(const std::vector<std::string>& relatives) {
    std::lock_guard lock(mutex_);
    loadMemory();
    for (const auto& relative : relatives) {
        memory_.erase(relative);
        given_.erase(relative);
    }
    cache_.update(withReadWhole({}), relatives);
}

void Catalogue::noteMeasured(const std::string& relative, const ReviewedFile& measured) {
    std::lock_guard lock(mutex_);
    loadMemory();
    if (auto known = memory_.find(relative); known != memory_.end())
        known->second.measured = measured;
}

std::vector<std::string> Catalogue::listedNames() {
    std::lock_guard lock(mutex_);
    loadMemory();
    std::vector<std::string> names;
    names.reserve(memory_.size());
    for (const auto& [relative, remembered] : memory_)
        names.push_back(relative);
    return names;
}

std::optional<ReviewedFile> Catalogue::reviewedFile(const std::string& relative) {
    std::lock_guard lock(mutex_);
    loadMemory();
    auto known = memory_.find(relative);
    if (known == memory_.end()) return std::nullopt;
    if (known->second.measured) return known->second.measured;
    if (!known->second.listed) return std::nullopt;
    return ReviewedFile{*known->second.listed};
}

} // namespace keepsift
