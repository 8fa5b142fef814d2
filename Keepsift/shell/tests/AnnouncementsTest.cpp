#include <gtest/gtest.h>

#include "Keepsift/shell/Announcements.hpp"
#include "Keepsift/shell/StartupTrayItem.hpp"
#include "Keepsift/shell/WindowHooks.hpp"

namespace keepsift::app {
namespace {

// An update found in the background must reach the item the user can see.
TEST(Announcements, GoToTheViewsItemOnceItHasReplacedTheStartupItem) {
    StartupTrayItem startup([] {}, [] {});
    QStringList told;
    windowHooks().announce = [&](const QString& message) { told << message; };
    startup.setShown(false);
    announceBesideShownItem(startup, QStringLiteral("Keepsift 2.0 is available."));
    EXPECT_EQ(told, QStringList{QStringLiteral("Keepsift 2.0 is available.")});
    // While the start-up item is the one shown, it speaks.
    startup.setShown(true);
    announceBesideShownItem(startup, QStringLiteral("again"));
    EXPECT_EQ(told.size(), 1);
    windowHooks().announce = nullptr;
    startup.setShown(false);
    announceBesideShownItem(startup, QStringLiteral("nowhere to go"));
    EXPECT_EQ(told.size(), 1);
}

} // namespace
} // namespace keepsift::app
