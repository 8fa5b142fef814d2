#include <gtest/gtest.h>

#include "core/engine/TrashIntent.hpp"
#include "core/engine/tests/EngineRig.hpp"

namespace keepsift {
namespace {

using testing::runnable;
using testing::ScannedEngine;

// What a delete that moved nothing must leave as it was.
struct Untouched {
    LibraryIndex index;
    ReviewJournal journal;
    std::int64_t generation;
    std::optional<Date> lastSaved;
};

class DeleteReport : public ScannedEngine {
protected:
    void SetUp() override {
        ScannedEngine::SetUp();
        // Later than any throttle, so that a save would show in `lastSaved`.
        rig.clock->advance(3600);
    }
    Untouched now() {
        return {engine().index(), engine().journal(), engine().mutationGeneration(),
                engine().lastSaved()};
    }
    void expectUnchanged(const Untouched& before) {
        EXPECT_EQ(engine().index(), before.index);
        EXPECT_EQ(engine().journal(), before.journal);
        EXPECT_EQ(engine().mutationGeneration(), before.generation);
        EXPECT_EQ(engine().lastSaved(), before.lastSaved) << "nothing was saved";
        EXPECT_FALSE(rig.storage->read(std::string(TrashIntent::fileName)))
            << "the batch's intent is gone";
    }
};

TEST_F(DeleteReport, ADeclinedDeleteChangesNothingAndSavesNothing) {
    const auto before = now();
    rig.library->setConfirmsDeletion(false);
    EXPECT_EQ(engine().deleteBatch(std::nullopt, 2),
              DeletionReport::allKept({"a2", "a3"}, KeptReason::declined));
    expectUnchanged(before);
}

TEST_F(DeleteReport, ABatchNothingOfWhichMovedChangesNothingAndSavesNothing) {
    const auto before = now();
    rig.library->keepOnDelete("a2", KeptReason::noPrivateTrash);
    rig.library->keepOnDelete("a3", KeptReason::notWritable);
    const auto report = engine().deleteBatch(std::nullopt, 2);
    EXPECT_TRUE(report.deleted.empty());
    EXPECT_EQ(report.kept, (std::vector<KeptPhoto>{{"a2", KeptReason::noPrivateTrash},
                                                   {"a3", KeptReason::notWritable}}));
    expectUnchanged(before);
}

// Kept for other bytes than those reviewed: still flagged, it is not moved until it is
// measured again, which comes before any other file is read; measured as before, it keeps its
// review and takes the digest of what it now holds. A refusal that says nothing of the bytes
// leaves its photograph as it was.
TEST_F(DeleteReport, APhotographKeptAsChangedIsMeasuredAgainFirst) {
    rig.library->keepOnDelete("a2", KeptReason::changedSinceReviewed);
    rig.library->keepOnDelete("a3", KeptReason::noPrivateTrash);
    const auto report = engine().deleteBatch(std::nullopt, 2);
    EXPECT_TRUE(report.deleted.empty());
    EXPECT_TRUE(isFlagged(rig.state("a2")));
    EXPECT_TRUE(rig.entry("a2").measureAgain);
    EXPECT_TRUE(isFlagged(rig.state("a3")));
    EXPECT_FALSE(rig.entry("a3").measureAgain);
    EXPECT_TRUE(engine().pendingSave() || engine().lastSaved() == rig.clock->now());
    rig.library->keepOnDelete("a3", KeptReason::notWritable);
    EXPECT_EQ(
        engine().deleteBatch(std::nullopt, 2).kept,
        (std::vector<KeptPhoto>{{"a2", KeptReason::unproven}, {"a3", KeptReason::notWritable}}));
    rig.library->setContent("a2", "the bytes now");
    while (engine().fillContentDigests(runnable()) == DigestFill::more) {
    }
    EXPECT_FALSE(rig.entry("a2").measureAgain);
    EXPECT_EQ(rig.entry("a2").contentDigest, "the bytes now");
    EXPECT_TRUE(isFlagged(rig.state("a2")));
}

// Without its intent stored, a batch cut short could not be told from photographs deleted
// elsewhere: the delete is refused before anything moves.
TEST_F(DeleteReport, ABatchWhoseIntentCannotBeStoredMovesNothing) {
    const auto before = now();
    rig.storage->setFailNextWrite(std::make_exception_ptr(std::runtime_error("Read-only")));
    try {
        engine().deleteBatch(std::nullopt, 2);
        ADD_FAILURE() << "the delete was not refused";
    } catch (const ReviewNotSaved& refused) {
        EXPECT_STREQ(refused.what(), "Read-only");
    }
    EXPECT_TRUE(rig.library->deleteCalls().empty());
    expectUnchanged(before);
    EXPECT_EQ(engine().deleteBatch(std::nullopt, 2).deletedCount(), 2);
}

// Only the photograph that left the library is recorded, in a batch of its own; the one
// kept keeps its flag, and its group stays up for review.
TEST_F(DeleteReport, APartlyMovedBatchRecordsExactlyWhatMoved) {
    const auto before = now();
    rig.library->keepOnDelete("a3", KeptReason::notWritable);
    const auto report = engine().deleteBatch(std::nullopt, 2);
    EXPECT_EQ(report, (DeletionReport{{"a2"}, {{"a3", KeptReason::notWritable}}}));
    EXPECT_EQ(rig.state("a2"), ReviewState::deleted);
    EXPECT_EQ(rig.state("a3"), ReviewState::flagged);
    EXPECT_TRUE(rig.entry("a3").asset.isRejected);
    EXPECT_FALSE(engine().index().ignoredGroups.count(*rig.entry("a3").groupID));
    EXPECT_EQ(engine().snapshot().review.flaggedCount, 1);
    const auto entries = engine().journal().entries();
    ASSERT_EQ(entries.size(), before.journal.entries().size() + 1);
    EXPECT_EQ(entries.back().event, ReviewJournal::Event::deleted);
    EXPECT_EQ(entries.back().assetID, "a2");
    EXPECT_EQ(engine().journal().batches(), before.journal.batches() + 1);
    EXPECT_EQ(engine().mutationGeneration(), before.generation + 1);
    EXPECT_NE(engine().lastSaved(), before.lastSaved);
    EXPECT_EQ(rig.savedIndex().entry("a2")->state, ReviewState::deleted);
    EXPECT_EQ(rig.savedIndex().entry("a3")->state, ReviewState::flagged);
    EXPECT_EQ(rig.savedJournal(), engine().journal());
    EXPECT_FALSE(rig.storage->read(std::string(TrashIntent::fileName)));
}

TEST_F(DeleteReport, ALibraryThatCannotBeAskedChangesNothingAndSavesNothing) {
    const auto before = now();
    rig.library->setAuthorization(LibraryAuthorization::denied);
    EXPECT_THROW(engine().deleteBatch(std::nullopt, 2), LibraryError);
    rig.library->setAuthorization(LibraryAuthorization::authorized);
    expectUnchanged(before);
}

} // namespace
} // namespace keepsift
