#include "core/engine/ScanQueue.hpp"

#include <algorithm>
#include <tuple>

namespace keepsift {

namespace {

bool dropsBefore(const ScanQueue::Item& a, const ScanQueue::Item& b) {
    const Date da = a.capturedAt.value_or(Date::distantPast());
    const Date db = b.capturedAt.value_or(Date::distantPast());
    return std::tie(da, a.id) < std::tie(db, b.id);
}

size_t indexToDrop(const std::vector<ScanQueue::Item>& items) {
    std::optional<size_t> choice;
    for (size_t i = 0; i < items.size(); ++i) {
        if (items[i].origin != ScanQueue::Origin::backlog) continue;
        if (!choice || dropsBefore(items[i], items[*choice])) choice = i;
    }
    return choice.value_or(0);
}

} // namespace

bool conditionsAllowWork(const WorkConditions& c) {
    const bool waitsForMains = c.mainsOnly && c.power == WorkConditions::Power::battery;
    return c.scanningEnabled && !c.isPaused && c.canReadLibrary && !c.isLowPowerMode &&
           !waitsForMains && !c.isTooHot;
}

bool ScanQueue::contains(const std::string& id) const {
    return std::any_of(items.begin(), items.end(), [&](const Item& item) { return item.id == id; });
}

ScanQueue::EnqueueOutcome ScanQueue::enqueue(Item item) {
    if (contains(item.id)) return AlreadyQueued{};
    items.push_back(std::move(item));
    if (static_cast<std::int64_t>(items.size()) <= capacity) return Queued{};
    const size_t drop = indexToDrop(items);
    std::string dropped = std::move(items[drop].id);
    items.erase(items.begin() + static_cast<std::ptrdiff_t>(drop));
    ++droppedCount;
    return QueuedDroppingOldest{std::move(dropped)};
}

std::optional<ScanQueue::Item> ScanQueue::next(const WorkConditions& conditions) {
    if (!conditionsAllowWork(conditions) || items.empty()) return std::nullopt;
    auto chosen = std::find_if(items.begin(), items.end(),
                               [](const Item& item) { return item.origin == Origin::arrival; });
    if (chosen == items.end()) chosen = items.begin();
    Item item = std::move(*chosen);
    items.erase(chosen);
    return item;
}

void ScanQueue::remove(const std::string& id) {
    std::erase_if(items, [&](const Item& item) { return item.id == id; });
}

std::int64_t ScanQueue::arrivalCount() const {
    return std::count_if(items.begin(), items.end(),
                         [](const Item& item) { return item.origin == Origin::arrival; });
}

} // namespace keepsift
