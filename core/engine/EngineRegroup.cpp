#include <algorithm>
#include <set>
#include <string>

#include "core/engine/ScanEngine.hpp"
#include "core/grouping/GroupBuilder.hpp"
#include "core/grouping/KeeperSelector.hpp"
#include "core/review/ReviewList.hpp"

namespace keepsift {

namespace {

// Creation dates of the photographs not finished yet, ascending. One whose drive is away is
// not measured until it is back, and holds no group back meanwhile.
std::vector<Date> pendingDates(const LibraryIndex& index, const std::set<std::string>& away) {
    std::vector<Date> dates;
    for (const auto& [id, entry] : index.entries) {
        if (entry.state == ReviewState::deleted || entry.state == ReviewState::skipped) continue;
        if (entry.signals && !entry.needsOriginal) continue;
        if (away.contains(id)) continue;
        if (entry.asset.createdAt)
            dates.push_back(*entry.asset.createdAt);
        else if (entry.signals && entry.signals->capturedAt)
            dates.push_back(*entry.signals->capturedAt);
    }
    std::sort(dates.begin(), dates.end());
    return dates;
}

// The signals of every entry neither deleted nor skipped, by address: the pass changes
// states, reasons and groups of entries, never their signals, so the addresses hold.
std::vector<const PhotoSignals*> groupableSignals(const LibraryIndex& index) {
    std::vector<const PhotoSignals*> signals;
    signals.reserve(index.entries.size());
    for (const auto& [id, entry] : index.entries)
        if (entry.signals && entry.state != ReviewState::deleted &&
            entry.state != ReviewState::skipped)
            signals.push_back(&*entry.signals);
    return signals;
}

bool madeFromRendition(const GroupDraft& group) {
    return std::any_of(group.photos.begin(), group.photos.end(),
                       [](const PhotoSignals* p) { return p->madeFromRendition(); });
}

// An unfinished photograph within one session gap of the group may still belong to it.
bool nearUnfinished(const GroupDraft& group, const std::vector<Date>& pending, double gap) {
    std::optional<Date> earliest, latest;
    for (const auto* photo : group.photos) {
        if (!photo->capturedAt) continue;
        if (!earliest || *photo->capturedAt < *earliest) earliest = photo->capturedAt;
        if (!latest || *photo->capturedAt > *latest) latest = photo->capturedAt;
    }
    if (!earliest || pending.empty()) return false;
    const auto first = std::lower_bound(pending.begin(), pending.end(), earliest->adding(-gap));
    return first != pending.end() && *first <= latest->adding(gap);
}

bool holdsUndecided(const GroupDraft& group, const LibraryIndex& index) {
    return std::any_of(group.photos.begin(), group.photos.end(), [&](const PhotoSignals* p) {
        const auto found = index.entries.find(p->digest);
        return found != index.entries.end() && found->second.state == ReviewState::pending;
    });
}

struct Sorted {
    std::vector<const GroupDraft*> decided;
    std::vector<std::string> needingOriginals;
    // Closed groups decided for the photographs that joined them since.
    std::set<std::string> joined;
};

// A group the user kept whole, or from which a batch was deleted, is not decided again:
// its photographs keep their states and need no originals. A photograph that joins it
// since (a copy of one of them) is decided as any other, once nothing holds the group back.
Sorted sortGroups(const std::vector<GroupDraft>& groups, const std::vector<Date>& pending,
                  double gap, const LibraryIndex& index) {
    Sorted sorted;
    sorted.decided.reserve(groups.size());
    for (const auto& group : groups) {
        const bool closed = index.ignoredGroups.count(std::string(group.id)) > 0;
        if (closed && (!holdsUndecided(group, index) || madeFromRendition(group))) {
            continue;
        } else if (closed) {
            if (nearUnfinished(group, pending, gap)) continue;
            sorted.decided.push_back(&group);
            sorted.joined.emplace(group.id);
        } else if (group.photos.size() < 2) {
            sorted.decided.push_back(&group);
        } else if (madeFromRendition(group)) {
            for (const auto* photo : group.photos)
                sorted.needingOriginals.push_back(photo->digest);
        } else if (!nearUnfinished(group, pending, gap)) {
            sorted.decided.push_back(&group);
        }
    }
    return sorted;
}

} // namespace

std::vector<GroupDecision> ScanEngine::regroup() {
    Lock lock(mutex_);
    auto decisions = regroupPassLocked();
    markDirtyLocked(lock);
    return decisions;
}

std::vector<GroupDecision> ScanEngine::regroupPassLocked() {
    const auto groups = GroupBuilder::draft(groupableSignals(index_), grouping_);
    const auto sorted =
        sortGroups(groups, pendingDates(index_, away_), grouping_.sessionGap, index_);
    for (const auto& id : sorted.needingOriginals)
        changeEntryLocked(id, [&] { index_.markNeedsOriginal({id}); });
    auto decisions = KeeperSelector::decideAll(sorted.decided, scoring_);
    applyDecisionsLocked(decisions, clock_->now(), sorted.joined);
    reviewableGroups_ = work_.reviewList(index_.ignoredGroups).reviewableGroupCount();
    return decisions;
}

// Applies the decisions with one look-up per photograph. The work tracker hears of each entry
// whose group, state or reason changes, so a pass that changes little keeps the groups it
// built; past a quarter of the library, building it afresh costs less. In a closed group
// only the photographs that joined it are decided; one of them flagged brings the group back
// up for review, where it is counted and "delete all" reaches it.
void ScanEngine::applyDecisionsLocked(const std::vector<GroupDecision>& decisions, Date now,
                                      const std::set<std::string>& joined) {
    const std::size_t rebuildBeyond = index_.entries.size() / 4;
    std::size_t changed = 0;
    std::set<std::string> reopened;
    for (const auto& decision : decisions)
        for (const auto& photo : decision.decisions) {
            auto found = index_.entries.find(photo.digest);
            if (found == index_.entries.end()) continue;
            IndexEntry& entry = found->second;
            const bool closed = joined.count(decision.groupID) > 0;
            if (closed && entry.state != ReviewState::pending) continue;
            // The user's link made before the photograph was decided is the user's flag.
            const bool linkedByUser =
                linkedByUserLocked(found->first, entry) && !away_.contains(found->first);
            if (!linkedByUser) journalDecisionLocked(photo, entry, now);
            const bool regroups =
                linkedByUser || LibraryIndex::decisionRegroups(entry, decision.groupID, photo);
            const bool followed = regroups && changed++ < rebuildBeyond;
            if (followed) work_.forget(entry);
            index_.applyPhotoDecision(entry, decision.groupID, photo, now);
            if (linkedByUser) {
                index_.setState(ReviewState::flaggedByHand, found->first, now);
                journal_.record(ReviewJournal::Event::overriddenToFlag, entry, now);
            }
            if (followed) work_.note(entry);
            if (closed && isFlagged(entry.state)) reopened.insert(decision.groupID);
            // A photograph new at its path may find a link left there by the one removed.
            if ((isFlagged(entry.state) != entry.asset.isRejected ||
                 leftovers_.contains(found->first)) &&
                !away_.contains(found->first))
                albumNeedsSync_ = true;
        }
    if (changed > rebuildBeyond) work_.rebuild(index_);
    for (const auto& id : reopened)
        index_.ignoredGroups.erase(id);
}

// Journals the change of flag a decision brings; decisions by hand are never touched.
void ScanEngine::journalDecisionLocked(const PhotoDecision& photo, const IndexEntry& entry,
                                       Date now) {
    std::optional<ReviewJournal::Event> event;
    switch (entry.state) {
    case ReviewState::keptByHand:
    case ReviewState::flaggedByHand:
    case ReviewState::deleted:
        break;
    case ReviewState::flagged:
        if (photo.isKeeper) event = ReviewJournal::Event::kept;
        break;
    case ReviewState::pending:
        event = photo.isKeeper ? ReviewJournal::Event::kept : ReviewJournal::Event::flagged;
        break;
    case ReviewState::keeper:
    case ReviewState::skipped:
        if (!photo.isKeeper) event = ReviewJournal::Event::flagged;
        break;
    }
    if (!event) return;
    journal_.record(*event, entry, now);
    if (photo.isKeeper == (entry.state == ReviewState::flagged)) albumNeedsSync_ = true;
}

} // namespace keepsift
