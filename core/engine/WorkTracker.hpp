#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <tuple>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "core/index/LibraryIndex.hpp"
#include "core/review/ReviewList.hpp"

namespace keepsift {

// Which entries still await signals or their original, kept in the index's newest-first
// order; how many are measured and known; and the members of every group, so that
// neither a work step nor a snapshot walks the whole index. It holds the addresses of the
// index's entries, which stay put while the entry map is only changed in place.
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
    // Entries with signals or a skip reason, deleted ones included.
    std::int64_t analysed() const { return analysed_; }
    // Entries not deleted.
    std::int64_t known() const { return known_; }
    std::optional<Date> newestDateAwaitingSignals() const;
    // Up to `limit` identifiers awaiting signals, newest first.
    std::vector<std::string> newestAwaitingSignals(std::size_t limit) const;
    std::optional<std::string> nextNeedingOriginal() const;
    // The review list: the groups of two or more members with a flag or a decision by hand
    // that are not ignored. Each group is built from the index once and again only after
    // it changed, and the list is patched group by group while few groups change.
    const ReviewList& reviewList(const std::set<std::string>& ignoredGroups) const;
    // The same list, shared: a holder may copy it after the engine's lock is released, as
    // a later patch works on a copy of its own while the list is held elsewhere.
    std::shared_ptr<const ReviewList>
    sharedReviewList(const std::set<std::string>& ignoredGroups) const;

private:
    // Beyond this many changed groups the list is made afresh.
    static constexpr std::size_t maximumPatches = 64;

    // Dated before undated, newest first, then ascending identifier in its canonical
    // form (held only when it differs), as the index orders them.
    struct Key {
        bool undated;
        double negatedDate;
        std::string canonical;
        std::string id;
        const std::string& ordered() const { return canonical.empty() ? id : canonical; }
        bool operator<(const Key& other) const {
            return std::tie(undated, negatedDate, ordered(), id) <
                   std::tie(other.undated, other.negatedDate, other.ordered(), other.id);
        }
    };
    static Key keyOf(const IndexEntry& entry);

    std::set<Key> awaitingSignals_;
    std::set<Key> awaitingOriginals_;
    struct Members {
        ReviewList::Bucket entries;
        std::int64_t decisions = 0;
        mutable ReviewGroups::Shared shown; // built when a list first shows it
    };
    using Group = std::pair<const std::string, Members>;
    static bool isDecided(const Members& members);
    const ReviewGroups::Shared& shownGroup(const Group& group) const;
    void patchList(const std::set<std::string>& ignored) const;
    ReviewList& ownList() const;
    void follow(Group& group, const std::function<void(Members&)>& change);

    std::unordered_map<std::string, Members> groups_;
    std::unordered_set<const Group*> decided_; // the groups a review list shows
    mutable std::shared_ptr<ReviewList> list_;
    mutable std::set<std::string> listIgnored_;
    mutable std::set<std::string> changed_; // groups changed since the list was made
    std::int64_t analysed_ = 0;
    std::int64_t known_ = 0;
};

} // namespace keepsift
