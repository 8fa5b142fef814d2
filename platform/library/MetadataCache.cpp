#include "platform/library/MetadataCache.hpp"

#include <sqlite3.h>

#include "core/support/Logger.hpp"
#include "platform/files/PrivateFiles.hpp"
#include "platform/files/ReplacedPlace.hpp"
#include "platform/files/XdgFolders.hpp"
#include "platform/library/XdgPaths.hpp"

namespace keepsift {
namespace {

const Logger& log() {
    static Logger logger("com.ambervale.keepsift", "catalogue");
    return logger;
}

constexpr const char* schema = "CREATE TABLE IF NOT EXISTS facts("
                               "path TEXT PRIMARY KEY, size INTEGER, mtime_ns INTEGER, "
                               "inode INTEGER, readable INTEGER, width INTEGER, height INTEGER, "
                               "date_original TEXT, orientation INTEGER, rating INTEGER, "
                               "edit_history INTEGER, ctime_ns INTEGER) WITHOUT ROWID; "
                               "CREATE TABLE IF NOT EXISTS identifiers("
                               "path TEXT PRIMARY KEY, identifier TEXT) WITHOUT ROWID";

// A prepared statement that finalises itself.
class Statement {
public:
    Statement(sqlite3* db, const char* sql) {
        if (sqlite3_prepare_v2(db, sql, -1, &statement_, nullptr) != SQLITE_OK)
            statement_ = nullptr;
    }
    ~Statement() { sqlite3_finalize(statement_); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    sqlite3_stmt* get() const { return statement_; }
    explicit operator bool() const { return statement_ != nullptr; }

private:
    sqlite3_stmt* statement_ = nullptr;
};

std::optional<std::string> optionalText(sqlite3_stmt* row, int column) {
    auto text = sqlite3_column_text(row, column);
    if (text == nullptr) return std::nullopt;
    return std::string(reinterpret_cast<const char*>(text));
}

std::optional<int> optionalInt(sqlite3_stmt* row, int column) {
    if (sqlite3_column_type(row, column) == SQLITE_NULL) return std::nullopt;
    return sqlite3_column_int(row, column);
}

MetadataCache::Entry entryOf(sqlite3_stmt* row) {
    MetadataCache::Entry entry;
    entry.stamp.size = sqlite3_column_int64(row, 1);
    entry.stamp.mtimeNs = sqlite3_column_int64(row, 2);
    entry.stamp.inode = static_cast<std::uint64_t>(sqlite3_column_int64(row, 3));
    entry.facts.readable = sqlite3_column_int(row, 4) != 0;
    entry.facts.pixelWidth = sqlite3_column_int64(row, 5);
    entry.facts.pixelHeight = sqlite3_column_int64(row, 6);
    entry.facts.dateTimeOriginal = optionalText(row, 7);
    entry.facts.orientation = sqlite3_column_int(row, 8);
    entry.facts.rating = optionalInt(row, 9);
    entry.facts.editHistory = sqlite3_column_int(row, 10) != 0;
    entry.stamp.ctimeNs = sqlite3_column_int64(row, 11);
    return entry;
}

void bindEntry(sqlite3_stmt* s, const std::string& path, const MetadataCache::Entry& entry) {
    const FileFacts& facts = entry.facts;
    sqlite3_bind_text(s, 1, path.c_str(), static_cast<int>(path.size()), SQLITE_TRANSIENT);
    sqlite3_bind_int64(s, 2, entry.stamp.size);
    sqlite3_bind_int64(s, 3, entry.stamp.mtimeNs);
    sqlite3_bind_int64(s, 4, static_cast<sqlite3_int64>(entry.stamp.inode));
    sqlite3_bind_int(s, 5, facts.readable ? 1 : 0);
    sqlite3_bind_int64(s, 6, facts.pixelWidth);
    sqlite3_bind_int64(s, 7, facts.pixelHeight);
    if (facts.dateTimeOriginal)
        sqlite3_bind_text(s, 8, facts.dateTimeOriginal->c_str(), -1, SQLITE_TRANSIENT);
    else
        sqlite3_bind_null(s, 8);
    sqlite3_bind_int(s, 9, facts.orientation);
    if (facts.rating)
        sqlite3_bind_int(s, 10, *facts.rating);
    else
        sqlite3_bind_null(s, 10);
    sqlite3_bind_int(s, 11, facts.editHistory ? 1 : 0);
    sqlite3_bind_int64(s, 12, entry.stamp.ctimeNs);
}

} // namespace

std::filesystem::path defaultCatalogueFile() {
    return xdgCacheHome() / xdg::appFolder / "catalogue.sqlite";
}

MetadataCache::MetadataCache(const std::filesystem::path& file) : file_(file) {
    makePrivateFolder(file.parent_path());
    if (open()) return;
    // Not a database, or not ours: it is only a cache.
    rebuild();
}

// SQLite gives its journal files the mode of the database file, and keeps them beside the file
// a link leads to. A link to anything but a file of the user's own is not followed: the cache
// is then made afresh.
bool MetadataCache::open() {
    const auto place = replacedPlace(file_).value_or(file_);
    makePrivateFile(place);
    if (sqlite3_open_v2(place.c_str(), &db_,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOFOLLOW,
                        nullptr) == SQLITE_OK &&
        execute("PRAGMA journal_mode=WAL") && execute(schema) && addChangeTimes())
        return true;
    sqlite3_close(db_);
    db_ = nullptr;
    return false;
}

void MetadataCache::rebuild() {
    sqlite3_close(db_);
    db_ = nullptr;
    std::error_code ignored;
    const auto place = replacedPlace(file_).value_or(file_);
    for (const char* suffix : {"", "-wal", "-shm"})
        std::filesystem::remove(place.string() + suffix, ignored);
    if (open())
        log().notice("catalogue cache rebuilt at " + file_.string());
    else
        log().error("catalogue cache unavailable at " + file_.string());
}

// A cache of an earlier build keeps its rows; their change times are unknown until listed.
bool MetadataCache::addChangeTimes() {
    Statement columns(db_, "SELECT ctime_ns FROM facts LIMIT 0");
    return columns || execute("ALTER TABLE facts ADD COLUMN ctime_ns INTEGER");
}

MetadataCache::~MetadataCache() {
    sqlite3_close(db_);
}

bool MetadataCache::execute(const char* sql) {
    return sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

MetadataCache::Entries MetadataCache::loadAll() {
    std::lock_guard lock(mutex_);
    if (db_ == nullptr) return {};
    if (auto entries = readAll()) return std::move(*entries);
    rebuild();
    return {};
}

// Nothing when a row or the table cannot be read as written.
std::optional<MetadataCache::Entries> MetadataCache::readAll() {
    Entries entries;
    Statement select(db_, "SELECT path, size, mtime_ns, inode, readable, width, height, "
                          "date_original, orientation, rating, edit_history, ctime_ns "
                          "FROM facts");
    if (!select) return std::nullopt;
    int step;
    while ((step = sqlite3_step(select.get())) == SQLITE_ROW) {
        auto path = optionalText(select.get(), 0);
        if (!path) return std::nullopt;
        entries.emplace(std::move(*path), entryOf(select.get()));
    }
    if (step != SQLITE_DONE) return std::nullopt;
    return entries;
}

void MetadataCache::update(const std::vector<std::pair<std::string, Entry>>& changed,
                           const std::vector<std::string>& removed) {
    std::lock_guard lock(mutex_);
    if (db_ == nullptr || (changed.empty() && removed.empty())) return;
    if (!execute("BEGIN")) return;
    writeRows(changed);
    deleteRows(removed);
    if (!execute("COMMIT")) {
        execute("ROLLBACK");
        log().error("catalogue cache not written");
    }
}

MetadataCache::Identifiers MetadataCache::loadIdentifiers() {
    std::lock_guard lock(mutex_);
    Identifiers identifiers;
    if (db_ == nullptr) return identifiers;
    Statement select(db_, "SELECT path, identifier FROM identifiers");
    if (!select) return identifiers;
    while (sqlite3_step(select.get()) == SQLITE_ROW) {
        auto path = optionalText(select.get(), 0);
        auto identifier = optionalText(select.get(), 1);
        if (path && identifier) identifiers.emplace(std::move(*path), std::move(*identifier));
    }
    return identifiers;
}

void MetadataCache::updateIdentifiers(
    const std::vector<std::pair<std::string, std::string>>& given) {
    std::lock_guard lock(mutex_);
    if (db_ == nullptr || given.empty()) return;
    Statement insert(db_, "INSERT OR REPLACE INTO identifiers VALUES(?,?)");
    if (!insert) return;
    for (const auto& [path, identifier] : given) {
        sqlite3_bind_text(insert.get(), 1, path.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(insert.get(), 2, identifier.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_step(insert.get());
        sqlite3_reset(insert.get());
    }
}

void MetadataCache::writeRows(const std::vector<std::pair<std::string, Entry>>& changed) {
    Statement insert(db_, "INSERT OR REPLACE INTO facts VALUES(?,?,?,?,?,?,?,?,?,?,?,?)");
    if (!insert) return;
    for (const auto& [path, entry] : changed) {
        bindEntry(insert.get(), path, entry);
        sqlite3_step(insert.get());
        sqlite3_reset(insert.get());
    }
}

void MetadataCache::deleteRows(const std::vector<std::string>& removed) {
    for (const char* sql :
         {"DELETE FROM facts WHERE path = ?", "DELETE FROM identifiers WHERE path = ?"}) {
        Statement erase(db_, sql);
        if (!erase) return;
        for (const auto& path : removed) {
            sqlite3_bind_text(erase.get(), 1, path.c_str(), -1, SQLITE_TRANSIENT);
            sqlite3_step(erase.get());
            sqlite3_reset(erase.get());
        }
    }
}

} // namespace keepsift
