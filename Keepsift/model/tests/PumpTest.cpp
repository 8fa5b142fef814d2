#include <gtest/gtest.h>
#include <map>

#include "Keepsift/model/tests/ModelRig.hpp"

namespace keepsift::app {
namespace {

using testing::Gate;
using testing::ModelRig;
using testing::RigOptions;
using testing::Shot;

const std::vector<Shot> newMoment = {{"n1", 50000, 2, 0.9f}, {"n2", 50004, 2, 0.2f}};

// Counts the snapshot announcements and, at every measurement, notes how many there were:
// a refresh between two measurements shows as a rise.
struct SnapshotTrail {
    std::atomic<int> announced = 0;
    std::mutex mutex;
    std::vector<int> atMeasurement;
    ObservationToken token;

    explicit SnapshotTrail(ModelRig& rig) {
        token = rig.onMain([&] {
            return rig.model->observe([this](Property property) {
                if (property == Property::snapshot) ++announced;
            });
        });
        rig.source->beforeEach = [this] {
            std::lock_guard lock(mutex);
            atMeasurement.push_back(announced.load());
        };
    }
    std::vector<int> trail() {
        std::lock_guard lock(mutex);
        return atMeasurement;
    }
};

void pumpOnce(ModelRig& rig) {
    rig.await([&](auto done) { rig.model->pumpOnce(done); });
}

void queueNewMoment(ModelRig& rig) {
    std::vector<LibraryAsset> assets;
    for (const auto& shot : newMoment)
        assets.push_back(keepsift::testing::assetOf(shot));
    rig.library->add(assets);
    rig.engine->handleLibraryChange(change::NeedsRefresh{});
}

RigOptions withRecordings(std::shared_ptr<Clock> clock = nullptr) {
    RigOptions options;
    options.shots = keepsift::testing::momentAndSolitary;
    options.shots.insert(options.shots.end(), newMoment.begin(), newMoment.end());
    if (clock) options.clock = clock;
    return options;
}

// The rig's library starts without the new moment, whose recordings the source still has.
void dropNewMoment(ModelRig& rig) {
    rig.library->remove({"n1", "n2"});
}

TEST(Pump, WithAFixedClockOnlyTheFirstStepRegroupsInTheLoopAndEveryStepAtItsEnd) {
    ModelRig rig(withRecordings());
    dropNewMoment(rig);
    rig.queueLibrary();
    SnapshotTrail trail(rig);
    pumpOnce(rig);
    auto first = trail.trail();
    ASSERT_EQ(first.size(), 4u);
    EXPECT_GT(first[1], first[0]); // regrouped and refreshed after the first photograph
    EXPECT_EQ(first[2], first[1]);
    EXPECT_EQ(first[3], first[2]);
    EXPECT_EQ(rig.onMain([&] { return rig.model->lastRegroup(); }), rig.model->clock()->now());

    queueNewMoment(rig);
    pumpOnce(rig);
    auto second = trail.trail();
    ASSERT_EQ(second.size(), 6u);
    EXPECT_EQ(second[5], second[4]);
    // The step's own regroup grouped the new moment.
    EXPECT_EQ(rig.onMain([&] { return rig.model->snapshot().review.groups.size(); }), 2u);
    EXPECT_FALSE(rig.onMain([&] { return rig.model->isPumping() || rig.model->isWorking(); }));
}

void expectLoopRegroupAfterSecondPhoto(double secondsPerPhoto, bool expected) {
    auto clock = std::make_shared<MutableClock>(Date{1000});
    ModelRig rig(withRecordings(clock));
    rig.queueLibrary();
    SnapshotTrail trail(rig);
    rig.source->beforeEach = [&, inner = rig.source->beforeEach] {
        clock->advance(secondsPerPhoto);
        inner();
    };
    pumpOnce(rig);
    const auto seen = trail.trail();
    ASSERT_GE(seen.size(), 3u);
    EXPECT_EQ(seen[2] > seen[1], expected) << secondsPerPhoto;
}

TEST(Pump, ExactlyTwentySecondsSinceTheLastRegroupIsDue) {
    expectLoopRegroupAfterSecondPhoto(20.0, true);
    expectLoopRegroupAfterSecondPhoto(19.5, false);
}

TEST(Pump, AStepThatMayNotRunOnlyRefreshes) {
    ModelRig rig;
    {
        std::lock_guard lock(rig.probe->mutex);
        rig.probe->machine.isLowPowerMode = true;
    }
    rig.queueLibrary();
    int measured = 0;
    rig.source->beforeEach = [&] { ++measured; };
    pumpOnce(rig);
    EXPECT_EQ(measured, 0);
    EXPECT_TRUE(rig.library->rejectionCalls().empty());
    EXPECT_EQ(rig.onMain([&] { return rig.model->readiness(); }), QueueReadiness::lowPowerMode);
    EXPECT_EQ(rig.onMain([&] { return rig.model->pumpInterval(); }), 30.0);
    EXPECT_EQ(rig.onMain([&] { return rig.model->snapshot().waiting; }), 4);
}

// It also reads a digest that a measurement made before digests were kept lacks.
TEST(Pump, AStepWithoutWorkStillSyncsTheAlbumAndFillsDigestsButNeitherRegroupsNorWorks) {
    ModelRig rig;
    rig.queueLibrary();
    while (rig.engine->analyseNext(keepsift::testing::runnable())) {
    }
    rig.engine->regroup(); // leaves the album to bring in step
    ASSERT_FALSE(rig.engine->index().entry("a1")->contentDigest);
    rig.library->setContent("a1", "bytes of a1.jpg");
    bool worked = false;
    auto token = rig.onMain([&] {
        return rig.model->observe([&](Property property) {
            if (property == Property::isWorking) worked = true;
        });
    });
    pumpOnce(rig);
    rig.onMain([&] { token.cancel(); });
    EXPECT_FALSE(worked);
    EXPECT_FALSE(rig.library->rejectionCalls().empty());
    EXPECT_EQ(rig.onMain([&] { return rig.model->lastRegroup(); }), Date::distantPast());
    EXPECT_EQ(rig.engine->index().entry("a1")->contentDigest, "bytes of a1.jpg");
}

// A review by an earlier build of more photographs than one read of the digest fill takes:
// measured, without digests, whose files read now. The new moment is not in the library yet.
struct EarlierReview {
    static constexpr int photos = 40;
    ModelRig rig{earlierShots()};
    int savesBefore = 0;

    static RigOptions earlierShots() {
        RigOptions options = withRecordings();
        options.shots.clear();
        for (int n = 0; n < photos; ++n) {
            std::string id = "e";
            id += std::to_string(n);
            options.shots.push_back({id, n * 100.0, (n / 3) % 30, n % 3 ? 0.3f : 0.9f});
        }
        options.shots.insert(options.shots.end(), newMoment.begin(), newMoment.end());
        return options;
    }
    EarlierReview() {
        dropNewMoment(rig);
        rig.scanAndPublish();
        for (const auto& [id, entry] : rig.engine->index().entries)
            rig.library->setContent(id, "bytes of " + id);
        savesBefore = indexSaves();
    }
    int indexSaves() const { return rig.files->writesOf(std::string(ScanEngine::indexFileName)); }
    int filled(const LibraryIndex& index) const {
        int count = 0;
        for (const auto& [id, entry] : index.entries)
            count += entry.contentDigest == "bytes of " + id ? 1 : 0;
        return count;
    }
    int filled() const { return filled(rig.engine->index()); }
    int saved() const {
        return filled(
            LibraryIndex::decode(*rig.files->read(std::string(ScanEngine::indexFileName))));
    }
    void setTooHot(bool hot) {
        std::lock_guard lock(rig.probe->mutex);
        rig.probe->machine.isTooHot = hot;
    }
};

// A step that its caller waits for (the start, a library change) reads only a few digests;
// the pump task, soon after, reads the rest in one go and saves them once.
TEST(Pump, ThePumpTaskFillsEveryMissingDigestInOneStepAndSavesThemOnce) {
    EarlierReview earlier;
    auto& rig = earlier.rig;
    pumpOnce(rig);
    EXPECT_GT(earlier.filled(), 0);
    EXPECT_LT(earlier.filled(), EarlierReview::photos);
    rig.onMain([&] { rig.model->startPump(); });
    EXPECT_EQ(rig.sleeper->request(0), 3.0);
    rig.sleeper->wake();
    EXPECT_EQ(rig.sleeper->request(1), 30.0);
    EXPECT_EQ(earlier.filled(), EarlierReview::photos);
    EXPECT_EQ(earlier.saved(), EarlierReview::photos);
    EXPECT_EQ(earlier.indexSaves() - earlier.savesBefore, 1);
}

// Measuring comes first; the fill goes on at the short interval afterwards, waits while it is
// too hot and ends once every digest is read.
TEST(Pump, TheFillKeepsTheShortIntervalWhileDigestsRemainAndStopsWhenConditionsSayNo) {
    EarlierReview earlier;
    auto& rig = earlier.rig;
    std::atomic<int> reads = 0;
    rig.library->beforeDigest = [&](const std::string&) {
        if (reads++ == 0) queueNewMoment(rig);
    };
    rig.onMain([&] { rig.model->startPump(); });
    EXPECT_EQ(rig.sleeper->request(0), 30.0);
    rig.sleeper->wake();
    EXPECT_EQ(rig.sleeper->request(1), 3.0);
    const int beforeMeasuring = earlier.filled();
    EXPECT_GT(beforeMeasuring, 0);
    EXPECT_LT(beforeMeasuring, EarlierReview::photos);

    rig.sleeper->wake();
    EXPECT_EQ(rig.sleeper->request(2), 3.0);
    EXPECT_EQ(rig.engine->snapshot().analysed, EarlierReview::photos + 2);
    EXPECT_EQ(earlier.filled(), beforeMeasuring);

    rig.library->beforeDigest = [&](const std::string&) { earlier.setTooHot(true); };
    rig.sleeper->wake();
    EXPECT_EQ(rig.sleeper->request(3), 30.0);
    EXPECT_EQ(rig.onMain([&] { return rig.model->readiness(); }), QueueReadiness::tooHot);
    const int whileHot = earlier.filled();
    EXPECT_LT(whileHot, EarlierReview::photos);
    rig.sleeper->wake();
    EXPECT_EQ(rig.sleeper->request(4), 30.0);
    EXPECT_EQ(earlier.filled(), whileHot);

    rig.library->beforeDigest = nullptr;
    earlier.setTooHot(false);
    rig.sleeper->wake();
    EXPECT_EQ(rig.sleeper->request(5), 30.0);
    EXPECT_EQ(earlier.filled(), EarlierReview::photos);
    EXPECT_EQ(earlier.saved(), EarlierReview::photos);
}

TEST(Pump, OnlyAStepThatMeasuredLetsTheMeasuringRestOnceItHasSaved) {
    std::atomic<int> rests = 0;
    std::function<void()> atRest;
    RigOptions options;
    options.restMeasuring = [&] { atRest(); };
    ModelRig rig(options);
    bool savedAtRest = false;
    atRest = [&] {
        ++rests;
        savedAtRest = !rig.engine->pendingSave() &&
                      rig.files->read(std::string(ScanEngine::indexFileName)).has_value();
    };
    rig.queueLibrary();
    std::vector<int> restsAtMeasurement;
    rig.source->beforeEach = [&] { restsAtMeasurement.push_back(rests); };
    pumpOnce(rig);
    EXPECT_EQ(restsAtMeasurement, std::vector<int>(4, 0));
    EXPECT_EQ(rests, 1);
    EXPECT_TRUE(savedAtRest);
    pumpOnce(rig);
    EXPECT_EQ(rests, 1);
}

// A pump step held at its first measurement until the test opens the gate.
struct HeldStep : ::testing::Test {
    ModelRig rig;
    Gate gate;
    void SetUp() override {
        rig.queueLibrary();
        rig.source->beforeEach = [this] { gate.pass(); };
        rig.onMain([&] { rig.model->pumpOnce(); });
        gate.awaitArrival();
    }
    void TearDown() override { gate.open(); }
};

TEST_F(HeldStep, ASecondStepReturnsAfterItsRefresh) {
    pumpOnce(rig);
    EXPECT_TRUE(rig.onMain([&] { return rig.model->isPumping(); }));
    EXPECT_EQ(gate.arrived(), 1);
    gate.open();
    rig.waitUntil([&] { return !rig.model->isPumping() && rig.model->snapshot().analysed == 4; });
}

TEST_F(HeldStep, PausingEndsTheStepAtItsNextEngineCall) {
    rig.await([&](auto done) { rig.model->setPaused(true, done); });
    gate.open();
    rig.waitUntil([&] { return !rig.model->isPumping(); });
    EXPECT_EQ(gate.arrived(), 1);
    EXPECT_FALSE(rig.onMain([&] { return rig.model->isWorking(); }));
    EXPECT_EQ(rig.engine->snapshot().analysed, 1);
    // The step finished normally: its regroup ran.
    EXPECT_EQ(rig.onMain([&] { return rig.model->lastRegroup(); }), rig.model->clock()->now());
}

TEST_F(HeldStep, ALibraryChangeIsAppliedAtOnceWhileAStepRuns) {
    Gate streaming;
    streaming.open();
    rig.library->onStream = [&] { streaming.pass(); };
    rig.onMain([&] { rig.model->startLibraryChanges(); });
    streaming.awaitArrival();
    rig.library->add({keepsift::testing::assetOf({"late", 70000, 3})});
    rig.waitUntil([&] { return rig.model->snapshot().known == 5; });
    EXPECT_TRUE(rig.onMain([&] { return rig.model->isPumping(); }));
    EXPECT_EQ(gate.arrived(), 1);
}

TEST(Pump, TheTaskSleepsFirstAndFollowsTheQueueWithItsInterval) {
    ModelRig rig(withRecordings());
    dropNewMoment(rig);
    rig.scanAndPublish();
    rig.onMain([&] { rig.model->startPump(); });
    EXPECT_EQ(rig.sleeper->request(0), 30.0);

    // Photographs queue up while a step started elsewhere holds the pump.
    queueNewMoment(rig);
    Gate gate;
    rig.source->beforeEach = [&] { gate.pass(); };
    rig.onMain([&] { rig.model->pumpOnce(); });
    gate.awaitArrival();
    rig.sleeper->wake();
    EXPECT_EQ(rig.sleeper->request(1), 3.0);
    EXPECT_EQ(rig.onMain([&] { return rig.model->currentPumpInterval(); }), 3.0);

    gate.open();
    rig.waitUntil([&] { return !rig.model->isPumping() && rig.model->snapshot().waiting == 0; });
    rig.sleeper->wake();
    EXPECT_EQ(rig.sleeper->request(2), 30.0);
    EXPECT_EQ(rig.sleeper->requests(), 3u);
}

TEST(Pump, AnUndecidedAuthorizationIsAskedAgainOnEveryTurn) {
    RigOptions options;
    options.authorization = LibraryAuthorization::notDetermined;
    ModelRig rig(options);
    rig.onMain([&] { rig.model->startPump(); });
    EXPECT_EQ(rig.sleeper->request(0), 30.0);
    rig.library->setAuthorization(LibraryAuthorization::authorized);
    rig.sleeper->wake();
    rig.waitUntil(
        [&] { return rig.model->snapshot().authorization == LibraryAuthorization::authorized; });
}

TEST(LibraryChanges, AChangeIsAppliedGroupedAndPumped) {
    ModelRig rig(withRecordings());
    dropNewMoment(rig);
    rig.scanAndPublish();
    Gate streaming;
    streaming.open();
    rig.library->onStream = [&] { streaming.pass(); };
    rig.onMain([&] { rig.model->startLibraryChanges(); });
    // Changes made before the task has its stream would reach nobody.
    streaming.awaitArrival();
    std::vector<LibraryAsset> assets;
    for (const auto& shot : newMoment)
        assets.push_back(keepsift::testing::assetOf(shot));
    rig.library->add(assets);
    rig.waitUntil([&] {
        return rig.model->snapshot().analysed == 6 &&
               rig.model->snapshot().review.groups.size() == 2;
    });
}

TEST(LibraryChanges, ALibraryThatGoesAwayWhileRunningIsNamedUntilItIsBack) {
    ModelRig rig;
    Gate streaming;
    streaming.open();
    rig.library->onStream = [&] { streaming.pass(); };
    rig.onMain([&] { rig.model->startLibraryChanges(); });
    streaming.awaitArrival();
    rig.library->unavailableFolder = "Pictures";
    rig.library->latestStream->yield(change::NeedsRefresh{});
    rig.waitUntil([&] { return rig.model->statusNotice().has_value(); });
    EXPECT_NE(rig.onMain([&] { return *rig.model->statusNotice(); }).find("\u201CPictures\u201D"),
              std::string::npos);
    EXPECT_TRUE(rig.logged(LogLevel::error, "refresh failed: folder gone"));

    rig.library->unavailableFolder.reset();
    rig.library->latestStream->yield(change::NeedsRefresh{});
    rig.waitUntil([&] { return !rig.model->statusNotice().has_value(); });
}

// A refresh that finds the library as the index knows it (after a mount elsewhere on the
// machine, say) regroups nothing: no decision is dated anew and nothing is written.
TEST(LibraryChanges, ARefreshThatFindsNothingChangedDatesNothingAnewAndWritesNothing) {
    Gate streaming;
    Gate fetches;
    ModelRig rig;
    rig.scanAndPublish();
    rig.engine->flush();
    streaming.open();
    rig.library->onStream = [&] { streaming.pass(); };
    rig.onMain([&] { rig.model->startLibraryChanges(); });
    streaming.awaitArrival();
    rig.engineClock->advance(60);
    const auto decisionDates = [&] {
        std::map<std::string, std::string> dates;
        for (const auto& [id, entry] : rig.engine->index().entries)
            dates[id] = entry.decidedAt ? entry.decidedAt->iso8601() : "none";
        return dates;
    };
    const auto before = rig.engine->index();
    const auto datesBefore = decisionDates();
    const auto indexName = std::string(ScanEngine::indexFileName);
    const int writes = rig.files->writesOf(indexName);
    fetches.open();
    rig.library->beforeFetch = [&] { fetches.pass(); };
    rig.library->latestStream->yield(change::NeedsRefresh{});
    rig.library->latestStream->yield(change::NeedsRefresh{});
    // The second is listed only once the first went all the way through.
    fetches.awaitArrival(2);
    EXPECT_EQ(decisionDates(), datesBefore);
    EXPECT_TRUE(rig.engine->index() == before);
    EXPECT_EQ(rig.files->writesOf(indexName), writes);
}

} // namespace
} // namespace keepsift::app
