#include "core/index/ReviewJournal.hpp"

#include <algorithm>
#include <cmath>
#include <set>
#include <string_view>

#include "core/index/IndexEntry.hpp"
#include "core/support/Checked.hpp"

namespace keepsift {

ReviewJournal::ReviewJournal(std::int64_t limit, std::vector<Entry> entries, std::int64_t batches)
    : limit_(limit), batches_(batches) {
    for (auto& entry : entries) {
        Placed placed{nextPlace_++, std::move(entry)};
        if (isDeletion(placed.entry.event))
            deletions_.push_back(std::move(placed));
        else
            others_.push_back(std::move(placed));
    }
}

void ReviewJournal::forEachInOrder(const std::function<void(const Entry&)>& visit) const {
    auto other = others_.begin();
    auto deletion = deletions_.begin();
    while (other != others_.end() || deletion != deletions_.end()) {
        const bool takeOther = deletion == deletions_.end() ||
                               (other != others_.end() && other->place < deletion->place);
        visit(takeOther ? (other++)->entry : (deletion++)->entry);
    }
}

std::vector<ReviewJournal::Entry> ReviewJournal::entries() const {
    std::vector<Entry> all;
    all.reserve(count());
    forEachInOrder([&](const Entry& entry) { all.push_back(entry); });
    return all;
}

void ReviewJournal::append(Entry entry) {
    Placed placed{nextPlace_++, std::move(entry)};
    if (isDeletion(placed.entry.event))
        deletions_.push_back(std::move(placed));
    else
        others_.push_back(std::move(placed));
    trim();
}

void ReviewJournal::record(Event event, const IndexEntry& entry, Date at,
                           std::optional<std::int64_t> batch) {
    append(Entry{at, event, entry.asset.id, entry.asset.filename, entry.reason, batch});
}

// Keeps every deletion and the newest `limit` other entries. Each entry is dropped at
// most once, so a trim after every append costs constant time on average.
void ReviewJournal::trim() {
    if (static_cast<std::int64_t>(count()) <= limit_) return;
    const auto budget = static_cast<std::size_t>(std::max<std::int64_t>(limit_, 0));
    while (others_.size() > budget)
        others_.pop_front();
}

// A counter read from a file may already stand at the largest number; it stays there
// rather than overflow.
std::int64_t ReviewJournal::nextBatch() {
    batches_ = saturatingAdd(batches_, 1);
    return batches_;
}

void ReviewJournal::withdrawDeletedElsewhere(
    const std::vector<std::pair<std::string, Date>>& found) {
    if (found.empty()) return;
    const auto second = [](Date date) { return std::floor(date.seconds); };
    std::set<std::pair<std::string_view, double>> taken;
    for (const auto& [id, at] : found)
        taken.emplace(id, second(at));
    std::erase_if(deletions_, [&](const Placed& placed) {
        return placed.entry.event == Event::deletedElsewhere &&
               taken.contains({placed.entry.assetID, second(placed.entry.at)});
    });
}

std::vector<ReviewJournal::Entry> ReviewJournal::deletions() const {
    std::vector<Entry> out;
    out.reserve(deletions_.size());
    for (const auto& placed : deletions_)
        out.push_back(placed.entry);
    return out;
}

std::int64_t ReviewJournal::deletedCount() const {
    return std::count_if(deletions_.begin(), deletions_.end(),
                         [](const Placed& p) { return p.entry.event == Event::deleted; });
}

std::vector<ReviewJournal::Entry> ReviewJournal::recent(std::size_t n) const {
    std::vector<Entry> out;
    const std::size_t total = count();
    const std::size_t skip = total > n ? total - n : 0;
    std::size_t index = 0;
    out.reserve(total - skip);
    forEachInOrder([&](const Entry& entry) {
        if (index++ >= skip) out.push_back(entry);
    });
    return out;
}

bool operator==(const ReviewJournal& a, const ReviewJournal& b) {
    return a.limit_ == b.limit_ && a.batches_ == b.batches_ && a.entries() == b.entries();
}

} // namespace keepsift
