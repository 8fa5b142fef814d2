#include <fstream>
#include <gtest/gtest.h>

#include "platform/files/tests/TemporaryFolder.hpp"
#include "system/bundle/BundleInfo.hpp"

namespace keepsift {
namespace {

TEST(BundleInfo, InfoFileSitsBesideTheRunningBinary) {
    const auto file = bundleInfoFile();
    EXPECT_EQ(file.filename(), "Info.json");
    EXPECT_TRUE(std::filesystem::exists(file.parent_path() / "keepsift_bundle_tests"));
}

TEST(BundleInfo, ReadsTheAnalyticsIdentifier) {
    testing::TemporaryFolder folder;
    const auto file = folder.path() / "Info.json";
    std::ofstream(file) << R"({"AnalyticsAppID":" 1234-ABCD \n","Other":1})";
    EXPECT_EQ(loadAppConfig(file).telemetryAppID, "1234-ABCD");
}

TEST(BundleInfo, MissingOrMalformedFileLeavesEveryValueEmpty) {
    testing::TemporaryFolder folder;
    EXPECT_EQ(loadAppConfig(folder.path() / "Info.json"), AppConfig{});
    std::ofstream(folder.path() / "Info.json") << "{\"AnalyticsAppID\":";
    EXPECT_EQ(loadAppConfig(folder.path() / "Info.json"), AppConfig{});
    EXPECT_EQ(loadAppConfig(std::filesystem::path()), AppConfig{});
}

TEST(BundleInfo, ReadsTextValuesAsWrittenAndNothingElse) {
    testing::TemporaryFolder folder;
    const auto file = folder.path() / "Info.json";
    std::ofstream(file) << R"({"SUPublicEDKey":" key ","SUFeedURL":7})";
    EXPECT_EQ(bundleInfoText(file, "SUPublicEDKey"), " key ");
    EXPECT_EQ(bundleInfoText(file, "SUFeedURL"), std::nullopt);
    EXPECT_EQ(bundleInfoText(file, "Absent"), std::nullopt);
    EXPECT_EQ(bundleInfoText(folder.path() / "missing.json", "SUPublicEDKey"), std::nullopt);
}

} // namespace
} // namespace keepsift
