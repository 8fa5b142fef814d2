#include <gtest/gtest.h>

#include "core/settings/Settings.hpp"

namespace keepsift {
namespace {

Settings decode(const std::string& text) {
    return Settings::fromJson(Json::parse(text));
}

TEST(Settings, EmptyObjectDecodesToTheDefaultsInEnglish) {
    EXPECT_EQ(decode("{}"), Settings{});
    EXPECT_EQ(decode("{}").language, "en");
}

TEST(Settings, EachKeyFallsBackToItsDefaultOnItsOwn) {
    const Settings s = decode(R"({"scanningEnabled":null,"isPaused":"yes","mainsOnly":false,)"
                              R"("reviewNudge":30,"scanScope":"everything","showsMenuBarIcon":0,)"
                              R"("launchAtLogin":true,"automaticUpdates":[],"telemetryEnabled":{},)"
                              R"("language":7,"unknown":1})");
    Settings expected;
    expected.mainsOnly = false;
    expected.launchAtLogin = true;
    EXPECT_EQ(s, expected);
}

TEST(Settings, NudgeReadsOnlyTableValuesAndScopeOnlyItsTexts) {
    EXPECT_EQ(decode(R"({"reviewNudge":600})").reviewNudge, ReviewNudge::at600);
    EXPECT_EQ(decode(R"({"reviewNudge":25.5})").reviewNudge, ReviewNudge::at50);
    EXPECT_EQ(decode(R"({"scanScope":"batches"})").scanScope, ScanScope::batches);
    EXPECT_EQ(decode(R"({"language":"fr"})").language, "fr");
}

TEST(Settings, AnythingButAnObjectFails) {
    EXPECT_THROW(decode("[]"), JsonError);
    EXPECT_THROW(decode("true"), JsonError);
}

TEST(Settings, DefaultsWriteNineKeysWithoutScope) {
    EXPECT_EQ(Settings{}.toJson().dump(),
              R"({"scanningEnabled":true,"isPaused":false,"mainsOnly":true,"reviewNudge":50,)"
              R"("showsMenuBarIcon":true,"launchAtLogin":false,"automaticUpdates":true,)"
              R"("telemetryEnabled":true,"language":"en"})");
}

TEST(Settings, RoundTripsEveryField) {
    Settings s{false, true,  false, ReviewNudge::never, ScanScope::wholeLibrary, false, true,
               false, false, "de"};
    EXPECT_EQ(Settings::fromJson(Json::parse(s.toJson().dump())), s);
}

TEST(ReviewNudge, ThresholdsAndNever) {
    EXPECT_TRUE(isReached(ReviewNudge::at25, 25));
    EXPECT_FALSE(isReached(ReviewNudge::at25, 24));
    EXPECT_FALSE(isReached(ReviewNudge::never, 0));
    EXPECT_FALSE(isReached(ReviewNudge::never, 100000));
    EXPECT_EQ(reviewNudgeFromRawValue(30), std::nullopt);
    EXPECT_EQ(allReviewNudges().back(), ReviewNudge::at1000);
}

} // namespace
} // namespace keepsift
