#include <gtest/gtest.h>

#include "Keepsift/shell/Announcements.hpp"
#include "Keepsift/shell/StartupTrayItem.hpp"
#include "Keepsift/shell/WindowMaker.hpp"

namespace keepsift::app {
namespace {

struct AnnouncedViews : NoWindowMaker {
    void announce(const QString& message) override { told << message; }
    QStringList told;
};

// An update found in the background must reach the item the user can see.
TEST(Announcements, GoToTheViewsItemOnceItHasReplacedTheStartupItem) {
    StartupTrayItem startup([] {}, [] {});
    AnnouncedViews views;
    startup.setShown(false);
    announceBesideShownItem(startup, views, QStringLiteral("Keepsift 2.0 is available."));
    EXPECT_EQ(views.told, QStringList{QStringLiteral("Keepsift 2.0 is available.")});
    // While the start-up item is the one shown, it speaks.
    startup.setShown(true);
    announceBesideShownItem(startup, views, QStringLiteral("again"));
    EXPECT_EQ(views.told.size(), 1);
}

} // namespace
} // namespace keepsift::app
