#include <gtest/gtest.h>

#include "Keepsift/model/ScenarioEnvironment.hpp"
#include "Keepsift/model/tests/ModelRig.hpp"

namespace keepsift::app {
namespace {

using Environment = std::map<std::string, std::string>;
using namespace std::chrono_literals;

TEST(ScenarioEnvironment, AnEmptyEnvironmentGivesTheFamilyBurstAsItIs) {
    const auto chosen = ScenarioEnvironment::read({});
    const auto family = *Scenario::named("family-burst");
    EXPECT_EQ(chosen.definition, family);
    EXPECT_EQ(chosen.authorization, family.authorization);
    EXPECT_EQ(chosen.language, family.language);
    EXPECT_FALSE(chosen.firstRunPending);
    EXPECT_EQ(chosen.storage, LibraryStorage::local);
    EXPECT_EQ(chosen.readDelay, 0ms);
}

TEST(ScenarioEnvironment, AnUnknownScenarioGivesTheCataloguesFirst) {
    EXPECT_EQ(ScenarioEnvironment::read({{"KEEPSIFT_SCENARIO", "no-such-thing"}}).definition,
              Scenario::all().front());
    const auto& last = Scenario::all().back();
    EXPECT_EQ(ScenarioEnvironment::read({{"KEEPSIFT_SCENARIO", last.name}}).definition, last);
}

TEST(ScenarioEnvironment, FixedWordsMatchExactly) {
    const auto family = *Scenario::named("family-burst");
    for (const std::string word : {"Denied", "DENIED", " denied", "granted", ""})
        EXPECT_EQ(ScenarioEnvironment::read({{"KEEPSIFT_PERMISSION", word}}).authorization,
                  family.authorization)
            << word;
    EXPECT_EQ(ScenarioEnvironment::read({{"KEEPSIFT_PERMISSION", "restricted"}}).authorization,
              LibraryAuthorization::restricted);
    EXPECT_EQ(ScenarioEnvironment::read({{"KEEPSIFT_STORAGE", "optimised"}}).storage,
              LibraryStorage::optimised);
    EXPECT_EQ(ScenarioEnvironment::read({{"KEEPSIFT_STORAGE", "Optimised"}}).storage,
              LibraryStorage::local);
    EXPECT_EQ(ScenarioEnvironment::read({{"KEEPSIFT_LANGUAGE", "DE"}}).language, "DE");
}

TEST(ScenarioEnvironment, OnlyExactlyOneLeavesTheFirstRunPending) {
    EXPECT_TRUE(ScenarioEnvironment::read({{"KEEPSIFT_FIRST_RUN", "1"}}).firstRunPending);
    for (const std::string value : {"true", "01", "", " 1", "yes"})
        EXPECT_FALSE(ScenarioEnvironment::read({{"KEEPSIFT_FIRST_RUN", value}}).firstRunPending)
            << value;
}

TEST(ScenarioEnvironment, TheReadDelayIsADecimalIntegerOfMilliseconds) {
    const auto delay = [](const std::string& text) {
        return ScenarioEnvironment::read({{"KEEPSIFT_SLOW_LIBRARY", text}}).readDelay;
    };
    EXPECT_EQ(delay("250"), 250ms);
    EXPECT_EQ(delay("+250"), 250ms);
    for (const std::string text :
         {"2.5", "abc", "", "250ms", "+", "+-5", "-", "99999999999999999999999", " 250"})
        EXPECT_EQ(delay(text), 0ms) << text;
    EXPECT_EQ(delay("-250"), 0ms);
}

TEST(ScenarioFactory, TheModelStartsOnTheSeededLibraryUnderFixedConditions) {
    auto actor = std::make_shared<SerialMainActor>();
    auto sleeper = std::make_shared<testing::FakeSleeper>();
    auto model = AppModel::makeForScenario(
        {}, AppModel::Services{actor, nullptr, nullptr, nullptr, sleeper}, nullptr);
    const auto family = *Scenario::named("family-burst");
    EXPECT_FALSE(model->startsUpdater());
    EXPECT_EQ(model->fixedConditions(), family.conditions);
    EXPECT_EQ(model->clock()->now(), Scenario::referenceDate());
    EXPECT_TRUE(model->telemetry()->isEnabled());

    auto finished = std::make_shared<std::promise<void>>();
    auto done = finished->get_future();
    actor->post([&] { model->start([finished] { finished->set_value(); }); });
    ASSERT_EQ(done.wait_for(testing::patience), std::future_status::ready);
    const auto [needsFirstRun, snapshot, settings] = [&] {
        std::tuple<bool, EngineSnapshot, Settings> state;
        actor->runAndWait([&] {
            state = {model->needsFirstRunNotice(), model->snapshot(), model->settings()};
        });
        return state;
    }();
    EXPECT_FALSE(needsFirstRun);
    EXPECT_EQ(settings.language, family.language);
    EXPECT_EQ(snapshot.known, static_cast<std::int64_t>(family.photos.size()));
    EXPECT_EQ(snapshot.analysed, snapshot.known);
    model.reset();
}

TEST(ScenarioFactory, TwoModelsOfOneEnvironmentAgree) {
    const Environment environment{{"KEEPSIFT_LANGUAGE", "de"}, {"KEEPSIFT_FIRST_RUN", "1"}};
    std::vector<EngineSnapshot> snapshots;
    for (int launch = 0; launch < 2; ++launch) {
        auto actor = std::make_shared<SerialMainActor>();
        auto model =
            AppModel::makeForScenario(environment,
                                      AppModel::Services{actor, nullptr, nullptr, nullptr,
                                                         std::make_shared<testing::FakeSleeper>()},
                                      nullptr);
        EXPECT_TRUE(model->store()->settings().language == "de");
        EXPECT_FALSE(model->store()->hasSeenFirstRunNotice());
        model->engine()->refreshAuthorization();
        model->engine()->reconcileWithLibrary();
        while (model->engine()->analyseNext(*model->fixedConditions())) {
        }
        model->engine()->regroup();
        snapshots.push_back(model->engine()->snapshot());
    }
    EXPECT_EQ(snapshots[0], snapshots[1]);
}

} // namespace
} // namespace keepsift::app
