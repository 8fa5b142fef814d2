#include <stdexcept>

#include "telemetry/client/Hashing.hpp"
#include "telemetry/client/tests/InstalledClient.hpp"
#include "telemetry/presets/PresetSignals.hpp"

namespace keepsift::analytics {
namespace {

using Signal = std::pair<std::string, ParameterMap>;
using P = PresetSignals;

struct PresetSignalsTest : testing::InstalledClient {};

TEST_F(PresetSignalsTest, EachPresetNamesItsSignalAndParameters) {
    P::userAcquired("ads");
    EXPECT_EQ(only(), (Signal{"Analytics.Acquisition.userAcquired",
                              {{"Analytics.Acquisition.channel", "ads"}}}));
    P::leadStarted("L1");
    EXPECT_EQ(only(), (Signal{"Analytics.Acquisition.leadStarted",
                              {{"Analytics.Acquisition.leadID", "L1"}}}));
    P::leadConverted("L1");
    EXPECT_EQ(only().first, "Analytics.Acquisition.leadConverted");
    P::onboardingCompleted();
    EXPECT_EQ(only(), (Signal{"Analytics.Activation.onboardingCompleted", {}}));
    P::coreFeatureUsed("scan");
    EXPECT_EQ(only(), (Signal{"Analytics.Activation.coreFeatureUsed",
                              {{"Analytics.Activation.featureName", "scan"}}}));
    P::paywallShown("limit", {{"extra", "1"}}, "user-7");
    const auto records = cached();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].type, "Analytics.Revenue.paywallShown");
    EXPECT_EQ(records[0].clientUser, sha256Hex("user-7", "salt"));
    EXPECT_EQ(records[0].payload.merged().at("Analytics.Revenue.paywallShowReason"), "limit");
    EXPECT_EQ(records[0].payload.merged().at("extra"), "1");
}

TEST_F(PresetSignalsTest, ReferralsCountInDecimalAndCallerParametersWin) {
    P::referralSent(3);
    EXPECT_EQ(only(),
              (Signal{"Analytics.Referral.sent", {{"Analytics.Referral.receiversCount", "3"}}}));
    P::referralSent(3, "email", {{"Analytics.Referral.receiversCount", "many"}});
    EXPECT_EQ(only(), (Signal{"Analytics.Referral.sent",
                              {{"Analytics.Referral.receiversCount", "many"},
                               {"Analytics.Referral.kind", "email"}}}));
}

TEST_F(PresetSignalsTest, RatingsOutsideZeroToTenAreLoggedOnceAndNotSent) {
    P::userRatingSubmitted(0);
    EXPECT_EQ(only(), (Signal{"Analytics.Referral.userRatingSubmitted",
                              {{"Analytics.Referral.ratingValue", "0"}}}));
    P::userRatingSubmitted(10, "great");
    EXPECT_EQ(only(), (Signal{"Analytics.Referral.userRatingSubmitted",
                              {{"Analytics.Referral.ratingValue", "10"},
                               {"Analytics.Referral.ratingComment", "great"}}}));
    P::userRatingSubmitted(11);
    P::userRatingSubmitted(-1);
    EXPECT_TRUE(cached().empty());
    EXPECT_EQ(logs.messages(LogHandler::LogLevel::error),
              (std::vector<std::string>{"Rating must be between 0 and 10",
                                        "Rating must be between 0 and 10"}));
}

TEST_F(PresetSignalsTest, ErrorsCarryWhatIsGiven) {
    P::errorOccurred("E1");
    EXPECT_EQ(only(), (Signal{"Analytics.Error.occurred", {{"Analytics.Error.id", "E1"}}}));
    P::errorOccurred("E2", ErrorCategory::userInput, "bad", {}, 2.5);
    const auto records = cached();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].floatValue, 2.5);
    EXPECT_EQ(records[0].payload.merged().at("Analytics.Error.category"), "user-input");
    EXPECT_EQ(records[0].payload.merged().at("Analytics.Error.message"), "bad");

    const auto wrapped =
        withIdentifier(std::make_exception_ptr(std::runtime_error("disk full")), "E3");
    P::errorOccurred(wrapped);
    EXPECT_EQ(only(), (Signal{"Analytics.Error.occurred",
                              {{"Analytics.Error.id", "E3"},
                               {"Analytics.Error.category", "thrown-exception"},
                               {"Analytics.Error.message", "disk full"}}}));
    P::errorOccurred(wrapped, ErrorCategory::appState, std::nullopt);
    EXPECT_EQ(only(),
              (Signal{"Analytics.Error.occurred",
                      {{"Analytics.Error.id", "E3"}, {"Analytics.Error.category", "app-state"}}}));
}

TEST_F(PresetSignalsTest, NavigationReportsTheLastDestinationAsItsSource) {
    P::navigationPathChanged("", "start"); // whatever came before in this process
    cached();
    P::navigationPathChangedTo("A");
    EXPECT_EQ(only(), (Signal{"Analytics.Navigation.pathChanged",
                              {{"Analytics.Navigation.schemaVersion", "1"},
                               {"Analytics.Navigation.identifier", "start -> A"},
                               {"Analytics.Navigation.sourcePath", "start"},
                               {"Analytics.Navigation.destinationPath", "A"}}}));
    P::navigationPathChangedTo("B");
    EXPECT_EQ(only().second.at("Analytics.Navigation.identifier"), "A -> B");
    EXPECT_EQ(P::previousNavigationPath(), "B");
}

TEST_F(PresetSignalsTest, ADisabledClientDropsPresetsToo) {
    config->analyticsDisabled.set(true);
    P::onboardingCompleted();
    EXPECT_TRUE(cached().empty());
}

TEST(ErrorCategoryText, OnlyTheExactRawTextsRead) {
    EXPECT_EQ(errorCategoryFromRaw("app-state"), ErrorCategory::appState);
    EXPECT_EQ(errorCategoryFromRaw("thrown-exception"), ErrorCategory::thrownException);
    EXPECT_EQ(errorCategoryFromRaw("user-input"), ErrorCategory::userInput);
    EXPECT_EQ(errorCategoryFromRaw("App-State"), std::nullopt);
}

} // namespace
} // namespace keepsift::analytics
