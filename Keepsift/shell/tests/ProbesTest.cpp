#include <gtest/gtest.h>

#include "Keepsift/shell/LowPowerProbe.hpp"
#include "Keepsift/shell/PowerSourceProbe.hpp"
#include "Keepsift/shell/ThermalProbe.hpp"
#include "Keepsift/shell/tests/FakeTree.hpp"

namespace keepsift::app {
namespace {

using Power = WorkConditions::Power;

TEST(PowerSourceProbe, NoSourceIsUnknownAndOnlyADischargingSystemBatteryIsBattery) {
    testing::FakeTree tree;
    EXPECT_EQ(powerSource(tree.root() / "absent"), Power::unknown);
    EXPECT_EQ(powerSource(tree.root()), Power::unknown);

    tree.write("AC/type", "Mains");
    tree.write("AC/online", "0");
    EXPECT_EQ(powerSource(tree.root()), Power::mains);

    tree.write("BAT0/type", "Battery");
    tree.write("BAT0/status", "Full");
    EXPECT_EQ(powerSource(tree.root()), Power::mains);
    tree.write("BAT1/type", "Battery");
    tree.write("BAT1/status", "Discharging");
    EXPECT_EQ(powerSource(tree.root()), Power::battery);
}

TEST(PowerSourceProbe, PeripheralBatteriesAndUnreadableSourcesAreSkipped) {
    testing::FakeTree tree;
    tree.write("hidpp_battery_0/type", "Battery");
    tree.write("hidpp_battery_0/scope", "Device");
    tree.write("hidpp_battery_0/status", "Discharging");
    tree.write("broken/status", "Discharging");
    EXPECT_EQ(powerSource(tree.root()), Power::unknown);
}

TEST(ThermalProbe, TooHotOnlyAboveAnEnabledPassiveTripPoint) {
    testing::FakeTree tree;
    EXPECT_FALSE(isTooHot(tree.root() / "absent"));
    tree.write("thermal_zone0/temp", "70000");
    tree.write("thermal_zone0/trip_point_0_type", "critical");
    tree.write("thermal_zone0/trip_point_0_temp", "60000");
    tree.write("thermal_zone0/trip_point_1_type", "passive");
    tree.write("thermal_zone0/trip_point_1_temp", "70000");
    EXPECT_FALSE(isTooHot(tree.root())); // at the trip point, not above it
    tree.write("thermal_zone1/temp", "50000");
    tree.write("thermal_zone1/trip_point_0_type", "passive");
    tree.write("thermal_zone1/trip_point_0_temp", "0");
    EXPECT_FALSE(isTooHot(tree.root())); // a trip point at zero is switched off
    tree.write("thermal_zone2/temp", "garbage");
    tree.write("thermal_zone2/trip_point_0_type", "passive");
    tree.write("thermal_zone2/trip_point_0_temp", "1000");
    EXPECT_FALSE(isTooHot(tree.root()));
    tree.write("thermal_zone0/temp", "70001");
    EXPECT_TRUE(isTooHot(tree.root()));
}

TEST(LowPowerProbe, DaemonAnswerWinsElseThePlatformProfile) {
    testing::FakeTree tree;
    LowPowerProbe probe(tree.root() / "platform_profile");
    EXPECT_FALSE(probe.isLowPowerMode());
    tree.write("platform_profile", "low-power");
    EXPECT_TRUE(probe.isLowPowerMode());
    probe.setDaemonProfile("balanced");
    EXPECT_FALSE(probe.isLowPowerMode());
    probe.setDaemonProfile("power-saver");
    EXPECT_TRUE(probe.isLowPowerMode());
    tree.write("platform_profile", "balanced");
    probe.setDaemonProfile(std::nullopt);
    EXPECT_FALSE(probe.isLowPowerMode());
}

} // namespace
} // namespace keepsift::app
