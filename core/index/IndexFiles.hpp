#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>

#include "core/index/LibraryIndex.hpp"
#include "core/index/ReviewJournal.hpp"
#include "core/storage/FileStorage.hpp"

namespace keepsift {

// The engine's two files. A file that is damaged or cannot be read is kept beside the
// original ("<name>.unreadable", then "<name>.unreadable.2" and on) before anything is saved
// over it, so that the decisions in it can still be recovered by hand; of a damaged file
// every entry that reads is used. While the copy cannot be made, saves go to
// "<name>.saved", which is read in place of the damaged file. A link, a pipe or anything but
// a regular file in a file's place, or a file larger than its kind can be, is never read: it
// is kept aside as a damaged file is.
class IndexFiles {
public:
    static constexpr std::string_view indexName = "library-index.json";
    static constexpr std::string_view journalName = "review-journal.json";
    static constexpr std::string_view besideSuffix = ".saved";
    // Anything larger is not read. An index entry takes some 2 KB; the journal keeps a line per
    // deletion besides its bounded history.
    static constexpr std::size_t largestIndexBytes = largestStoredFileBytes;
    static constexpr std::size_t largestJournalBytes = std::size_t{1} << 30;

    explicit IndexFiles(std::shared_ptr<FileStorage> storage);

    // Nothing when the file is missing or nothing of it can be read.
    std::optional<LibraryIndex> loadIndex();
    std::optional<ReviewJournal> loadJournal();
    // Throw when the storage fails; nothing is overwritten before an unreadable file is kept,
    // and a file that could not be opened when it was loaded is never overwritten: the
    // decisions in it were not read.
    void saveIndex(const LibraryIndex& index);
    void saveJournal(const ReviewJournal& journal);

    // Why the decisions cannot be kept right now: the storage cannot be used, or one of the
    // files is there but cannot be opened. Nothing when they can.
    std::optional<std::string> unavailability() const;

private:
    template <class T, class Salvage>
    std::optional<T> load(const std::string& name, std::size_t limit, Salvage salvage);
    // The file's value, and whether it read cleanly; keeps the file when it did not.
    template <class T, class Salvage>
    std::pair<std::optional<T>, bool> readKeeping(const std::string& name, std::size_t limit,
                                                  Salvage salvage);
    // Nothing for a file whose content cannot be had: it is moved aside instead.
    void keepUnreadable(const std::string& name, std::optional<Data> data);
    void keepPendingUnreadable(const std::string& name);
    void keepAside(const std::string& name, const std::optional<Data>& content);
    void save(const std::string& name, const FileParts& parts);
    void removeBeside(const std::string& name);
    // Whether the file could be opened; notes it as never to be overwritten when not.
    bool noteOpened(const std::string& name);

    std::shared_ptr<FileStorage> storage_;
    // Unreadable files not yet kept: their content, or nothing when they are to be moved.
    std::map<std::string, std::optional<Data>> unkept_;
    // Files whose beside copy may exist.
    std::set<std::string> beside_;
    // Files that were there but could not be opened when last loaded.
    std::set<std::string> unopened_;
    mutable std::mutex lock_;
};

} // namespace keepsift
