#include <gtest/gtest.h>

#include "core/engine/ScanQueue.hpp"

namespace keepsift {
namespace {

using Origin = ScanQueue::Origin;

ScanQueue::Item item(std::string id, Origin origin = Origin::backlog,
                     std::optional<double> captured = 100.0) {
    ScanQueue::Item i;
    i.id = std::move(id);
    i.enqueuedAt = Date{0};
    i.origin = origin;
    if (captured) i.capturedAt = Date{*captured};
    return i;
}

std::vector<std::string> ids(const ScanQueue& queue) {
    std::vector<std::string> out;
    for (const auto& i : queue.items)
        out.push_back(i.id);
    return out;
}

WorkConditions running() {
    WorkConditions c;
    c.power = WorkConditions::Power::mains;
    return c;
}

TEST(ScanQueue, SameIdentifierIsQueuedOnce) {
    ScanQueue queue;
    EXPECT_EQ(queue.enqueue(item("a")), ScanQueue::EnqueueOutcome(ScanQueue::Queued{}));
    auto before = queue;
    EXPECT_EQ(queue.enqueue(item("a", Origin::arrival, 5)),
              ScanQueue::EnqueueOutcome(ScanQueue::AlreadyQueued{}));
    EXPECT_EQ(queue, before);
}

TEST(ScanQueue, FullQueueDropsTheOldestCapturedBacklogEvenTheNewOne) {
    ScanQueue queue;
    for (int i = 0; i < 200; ++i)
        queue.enqueue(item(std::string("p").append(std::to_string(i)), Origin::backlog, 100 + i));
    auto kept = ids(queue);
    EXPECT_EQ(queue.enqueue(item("early", Origin::backlog, 1)),
              ScanQueue::EnqueueOutcome(ScanQueue::QueuedDroppingOldest{"early"}));
    EXPECT_EQ(ids(queue), kept);
    EXPECT_EQ(queue.droppedCount, 1);
}

TEST(ScanQueue, UndatedBacklogGoesFirstThenSmallerIdentifierOnEqualDates) {
    ScanQueue queue(3);
    queue.enqueue(item("b", Origin::backlog, 5));
    queue.enqueue(item("a", Origin::backlog, 5));
    queue.enqueue(item("u", Origin::backlog, std::nullopt));
    EXPECT_EQ(queue.enqueue(item("c", Origin::arrival, 1)),
              ScanQueue::EnqueueOutcome(ScanQueue::QueuedDroppingOldest{"u"}));
    EXPECT_EQ(queue.enqueue(item("d", Origin::arrival, 1)),
              ScanQueue::EnqueueOutcome(ScanQueue::QueuedDroppingOldest{"a"}));
    EXPECT_EQ(ids(queue), (std::vector<std::string>{"b", "c", "d"}));
}

TEST(ScanQueue, ArrivalsOnlyDropTheLongestWaiting) {
    ScanQueue queue(2);
    queue.enqueue(item("a", Origin::arrival));
    queue.enqueue(item("b", Origin::arrival));
    EXPECT_EQ(queue.enqueue(item("c", Origin::arrival)),
              ScanQueue::EnqueueOutcome(ScanQueue::QueuedDroppingOldest{"a"}));
    queue.removeAll();
    EXPECT_TRUE(queue.items.empty());
    EXPECT_EQ(queue.droppedCount, 1);
}

TEST(ScanQueue, NextHonoursTheWorkConditions) {
    ScanQueue queue;
    queue.enqueue(item("a"));
    auto paused = running();
    paused.isPaused = true;
    auto battery = running();
    battery.power = WorkConditions::Power::battery;
    auto lowPower = running();
    lowPower.isLowPowerMode = true;
    auto hot = running();
    hot.isTooHot = true;
    for (const auto& c : {paused, battery, lowPower, hot}) {
        EXPECT_FALSE(queue.next(c).has_value());
        EXPECT_EQ(queue.items.size(), 1u);
    }
    auto batteryAllowed = battery;
    batteryAllowed.mainsOnly = false;
    EXPECT_TRUE(queue.next(batteryAllowed).has_value());
    queue.enqueue(item("b"));
    auto unknownPower = running();
    unknownPower.power = WorkConditions::Power::unknown;
    EXPECT_TRUE(queue.next(unknownPower).has_value());
    EXPECT_FALSE(queue.next(running()).has_value());
}

TEST(ScanQueue, ArrivalsComeBeforeBacklogInQueueOrder) {
    ScanQueue queue;
    queue.enqueue(item("b1"));
    queue.enqueue(item("b2"));
    queue.enqueue(item("a1", Origin::arrival));
    queue.enqueue(item("a2", Origin::arrival));
    EXPECT_EQ(queue.arrivalCount(), 2);
    EXPECT_EQ(queue.next(running())->id, "a1");
    EXPECT_EQ(queue.next(running())->id, "a2");
    EXPECT_EQ(queue.next(running())->id, "b1");
}

TEST(ScanQueue, RemoveKeepsTheOthersInOrder) {
    ScanQueue queue;
    for (auto id : {"a", "b", "c", "d"})
        queue.enqueue(item(id));
    queue.remove("b");
    queue.remove("missing");
    EXPECT_EQ(ids(queue), (std::vector<std::string>{"a", "c", "d"}));
}

} // namespace
} // namespace keepsift
