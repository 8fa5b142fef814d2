#include <fstream>
#include <map>
#include <sys/mount.h>

#include "photos/services/tests/ChangeTimes.hpp"
#include "photos/services/tests/EngineOverFolder.hpp"
#include "platform/library/tests/PrivateMounts.hpp"

namespace keepsift {
namespace {

namespace fs = std::filesystem;

// A card of bursts, a drive of its own, mounted inside the library and reviewed; then
// unmounted and mounted again at another folder of the library, as a desktop may name it anew.
class RemountedCard : public testing::EngineOverFolder {
protected:
    void SetUp() override {
        LiveHome::SetUp();
        if (!mounts.tmpfs(root / "card", 0755) || !mounts.bind(root / "card", pictures / "Card"))
            GTEST_SKIP() << "a card cannot be mounted in the library here (mounting needs root)";
        for (int frame = 0; frame < 4; ++frame) {
            writeJpeg("Card/DCIM/burst-" + std::to_string(frame) + ".jpg", burstFrame(frame),
                      "2024:05:01 10:00:0" + std::to_string(2 * frame));
            writeJpeg("Card/DCIM/other-" + std::to_string(frame) + ".jpg", burstFrame(frame, 8),
                      "2024:05:02 11:00:0" + std::to_string(2 * frame));
        }
        writeJpeg("beach.jpg", scene(11), "2024:03:10 08:00:00");
        start();
        relist();
        relist();
        ASSERT_FALSE(flagged().empty());
        ASSERT_EQ(linked(), flagged());
        flaggedBefore = flagged().size();
    }
    void TearDown() override {
        engine.reset();
        services = {};
        mounts.unmountAll();
        LiveHome::TearDown();
    }
    void start() {
        startServices();
        startEngine();
    }
    void moveTheCard(const std::string& from = "Card", const std::string& to = "Card 1") {
        ASSERT_EQ(::umount2((pictures / from).c_str(), MNT_DETACH), 0);
        ASSERT_TRUE(mounts.bind(root / "card", pictures / to));
    }
    // Every link leads to a photograph flagged where it is now, and no flag was lost.
    void expectTheAlbumFollowed() {
        EXPECT_EQ(danglingLinks(), 0);
        EXPECT_EQ(linked(), flagged());
        EXPECT_EQ(flagged().size(), flaggedBefore);
        for (const auto& id : flagged())
            EXPECT_FALSE(id.starts_with("Card/")) << id;
    }

    foldertest::PrivateMounts mounts;
    std::size_t flaggedBefore = 0;
};

// The card's photographs not deleted, by their path on the card, with their decisions.
std::map<std::string, ReviewState> onTheCard(const LibraryIndex& index, const std::string& at) {
    std::map<std::string, ReviewState> states;
    for (const auto& [id, entry] : index.entries)
        if (id.starts_with(at + "/") && entry.state != ReviewState::deleted)
            states.emplace(id.substr(at.size() + 1), entry.state);
    return states;
}

// Flagged and kept by hand in Keepsift, linked by hand in the album, and flagged
// automatically; then moved while Keepsift is stopped.
class RemountedCardWhileStopped : public RemountedCard {
protected:
    void SetUp() override {
        RemountedCard::SetUp();
        if (IsSkipped()) return;
        const auto keeperOf = [&](const std::string& burst) {
            for (const auto& id : idsIn(ReviewState::keeper))
                if (id.starts_with("Card/DCIM/" + burst)) return id;
            return std::string();
        };
        const auto flaggedFrames = idsIn(ReviewState::flagged);
        const std::string burstKeeper = keeperOf("burst-"), otherKeeper = keeperOf("other-");
        ASSERT_FALSE(burstKeeper.empty());
        ASSERT_FALSE(otherKeeper.empty());
        const auto flaggedFrame =
            std::find_if(flaggedFrames.begin(), flaggedFrames.end(),
                         [](const auto& id) { return id.starts_with("Card/DCIM/burst-"); });
        ASSERT_NE(flaggedFrame, flaggedFrames.end());
        engine->override(*flaggedFrame, true);
        engine->override(burstKeeper, false);
        fs::create_symlink(fs::path("..") / otherKeeper, album() / "mine.jpg");
        relist();
        relist();
        // Saved, as each step of the running program saves what it took in.
        engine->flush();
        ASSERT_EQ(stateOf(otherKeeper), ReviewState::flaggedByHand);
        before = onTheCard(engine->index(), "Card");
        ASSERT_EQ(idsIn(ReviewState::keptByHand).size(), 1u);
        ASSERT_EQ(idsIn(ReviewState::flaggedByHand).size(), 2u);
        ASSERT_EQ(linked(), flagged());
        flaggedBefore = flagged().size();
    }
    // As a start finds it, and again after a quit and another start.
    void expectEveryDecisionFollowed() {
        for (int run = 0; run < 2; ++run) {
            if (run > 0) {
                quitEngine();
                start();
            }
            relist();
            expectTheAlbumFollowed();
            EXPECT_EQ(onTheCard(engine->index(), "Card 1"), before);
            EXPECT_TRUE(onTheCard(engine->index(), "Card").empty());
            for (const auto& link : fs::directory_iterator(album()))
                EXPECT_EQ(fs::read_symlink(link.path()).string().find("/Card/"), std::string::npos)
                    << link.path();
        }
    }

    std::map<std::string, ReviewState> before;
};

TEST_F(RemountedCardWhileStopped, TakesItsLinksAndDecisionsAlongAfterAQuit) {
    quitEngine();
    ASSERT_NO_FATAL_FAILURE(moveTheCard());
    start();
    expectEveryDecisionFollowed();
}

TEST_F(RemountedCardWhileStopped, TakesItsLinksAndDecisionsAlongAfterAKill) {
    // Dropped without the quit's flush.
    engine.reset();
    services = {};
    ASSERT_NO_FATAL_FAILURE(moveTheCard());
    start();
    expectEveryDecisionFollowed();
}

// The user moved a photograph onto the card and flagged it there by a link of their own, all
// while Keepsift was stopped; then the card came back at another folder.
TEST_F(RemountedCard, ReadsALinkMadeWhileStoppedAtTheCardsNewFolder) {
    quitEngine();
    fs::copy_file(pictures / "beach.jpg", pictures / "Card/DCIM/beach.jpg");
    fs::remove(pictures / "beach.jpg");
    testing::awaitChangeTimePast(pictures / "Card/DCIM/beach.jpg", album());
    fs::create_symlink("../Card/DCIM/beach.jpg", album() / "beach.jpg");
    const auto expectFlaggedAt = [&](const std::string& card) {
        for (int run = 0; run < 2; ++run) {
            if (run > 0) quitEngine();
            start();
            relist();
            EXPECT_EQ(stateOf(card + "/DCIM/beach.jpg"), ReviewState::flaggedByHand) << card;
            EXPECT_EQ(fs::read_symlink(album() / "beach.jpg"), "../" + card + "/DCIM/beach.jpg");
            EXPECT_EQ(danglingLinks(), 0);
            EXPECT_EQ(linked(), flagged());
            EXPECT_EQ(flagged().size(), flaggedBefore + 1);
        }
        quitEngine();
    };
    ASSERT_NO_FATAL_FAILURE(moveTheCard());
    expectFlaggedAt("Card 1");
    ASSERT_NO_FATAL_FAILURE(moveTheCard("Card 1", "Card"));
    expectFlaggedAt("Card");
}

// Links the user left leading nowhere that the moved card does not answer: made below another
// folder, to a path the card does not hold, to what is no photograph. Each stays as it was.
TEST_F(RemountedCard, LeavesTheUsersOtherLinksLeadingNowhereAsTheyAre) {
    quitEngine();
    std::ofstream(pictures / "Card/DCIM/notes.txt") << "shot list";
    const std::map<std::string, std::string> left{
        {"cardboard.jpg", "../Cardboard/DCIM/burst-0.jpg"},
        {"missing.jpg", "../Card/DCIM/missing.jpg"},
        {"notes.txt", "../Card/DCIM/notes.txt"},
        {"folder.jpg", "../Card/DCIM"},
        {"elsewhere.jpg", "../Trip/beach.jpg"},
    };
    for (const auto& [name, target] : left)
        fs::create_symlink(target, album() / name);
    ASSERT_NO_FATAL_FAILURE(moveTheCard());
    for (int run = 0; run < 2; ++run) {
        if (run > 0) quitEngine();
        start();
        relist();
        for (const auto& [name, target] : left)
            EXPECT_EQ(fs::read_symlink(album() / name), target) << name;
        EXPECT_EQ(danglingLinks(), static_cast<int>(left.size()));
        EXPECT_EQ(linked(), flagged());
        EXPECT_EQ(flagged().size(), flaggedBefore);
    }
}

// The card unmounted and mounted nowhere else, its pictures copied into a folder of the library
// first: no drive moved, and every link to the card stays as it was, waiting for it.
TEST_F(RemountedCard, LeavesLinksToACardMountedNowhereAsTheyAreBesideACopyOfIt) {
    quitEngine();
    fs::copy(pictures / "Card", pictures / "Card 1", fs::copy_options::recursive);
    fs::create_symlink("../Card/DCIM/other-0.jpg", album() / "mine.jpg");
    std::map<fs::path, fs::path> before;
    for (const auto& link : fs::directory_iterator(album()))
        before.emplace(link.path(), fs::read_symlink(link.path()));
    ASSERT_EQ(::umount2((pictures / "Card").c_str(), MNT_DETACH), 0);
    for (int run = 0; run < 2; ++run) {
        if (run > 0) quitEngine();
        start();
        relist();
        for (const auto& [link, target] : before) {
            ASSERT_TRUE(fs::is_symlink(link)) << link;
            EXPECT_EQ(fs::read_symlink(link), target);
        }
    }
}

// The user linked a path on the card before the photograph there came to it: the link was made
// for no bytes it holds now, and, made anew at the card's new folder, it would seem so.
TEST_F(RemountedCard, LeavesALinkMadeBeforeItsPhotographCameAsItIs) {
    quitEngine();
    fs::create_symlink("../Card/DCIM/beach.jpg", album() / "beach.jpg");
    testing::awaitChangeTimePast(album() / "beach.jpg", pictures / "Card/DCIM");
    fs::copy_file(pictures / "beach.jpg", pictures / "Card/DCIM/beach.jpg");
    fs::remove(pictures / "beach.jpg");
    ASSERT_NO_FATAL_FAILURE(moveTheCard());
    for (int run = 0; run < 2; ++run) {
        if (run > 0) quitEngine();
        start();
        relist();
        EXPECT_FALSE(isFlagged(stateOf("Card 1/DCIM/beach.jpg")));
        EXPECT_EQ(fs::read_symlink(album() / "beach.jpg"), "../Card/DCIM/beach.jpg");
        EXPECT_EQ(linked(), flagged());
        EXPECT_EQ(flagged().size(), flaggedBefore);
    }
}

TEST_F(RemountedCard, TakesItsLinksAlong) {
    ASSERT_NO_FATAL_FAILURE(moveTheCard());
    relist();
    relist();
    expectTheAlbumFollowed();
    quitEngine();
    start();
    relist();
    expectTheAlbumFollowed();
}

} // namespace
} // namespace keepsift
