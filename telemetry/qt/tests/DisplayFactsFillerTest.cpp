#include <QApplication>
#include <QPalette>
#include <gtest/gtest.h>

#include "telemetry/client/DefaultSignalPayload.hpp"
#include "telemetry/qt/DisplayFactsFiller.hpp"

namespace keepsift::analytics {
namespace {

struct DisplayFactsFillerTest : ::testing::Test {
    std::shared_ptr<DisplayFactsProvider> provider = std::make_shared<DisplayFactsProvider>();
    PayloadSources sources;
    const QPalette palette = QGuiApplication::palette();

    DisplayFactsFillerTest() { sources.display = provider; }
    ~DisplayFactsFillerTest() override {
        QGuiApplication::setLayoutDirection(Qt::LeftToRight);
        QGuiApplication::setPalette(palette);
    }
    std::string parameter(const std::string& key) {
        return defaultSignalParameters(sources, {}, Date::fromUnix(1.7e9)).at(key);
    }
};

// The offscreen platform has one 800 by 800 screen at scale 1 and a light palette.
TEST_F(DisplayFactsFillerTest, AtStartTheFactsAreQts) {
    DisplayFactsFiller filler(provider, nullptr);
    EXPECT_EQ(parameter("Analytics.Device.screenResolutionWidth"), "800.0");
    EXPECT_EQ(parameter("Analytics.Device.screenResolutionHeight"), "800.0");
    EXPECT_EQ(parameter("Analytics.Device.screenScaleFactor"), "1.0");
    EXPECT_EQ(parameter("Analytics.UserPreference.colorScheme"), "Light");
    EXPECT_EQ(parameter("Analytics.UserPreference.layoutDirection"), "leftToRight");
}

TEST_F(DisplayFactsFillerTest, DirectionAndSchemeFollowTheirChanges) {
    DisplayFactsFiller filler(provider, nullptr);
    QGuiApplication::setLayoutDirection(Qt::RightToLeft);
    EXPECT_EQ(parameter("Analytics.UserPreference.layoutDirection"), "rightToLeft");
    QPalette dark = palette;
    dark.setColor(QPalette::Window, QColor(30, 30, 30));
    dark.setColor(QPalette::WindowText, QColor(230, 230, 230));
    QGuiApplication::setPalette(dark);
    EXPECT_EQ(parameter("Analytics.UserPreference.colorScheme"), "Dark");
    QGuiApplication::setPalette(palette);
    EXPECT_EQ(parameter("Analytics.UserPreference.colorScheme"), "Light");
}

TEST_F(DisplayFactsFillerTest, TheDesktopsAccessibilityStaysThroughQtsChanges) {
    DisplayFactsFiller filler(provider, nullptr);
    filler.setAccessibility(DisplayFacts::Accessibility{true, true, false});
    QGuiApplication::setLayoutDirection(Qt::RightToLeft);
    EXPECT_EQ(parameter("Analytics.Accessibility.isReduceMotionEnabled"), "true");
    EXPECT_EQ(parameter("Analytics.Accessibility.isInvertColorsEnabled"), "true");
    filler.setAccessibility(DisplayFacts::Accessibility{false, false, true});
    EXPECT_EQ(parameter("Analytics.Accessibility.isReduceMotionEnabled"), "false");
    EXPECT_EQ(parameter("Analytics.Accessibility.isInvertColorsEnabled"), "false");
    filler.setAccessibility(std::nullopt);
    EXPECT_EQ(provider->current().accessibility, std::nullopt);
}

TEST_F(DisplayFactsFillerTest, AFillerGoneLeavesTheLastFacts) {
    { DisplayFactsFiller filler(provider, nullptr); }
    QGuiApplication::setLayoutDirection(Qt::RightToLeft);
    EXPECT_EQ(parameter("Analytics.UserPreference.layoutDirection"), "leftToRight");
}

} // namespace
} // namespace keepsift::analytics
