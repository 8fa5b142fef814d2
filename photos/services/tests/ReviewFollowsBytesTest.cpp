#include <chrono>

#include "photos/services/tests/EngineOverFolder.hpp"

namespace keepsift {
namespace {

namespace fs = std::filesystem;

const std::vector<std::string> burstShots = {"Day1/burst-1.jpg", "Day1/burst-2.jpg",
                                             "Day2/burst-3.jpg"};
const std::string unrelatedShot = "Day2/beach.jpg";

// A burst of three burstShots over two folders and an unrelated picture, each written in a second
// of its own, reviewed: one frame keptFrame by hand and another flaggedFrame by hand.
class ReviewFollowsBytes : public testing::EngineOverFolder {
protected:
    void SetUp() override {
        LiveHome::SetUp();
        const auto start = fs::file_time_type::clock::now() - std::chrono::minutes(10);
        for (int frame = 0; frame < 3; ++frame) {
            const auto path = writeJpeg(burstShots[static_cast<size_t>(frame)], burstFrame(frame),
                                        "2024:05:01 10:00:0" + std::to_string(2 * frame));
            fs::last_write_time(path, start + std::chrono::seconds(10 * frame));
        }
        fs::last_write_time(writeJpeg(unrelatedShot, scene(11), "2024:03:10 08:00:00"),
                            start + std::chrono::seconds(50));
        startServices();
        startEngine();
        relist();
        for (const auto& id : burstShots) {
            const auto state = stateOf(id);
            if (state == ReviewState::flagged && keptFrame.empty()) keptFrame = id;
            if (state == ReviewState::keeper) flaggedFrame = id;
        }
        ASSERT_FALSE(keptFrame.empty() || flaggedFrame.empty());
        engine->override(keptFrame, true);
        engine->override(flaggedFrame, false);
        engine->syncRejectsAlbumIfNeeded();
        ASSERT_EQ(linked(), flagged());
        ASSERT_EQ(stateOf(flaggedFrame), ReviewState::flaggedByHand);
    }

    void restart() {
        ASSERT_TRUE(engine->save());
        startEngine();
    }

    fs::path placeFor(const std::string& id) const {
        fs::create_directories((pictures / id).parent_path());
        return pictures / id;
    }

    bool present(const std::string& id) const {
        const auto index = engine->index();
        const auto found = index.entries.find(id);
        return found != index.entries.end() && found->second.state != ReviewState::deleted;
    }

    // The hand flag is where the flagged frame's bytes are now, and so is the album's link.
    void expectFlagFollowedTo(const std::string& id) {
        EXPECT_EQ(stateOf(id), ReviewState::flaggedByHand);
        EXPECT_EQ(engine->index().entries.at(id).contentDigest, flaggedDigest);
        EXPECT_FALSE(present(flaggedFrame));
        EXPECT_EQ(stateOf(keptFrame), ReviewState::keptByHand);
        EXPECT_EQ(linked(), flagged());
        EXPECT_EQ(danglingLinks(), 0);
        const auto links = linked();
        EXPECT_EQ(std::count(links.begin(), links.end(), id), 1);
    }

    // The flag ended with the flagged frame's file, and none of these holds it.
    void expectNeitherTakesTheFlag(const std::vector<std::string>& ids) {
        EXPECT_FALSE(present(flaggedFrame));
        for (const auto& id : ids)
            EXPECT_FALSE(isSetByHand(stateOf(id))) << id;
        EXPECT_GE(journalled(ReviewJournal::Event::deletedElsewhere, flaggedFrame), 1);
        EXPECT_EQ(stateOf(keptFrame), ReviewState::keptByHand);
        EXPECT_EQ(linked(), flagged());
        EXPECT_EQ(danglingLinks(), 0);
    }

    std::string keptFrame, flaggedFrame;
    std::optional<std::string> flaggedDigest;
};

// Moved by a tool that links the file at its new place before removing the old name: a
// listing finds the new name of the same file first.
TEST_F(ReviewFollowsBytes, AFlaggedPhotoLinkedElsewhereThenRemovedKeepsItsFlag) {
    flaggedDigest = engine->index().entries.at(flaggedFrame).contentDigest;
    ASSERT_TRUE(flaggedDigest);
    const std::string linkedTo = "Moved/burst-linked.jpg";
    fs::create_hard_link(pictures / flaggedFrame, placeFor(linkedTo));
    relist();
    ASSERT_TRUE(present(linkedTo));
    fs::remove(pictures / flaggedFrame);
    relist();
    expectFlagFollowedTo(linkedTo);
    restart();
    relist();
    expectFlagFollowedTo(linkedTo);
}

// Copied to another drive and removed from the first, slowly: a listing finds the copy, made
// after the review, before the original is gone. The copy is the photograph moved and takes the
// flag, measured or not when the original left, also when Keepsift was killed before it saved
// what that listing found.
TEST_F(ReviewFollowsBytes, ACopyListedAfterTheFlagThenTheOriginalRemovedTakesTheFlag) {
    flaggedDigest = engine->index().entries.at(flaggedFrame).contentDigest;
    for (const std::string copiedTo :
         {"Drive2/measured.jpg", "Drive2/listed.jpg", "Drive2/killed.jpg"}) {
        SCOPED_TRACE(copiedTo);
        fs::copy_file(pictures / flaggedFrame, placeFor(copiedTo));
        engine->reconcileWithLibrary();
        if (copiedTo == "Drive2/measured.jpg") relist();
        ASSERT_TRUE(present(copiedTo));
        if (copiedTo == "Drive2/killed.jpg") startEngine();
        fs::remove(pictures / flaggedFrame);
        relist();
        expectFlagFollowedTo(copiedTo);
        // The photograph moved back for the next round.
        fs::rename(pictures / copiedTo, pictures / flaggedFrame);
        relist();
        ASSERT_EQ(stateOf(flaggedFrame), ReviewState::flaggedByHand);
    }
}

// Two photographs of different times swapped between folders: each path now holds the other's
// bytes, and each review goes with its bytes.
TEST_F(ReviewFollowsBytes, TwoPhotosOfDifferentTimesSwappedWhileStoppedKeepTheirReviews) {
    const auto keptDigest = engine->index().entries.at(keptFrame).contentDigest;
    flaggedDigest = engine->index().entries.at(flaggedFrame).contentDigest;
    ASSERT_NE(fs::last_write_time(pictures / keptFrame),
              fs::last_write_time(pictures / flaggedFrame));
    restart();
    engine.reset();
    fs::rename(pictures / keptFrame, root / "swapping.jpg");
    fs::rename(pictures / flaggedFrame, pictures / keptFrame);
    fs::rename(root / "swapping.jpg", pictures / flaggedFrame);
    startEngine();
    const auto result = engine->reconcileWithLibrary();
    EXPECT_TRUE(result.needingFreshSignals.empty());
    EXPECT_TRUE(result.added.empty());
    EXPECT_EQ(analyseAll(), 0);
    engine->regroup();
    engine->syncRejectsAlbumIfNeeded();
    EXPECT_EQ(stateOf(flaggedFrame), ReviewState::keptByHand);
    EXPECT_EQ(engine->index().entries.at(flaggedFrame).contentDigest, keptDigest);
    EXPECT_EQ(stateOf(keptFrame), ReviewState::flaggedByHand);
    EXPECT_EQ(engine->index().entries.at(keptFrame).contentDigest, flaggedDigest);
    EXPECT_EQ(linked(), flagged());
    const auto links = linked();
    EXPECT_EQ(std::count(links.begin(), links.end(), keptFrame), 1);
    EXPECT_EQ(danglingLinks(), 0);
}

// The picture moved over has left the library; the one moved keeps its review at its new path.
TEST_F(ReviewFollowsBytes, APhotoMovedOverAnotherOfADifferentSecondKeepsItsFlag) {
    flaggedDigest = engine->index().entries.at(flaggedFrame).contentDigest;
    ASSERT_NE(fs::last_write_time(pictures / unrelatedShot),
              fs::last_write_time(pictures / flaggedFrame));
    fs::rename(pictures / flaggedFrame, pictures / unrelatedShot);
    relist();
    expectFlagFollowedTo(unrelatedShot);
}

// Linked at one new place and copied to another before the removal: the link is the same file,
// the copy keeps its own review.
TEST_F(ReviewFollowsBytes, OfALinkAndACopyListedBeforeTheRemovalOnlyTheLinkTakesTheFlag) {
    flaggedDigest = engine->index().entries.at(flaggedFrame).contentDigest;
    const std::string linkedTo = "Moved/burst-linked.jpg", copiedTo = "Drive2/burst-copied.jpg";
    fs::create_hard_link(pictures / flaggedFrame, placeFor(linkedTo));
    fs::copy_file(pictures / flaggedFrame, placeFor(copiedTo));
    relist();
    fs::remove(pictures / flaggedFrame);
    relist();
    expectFlagFollowedTo(linkedTo);
    EXPECT_FALSE(isSetByHand(stateOf(copiedTo)));
}

// Copied to two places, one of the same file name, and the original removed, all seen in one
// listing: either copy could be the frame moved, so neither takes its flag.
TEST_F(ReviewFollowsBytes, TwoFreshCopiesOfAMovedPhotoTakeNeitherTheFlag) {
    const auto sameName = "Moved/" + fs::path(flaggedFrame).filename().string();
    const std::string otherName = "Moved/burst-copy.jpg";
    for (const auto& id : {sameName, otherName})
        fs::copy_file(pictures / flaggedFrame, placeFor(id));
    fs::remove(pictures / flaggedFrame);
    relist();
    expectNeitherTakesTheFlag({sameName, otherName});
}

} // namespace
} // namespace keepsift
