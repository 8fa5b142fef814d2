#include <gtest/gtest.h>

#include "core/settings/QueueReadiness.hpp"

namespace keepsift {
namespace {

using Power = WorkConditions::Power;

WorkConditions conditions(Power power) {
    WorkConditions c;
    c.power = power;
    return c;
}

TEST(QueueReadiness, FirstMatchingRuleDecides) {
    auto c = conditions(Power::mains);
    c.scanningEnabled = false;
    c.isPaused = true;
    EXPECT_EQ(queueReadiness(c), QueueReadiness::scanningOff);

    c = conditions(Power::mains);
    c.isPaused = true;
    c.isLowPowerMode = true;
    EXPECT_EQ(queueReadiness(c), QueueReadiness::paused);

    c = conditions(Power::battery);
    c.isLowPowerMode = true;
    EXPECT_EQ(queueReadiness(c), QueueReadiness::lowPowerMode);

    c = conditions(Power::battery);
    c.isTooHot = true;
    EXPECT_EQ(queueReadiness(c), QueueReadiness::waitingForMains);

    c = conditions(Power::mains);
    c.canReadLibrary = false;
    EXPECT_EQ(queueReadiness(c), QueueReadiness::noLibraryAccess);
}

TEST(QueueReadiness, UnknownPowerNeverWaitsAndBatteryIsFineWithoutMainsOnly) {
    EXPECT_EQ(queueReadiness(conditions(Power::unknown)), QueueReadiness::run);
    auto c = conditions(Power::battery);
    c.mainsOnly = false;
    EXPECT_EQ(queueReadiness(c), QueueReadiness::run);
    c.isTooHot = true;
    EXPECT_EQ(queueReadiness(c), QueueReadiness::tooHot);
}

} // namespace
} // namespace keepsift
