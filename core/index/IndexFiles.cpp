#include "core/index/IndexFiles.hpp"

#include <cstring>
#include <stdexcept>

#include "core/storage/KeptCopies.hpp"
#include "core/support/Logger.hpp"

namespace keepsift {
namespace {

const Logger& log() {
    static const Logger logger("com.ambervale.keepsift", "index");
    return logger;
}

std::string besideName(const std::string& name) {
    return name + std::string(IndexFiles::besideSuffix);
}

} // namespace

IndexFiles::IndexFiles(std::shared_ptr<FileStorage> storage) : storage_(std::move(storage)) {}

template <class T, class Salvage>
std::pair<std::optional<T>, bool> IndexFiles::readKeeping(const std::string& name,
                                                          std::size_t limit, Salvage salvage) {
    if (!noteOpened(name)) return {std::nullopt, false};
    auto [data, problem] = storage_->readAtMost(name, limit);
    if (!data) {
        if (!problem.empty() || storage_->exists(name)) {
            log().error(name + " exists but cannot be read" + (problem.empty() ? "" : ": ") +
                        problem);
            keepUnreadable(name, std::nullopt);
        }
        return {std::nullopt, false};
    }
    try {
        auto read = salvage(*data);
        if (!read.damage) return {std::move(read.value), true};
        log().error(name + " is damaged, what reads of it is used: " + *read.damage);
        keepUnreadable(name, std::move(*data));
        return {std::move(read.value), false};
    } catch (const JsonError& error) {
        log().error(name + " cannot be read: " + error.what());
        keepUnreadable(name, std::move(*data));
        return {std::nullopt, false};
    }
}

// A save made beside a damaged file is newer than it; beside a file that reads cleanly it
// is a leftover of a save that went on to replace the file.
template <class T, class Salvage>
std::optional<T> IndexFiles::load(const std::string& name, std::size_t limit, Salvage salvage) {
    auto [value, clean] = readKeeping<T>(name, limit, salvage);
    const std::string beside = besideName(name);
    if (!storage_->exists(beside)) return std::move(value);
    {
        std::lock_guard guard(lock_);
        beside_.insert(name);
    }
    if (clean) return std::move(value);
    const auto [saved, problem] = storage_->readAtMost(beside, limit);
    if (!problem.empty()) log().error(beside + " cannot be read: " + problem);
    if (saved) {
        try {
            auto read = salvage(*saved);
            log().notice("reading " + beside + ", saved while " + name + " could not be kept");
            return std::move(read.value);
        } catch (const JsonError& error) {
            log().error(beside + " cannot be read: " + error.what());
        }
    }
    return std::move(value);
}

std::optional<LibraryIndex> IndexFiles::loadIndex() {
    return load<LibraryIndex>(std::string(indexName), largestIndexBytes, LibraryIndex::salvage);
}

std::optional<ReviewJournal> IndexFiles::loadJournal() {
    return load<ReviewJournal>(std::string(journalName), largestJournalBytes,
                               ReviewJournal::salvage);
}

// Streamed to the storage: the index's text is larger than the index itself.
void IndexFiles::saveIndex(const LibraryIndex& index) {
    save(std::string(indexName),
         [&index](const FilePartWriter& emit) { index.encodeInParts(emit); });
}

void IndexFiles::saveJournal(const ReviewJournal& journal) {
    const std::string text = journal.encoded();
    save(std::string(journalName), [&text](const FilePartWriter& emit) { emit(text); });
}

// An unopened file is left as it is for whoever can open it: it is neither damaged nor
// moved, and nothing is saved over it until it is loaded.
bool IndexFiles::noteOpened(const std::string& name) {
    const int error = storage_->openError(name);
    std::lock_guard guard(lock_);
    if (error == 0) {
        unopened_.erase(name);
        return true;
    }
    if (unopened_.insert(name).second)
        log().error(name + " is there but cannot be opened (" + std::strerror(error) +
                    "); it is left as it is and nothing is saved over it");
    return false;
}

std::optional<std::string> IndexFiles::unavailability() const {
    if (auto reason = storage_->unavailability()) return reason;
    for (const std::string_view name : {indexName, journalName})
        if (const int error = storage_->openError(std::string(name)))
            return std::string(name) + " cannot be opened: " + std::strerror(error);
    return std::nullopt;
}

// An unreadable file is never replaced before it is kept. While it cannot be kept (a full
// disk, say) the save goes beside it, so that neither it nor the new state is lost.
void IndexFiles::save(const std::string& name, const FileParts& parts) {
    {
        std::lock_guard guard(lock_);
        if (unopened_.contains(name))
            throw std::runtime_error(name + " could not be opened when it was loaded and is "
                                            "not saved over");
    }
    try {
        keepPendingUnreadable(name);
    } catch (const std::exception& error) {
        const std::string beside = besideName(name);
        log().error("keeping unreadable " + name + " failed (" + error.what() + "), saving " +
                    beside);
        {
            std::lock_guard guard(lock_);
            beside_.insert(name);
        }
        storage_->writeParts(parts, beside);
        return;
    }
    storage_->writeParts(parts, name);
    removeBeside(name);
}

void IndexFiles::removeBeside(const std::string& name) {
    {
        std::lock_guard guard(lock_);
        if (beside_.erase(name) == 0) return;
    }
    try {
        storage_->remove(besideName(name));
    } catch (const std::exception& error) {
        // Harmless: a file that reads cleanly is preferred to it.
        log().error("removing " + besideName(name) + " failed: " + error.what());
    }
}

// Keeps the unreadable file at once: its content is copied, or, when the content cannot
// be had, the file is moved aside. When that fails it is retried before each save of that
// name, which goes beside the file until the file is kept.
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

void IndexFiles::keepPendingUnreadable(const std::string& name) {
    decltype(unkept_)::node_type unkept;
    {
        std::lock_guard guard(lock_);
        unkept = unkept_.extract(name);
    }
    if (unkept.empty()) return;
    try {
        keepAside(name, unkept.mapped());
    } catch (...) {
        std::lock_guard guard(lock_);
        unkept_.insert(std::move(unkept));
        throw;
    }
}

void IndexFiles::keepAside(const std::string& name, const std::optional<Data>& content) {
    if (const auto copy = keptcopies::keep(*storage_, name, content))
        log().notice("kept unreadable " + name + " as " + *copy);
}

} // namespace keepsift
