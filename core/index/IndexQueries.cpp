#include <algorithm>

#include "core/index/LibraryIndex.hpp"
#include "core/support/Unicode.hpp"

namespace keepsift {
namespace {

template <class Keep> std::vector<IndexEntry> collect(const LibraryIndex& index, Keep keep) {
    std::vector<IndexEntry> out;
    for (const auto& [id, entry] : index.entries)
        if (keep(entry)) out.push_back(entry);
    return out;
}

template <class Keep>
std::vector<IndexEntry> sortedNewestFirst(const LibraryIndex& index, Keep keep) {
    auto out = collect(index, keep);
    std::stable_sort(out.begin(), out.end(), LibraryIndex::newestFirst);
    return out;
}

// Capture order made total: undated signals after dated ones, each part as described.
bool captureOrderTotal(const PhotoSignals& a, const PhotoSignals& b) {
    if (a.capturedAt.has_value() != b.capturedAt.has_value()) return a.capturedAt.has_value();
    return PhotoSignals::captureOrder(a, b);
}

bool awaitingSignals(const IndexEntry& e) {
    return e.needsSignals();
}
bool awaitingOriginal(const IndexEntry& e) {
    return e.awaitsOriginal();
}

} // namespace

std::vector<IndexEntry> LibraryIndex::entriesAwaitingSignals() const {
    return sortedNewestFirst(*this, awaitingSignals);
}

bool LibraryIndex::hasEntriesAwaitingSignals() const {
    return std::any_of(entries.begin(), entries.end(),
                       [](const auto& item) { return item.second.needsSignals(); });
}

bool LibraryIndex::hasEntriesNeedingOriginals() const {
    return std::any_of(entries.begin(), entries.end(),
                       [](const auto& item) { return item.second.awaitsOriginal(); });
}

std::optional<Date> LibraryIndex::newestDateAwaitingSignals() const {
    std::optional<Date> newest;
    for (const auto& [id, entry] : entries)
        if (entry.needsSignals() && entry.asset.createdAt &&
            (!newest || *entry.asset.createdAt > *newest))
            newest = entry.asset.createdAt;
    return newest;
}

std::optional<IndexEntry> LibraryIndex::nextEntryNeedingOriginal() const {
    const IndexEntry* choice = nullptr;
    for (const auto& [id, entry] : entries)
        if (entry.awaitsOriginal() && (choice == nullptr || newestFirst(entry, *choice)))
            choice = &entry;
    if (choice == nullptr) return std::nullopt;
    return *choice;
}

std::vector<PhotoSignals> LibraryIndex::groupableSignals() const {
    std::vector<PhotoSignals> out;
    for (const auto& [id, entry] : entries)
        if (entry.signals && entry.state != ReviewState::deleted &&
            entry.state != ReviewState::skipped)
            out.push_back(*entry.signals);
    std::stable_sort(out.begin(), out.end(), captureOrderTotal);
    return out;
}

std::vector<IndexEntry> LibraryIndex::flaggedEntries() const {
    return collect(*this, [](const IndexEntry& e) { return isFlagged(e.state); });
}

std::vector<IndexEntry> LibraryIndex::entriesNeedingOriginals() const {
    return sortedNewestFirst(*this, awaitingOriginal);
}

std::vector<IndexEntry> LibraryIndex::deletedEntries() const {
    return collect(*this, [](const IndexEntry& e) { return e.state == ReviewState::deleted; });
}

bool LibraryIndex::reviewedByUser(const IndexEntry& entry) const {
    return isSetByHand(entry.state) || (entry.groupID && ignoredGroups.contains(*entry.groupID));
}

std::vector<std::string> LibraryIndex::departedFlagged() const {
    std::vector<std::string> ids;
    for (const auto& [id, e] : entries)
        if (e.state == ReviewState::deleted && e.formerState && isFlagged(*e.formerState))
            ids.push_back(id);
    return ids;
}

} // namespace keepsift
