#pragma once

#include <optional>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "core/index/LibraryIndex.hpp"

namespace keepsift {

// Which entries still await signals or their original, kept in the index's newest-first
// order, so that a work step finds its next photograph without walking the whole index.
// The engine tells it about every entry it changes alone and rebuilds it after changes
// that touch many entries at once.
class WorkTracker {
public:
    void rebuild(const LibraryIndex& index);
    // Before an entry changes, its old form is forgotten; afterwards its new form is noted.
    void forget(const IndexEntry& entry);
    void note(const IndexEntry& entry);

    bool hasAwaitingSignals() const { return !awaitingSignals_.empty(); }
    bool hasAwaitingOriginals() const { return !awaitingOriginals_.empty(); }
    std::size_t awaitingOriginalCount() const { return awaitingOriginals_.size(); }
    std::optional<Date> newestDateAwaitingSignals() const;
    // Up to `limit` identifiers awaiting signals, newest first.
    std::vector<std::string> newestAwaitingSignals(std::size_t limit) const;
    std::optional<std::string> nextNeedingOriginal() const;

private:
    // Dated before undated, newest first, then ascending identifier.
    struct Key {
        bool undated;
        double negatedDate;
        std::string id;
        bool operator<(const Key& other) const {
            return std::tie(undated, negatedDate, id) <
                   std::tie(other.undated, other.negatedDate, other.id);
        }
    };
    static Key keyOf(const IndexEntry& entry);

    std::set<Key> awaitingSignals_;
    std::set<Key> awaitingOriginals_;
};

} // namespace keepsift
