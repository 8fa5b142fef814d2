#include "core/index/IndexFiles.hpp"

#include "core/support/Logger.hpp"

namespace keepsift {
namespace {

const Logger& log() {
    static const Logger logger("com.ambervale.keepsift", "index");
    return logger;
}

} // namespace

IndexFiles::IndexFiles(std::shared_ptr<FileStorage> storage) : storage_(std::move(storage)) {}

template <class T, class Decode>
std::optional<T> IndexFiles::load(const std::string& name, Decode decode) {
    std::optional<Data> data = storage_->read(name);
    if (!data) return std::nullopt;
    try {
        return decode(*data);
    } catch (const JsonError& error) {
        log().error(name + " cannot be read: " + error.what());
        keepUnreadable(name, std::move(*data));
        return std::nullopt;
    }
}

std::optional<LibraryIndex> IndexFiles::loadIndex() {
    return load<LibraryIndex>(std::string(indexName), LibraryIndex::decode);
}

std::optional<ReviewJournal> IndexFiles::loadJournal() {
    return load<ReviewJournal>(std::string(journalName), ReviewJournal::decode);
}

void IndexFiles::saveIndex(const LibraryIndex& index) {
    save(std::string(indexName), index.encoded());
}

void IndexFiles::saveJournal(const ReviewJournal& journal) {
    save(std::string(journalName), journal.encoded());
}

// Copies the unreadable file at once; when that fails the copy is retried before the
// first save of that name, which does not happen until the copy exists.
void IndexFiles::keepUnreadable(const std::string& name, Data data) {
    {
        std::lock_guard guard(lock_);
        unkept_[name] = std::move(data);
    }
    try {
        writeUnreadableCopy(name);
    } catch (const std::exception& error) {
        log().error("keeping unreadable " + name + " failed: " + error.what());
    }
}

void IndexFiles::save(const std::string& name, const Data& data) {
    writeUnreadableCopy(name);
    storage_->write(data, name);
}

void IndexFiles::writeUnreadableCopy(const std::string& name) {
    std::optional<Data> unkept;
    {
        std::lock_guard guard(lock_);
        if (auto found = unkept_.find(name); found != unkept_.end()) {
            unkept = std::move(found->second);
            unkept_.erase(found);
        }
    }
    if (!unkept) return;
    const std::string copy = name + std::string(unreadableSuffix);
    try {
        storage_->write(*unkept, copy);
    } catch (...) {
        std::lock_guard guard(lock_);
        unkept_.try_emplace(name, std::move(*unkept));
        throw;
    }
    log().notice("kept unreadable " + name + " as " + copy);
}

} // namespace keepsift
