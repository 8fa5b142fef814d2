#include "core/index/LibraryIndex.hpp"

#include <algorithm>

namespace keepsift {

void LibraryIndex::recordSignals(std::optional<PhotoSignals> signals,
                                 std::optional<SkipReason> skip, const std::string& id) {
    const auto found = entries.find(id);
    if (found == entries.end() || found->second.state == ReviewState::deleted) return;
    IndexEntry& entry = found->second;
    const bool fromRendition = signals && signals->printLongEdge.has_value();
    entry.signals = std::move(signals);
    entry.measureAgain = false;
    entry.skip = skip;
    // A decision by hand stands on a file Keepsift cannot measure.
    if (skip && !isSetByHand(entry.state)) entry.state = ReviewState::skipped;
    if (skip || !fromRendition) entry.needsOriginal = false;
}

void LibraryIndex::markNeedsOriginal(const std::vector<std::string>& ids) {
    for (const auto& id : ids) {
        const auto found = entries.find(id);
        if (found == entries.end()) continue;
        IndexEntry& entry = found->second;
        if (entry.signals && !entry.signals->printLongEdge) continue;
        entry.needsOriginal = true;
    }
}

void LibraryIndex::applyGroupDecision(const GroupDecision& decision, Date at) {
    for (const auto& photo : decision.decisions) {
        const auto found = entries.find(photo.digest);
        if (found != entries.end()) applyPhotoDecision(found->second, decision.groupID, photo, at);
    }
}

namespace {

ReviewState decidedState(const PhotoDecision& photo) {
    return photo.isKeeper ? ReviewState::keeper : ReviewState::flagged;
}

} // namespace

// The same decision made again, in a later pass, is the review made before.
void LibraryIndex::applyPhotoDecision(IndexEntry& entry, const std::string& groupID,
                                      const PhotoDecision& photo, Date at) const {
    if (entry.state == ReviewState::deleted) return;
    entry.groupID = groupID;
    if (isSetByHand(entry.state)) return;
    if (entry.state != decidedState(photo) || entry.reason != photo.reason) stampReview(entry);
    entry.state = decidedState(photo);
    entry.reason = photo.reason;
    entry.decidedAt = at;
}

bool LibraryIndex::decisionRegroups(const IndexEntry& entry, const std::string& groupID,
                                    const PhotoDecision& photo) {
    if (entry.state == ReviewState::deleted) return false;
    if (entry.groupID != groupID) return true;
    return !isSetByHand(entry.state) &&
           (entry.state != decidedState(photo) || entry.reason != photo.reason);
}

std::vector<std::string> LibraryIndex::ignoreGroup(const std::string& groupID, Date at) {
    ignoredGroups.insert(groupID);
    std::vector<std::string> wereFlagged;
    for (auto& [id, entry] : entries) {
        if (entry.groupID != groupID || entry.state == ReviewState::deleted) continue;
        if (isFlagged(entry.state)) wereFlagged.push_back(id);
        entry.state = ReviewState::keptByHand;
        entry.decidedAt = at;
        stampReview(entry);
    }
    return wereFlagged;
}

void LibraryIndex::resetGroup(const std::string& groupID, Date at) {
    ignoredGroups.erase(groupID);
    for (auto& [id, entry] : entries) {
        if (entry.groupID != groupID || entry.state == ReviewState::deleted ||
            entry.state == ReviewState::skipped)
            continue;
        entry.state = ReviewState::pending;
        entry.reason.reset();
        entry.decidedAt = at;
        stampReview(entry);
    }
}

void LibraryIndex::setState(ReviewState state, const std::string& id, Date at) {
    const auto found = entries.find(id);
    if (found == entries.end()) return;
    IndexEntry& entry = found->second;
    entry.state = state;
    entry.decidedAt = at;
    if (state != ReviewState::deleted) {
        stampReview(entry);
        entry.formerState.reset();
        entry.formerDecidedAt.reset();
        return;
    }
    entry.signals.reset();
    entry.needsOriginal = false;
    entry.asset.isRejected = false;
}

void LibraryIndex::markVanished(const std::string& id, Date at) {
    const auto found = entries.find(id);
    if (found == entries.end() || found->second.state == ReviewState::deleted) return;
    found->second.formerState = found->second.state;
    found->second.formerDecidedAt = found->second.decidedAt;
    setState(ReviewState::deleted, id, at);
}

void LibraryIndex::catchUpListings() {
    for (const auto& [id, entry] : entries)
        listings = std::max({listings, entry.firstListing, entry.reviewListing});
}

void LibraryIndex::addIgnoredGroups(const std::set<std::string>& groupIDs) {
    ignoredGroups.insert(groupIDs.begin(), groupIDs.end());
}

} // namespace keepsift
