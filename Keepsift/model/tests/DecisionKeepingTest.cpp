#include <gtest/gtest.h>

#include "Keepsift/model/AlbumNotice.hpp"
#include "Keepsift/model/StorageNotice.hpp"
#include "Keepsift/model/tests/ModelRig.hpp"
#include "core/index/LibraryIndex.hpp"

namespace keepsift::app {
namespace {

using testing::ModelRig;

const std::string unwritable = "cannot write in /home/u/.local/share/x: Read-only file system";

// The rig's library scanned and published: group of a1 (kept), a2 and a3 (flagged), and s1.
struct DecisionKeeping : ::testing::Test {
    ModelRig rig;
    std::string group;

    void SetUp() override {
        rig.scanAndPublish();
        const auto groups = rig.onMain([&] { return rig.model->snapshot().review.groups; });
        ASSERT_EQ(groups.size(), 1u);
        group = groups.front().id;
    }
    ReviewState state(const std::string& id) { return rig.engine->index().entry(id)->state; }
    ReviewState saved(const std::string& id) {
        return LibraryIndex::decode(*rig.files->read(std::string(ScanEngine::indexFileName)))
            .entry(id)
            ->state;
    }
    std::optional<std::string> notice() {
        return rig.onMain([&] { return rig.model->statusNotice(); });
    }
    void override(bool keep, const std::string& photo) {
        rig.await([&](auto done) { rig.model->override(keep, photo, done); });
    }
    void pumpOnce() {
        rig.await([&](auto done) { rig.model->pumpOnce(done); });
    }
    size_t errorsContaining(const std::string& text) {
        size_t count = 0;
        for (const auto& record : rig.logRecords())
            count += record.level == LogLevel::error && record.category == "shell" &&
                     record.message.find(text) != std::string::npos;
        return count;
    }
    std::int64_t flaggedCount() {
        return rig.onMain([&] { return rig.model->snapshot().review.flaggedCount; });
    }
};

TEST_F(DecisionKeeping, AnAlbumThatCannotBeWrittenIsToldApartFromTheDecision) {
    rig.library->setRejectionWritesFail(true);
    override(false, "a1");
    EXPECT_EQ(state("a1"), ReviewState::flaggedByHand);
    EXPECT_EQ(saved("a1"), ReviewState::flaggedByHand);
    const std::string why = LibraryError::albumWriteIncomplete(1).what();
    EXPECT_EQ(notice(), albumNotUpdatedNotice(why, "en"));
    EXPECT_TRUE(
        rig.logged(LogLevel::error,
                   "override of a1 is kept, but the rejects album could not be updated: " + why));
    EXPECT_FALSE(rig.loggedStarting(LogLevel::error, "override failed"));

    rig.onMain([&] {
        Settings settings = rig.model->settings();
        settings.language = "de";
        rig.model->setSettings(settings);
    });
    override(true, "a2");
    EXPECT_EQ(saved("a2"), ReviewState::keptByHand);
    EXPECT_EQ(notice(), albumNotUpdatedNotice(why, "de"));
    // The decisions were taken, so they count.
    EXPECT_EQ(rig.onMain([&] { return rig.model->overridesThisSession(); }), 2);
    EXPECT_EQ(rig.onMain([&] { return rig.model->touchedThisSession(); }),
              std::set<std::string>{group});
}

TEST_F(DecisionKeeping, TheAlbumCatchesUpWithoutARestartAndTheNoticeGoes) {
    rig.library->setRejectionWritesFail(true);
    rig.await([&](auto done) { rig.model->ignore(group, done); });
    EXPECT_EQ(saved("a2"), ReviewState::keptByHand);
    // Each pump step tries again; the log tells the cause once.
    pumpOnce();
    pumpOnce();
    EXPECT_EQ(errorsContaining("rejects album"), 1u);
    EXPECT_EQ(notice(), albumNotUpdatedNotice(LibraryError::albumWriteIncomplete(2).what(), "en"));

    rig.library->setRejectionWritesFail(false);
    pumpOnce();
    EXPECT_TRUE(rig.library->rejectedIDs().empty());
    EXPECT_EQ(notice(), std::nullopt);
    EXPECT_TRUE(rig.logged(LogLevel::notice, "the rejects album is up to date again"));
}

TEST(DecisionKeepingTexts, TheAlbumNoticeIsInTheUsersLanguage) {
    const std::string why = "the album write is incomplete: Read-only file system";
    EXPECT_EQ(albumNotUpdatedNotice(why, "en"),
              "Your review is kept, but the album \u201CKeepsift \u2014 Rejects\u201D could not "
              "be updated (the album write is incomplete: Read-only file system). Keepsift tries "
              "again while it runs.");
    EXPECT_EQ(albumNotUpdatedNotice(why, "de"),
              "Deine Durchsicht bleibt erhalten, aber das Album \u201EKeepsift \u2014 "
              "Rejects\u201C lie\u00DF sich nicht aktualisieren (the album write is incomplete: "
              "Read-only file system). Keepsift versucht es weiter, solange es l\u00E4uft.");
}

TEST_F(DecisionKeeping, NoDecisionIsTakenWhileTheReviewCannotBeSaved) {
    rig.onMain([&] { rig.model->beginReviewSession(); });
    rig.files->setUnavailable(unwritable);
    const auto flagged = flaggedCount();
    override(true, "a2");
    EXPECT_EQ(notice(), decisionNotKeptNotice(unwritable, "en"));
    EXPECT_TRUE(rig.logged(LogLevel::error, "override of a2 refused: the review cannot be saved (" +
                                                unwritable + ")"));
    rig.await([&](auto done) { rig.model->ignore(group, done); });
    EXPECT_TRUE(rig.logged(LogLevel::error, "ignore of group " + group +
                                                " refused: the review cannot be saved (" +
                                                unwritable + ")"));
    rig.await([&](auto done) { rig.model->reset(group, done); });
    EXPECT_TRUE(rig.loggedStarting(LogLevel::error, "reset of group " + group + " refused"));

    EXPECT_EQ(state("a2"), ReviewState::flagged);
    EXPECT_TRUE(rig.engine->index().ignoredGroups.empty());
    EXPECT_EQ(flaggedCount(), flagged);
    EXPECT_EQ(rig.onMain([&] { return rig.model->overridesThisSession(); }), 0);
    EXPECT_EQ(rig.onMain([&] { return rig.model->resetsThisSession(); }), 0);
    EXPECT_TRUE(rig.onMain([&] { return rig.model->touchedThisSession().empty(); }));

    // Once the review can be saved again, the same decision is taken.
    rig.files->setUnavailable(std::nullopt);
    override(true, "a2");
    EXPECT_EQ(saved("a2"), ReviewState::keptByHand);
    EXPECT_EQ(notice(), std::nullopt);
}

TEST_F(DecisionKeeping, AnIndexThatCannotBeOpenedRefusesDecisionsToo) {
    rig.files->setUnopened(std::string(ScanEngine::indexFileName));
    override(false, "a1");
    EXPECT_EQ(state("a1"), ReviewState::keeper);
    EXPECT_EQ(notice(), decisionNotKeptNotice(
                            "library-index.json cannot be opened: Permission denied", "en"));
}

// A delete is refused like the other actions, and also when its batch cannot be recorded
// although the storage looked usable: nothing moves.
TEST_F(DecisionKeeping, NothingIsDeletedWhileTheReviewCannotBeSaved) {
    auto reviewNotice = [&] { return rig.onMain([&] { return rig.model->notice(); }); };
    rig.files->setUnavailable(unwritable);
    EXPECT_EQ(rig.awaitDelete(std::nullopt, 2), 0);
    EXPECT_EQ(reviewNotice(), deleteRefusedNotice(unwritable, "en"));
    EXPECT_TRUE(rig.logged(LogLevel::error,
                           "delete refused: the review cannot be saved (" + unwritable + ")"));

    rig.files->setUnavailable(std::nullopt);
    rig.files->failing = true;
    EXPECT_EQ(rig.awaitDelete(std::nullopt, 2), 0);
    EXPECT_EQ(reviewNotice(), deleteRefusedNotice("disk full", "en"));
    EXPECT_TRUE(rig.library->deleteCalls().empty());
    EXPECT_EQ(state("a2"), ReviewState::flagged);
    EXPECT_EQ(flaggedCount(), 2);

    rig.files->failing = false;
    EXPECT_EQ(rig.awaitDelete(std::nullopt, 2), 2);
}

TEST(DecisionKeepingTexts, TheRefusalIsInTheUsersLanguage) {
    EXPECT_EQ(decisionNotKeptNotice(unwritable, "en"),
              "That decision was not kept: Keepsift cannot save your review right now (" +
                  unwritable + "). Try again once it can.");
    EXPECT_EQ(decisionNotKeptNotice(unwritable, "de"),
              "Diese Entscheidung wurde nicht \u00FCbernommen: Keepsift kann deine Durchsicht "
              "gerade nicht sichern (" +
                  unwritable + "). Versuche es noch einmal, sobald das wieder geht.");
    EXPECT_EQ(deleteRefusedNotice(unwritable, "en"),
              "Nothing was deleted: Keepsift cannot save your review right now (" + unwritable +
                  "). Try again once it can.");
    EXPECT_EQ(deleteRefusedNotice(unwritable, "de"),
              "Nichts wurde gel\u00F6scht: Keepsift kann deine Durchsicht gerade nicht sichern (" +
                  unwritable + "). Versuche es noch einmal, sobald das wieder geht.");
}

} // namespace
} // namespace keepsift::app
