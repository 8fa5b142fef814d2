#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "core/index/LibraryIndex.hpp"
#include "core/index/ReviewJournal.hpp"
#include "core/storage/FileStorage.hpp"

namespace keepsift {

// The engine's two files. A file that exists but cannot be read is kept once beside the
// original ("<name>.unreadable") before anything is saved over it, so that the decisions
// in it can still be recovered by hand.
class IndexFiles {
public:
    static constexpr std::string_view indexName = "library-index.json";
    static constexpr std::string_view journalName = "review-journal.json";
    static constexpr std::string_view unreadableSuffix = ".unreadable";

    explicit IndexFiles(std::shared_ptr<FileStorage> storage);

    // Nothing when the file is missing or unreadable.
    std::optional<LibraryIndex> loadIndex();
    std::optional<ReviewJournal> loadJournal();
    // Throw when the storage fails; nothing is overwritten before an unreadable file is kept.
    void saveIndex(const LibraryIndex& index);
    void saveJournal(const ReviewJournal& journal);

private:
    template <class T, class Decode> std::optional<T> load(const std::string& name, Decode decode);
    // Nothing for a file whose content cannot be had: it is moved aside instead.
    void keepUnreadable(const std::string& name, std::optional<Data> data);
    void keepPendingUnreadable(const std::string& name);
    void save(const std::string& name, const Data& data);

    std::shared_ptr<FileStorage> storage_;
    // Unreadable files not yet kept: their content, or nothing when they are to be moved.
    std::map<std::string, std::optional<Data>> unkept_;
    std::mutex lock_;
};

} // namespace keepsift
