#include <gtest/gtest.h>

#include "core/settings/AppConfig.hpp"
#include "core/settings/Keepsift.hpp"

namespace keepsift {
namespace {

std::optional<std::string> appID(std::optional<std::string_view> text) {
    return AppConfig::fromInfoText(text).telemetryAppID;
}

TEST(AppConfig, TrimsWhiteSpaceAndLineBreaks) {
    EXPECT_EQ(appID(R"({"AnalyticsAppID":"  ABC-123\n"})"), "ABC-123");
    EXPECT_EQ(appID("{\"AnalyticsAppID\":\"\\u00a0id\\u2028\"}"), "id");
}

TEST(AppConfig, UnusableValuesAndFilesLoadAsNone) {
    EXPECT_EQ(appID(R"({"AnalyticsAppID":"   "})"), std::nullopt);
    EXPECT_EQ(appID(R"({"AnalyticsAppID":42})"), std::nullopt);
    EXPECT_EQ(appID(R"({"Other":"x"})"), std::nullopt);
    EXPECT_EQ(appID("{not json"), std::nullopt);
    EXPECT_EQ(appID("[\"AnalyticsAppID\"]"), std::nullopt);
    EXPECT_EQ(appID(std::nullopt), std::nullopt);
}

TEST(AppConfig, ReadsTheAnalyticsBaseAddress) {
    const auto config =
        AppConfig::fromInfoText(R"({"AnalyticsAppID":"A","AnalyticsBaseURL":" http:\/\/x\/ "})");
    EXPECT_EQ(config.analyticsBaseURL, "http://x/");
    EXPECT_EQ(AppConfig::fromInfoText(R"({"AnalyticsBaseURL":7})").analyticsBaseURL, std::nullopt);
}

TEST(AppConfig, KeysAndIdentity) {
    EXPECT_EQ(toString(allCases<AppConfig::Key>()[0]), "AnalyticsAppID");
    EXPECT_EQ(Keepsift::identifier, "com.ambervale.keepsift");
    EXPECT_EQ(Keepsift::version, "0.1.2");
    EXPECT_EQ(Keepsift::name, "Keepsift");
}

} // namespace
} // namespace keepsift
