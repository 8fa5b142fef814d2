#include <gtest/gtest.h>

#include "Keepsift/model/DeleteNotice.hpp"
#include "Keepsift/model/tests/ModelRig.hpp"
#include "core/index/LibraryIndex.hpp"

namespace keepsift::app {
namespace {

using testing::Gate;
using testing::ModelRig;

// The rig's library scanned and published: group of a1 (kept), a2 and a3 (flagged), and s1.
struct Review : ::testing::Test {
    ModelRig rig;
    std::string group;

    void SetUp() override {
        rig.scanAndPublish();
        rig.reporter->setEnabled(true);
        const auto groups = rig.onMain([&] { return rig.model->snapshot().review.groups; });
        ASSERT_EQ(groups.size(), 1u);
        group = groups.front().id;
    }
    ReviewState state(const std::string& id) { return rig.engine->index().entry(id)->state; }
    std::optional<std::string> notice() {
        return rig.onMain([&] { return rig.model->notice(); });
    }
    void setLanguage(const std::string& language) {
        rig.onMain([&] {
            Settings settings = rig.model->settings();
            settings.language = language;
            rig.model->setSettings(settings);
        });
    }
    void override(bool keep, const std::string& photo) {
        rig.await([&](auto done) { rig.model->override(keep, photo, done); });
    }
    std::vector<Signal> signalsOf(std::string_view name) {
        std::vector<Signal> found;
        for (const auto& signal : rig.sink->signals())
            if (signal.name() == name) found.push_back(signal);
        return found;
    }
    std::vector<Signal> sessionSignals() {
        return signalsOf(Signal(Signal::ReviewSession{GroupBucket::few, OverrideBucket::one,
                                                      OverrideBucket::one})
                             .name());
    }
    std::vector<Signal> deleteSignals() {
        return signalsOf(Signal(Signal::DeleteBatch{DeleteBucket::one, SizeBucket::tiny}).name());
    }
};

TEST_F(Review, AnOverrideReachesTheEngineAndTouchesItsGroup) {
    rig.onMain([&] { rig.model->setNotice("earlier"); });
    override(true, "a2");
    EXPECT_EQ(state("a2"), ReviewState::keptByHand);
    EXPECT_EQ(notice(), std::nullopt);
    EXPECT_EQ(rig.onMain([&] { return rig.model->touchedThisSession(); }),
              std::set<std::string>{group});
    // The published snapshot shows the decision.
    const auto photos = rig.onMain([&] { return rig.model->snapshot().review.groups[0].photos; });
    const auto a2 = std::find_if(photos.begin(), photos.end(),
                                 [](const ReviewPhoto& p) { return p.assetID == "a2"; });
    ASSERT_NE(a2, photos.end());
    EXPECT_TRUE(a2->isKeeper && a2->isUsers);
}

TEST_F(Review, AnOverrideOutsideEveryGroupCountsButTouchesNothing) {
    rig.onMain([&] { rig.model->beginReviewSession(); });
    override(true, "elsewhere");
    EXPECT_EQ(rig.onMain([&] { return rig.model->overridesThisSession(); }), 1);
    EXPECT_TRUE(rig.onMain([&] { return rig.model->touchedThisSession().empty(); }));
    rig.await([&](auto done) { rig.model->reportSession(done); });
    EXPECT_TRUE(sessionSignals().empty());
    EXPECT_EQ(rig.onMain([&] { return rig.model->overridesThisSession(); }), 1);
}

TEST_F(Review, NoHandDecisionIsLostWhenTheSaveFails) {
    rig.files->failing = true;
    override(true, "a3");
    EXPECT_EQ(state("a3"), ReviewState::keptByHand);
    EXPECT_TRUE(rig.engine->pendingSave());
    // The disk recovers; the quit flush writes what the failed save could not.
    rig.files->failing = false;
    rig.onMain([&] { rig.model->flushBeforeQuit(30.0); });
    const auto saved =
        LibraryIndex::decode(*rig.files->read(std::string(ScanEngine::indexFileName)));
    ASSERT_TRUE(saved.entry("a3"));
    EXPECT_EQ(saved.entry("a3")->state, ReviewState::keptByHand);
}

TEST_F(Review, TheQuitFlushGivesUpAfterItsTimeout) {
    override(true, "a3");
    rig.files->failing = true; // the override's own save stays pending
    override(true, "a2");
    rig.files->failing = false;
    // Shared with the flush thread, which outlives the wait for it.
    auto disk = std::make_shared<Gate>();
    rig.files->beforeWrite = [disk] { disk->pass(); };
    rig.onMain([&] { rig.model->flushBeforeQuit(0.01); });
    // It returned while the write cannot have ended: the gate is shut. On a busy machine the
    // flush thread may reach the write only after the wait gave up.
    disk->awaitArrival();
    EXPECT_EQ(disk->arrived(), 1);
    disk->open();
    // A second flush waits for the first one's writes. Whether a save is still pending says
    // nothing here: the album change the override made may reach the engine after the flush.
    rig.onMain([&] { rig.model->flushBeforeQuit(30.0); });
    const auto saved =
        LibraryIndex::decode(*rig.files->read(std::string(ScanEngine::indexFileName)));
    ASSERT_TRUE(saved.entry("a2") && saved.entry("a3"));
    EXPECT_EQ(saved.entry("a2")->state, ReviewState::keptByHand);
    EXPECT_EQ(saved.entry("a3")->state, ReviewState::keptByHand);
}

// The quit holds the main actor from the moment it begins: review actions the window took
// just before it must reach the engine without it, and the quit's flush must wait for them.
TEST_F(Review, ActionsTakenJustBeforeAQuitAreSavedByItWithTheirAlbum) {
    const auto files = rig.onMain([&] {
        rig.model->override(false, "a1");
        rig.model->override(true, "a2");
        rig.model->flushBeforeQuit(std::chrono::duration<double>(testing::patience).count());
        return LibraryIndex::decode(*rig.files->read(std::string(ScanEngine::indexFileName)));
    });
    ASSERT_TRUE(files.entry("a1") && files.entry("a2"));
    EXPECT_EQ(files.entry("a1")->state, ReviewState::flaggedByHand);
    EXPECT_TRUE(files.entry("a1")->asset.isRejected);
    EXPECT_EQ(files.entry("a2")->state, ReviewState::keptByHand);
    EXPECT_FALSE(files.entry("a2")->asset.isRejected);
    EXPECT_EQ(rig.library->rejectedIDs(), (std::set<std::string>{"a1", "a3"}));
    // Counted on their way back, once the main actor is free again.
    rig.waitUntil([&] { return rig.model->overridesThisSession() == 2; });
}

// A refused action lands too: the quit does not wait for it.
TEST_F(Review, AnActionRefusedJustBeforeAQuitDoesNotHoldItsFlush) {
    override(true, "a3");
    rig.files->failing = true; // the override's own save stays pending
    override(true, "a2");
    rig.files->failing = false;
    rig.files->setUnavailable("the disk went away");
    rig.onMain([&] {
        rig.model->override(false, "a1");
        rig.model->flushBeforeQuit(std::chrono::duration<double>(testing::patience).count());
    });
    EXPECT_FALSE(rig.engine->pendingSave());
    EXPECT_EQ(state("a1"), ReviewState::keeper);
}

TEST_F(Review, ADeleteOfAMovedBatchDeletesNothing) {
    const auto deleted = rig.awaitDelete(std::nullopt, 5);
    EXPECT_EQ(deleted, 0);
    EXPECT_EQ(notice(), Strings::text(FixedText::batchChanged, "en"));
    EXPECT_TRUE(rig.logged(LogLevel::info, "delete refused: batch moved 5 → 2"));
    EXPECT_TRUE(rig.library->deleteCalls().empty());
    EXPECT_EQ(state("a2"), ReviewState::flagged);
    EXPECT_EQ(state("a3"), ReviewState::flagged);
    EXPECT_TRUE(deleteSignals().empty());
    EXPECT_FALSE(rig.onMain([&] { return rig.model->isDeleting(); }));
}

TEST_F(Review, AConfirmedDeleteIsReportedInBuckets) {
    rig.onMain([&] { rig.model->setNotice("earlier"); });
    EXPECT_EQ(rig.awaitDelete(std::set<std::string>{group}, 2), 2);
    EXPECT_EQ(notice(), std::nullopt);
    EXPECT_EQ(rig.library->deleteCalls().size(), 1u);
    EXPECT_EQ(state("a2"), ReviewState::deleted);
    const auto signals = deleteSignals();
    ASSERT_EQ(signals.size(), 1u);
    EXPECT_EQ(*signals[0].as<Signal::DeleteBatch>(),
              (Signal::DeleteBatch{DeleteBucket::handful, SizeBucket::tiny}));
}

TEST_F(Review, ADeclinedDeleteSaysNothingWasDeleted) {
    rig.library->setConfirmsDeletion(false);
    setLanguage("de");
    EXPECT_EQ(rig.awaitDelete(std::nullopt, 2), 0);
    EXPECT_EQ(notice(), Strings::text(FixedText::nothingDeleted, "de"));
    EXPECT_TRUE(deleteSignals().empty());
    EXPECT_EQ(state("a2"), ReviewState::flagged);
}

TEST_F(Review, AFailingLibraryDeleteIsARefusal) {
    rig.library->beforeDelete = [] { throw std::runtime_error("trash unavailable"); };
    EXPECT_EQ(rig.awaitDelete(std::nullopt, 2), 0);
    EXPECT_EQ(notice(), Strings::text(FixedText::libraryRefused, "en"));
    EXPECT_TRUE(rig.logged(LogLevel::error, "delete failed: trash unavailable"));
    EXPECT_EQ(state("a2"), ReviewState::flagged);
}

// One photograph reached the Trash, the other's folder could not be written: the notice says
// both, and the usage count covers the one moved, with its size.
TEST_F(Review, APartlyMovedBatchSaysWhatMovedAndWhyTheRestDidNot) {
    rig.library->keepOnDelete("a3", KeptReason::notWritable);
    EXPECT_EQ(rig.awaitDelete(std::nullopt, 2), 1);
    EXPECT_EQ(notice(), "1 photo moved to the Trash. 1 photo not moved: no permission to write "
                        "in the folder.");
    EXPECT_EQ(rig.onMain([&] { return rig.model->statusNotice(); }), std::nullopt);
    EXPECT_TRUE(rig.logged(LogLevel::error, "delete incomplete: 1 moved, not moved: a3 "
                                            "(notWritable)"));
    EXPECT_EQ(state("a2"), ReviewState::deleted);
    EXPECT_EQ(state("a3"), ReviewState::flagged);
    const auto signals = deleteSignals();
    ASSERT_EQ(signals.size(), 1u);
    EXPECT_EQ(*signals[0].as<Signal::DeleteBatch>(),
              (Signal::DeleteBatch{DeleteBucket::one, SizeBucket::tiny}));
}

// Nothing moved, for reasons that have nothing to do with access: each is said, no count.
TEST_F(Review, ABatchNothingOfWhichMovedSaysWhyInBothLanguages) {
    rig.library->keepOnDelete("a2", KeptReason::noPrivateTrash);
    rig.library->keepOnDelete("a3", KeptReason::changedSinceReviewed);
    EXPECT_EQ(rig.awaitDelete(std::nullopt, 2), 0);
    EXPECT_EQ(notice(), "1 photo not moved: the drive has no Trash that is yours alone. 1 photo "
                        "not moved: changed after the review.");
    EXPECT_TRUE(deleteSignals().empty());
    EXPECT_EQ(state("a2"), ReviewState::flagged);
    // The changed one keeps its flag, unmoved until it is measured again.
    EXPECT_EQ(state("a3"), ReviewState::flagged);
    setLanguage("de");
    rig.library->keepOnDelete("a2", KeptReason::trashOnAnotherDevice);
    EXPECT_EQ(rig.awaitDelete(std::nullopt, 2), 0);
    EXPECT_EQ(notice(), "1 Foto nicht verschoben: auf diesem Laufwerk noch nicht geprüft, gleich "
                        "noch einmal versuchen. 1 Foto nicht verschoben: der Papierkorb liegt auf "
                        "einem anderen Laufwerk.");
}

TEST(DeleteNotice, EveryReasonInBothLanguages) {
    const auto one = [](KeptReason reason, const std::string& language) {
        return deleteOutcomeNotice({{"a"}, {{"b", reason}}}, language);
    };
    EXPECT_EQ(one(KeptReason::notWritable, "de"),
              "1 Foto in den Papierkorb verschoben. 1 Foto nicht verschoben: keine Schreibrechte "
              "im Ordner.");
    EXPECT_EQ(one(KeptReason::noPrivateTrash, "de"),
              "1 Foto in den Papierkorb verschoben. 1 Foto nicht verschoben: das Laufwerk hat "
              "keinen Papierkorb, der nur dir gehört.");
    EXPECT_EQ(one(KeptReason::changedSinceReviewed, "de"),
              "1 Foto in den Papierkorb verschoben. 1 Foto nicht verschoben: nach der Durchsicht "
              "verändert.");
    EXPECT_EQ(one(KeptReason::unreadable, "en"),
              "1 photo moved to the Trash. 1 photo not moved: cannot be read.");
    EXPECT_EQ(one(KeptReason::unreadable, "de"),
              "1 Foto in den Papierkorb verschoben. 1 Foto nicht verschoben: kann nicht gelesen "
              "werden.");
    EXPECT_EQ(one(KeptReason::unproven, "en"),
              "1 photo moved to the Trash. 1 photo not moved: not yet checked on this drive, try "
              "again shortly.");
    EXPECT_EQ(one(KeptReason::unproven, "de"),
              "1 Foto in den Papierkorb verschoben. 1 Foto nicht verschoben: auf diesem Laufwerk "
              "noch nicht geprüft, gleich noch einmal versuchen.");
    EXPECT_EQ(one(KeptReason::trashOnAnotherDevice, "en"),
              "1 photo moved to the Trash. 1 photo not moved: the Trash is on another drive.");
    EXPECT_EQ(one(KeptReason::failed, "en"),
              "1 photo moved to the Trash. 1 photo not moved: the move failed.");
    EXPECT_EQ(one(KeptReason::failed, "de"),
              "1 Foto in den Papierkorb verschoben. 1 Foto nicht verschoben: das Verschieben ist "
              "fehlgeschlagen.");
    // Everything moved: the window says so itself. Declined: not a failure.
    EXPECT_EQ(deleteOutcomeNotice({{"a", "b"}, {}}, "en"), std::nullopt);
    EXPECT_EQ(deleteOutcomeNotice(DeletionReport::allKept({"a"}, KeptReason::declined), "de"),
              "Nichts gelöscht. Die Markierungen sind unverändert.");
}

TEST_F(Review, ASecondConfirmWhileDeletingChangesNothing) {
    Gate trash;
    rig.library->beforeDelete = [&] { trash.pass(); };
    rig.onMain([&] { rig.model->setNotice("earlier"); });
    auto finished = std::make_shared<std::promise<std::int64_t>>();
    auto first = finished->get_future();
    rig.onMain([&] {
        rig.model->confirmDelete(
            std::nullopt, 2, [finished](std::int64_t deleted) { finished->set_value(deleted); });
    });
    trash.awaitArrival();
    EXPECT_EQ(rig.awaitDelete(std::nullopt, 2), 0);
    EXPECT_EQ(notice(), "earlier");
    EXPECT_TRUE(rig.onMain([&] { return rig.model->isDeleting(); }));
    trash.open();
    ASSERT_EQ(first.wait_for(testing::patience), std::future_status::ready);
    EXPECT_EQ(first.get(), 2);
    EXPECT_EQ(rig.library->deleteCalls().size(), 1u);
}

TEST_F(Review, ABatchTheSnapshotDoesNotKnowIsOfUnknownSize) {
    // The published snapshot predates the group; the engine deletes it all the same.
    rig.onMain([&] { rig.model->setSnapshot(EngineSnapshot{}); });
    EXPECT_EQ(rig.awaitDelete(std::set<std::string>{group}, 2), 2);
    const auto signals = deleteSignals();
    ASSERT_EQ(signals.size(), 1u);
    EXPECT_EQ(signals[0].as<Signal::DeleteBatch>()->size, SizeBucket::unknown);
}

TEST_F(Review, ASessionIsReportedInBucketsAndThenCleared) {
    rig.onMain([&] { rig.model->beginReviewSession(); });
    for (int i = 0; i < 10; ++i)
        rig.await([&](auto done) { rig.model->ignore("g" + std::to_string(i), done); });
    for (int i = 0; i < 21; ++i)
        override(true, "elsewhere");
    rig.await([&](auto done) { rig.model->reset("g0", done); });
    rig.await([&](auto done) { rig.model->reportSession(done); });
    const auto sessions = sessionSignals();
    ASSERT_EQ(sessions.size(), 1u);
    EXPECT_EQ(
        *sessions[0].as<Signal::ReviewSession>(),
        (Signal::ReviewSession{GroupBucket::some, OverrideBucket::many, OverrideBucket::one}));
    EXPECT_TRUE(rig.onMain([&] { return rig.model->touchedThisSession().empty(); }));
    EXPECT_EQ(rig.onMain([&] { return rig.model->overridesThisSession(); }), 0);
    EXPECT_EQ(rig.onMain([&] { return rig.model->resetsThisSession(); }), 0);
}

TEST_F(Review, ASessionIsClearedAlsoWhenTelemetryIsOff) {
    rig.reporter->setEnabled(false);
    rig.await([&](auto done) { rig.model->ignore(group, done); });
    rig.await([&](auto done) { rig.model->reportSession(done); });
    EXPECT_TRUE(rig.sink->signals().empty());
    EXPECT_TRUE(rig.onMain([&] { return rig.model->touchedThisSession().empty(); }));
}

TEST_F(Review, KeepLookingExtendsTheBatchAndPumps) {
    rig.engine->setBatchLimit(1, std::nullopt);
    rig.await([&](auto done) { rig.model->extendBatch(200, done); });
    EXPECT_EQ(rig.engine->batchLimit().groups, rig.engine->reviewableGroups() + 200);
}

} // namespace
} // namespace keepsift::app
