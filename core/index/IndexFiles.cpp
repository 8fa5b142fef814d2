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
    if (!data && storage_->exists(name)) {
        log().error(name + " exists but cannot be read");
        keepUnreadable(name, std::nullopt);
    }
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

// Streamed to the storage: the index's text is larger than the index itself.
void IndexFiles::saveIndex(const LibraryIndex& index) {
    const std::string name(indexName);
    keepPendingUnreadable(name);
    storage_->writeParts([&index](const FilePartWriter& emit) { index.encodeInParts(emit); }, name);
}

void IndexFiles::saveJournal(const ReviewJournal& journal) {
    save(std::string(journalName), journal.encoded());
}

// Keeps the unreadable file at once: its content is copied, or, when the content cannot
// be had, the file is moved aside. When that fails it is retried before the first save of
// that name, which does not happen until the file is kept.
void IndexFiles::keepUnreadable(const std::string& name, std::optional<Data> data) {
    {
        std::lock_guard guard(lock_);
        unkept_[name] = std::move(data);
    }
    try {
        keepPendingUnreadable(name);
    } catch (const std::exception& error) {
        log().error("keeping unreadable " + name + " failed: " + error.what());
    }
}

void IndexFiles::save(const std::string& name, const Data& data) {
    keepPendingUnreadable(name);
    storage_->write(data, name);
}

void IndexFiles::keepPendingUnreadable(const std::string& name) {
    decltype(unkept_)::node_type unkept;
    {
        std::lock_guard guard(lock_);
        unkept = unkept_.extract(name);
    }
    if (unkept.empty()) return;
    const std::string copy = name + std::string(unreadableSuffix);
    try {
        if (const auto& content = unkept.mapped())
            storage_->write(*content, copy);
        else
            storage_->move(name, copy);
    } catch (...) {
        std::lock_guard guard(lock_);
        unkept_.insert(std::move(unkept));
        throw;
    }
    log().notice("kept unreadable " + name + " as " + copy);
}

} // namespace keepsift
