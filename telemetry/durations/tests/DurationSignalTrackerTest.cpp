#include <gtest/gtest.h>

#include "core/model/Clock.hpp"
#include "telemetry/durations/DurationSignalTracker.hpp"

namespace keepsift::analytics {
namespace {

struct DurationSignalTrackerTest : ::testing::Test {
    MutableClock clock{Date{1000}};
    DurationSignalTracker tracker{[this] { return clock.now(); }};

    double finish(const std::string& name) {
        const auto finished = tracker.finish(name);
        return finished ? finished->elapsedSeconds : -1;
    }
};

TEST_F(DurationSignalTrackerTest, UnknownOrFinishedNamesGiveNothing) {
    EXPECT_FALSE(tracker.finish("never"));
    tracker.begin("a", {}, false);
    tracker.discard("a");
    EXPECT_FALSE(tracker.finish("a"));
    tracker.begin("b", {}, false);
    EXPECT_TRUE(tracker.finish("b"));
    EXPECT_FALSE(tracker.finish("b"));
}

TEST_F(DurationSignalTrackerTest, StartingAgainMeasuresFromTheSecondStartWithItsParameters) {
    tracker.begin("a", {{"n", "1"}}, false);
    clock.advance(5);
    tracker.begin("a", {{"n", "2"}}, false);
    clock.advance(3);
    const auto finished = tracker.finish("a");
    ASSERT_TRUE(finished);
    EXPECT_EQ(finished->elapsedSeconds, 3);
    EXPECT_EQ(finished->parameters, (ParameterMap{{"n", "2"}}));
}

TEST_F(DurationSignalTrackerTest, InactiveSpellsAreLeftOutUnlessBackgroundTimeCounts) {
    tracker.begin("fore", {}, false);
    tracker.begin("all", {}, true);
    clock.advance(10);
    tracker.applicationWillResignActive();
    clock.advance(30);
    tracker.applicationDidBecomeActive();
    clock.advance(10);
    EXPECT_EQ(finish("fore"), 20);
    EXPECT_EQ(finish("all"), 50);
}

TEST_F(DurationSignalTrackerTest, OnlyTheLatestResignCountsAndActivationAloneChangesNothing) {
    tracker.begin("a", {}, false);
    tracker.applicationDidBecomeActive();
    clock.advance(10);
    tracker.applicationWillResignActive();
    clock.advance(10);
    tracker.applicationWillResignActive();
    clock.advance(5);
    // Begun while inactive: counts from the activation, never below zero.
    tracker.begin("b", {}, false);
    clock.advance(5);
    tracker.applicationDidBecomeActive();
    clock.advance(2);
    EXPECT_EQ(finish("a"), 22);
    EXPECT_EQ(finish("b"), 2);
}

TEST_F(DurationSignalTrackerTest, FinishedWhileInactiveIncludesTheSpellSoFar) {
    tracker.begin("a", {}, false);
    clock.advance(10);
    tracker.applicationWillResignActive();
    clock.advance(7);
    EXPECT_EQ(finish("a"), 17);
}

} // namespace
} // namespace keepsift::analytics
