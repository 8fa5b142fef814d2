#include <QTabWidget>
#include <QWidget>
#include <gtest/gtest.h>

#include "telemetry/presets/PresetSignals.hpp"
#include "telemetry/qt/TrackNavigationModifier.hpp"

namespace keepsift::analytics {
namespace {

struct TrackNavigationTest : ::testing::Test {
    std::vector<std::string> reported;
    TrackNavigationModifier::Report recorder() {
        return [this](const std::string& path) { reported.push_back(path); };
    }
};

TEST_F(TrackNavigationTest, EachAppearanceReportsThePath) {
    QWidget screen;
    new TrackNavigationModifier(&screen, "Review", recorder());
    EXPECT_TRUE(reported.empty());
    screen.show();
    screen.hide();
    screen.show();
    EXPECT_EQ(reported, (std::vector<std::string>{"Review", "Review"}));
}

TEST_F(TrackNavigationTest, APathChangeReportsOnlyWhileOnScreen) {
    QWidget screen;
    auto* tracker = new TrackNavigationModifier(&screen, "Settings/General", recorder());
    tracker->setPath("Settings/Library");
    EXPECT_TRUE(reported.empty());
    screen.show();
    tracker->setPath("Settings/Library");
    tracker->setPath("Settings/Privacy");
    EXPECT_EQ(reported, (std::vector<std::string>{"Settings/Library", "Settings/Privacy"}));
}

TEST_F(TrackNavigationTest, PagesOfATabReportWhenTheyAreShown) {
    QTabWidget tabs;
    auto* first = new QWidget;
    auto* second = new QWidget;
    new TrackNavigationModifier(first, "First", recorder());
    new TrackNavigationModifier(second, "Second", recorder());
    tabs.addTab(first, "1");
    tabs.addTab(second, "2");
    tabs.show();
    tabs.setCurrentIndex(1);
    tabs.setCurrentIndex(0);
    EXPECT_EQ(reported, (std::vector<std::string>{"First", "Second", "First"}));
}

// Without a client installed the signal itself is dropped, but the process still remembers
// where it went, as the next navigation's source.
TEST_F(TrackNavigationTest, ByDefaultTheNavigationPresetReports) {
    QWidget screen;
    trackNavigation(&screen, "Onboarding");
    screen.show();
    EXPECT_EQ(PresetSignals::previousNavigationPath(), "Onboarding");
}

} // namespace
} // namespace keepsift::analytics
