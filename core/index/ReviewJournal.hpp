#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/index/Salvaged.hpp"
#include "core/model/DateCoding.hpp"
#include "core/model/Reason.hpp"

namespace keepsift {

struct IndexEntry;

// The bounded record of what happened to photographs. Deletions are never trimmed; of
// the other entries the newest `limit` are kept.
class ReviewJournal {
public:
    static constexpr std::int64_t defaultLimit = 2000;
    // The range a limit read from a file is brought into: below it the next append would
    // drop history the file holds, above it the journal could grow without bound.
    static constexpr std::int64_t smallestStoredLimit = defaultLimit;
    static constexpr std::int64_t largestStoredLimit = 100 * defaultLimit;

    enum class Event {
        flagged,
        kept,
        overriddenToKeep,
        overriddenToFlag,
        deleted,
        deletedElsewhere,
        unflaggedElsewhere
    };

    struct Entry {
        Date at;
        Event event = Event::kept;
        std::string assetID;
        std::string filename;
        std::optional<Reason> reason;
        std::optional<std::int64_t> batch;

        Json toJson(DateForm form) const;
        static Entry fromJson(const Json& json, DateForm form);
        bool operator==(const Entry&) const = default;
    };

    explicit ReviewJournal(std::int64_t limit = defaultLimit, std::vector<Entry> entries = {},
                           std::int64_t batches = 0);

    std::int64_t limit() const { return limit_; }
    std::int64_t batches() const { return batches_; }
    // Oldest first.
    std::vector<Entry> entries() const;

    // Appends and trims; amortised constant time.
    void append(Entry entry);
    void record(Event event, const IndexEntry& entry, Date at,
                std::optional<std::int64_t> batch = std::nullopt);
    void trim();
    std::int64_t nextBatch();

    // Takes back the `deletedElsewhere` entries of photographs that were found again, each
    // named by its identifier and the date it was journaled at (compared in whole seconds).
    // Deletions are never trimmed: a folder moved out and back would otherwise leave one
    // for each of its photographs every time.
    void withdrawDeletedElsewhere(const std::vector<std::pair<std::string, Date>>& found);

    std::vector<Entry> deletions() const;
    std::int64_t deletedCount() const;
    // The last n entries, oldest first.
    std::vector<Entry> recent(std::size_t n) const;
    bool isEmpty() const { return count() == 0; }
    std::size_t count() const { return deletions_.size() + others_.size(); }

    Json toJson(DateForm form) const;
    static ReviewJournal fromJson(const Json& json, DateForm form);
    // The file form: ISO 8601 dates with whole seconds.
    std::string encoded() const;
    // Throws JsonError when anything in the text is amiss.
    static ReviewJournal decode(std::string_view text);
    // Every entry that reads cleanly; an entry that does not is dropped alone, and so are
    // the entries after a break in the syntax. A missing or bad limit takes the default, a
    // missing or bad batch counter the largest batch of the entries. Throws JsonError only
    // when the entries cannot be found at all.
    static Salvaged<ReviewJournal> salvage(std::string_view text);

    friend bool operator==(const ReviewJournal& a, const ReviewJournal& b);

private:
    // Deletions and other entries are kept apart, each with its place in the whole
    // sequence, so that trimming drops from the front of the others only.
    struct Placed {
        std::uint64_t place;
        Entry entry;
    };
    void forEachInOrder(const std::function<void(const Entry&)>& visit) const;

    std::int64_t limit_;
    std::deque<Placed> others_;
    std::vector<Placed> deletions_;
    std::int64_t batches_;
    std::uint64_t nextPlace_ = 0;
};

template <> struct RawValues<ReviewJournal::Event> {
    static constexpr std::array<std::string_view, 7> names{"flagged",           "kept",
                                                           "overriddenToKeep",  "overriddenToFlag",
                                                           "deleted",           "deletedElsewhere",
                                                           "unflaggedElsewhere"};
};

inline bool isDeletion(ReviewJournal::Event event) {
    return event == ReviewJournal::Event::deleted ||
           event == ReviewJournal::Event::deletedElsewhere;
}

} // namespace keepsift
