#pragma once

#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/library/FileSystemOps.hpp"
#include "platform/library/MetadataReader.hpp"

struct sqlite3;

namespace keepsift {

// The catalogue's memory of file facts, in SQLite, keyed by the file's relative path and
// valid while its size, modification time and inode are unchanged, and of the identifiers
// given to files whose names differ from a neighbour's only in normal form. A row keeps the
// change time its facts were read at: they are read again, once the file is read whole, only
// when that moved. A cache that cannot be
// opened or written only costs speed: facts are then read again next time; one that cannot
// be read is deleted and made again.
class MetadataCache {
public:
    struct Entry {
        FileStamp stamp;
        FileFacts facts;
    };
    using Entries = std::unordered_map<std::string, Entry>;
    // Identifiers that depend on a file's neighbours, by relative path.
    using Identifiers = std::unordered_map<std::string, std::string>;

    explicit MetadataCache(const std::filesystem::path& file);
    ~MetadataCache();
    MetadataCache(const MetadataCache&) = delete;
    MetadataCache& operator=(const MetadataCache&) = delete;

    Entries loadAll();
    void update(const std::vector<std::pair<std::string, Entry>>& changed,
                const std::vector<std::string>& removed);

    Identifiers loadIdentifiers();
    void updateIdentifiers(const std::vector<std::pair<std::string, std::string>>& given);

    // A file rewritten in place within its modification second keeps its size and inode;
    // only its change time tells. A change time not known (an earlier build's row) matches.
    static bool matches(const Entry& entry, const FileStamp& stamp) {
        return sameFile(entry.stamp, stamp) &&
               (entry.stamp.ctimeNs == 0 || entry.stamp.ctimeNs == stamp.ctimeNs);
    }

private:
    bool open();
    void rebuild();
    std::optional<Entries> readAll();
    bool execute(const char* sql);
    bool addChangeTimes();
    void writeRows(const std::vector<std::pair<std::string, Entry>>& changed);
    void deleteRows(const std::vector<std::string>& removed);

    std::filesystem::path file_;
    std::mutex mutex_;
    sqlite3* db_ = nullptr;
};

// $XDG_CACHE_HOME/com.ambervale.keepsift/catalogue.sqlite
std::filesystem::path defaultCatalogueFile();

} // namespace keepsift
