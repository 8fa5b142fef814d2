#include <gtest/gtest.h>

#include "telemetry/qt/DesktopAccessibility.hpp"

namespace keepsift::analytics {
namespace {

using Accessibility = DisplayFacts::Accessibility;

const QString appearanceNamespace = "org.freedesktop.appearance";
const QString gnome = "org.gnome.desktop.interface";
const QString gnomeAccessibility = "org.gnome.desktop.a11y.interface";

TEST(DesktopAccessibility, NothingStatedIsNothingKnown) {
    EXPECT_EQ(desktopAccessibility({}), std::nullopt);
    EXPECT_EQ(desktopAccessibility({{gnome, {{"clock-format", "24h"}}}}), std::nullopt);
    EXPECT_EQ(desktopAccessibilityNamespaces(),
              (QStringList{appearanceNamespace, gnome, gnomeAccessibility}));
}

TEST(DesktopAccessibility, FreedesktopKeysMeanOnAtOne) {
    EXPECT_EQ(
        desktopAccessibility({{appearanceNamespace, {{"contrast", 1u}, {"reduced-motion", 1u}}}}),
        (Accessibility{true, true, false}));
    EXPECT_EQ(desktopAccessibility({{appearanceNamespace, {{"contrast", 0u}}}}),
              (Accessibility{false, false, false}));
}

TEST(DesktopAccessibility, GnomeKeysWhereTheFreedesktopOnesAreMissing) {
    const DesktopSettings settings{
        {gnome, {{"enable-animations", false}, {"text-scaling-factor", 1.25}}},
        {gnomeAccessibility, {{"high-contrast", true}}}};
    EXPECT_EQ(desktopAccessibility(settings), (Accessibility{true, true, true}));
    DesktopSettings stated = settings;
    stated[appearanceNamespace] = {{"contrast", 0u}, {"reduced-motion", 0u}};
    stated[gnome]["text-scaling-factor"] = 1.0;
    EXPECT_EQ(desktopAccessibility(stated), (Accessibility{false, false, false}));
}

} // namespace
} // namespace keepsift::analytics
