#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "core/settings/WorkConditions.hpp"
#include "core/support/Date.hpp"
#include "core/support/RawEnum.hpp"

namespace keepsift {

// The bounded, de-duplicating list of photographs waiting to be measured. Kept in memory
// only; the engine refills it from the index.
struct ScanQueue {
    static constexpr std::int64_t defaultCapacity = 200;

    enum class Origin { arrival, backlog };

    struct Item {
        std::string id;
        Date enqueuedAt;
        Origin origin = Origin::arrival;
        std::optional<Date> capturedAt;
        bool operator==(const Item&) const = default;
    };

    struct Queued {
        bool operator==(const Queued&) const = default;
    };
    struct AlreadyQueued {
        bool operator==(const AlreadyQueued&) const = default;
    };
    struct QueuedDroppingOldest {
        std::string dropped;
        bool operator==(const QueuedDroppingOldest&) const = default;
    };
    using EnqueueOutcome = std::variant<Queued, AlreadyQueued, QueuedDroppingOldest>;

    explicit ScanQueue(std::int64_t capacity = defaultCapacity) : capacity(capacity) {}

    // When full, the oldest-captured backlog photograph gives way (possibly the new one);
    // arrivals give way only to arrivals, longest-waiting first.
    EnqueueOutcome enqueue(Item item);
    // Arrivals first; nothing while the conditions forbid work.
    std::optional<Item> next(const WorkConditions& conditions);
    void remove(const std::string& id);
    void removeAll() { items.clear(); }
    std::int64_t arrivalCount() const;
    bool contains(const std::string& id) const;

    std::vector<Item> items;
    std::int64_t capacity;
    std::int64_t droppedCount = 0;

    bool operator==(const ScanQueue&) const = default;
};

// Scanning on, not paused, library readable, not in Low Power Mode, not on battery when
// mains-only is set, not too hot.
bool conditionsAllowWork(const WorkConditions& conditions);

template <> struct RawValues<ScanQueue::Origin> {
    static constexpr std::array<std::string_view, 2> names{"arrival", "backlog"};
};

} // namespace keepsift
