#include <algorithm>

#include "core/scripted/ForwardingLibrary.hpp"
#include "photos/services/tests/EngineOverFolder.hpp"
#include "platform/library/tests/PrivateMounts.hpp"

namespace keepsift {
namespace {

// Stands for a kill in the middle of an album write: the links are made, and the engine never
// hears back.
struct CutShort : std::runtime_error {
    CutShort() : std::runtime_error("cut short") {}
};

class CutShortAlbum : public ForwardingLibrary {
public:
    using ForwardingLibrary::ForwardingLibrary;
    std::vector<std::string> setRejected(const std::vector<std::string>& ids,
                                         bool rejected) override {
        auto linkedAlready = ForwardingLibrary::setRejected(ids, rejected);
        if (cutAtCall > 0 && --cutAtCall == 0) throw CutShort();
        return linkedAlready;
    }

    // The call (counted from now) after which the engine is cut short; none when 0.
    int cutAtCall = 0;
};

// The engine over a picture folder whose rejects folder it writes itself: links it made, in
// full or in part, and links that left with their storage are never taken for the user's.
class EngineOwnAlbumWrites : public testing::EngineOverFolder {
protected:
    void SetUp() override {
        LiveHome::SetUp();
        for (int frame = 0; frame < 4; ++frame)
            writeJpeg("burst-" + std::to_string(frame) + ".jpg", burstFrame(frame),
                      "2024:05:01 10:00:0" + std::to_string(2 * frame));
        writeJpeg("beach.jpg", scene(11), "2024:03:10 08:00:00");
        start();
    }
    void start() {
        startServices();
        library = std::make_shared<CutShortAlbum>(services.library);
        engine = std::make_unique<ScanEngine>(library, services.extractor, storage,
                                              std::make_shared<SystemClock>());
        ASSERT_EQ(engine->ensureAuthorization(true), LibraryAuthorization::authorized);
    }
    void restart() {
        engine.reset();
        services = {};
        start();
    }
    // Lists and measures everything and regroups, leaving the album unwritten.
    void scanWithoutAlbum() {
        engine->reconcileWithLibrary();
        analyseAll();
        engine->regroup();
    }
    // A listing, the regroup and the album write that follow it, as the change watcher's
    // refresh brings them.
    void refresh() {
        engine->reconcileWithLibrary();
        engine->regroup();
        engine->syncRejectsAlbumIfNeeded();
    }
    // Three frames flagged; the first is removed by hand before the album is written, so the
    // write links the other two and fails; the user then keeps the second.
    std::string keptAfterAFailedWrite() {
        scanWithoutAlbum();
        const auto frames = idsIn(ReviewState::flagged);
        EXPECT_EQ(frames.size(), 3u);
        if (frames.size() != 3u) return {};
        std::filesystem::remove(pictures / frames[0]);
        EXPECT_ANY_THROW(engine->syncRejectsAlbumIfNeeded());
        EXPECT_EQ(linked(), (std::vector<std::string>{frames[1], frames[2]}));
        EXPECT_ANY_THROW(engine->override(frames[1], true));
        // As the change watcher reports the links made.
        engine->handleLibraryChange(change::RejectsAlbumChanged{{frames[1], frames[2]}, {}});
        return frames[1];
    }
    void expectStillKept(const std::string& kept) {
        refresh();
        EXPECT_EQ(stateOf(kept), ReviewState::keptByHand);
        EXPECT_EQ(journalled(ReviewJournal::Event::overriddenToFlag, kept), 0);
        EXPECT_EQ(linked(), flagged());
        EXPECT_FALSE(engine->albumNeedsSync());
    }

    bool storedUnsettled(const std::string& id) const {
        const auto text = storage->read(std::string(UnsettledAlbum::fileName));
        if (!text) return false;
        const auto list = UnsettledAlbum::decode(*text);
        return list && list->ids.contains(id);
    }

    std::shared_ptr<CutShortAlbum> library;
};

TEST_F(EngineOwnAlbumWrites, LinksOfAFailedWriteAreNotTakenForTheUsersFlag) {
    const auto kept = keptAfterAFailedWrite();
    ASSERT_FALSE(kept.empty());
    expectStillKept(kept);
}

TEST_F(EngineOwnAlbumWrites, LinksOfAFailedWriteAreNotTakenForTheUsersFlagAfterARestart) {
    const auto kept = keptAfterAFailedWrite();
    ASSERT_FALSE(kept.empty());
    restart();
    expectStillKept(kept);
}

// A kill while the album is written, after a regroup chose another keeper and before that
// was saved: the next launch finds links its index does not know of, and misses one it knew.
TEST_F(EngineOwnAlbumWrites, ALinkWrittenOrRemovedByAWriteCutShortIsNoDecision) {
    scanWithoutAlbum();
    engine->syncRejectsAlbumIfNeeded();
    const auto frames = idsIn(ReviewState::flagged);
    const auto keepers = idsIn(ReviewState::keeper);
    ASSERT_EQ(frames.size(), 3u);
    const auto keeper = *std::find_if(keepers.begin(), keepers.end(),
                                      [](const auto& id) { return id.starts_with("burst"); });
    engine->updateIndex([&](LibraryIndex& index) {
        index.entries.at(keeper).state = ReviewState::flagged;
        index.entries.at(frames[0]).state = ReviewState::keeper;
    });
    library->cutAtCall = 2;
    EXPECT_THROW(engine->syncRejectsAlbum(), CutShort);
    auto expected = std::vector<std::string>{frames[1], frames[2], keeper};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(linked(), expected);
    restart();
    engine->reconcileWithLibrary();
    for (const auto& id : {keeper, frames[0]}) {
        EXPECT_TRUE(stateOf(id) == ReviewState::flagged || stateOf(id) == ReviewState::keeper)
            << id;
        EXPECT_EQ(journalled(ReviewJournal::Event::overriddenToFlag, id), 0) << id;
        EXPECT_EQ(journalled(ReviewJournal::Event::unflaggedElsewhere, id), 0) << id;
    }
    engine->regroup();
    engine->syncRejectsAlbumIfNeeded();
    EXPECT_EQ(linked(), flagged());
}

// A quit right after a regroup, before the album write it asked for: the flags are saved, and
// their links, found or missed at the next start, are Keepsift's until that write has run.
TEST_F(EngineOwnAlbumWrites, FlagsAQuitSavesBeforeTheirAlbumWriteAreUnsettled) {
    scanWithoutAlbum();
    const auto frames = idsIn(ReviewState::flagged);
    ASSERT_EQ(frames.size(), 3u);
    engine->flush();
    ASSERT_TRUE(linked().empty());
    for (const auto& id : frames)
        EXPECT_TRUE(storedUnsettled(id)) << id;
    restart();
    refresh();
    for (const auto& id : frames) {
        EXPECT_EQ(stateOf(id), ReviewState::flagged) << id;
        EXPECT_FALSE(storedUnsettled(id)) << id;
    }
    EXPECT_EQ(linked(), flagged());
}

// An ignore whose album write took the links out but never came back, then a frame of the
// group flagged by hand again: the missing link is the engine's doing, not the user's.
TEST_F(EngineOwnAlbumWrites, LinksTakenOutByAnIgnoreCutShortAreNoDecision) {
    scanWithoutAlbum();
    engine->syncRejectsAlbumIfNeeded();
    const auto frames = idsIn(ReviewState::flagged);
    ASSERT_EQ(frames.size(), 3u);
    library->cutAtCall = 1;
    EXPECT_THROW(engine->ignore(*engine->index().entries.at(frames[0]).groupID), CutShort);
    EXPECT_TRUE(linked().empty());
    engine->override(frames[0], false);
    refresh();
    EXPECT_EQ(stateOf(frames[0]), ReviewState::flaggedByHand);
    EXPECT_EQ(journalled(ReviewJournal::Event::unflaggedElsewhere, frames[0]), 0);
    EXPECT_EQ(linked(), flagged());
}

// The user's own edit of the album, made right after Keepsift's write for a decision by hand
// on the same photograph returned: the keeper discarded, its link then taken out again.
class AlbumEditAfterAHandDecision : public EngineOwnAlbumWrites {
protected:
    std::string discardedKeeper() {
        scanWithoutAlbum();
        engine->syncRejectsAlbumIfNeeded();
        const auto keepers = idsIn(ReviewState::keeper);
        const auto keeper = *std::find_if(keepers.begin(), keepers.end(),
                                          [](const auto& id) { return id.starts_with("burst"); });
        engine->override(keeper, false);
        EXPECT_EQ(linked(), flagged());
        return keeper;
    }
    void unlink(const std::string& id) {
        for (const auto& link : std::filesystem::directory_iterator(album()))
            if (std::filesystem::equivalent(link.path(), pictures / id))
                std::filesystem::remove(link.path());
    }
    void expectKeptByTheUser(const std::string& id) {
        refresh();
        EXPECT_EQ(stateOf(id), ReviewState::keptByHand);
        EXPECT_EQ(journalled(ReviewJournal::Event::unflaggedElsewhere, id), 1);
        const auto links = linked();
        EXPECT_EQ(links, flagged());
        EXPECT_EQ(std::count(links.begin(), links.end(), id), 0);
    }
};

TEST_F(AlbumEditAfterAHandDecision, ALinkTakenOutRightAfterTheWriteIsTheUsers) {
    const auto keeper = discardedKeeper();
    EXPECT_FALSE(storedUnsettled(keeper));
    unlink(keeper);
    expectKeptByTheUser(keeper);
}

TEST_F(AlbumEditAfterAHandDecision, ALinkAddedRightAfterTheWriteIsTheUsers) {
    scanWithoutAlbum();
    engine->syncRejectsAlbumIfNeeded();
    const auto frame = idsIn(ReviewState::flagged).front();
    engine->override(frame, true);
    ASSERT_EQ(linked(), flagged());
    std::filesystem::create_symlink(std::filesystem::path("..") / frame, album() / "mine.jpg");
    refresh();
    EXPECT_EQ(stateOf(frame), ReviewState::flaggedByHand);
    EXPECT_EQ(journalled(ReviewJournal::Event::overriddenToFlag, frame), 1);
    EXPECT_TRUE(std::filesystem::is_symlink(album() / "mine.jpg"));
    EXPECT_EQ(linked(), flagged());
}

TEST_F(AlbumEditAfterAHandDecision, ALinkTakenOutWhileKeepsiftIsStoppedIsTheUsers) {
    const auto keeper = discardedKeeper();
    engine->flush();
    engine.reset();
    services = {};
    EXPECT_FALSE(storedUnsettled(keeper));
    unlink(keeper);
    start();
    expectKeptByTheUser(keeper);
}

// A write cut short leaves the photograph unsettled: its link, found or missed, is Keepsift's.
TEST_F(AlbumEditAfterAHandDecision, AWriteCutShortLeavesThePhotographUnsettled) {
    scanWithoutAlbum();
    engine->syncRejectsAlbumIfNeeded();
    const auto keepers = idsIn(ReviewState::keeper);
    const auto keeper = *std::find_if(keepers.begin(), keepers.end(),
                                      [](const auto& id) { return id.starts_with("burst"); });
    library->cutAtCall = 1;
    EXPECT_THROW(engine->override(keeper, false), CutShort);
    EXPECT_TRUE(storedUnsettled(keeper));
}

// A card below the library holds a photograph flagged by hand; while it is away the album is
// written, which takes the links that lead nowhere but to the card.
class CardAway : public EngineOwnAlbumWrites {
protected:
    void SetUp() override {
        EngineOwnAlbumWrites::SetUp();
        writeJpeg("Card/DCIM/IMG_1.jpg", scene(41), "2024:06:01 10:00:00");
        writeJpeg("Card/DCIM/IMG_2.jpg", scene(42), "2024:06:02 10:00:00");
        std::filesystem::rename(pictures / "Card", root / "card");
        if (!mounts.bind(root / "card", pictures / "Card")) GTEST_SKIP() << "cannot mount here";
        scanWithoutAlbum();
        engine->syncRejectsAlbumIfNeeded();
        engine->override(onCard, false);
        ASSERT_EQ(linked(), flagged());
        mounts.unmountAll();
        engine->reconcileWithLibrary();
        // As the change watcher reports the link that dangles now.
        engine->handleLibraryChange(change::RejectsAlbumChanged{{}, {onCard}});
        engine->override("beach.jpg", false);
        EXPECT_TRUE(std::filesystem::is_symlink(album() / "IMG_1.jpg"));
    }
    void TearDown() override {
        mounts.unmountAll();
        EngineOwnAlbumWrites::TearDown();
    }
    void comeBack() { ASSERT_TRUE(mounts.bind(root / "card", pictures / "Card")); }
    void expectFlaggedAndLinked() {
        refresh();
        EXPECT_EQ(stateOf(onCard), ReviewState::flaggedByHand);
        EXPECT_EQ(journalled(ReviewJournal::Event::unflaggedElsewhere, onCard), 0);
        EXPECT_EQ(linked(), flagged());
        EXPECT_FALSE(engine->albumNeedsSync());
    }

    const std::string onCard = "Card/DCIM/IMG_1.jpg";
    foldertest::PrivateMounts mounts;
};

TEST_F(CardAway, ItsLinkStaysWhileAPhotographRemovedByHandLeavesTheAlbum) {
    const auto frame = idsIn(ReviewState::flagged).front();
    std::filesystem::remove(pictures / frame);
    refresh();
    EXPECT_EQ(stateOf(frame), ReviewState::deleted);
    EXPECT_TRUE(std::filesystem::is_symlink(album() / "IMG_1.jpg"));
    EXPECT_EQ(danglingLinks(), 1);
    comeBack();
    expectFlaggedAndLinked();
}

TEST_F(CardAway, ComesBackWithItsFlagAndItsLink) {
    comeBack();
    expectFlaggedAndLinked();
    restart();
    expectFlaggedAndLinked();
}

TEST_F(CardAway, ComesBackWhileKeepsiftIsStoppedWithItsFlagAndItsLink) {
    engine.reset();
    comeBack();
    restart();
    expectFlaggedAndLinked();
    restart();
    expectFlaggedAndLinked();
}

} // namespace
} // namespace keepsift
