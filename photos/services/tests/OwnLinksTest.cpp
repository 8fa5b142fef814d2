#include <chrono>
#include <condition_variable>
#include <functional>
#include <future>
#include <map>
#include <mutex>
#include <thread>

#include "core/engine/UnsettledAlbum.hpp"
#include "core/scripted/ForwardingLibrary.hpp"
#include "photos/services/tests/EngineOverFolder.hpp"

namespace keepsift {
namespace {

// Holds the album writes that add links until let go, as a busy disk does; what else the
// program does while the next such write is on its way can be run as it begins.
class HeldAlbumWrites : public ForwardingLibrary {
public:
    using ForwardingLibrary::ForwardingLibrary;
    std::vector<std::string> setRejected(const std::vector<std::string>& ids,
                                         bool rejected) override {
        if (rejected)
            if (auto meanwhile = std::exchange(asAddingBegins, nullptr)) meanwhile();
        {
            std::unique_lock lock(mutex_);
            if (holding && rejected) {
                ++waiting;
                changed_.notify_all();
                changed_.wait(lock, [this] { return !holding; });
            }
        }
        return ForwardingLibrary::setRejected(ids, rejected);
    }
    void awaitWaiting(int writes = 1) {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return waiting >= writes; });
    }
    void letGo() {
        std::lock_guard lock(mutex_);
        holding = false;
        changed_.notify_all();
    }
    void holdAgain() {
        std::lock_guard lock(mutex_);
        holding = true;
    }
    bool holding = false;
    int waiting = 0;
    std::function<void()> asAddingBegins;

private:
    std::mutex mutex_;
    std::condition_variable changed_;
};

// Three bursts of three and a single photograph, reviewed, whose rejects folder Keepsift
// wrote: the links in it are Keepsift's, whatever becomes of the files they name.
class OwnLinks : public testing::EngineOverFolder {
protected:
    void SetUp() override {
        LiveHome::SetUp();
        for (int i = 0; i < 9; ++i)
            writeJpeg(trip(i), scene(40 + i / 3, {i % 3 * 2, i % 3}),
                      "2024:05:0" + std::to_string(1 + i / 3) + " 10:00:0" + std::to_string(i % 3));
        writeJpeg("beach.jpg", scene(11), "2024:03:10 08:00:00");
        start();
        relist();
        ASSERT_EQ(flagged().size(), 6u);
        ASSERT_EQ(linked(), flagged());
    }
    void start() {
        startServices();
        library = std::make_shared<HeldAlbumWrites>(services.library);
        startEngine(library);
    }
    static std::string trip(int i) { return "Trip/IMG_" + std::to_string(100 + i) + ".jpg"; }
    std::string groupOf(const std::string& id) const {
        return engine->index().entries.at(id).groupID.value_or("");
    }
    std::vector<std::string> inGroup(const std::string& group) const {
        std::vector<std::string> ids;
        for (const auto& [id, entry] : engine->index().entries)
            if (entry.groupID == group) ids.push_back(id);
        return ids;
    }
    // No decision by hand and no flag by hand journalled, the album as the flags are.
    void expectNothingByHand() {
        EXPECT_TRUE(idsIn(ReviewState::flaggedByHand).empty());
        EXPECT_TRUE(idsIn(ReviewState::keptByHand).empty());
        for (const auto& [id, entry] : engine->index().entries)
            EXPECT_EQ(journalled(ReviewJournal::Event::overriddenToFlag, id), 0) << id;
        EXPECT_EQ(linked(), flagged());
        EXPECT_EQ(danglingLinks(), 0);
    }
    std::map<std::string, Data> filesNow() const {
        std::map<std::string, Data> files;
        for (const auto& name : storage->storedNames())
            files.emplace(name, *storage->read(name));
        return files;
    }
    // Dropped without the quit's flush; the files as they were at the given moment.
    void killAndStart(std::map<std::string, Data> files) {
        engine.reset();
        services = {};
        storage = std::make_shared<MemoryFileStorage>(std::move(files));
        start();
        relist();
    }
    // Every link on disk recorded as Keepsift's or the user's, and no flag of a link not there.
    void expectSavedAsTheAlbumIs(const LibraryIndex& saved) {
        const auto links = linked();
        for (const auto& [id, entry] : saved.entries) {
            const bool there = std::binary_search(links.begin(), links.end(), id);
            EXPECT_EQ(entry.asset.isRejected, there) << id;
            if (there && !isSetByHand(entry.state)) {
                EXPECT_TRUE(saved.ownLinks.holds(id)) << id;
            }
        }
    }
    LibraryIndex storedIndex() const {
        const auto text = storage->read(std::string(ScanEngine::indexFileName));
        return text ? LibraryIndex::decode(std::string(text->begin(), text->end()))
                    : LibraryIndex::fresh("");
    }
    std::shared_ptr<HeldAlbumWrites> library;
};

// A flagged photograph's file replaced by a link to the keeper of another burst, as a
// de-duplication tool does: Keepsift's link to it now leads on to that keeper.
TEST_F(OwnLinks, ReadThroughAReplacedFileFlagNoOtherPhotograph) {
    const auto flaggedFrame = idsIn(ReviewState::flagged).front();
    const auto keepers = idsIn(ReviewState::keeper);
    const auto other = *std::find_if(keepers.begin(), keepers.end(), [&](const auto& id) {
        return groupOf(id) != groupOf(flaggedFrame);
    });
    std::filesystem::remove(pictures / flaggedFrame);
    std::filesystem::create_symlink(std::filesystem::path(other).filename(),
                                    pictures / flaggedFrame);
    const auto stream = engine->libraryChanges();
    relist();
    while (auto change = stream->next(std::chrono::milliseconds(500)))
        engine->handleLibraryChange(*change);
    stream->cancel();
    relist();
    EXPECT_EQ(stateOf(other), ReviewState::keeper);
    expectNothingByHand();
    quitEngine();
    start();
    relist();
    EXPECT_EQ(stateOf(other), ReviewState::keeper);
    expectNothingByHand();
}

// The user links two keepers as a file manager may: through a folder link inside the library,
// and by an absolute path through a link to the library from outside.
TEST_F(OwnLinks, LinksMadeThroughFolderLinksAreTheUsersFlags) {
    std::vector<std::string> keepers;
    for (const auto& id : idsIn(ReviewState::keeper))
        if (id.starts_with("Trip/")) keepers.push_back(id);
    ASSERT_EQ(keepers.size(), 3u);
    const auto nameOf = [](const std::string& id) { return std::filesystem::path(id).filename(); };
    std::filesystem::create_directory_symlink("Trip", pictures / "Alias");
    std::filesystem::create_directory_symlink(pictures, root / "Outside");
    std::filesystem::create_symlink(std::filesystem::path("../Alias") / nameOf(keepers[0]),
                                    album() / "through-alias.jpg");
    std::filesystem::create_symlink(root / "Outside" / keepers[1], album() / "from-outside.jpg");
    relist();
    for (int round = 0; round < 2; ++round) {
        for (int i = 0; i < 2; ++i) {
            EXPECT_EQ(stateOf(keepers[i]), ReviewState::flaggedByHand) << keepers[i];
            EXPECT_EQ(journalled(ReviewJournal::Event::overriddenToFlag, keepers[i]), 1);
        }
        EXPECT_EQ(stateOf(keepers[2]), ReviewState::keeper);
        EXPECT_EQ(linked(), flagged());
        quitEngine();
        start();
        relist();
    }
}

TEST_F(OwnLinks, ResetGivesAGroupKeepsiftDecidedBackUnchanged) {
    const auto before = engine->index();
    const auto frame = idsIn(ReviewState::flagged).front();
    engine->reset(groupOf(frame));
    relist();
    for (const auto& id : inGroup(groupOf(frame)))
        EXPECT_EQ(stateOf(id), before.entries.at(id).state) << id;
    expectNothingByHand();
}

TEST_F(OwnLinks, ResetTakesBackADiscardByHand) {
    const auto keeper = idsIn(ReviewState::keeper).front();
    engine->override(keeper, false);
    ASSERT_EQ(stateOf(keeper), ReviewState::flaggedByHand);
    ASSERT_EQ(linked(), flagged());
    engine->reset(groupOf(keeper));
    relist();
    EXPECT_EQ(stateOf(keeper), ReviewState::keeper);
    EXPECT_TRUE(idsIn(ReviewState::flaggedByHand).empty());
    EXPECT_EQ(linked(), flagged());
    quitEngine();
    start();
    relist();
    EXPECT_EQ(stateOf(keeper), ReviewState::keeper);
    EXPECT_EQ(linked(), flagged());
}

// The record of Keepsift's links is saved with the index; an index of an earlier build, which
// has none, takes the links it knows for decided photographs as Keepsift's.
TEST_F(OwnLinks, AnEarlierIndexTakesTheLinksItKnowsForKeepsifts) {
    quitEngine();
    auto index = storedIndex();
    EXPECT_EQ(index.ownLinks.made.size(), 6u);
    index.ownLinks = {};
    auto earlier = Json::parse(index.encoded());
    auto withoutRecord = Json::object();
    for (const auto& member : earlier.asObject())
        if (member.key != "ownLinks") withoutRecord.add(member.key, member.value);
    const auto written = withoutRecord.dump();
    storage->write(Data(written.begin(), written.end()), std::string(ScanEngine::indexFileName));
    start();
    relist();
    EXPECT_EQ(engine->index().ownLinks.made.size(), 6u);
    engine->reset(groupOf(idsIn(ReviewState::flagged).front()));
    relist();
    expectNothingByHand();
}

// A discard and the quit's flush in the same instant: the flush done just before the discard
// runs, or begun while its album write is on its way.
class DiscardAtAQuit : public OwnLinks, public ::testing::WithParamInterface<bool> {};

TEST_P(DiscardAtAQuit, IsSavedWithItsLink) {
    const auto keeper = idsIn(ReviewState::keeper).front();
    if (GetParam()) {
        library->holding = true;
        std::thread discard([&] { engine->override(keeper, false); });
        library->awaitWaiting();
        std::thread flush([&] { engine->flush(); });
        library->letGo();
        discard.join();
        flush.join();
    } else {
        engine->flush();
        engine->override(keeper, false);
    }
    engine.reset();
    services = {};
    // As the files hold it after the quit: the link recorded, and nothing left unsettled.
    const auto saved = storedIndex();
    EXPECT_EQ(saved.entries.at(keeper).state, ReviewState::flaggedByHand);
    EXPECT_TRUE(saved.entries.at(keeper).asset.isRejected);
    EXPECT_TRUE(saved.ownLinks.holds(keeper));
    EXPECT_FALSE(storage->read(std::string(UnsettledAlbum::fileName)));
    // The user takes the link out while Keepsift is stopped.
    for (const auto& link : std::filesystem::directory_iterator(album()))
        if (std::filesystem::equivalent(link.path(), pictures / keeper))
            std::filesystem::remove(link.path());
    start();
    relist();
    EXPECT_EQ(stateOf(keeper), ReviewState::keptByHand);
    EXPECT_EQ(linked(), flagged());
}

INSTANTIATE_TEST_SUITE_P(BeforeOrDuringItsAlbumWrite, DiscardAtAQuit, ::testing::Bool());

// An ignored group given back links its flagged photographs again; Keepsift is killed while
// that write is on its way, or once it returned with nothing else to save.
class KilledAfterAReset : public OwnLinks, public ::testing::WithParamInterface<bool> {};

TEST_P(KilledAfterAReset, LeavesNoLinkOfKeepsiftsToTheUser) {
    const auto group = groupOf(idsIn(ReviewState::flagged).front());
    engine->ignore(group);
    ASSERT_EQ(linked().size(), 4u);
    std::map<std::string, Data> files;
    if (GetParam()) {
        library->holding = true;
        std::thread reset([&] { engine->reset(group); });
        library->awaitWaiting();
        files = filesNow();
        library->letGo();
        reset.join();
        // Saved before the write, as the write leaves the album: a stalled write holds no
        // save back.
        const auto& text = files.at(std::string(ScanEngine::indexFileName));
        expectSavedAsTheAlbumIs(LibraryIndex::decode(std::string(text.begin(), text.end())));
    } else {
        engine->reset(group);
        expectSavedAsTheAlbumIs(storedIndex());
        files = filesNow();
    }
    ASSERT_EQ(linked(), flagged());
    ASSERT_EQ(linked().size(), 6u);
    killAndStart(std::move(files));
    expectNothingByHand();
    EXPECT_EQ(linked().size(), 6u);
}

INSTANTIATE_TEST_SUITE_P(DuringOrAfterItsAlbumWrite, KilledAfterAReset, ::testing::Bool());

// Keepsift's own album sync comes while the write of a Reset is on its way, as the pump's may:
// neither takes a link the other made for one the user put there, also after a kill.
TEST_F(OwnLinks, AnAlbumSyncWhileAResetIsWrittenMakesNoLinkTheUsers) {
    const auto group = groupOf(idsIn(ReviewState::flagged).front());
    engine->ignore(group);
    ASSERT_EQ(linked().size(), 4u);
    library->asAddingBegins = [&] { engine->syncRejectsAlbumIfNeeded(); };
    engine->reset(group);
    relist();
    expectNothingByHand();
    expectSavedAsTheAlbumIs(storedIndex());
    killAndStart(filesNow());
    expectNothingByHand();
    EXPECT_EQ(linked().size(), 6u);
}

// The reports of the album's changes come late, as on a busy machine: those of Keepsift's
// first write and of an Ignore's are read only once the group was given back.
TEST_F(OwnLinks, LateReportsOfTheAlbumsChangesUndoNoReset) {
    const auto group = groupOf(idsIn(ReviewState::flagged).front());
    std::vector<std::string> relinked;
    for (const auto& id : idsIn(ReviewState::flagged))
        if (groupOf(id) == group) relinked.push_back(id);
    engine->ignore(group);
    engine->handleLibraryChange(change::RejectsAlbumChanged{relinked, {}});
    engine->reset(group);
    engine->handleLibraryChange(change::RejectsAlbumChanged{{}, relinked});
    engine->syncRejectsAlbumIfNeeded();
    for (const auto& id : relinked)
        EXPECT_EQ(stateOf(id), ReviewState::flagged) << id;
    expectNothingByHand();
    killAndStart(filesNow());
    expectNothingByHand();
}

// A keep and a flag the user makes in the album are saved as the listing reads them, not at
// the next interval: killed, then the files moved while Keepsift is stopped, their links no
// longer lead to them, and only the saved index still holds the user's decisions.
TEST_F(OwnLinks, DecisionsMadeInTheAlbumFollowTheirFilesMovedAfterAKill) {
    namespace fs = std::filesystem;
    const auto unflagged = idsIn(ReviewState::flagged).front();
    const auto keeper = idsIn(ReviewState::keeper).front();
    for (const auto& link : fs::directory_iterator(album()))
        if (fs::equivalent(link.path(), pictures / unflagged)) fs::remove(link.path());
    fs::create_symlink(fs::path("..") / keeper, album() / "mine.jpg");
    relist();
    ASSERT_EQ(stateOf(unflagged), ReviewState::keptByHand);
    ASSERT_EQ(stateOf(keeper), ReviewState::flaggedByHand);
    auto files = filesNow();
    fs::create_directories(pictures / "Moved");
    const auto movedAway = [&](const std::string& id) {
        const auto moved = "Moved/" + fs::path(id).filename().string();
        fs::rename(pictures / id, pictures / moved);
        return moved;
    };
    const auto kept = movedAway(unflagged);
    const auto flaggedByUser = movedAway(keeper);
    killAndStart(std::move(files));
    EXPECT_EQ(stateOf(kept), ReviewState::keptByHand);
    EXPECT_EQ(stateOf(flaggedByUser), ReviewState::flaggedByHand);
    engine->syncRejectsAlbumIfNeeded();
    EXPECT_EQ(linked(), flagged());
    EXPECT_EQ(danglingLinks(), 0);
}

// A flagged photograph removed while the album write of a flag by hand is on its way: that
// write takes its link out too, and the files say so with it, as an idle Keepsift saves
// nothing more.
TEST_F(OwnLinks, ALinkTakenOutByADecisionsWriteIsSavedWithIt) {
    const auto keeper = idsIn(ReviewState::keeper).front();
    const auto removed = idsIn(ReviewState::flagged).back();
    library->asAddingBegins = [&] {
        std::filesystem::remove(pictures / removed);
        engine->handleLibraryChange(change::AssetsDeleted{{removed}});
    };
    engine->override(keeper, false);
    ASSERT_EQ(linked(), flagged());
    const auto saved = storedIndex();
    EXPECT_EQ(saved.entries.at(removed).state, ReviewState::deleted);
    expectSavedAsTheAlbumIs(saved);
}

// A flagged frame moved to another folder before Keepsift lists it, its group then ignored
// (the window still shows it at its old place): the write that takes the group's links out
// takes out the one left at the old path too, and a quit and a start keep the album so.
TEST_F(OwnLinks, IgnoringAGroupTakesOutTheLinkOfAFrameThatMovedUnlisted) {
    const auto frame = idsIn(ReviewState::flagged).front();
    const auto group = groupOf(frame);
    const auto moved = "Moved/" + std::filesystem::path(frame).filename().string();
    std::filesystem::create_directories(pictures / "Moved");
    std::filesystem::rename(pictures / frame, pictures / moved);
    engine->ignore(group);
    EXPECT_EQ(danglingLinks(), 0);
    quitEngine();
    EXPECT_EQ(danglingLinks(), 0);
    const auto saved = storedIndex();
    EXPECT_FALSE(saved.entries.at(frame).asset.isRejected);
    start();
    relist();
    EXPECT_EQ(danglingLinks(), 0);
    EXPECT_FALSE(isFlagged(stateOf(moved)));
    EXPECT_EQ(linked(), flagged());
}

// Every linked frame a decision takes out of the album moved to another folder before Keepsift
// listed it (the window still shows them at their old places): their links lead nowhere, the
// write takes them out, and the quit leaves nothing for the next start to mend.
enum class TakingOut { ignoreTheGroup, keepTheFrame, resetADiscard };

class LinksOfFramesMovedUnlisted : public OwnLinks,
                                   public ::testing::WithParamInterface<TakingOut> {
protected:
    // Moves the linked frames the decision takes out and makes it; answers their new places.
    std::vector<std::string> decideAfterMoving(const std::string& frame) {
        const auto group = groupOf(frame);
        std::vector<std::string> leaving = {frame};
        if (GetParam() == TakingOut::ignoreTheGroup) {
            leaving.clear();
            for (const auto& id : inGroup(group))
                if (isFlagged(stateOf(id))) leaving.push_back(id);
        }
        if (GetParam() == TakingOut::resetADiscard) engine->override(frame, false);
        std::filesystem::create_directories(pictures / "Moved");
        std::vector<std::string> moved;
        for (const auto& id : leaving) {
            moved.push_back("Moved/" + std::filesystem::path(id).filename().string());
            std::filesystem::rename(pictures / id, pictures / moved.back());
        }
        if (GetParam() == TakingOut::keepTheFrame)
            engine->override(frame, true);
        else if (GetParam() == TakingOut::ignoreTheGroup)
            engine->ignore(group);
        else
            engine->reset(group);
        return moved;
    }
    std::string frameTakenOut() const {
        return GetParam() == TakingOut::resetADiscard ? idsIn(ReviewState::keeper).front()
                                                      : idsIn(ReviewState::flagged).front();
    }
};

TEST_P(LinksOfFramesMovedUnlisted, GoWithTheDecisionAndStaySettled) {
    const auto frame = frameTakenOut();
    const auto group = groupOf(frame);
    std::vector<std::string> left;
    for (const auto& id : inGroup(group))
        if (isFlagged(stateOf(id)) || id == frame) left.push_back(id);
    const auto moved = decideAfterMoving(frame);
    EXPECT_EQ(danglingLinks(), 0);
    quitEngine();
    EXPECT_EQ(danglingLinks(), 0);
    const auto saved = storedIndex();
    for (const auto& id : left)
        if (!std::filesystem::exists(pictures / id)) {
            EXPECT_FALSE(saved.entries.at(id).asset.isRejected) << id;
        }
    EXPECT_FALSE(storage->read(std::string(UnsettledAlbum::fileName)));
    start();
    relist();
    EXPECT_EQ(danglingLinks(), 0);
    EXPECT_EQ(linked(), flagged());
    if (GetParam() == TakingOut::keepTheFrame) {
        EXPECT_EQ(stateOf(moved.front()), ReviewState::keptByHand);
    }
    if (GetParam() == TakingOut::resetADiscard) {
        EXPECT_FALSE(isFlagged(stateOf(moved.front())));
    }
}

INSTANTIATE_TEST_SUITE_P(ByTheWindow, LinksOfFramesMovedUnlisted,
                         ::testing::Values(TakingOut::ignoreTheGroup, TakingOut::keepTheFrame,
                                           TakingOut::resetADiscard));

// The user links a keeper into the album and moves its file before Keepsift has read the
// link: the listing that finds the photograph at its new place leaves no link in the album
// leading to the old one, nor does a quit and a start.
TEST_F(OwnLinks, ALinkToTheOldPlaceOfAPhotographMovedUnreadGoesWithTheMove) {
    const auto keeper = idsIn(ReviewState::keeper).front();
    const auto name = std::filesystem::path(keeper).filename().string();
    std::filesystem::create_symlink(std::filesystem::path("..") / keeper,
                                    album() / ("mine " + name));
    std::filesystem::create_directories(pictures / "Moved");
    std::filesystem::rename(pictures / keeper, pictures / "Moved" / name);
    relist();
    EXPECT_EQ(danglingLinks(), 0);
    EXPECT_EQ(linked(), flagged());
    quitEngine();
    EXPECT_EQ(danglingLinks(), 0);
    start();
    relist();
    EXPECT_EQ(danglingLinks(), 0);
    EXPECT_EQ(linked(), flagged());
}

// Decisions by hand while an album write hangs (a stalled share): each is saved at once, and
// the album takes them all once the write returns, before the quit's flush ends.
TEST_F(OwnLinks, DecisionsByHandWhileAnAlbumWriteHangsAreSavedAndFollowIt) {
    const auto keepers = idsIn(ReviewState::keeper);
    const auto flaggedFrames = idsIn(ReviewState::flagged);
    library->holding = true;
    std::thread first([&] { engine->override(keepers[0], false); });
    library->awaitWaiting();
    const std::map<std::string, ReviewState> others = {{keepers[1], ReviewState::flaggedByHand},
                                                       {flaggedFrames[0], ReviewState::keptByHand}};
    std::vector<std::thread> decisions;
    for (const auto& [id, state] : others)
        decisions.emplace_back(
            [&, id, state] { engine->override(id, state == ReviewState::keptByHand); });
    const auto saved = [&] {
        const auto index = storedIndex();
        return std::all_of(others.begin(), others.end(), [&](const auto& decision) {
            return index.entries.at(decision.first).state == decision.second;
        });
    };
    for (int wait = 0; wait < 1000 && !saved(); ++wait)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_TRUE(saved());
    library->letGo();
    first.join();
    for (auto& decision : decisions)
        decision.join();
    engine->flush();
    EXPECT_EQ(linked(), flagged());
    expectSavedAsTheAlbumIs(storedIndex());
    EXPECT_FALSE(storage->read(std::string(UnsettledAlbum::fileName)));
    killAndStart(filesNow());
    for (const auto& [id, state] : others)
        EXPECT_EQ(stateOf(id), state) << id;
    EXPECT_EQ(stateOf(keepers[0]), ReviewState::flaggedByHand);
    EXPECT_EQ(idsIn(ReviewState::flaggedByHand).size() + idsIn(ReviewState::keptByHand).size(), 3u);
    EXPECT_EQ(linked(), flagged());
}

// A second decision by hand while the first one's album write is on its way: the first is
// answered once its own write returns, while the second's write is still held.
TEST_F(OwnLinks, EachDecisionByHandIsAnsweredOnceItsOwnWriteIsDone) {
    const auto keepers = idsIn(ReviewState::keeper);
    library->holding = true;
    std::promise<void> firstAnswered, secondAnswered;
    std::thread first([&] {
        engine->override(keepers[0], false);
        firstAnswered.set_value();
    });
    library->awaitWaiting();
    std::thread second([&] {
        engine->override(keepers[1], false);
        secondAnswered.set_value();
    });
    // Saved while the first write is held.
    const auto secondSaved = [&] {
        return storedIndex().entries.at(keepers[1]).state == ReviewState::flaggedByHand;
    };
    for (int wait = 0; wait < 2000 && !secondSaved(); ++wait)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_TRUE(secondSaved());
    library->asAddingBegins = [&] { library->holdAgain(); };
    library->letGo();
    const bool firstAlone =
        firstAnswered.get_future().wait_for(std::chrono::seconds(20)) == std::future_status::ready;
    EXPECT_TRUE(firstAlone);
    library->awaitWaiting(2);
    auto secondDone = secondAnswered.get_future();
    EXPECT_NE(secondDone.wait_for(std::chrono::seconds(0)), std::future_status::ready);
    library->letGo();
    first.join();
    second.join();
    engine->flush();
    EXPECT_EQ(stateOf(keepers[1]), ReviewState::flaggedByHand);
    EXPECT_EQ(linked(), flagged());
    expectSavedAsTheAlbumIs(storedIndex());
    EXPECT_FALSE(storage->read(std::string(UnsettledAlbum::fileName)));
}

// The user's link is saved as it is read, and a kill right after it loses nothing and takes
// none of Keepsift's links for the user's.
TEST_F(OwnLinks, TheUsersLinkIsSavedAtOnceAndOutlivesAKill) {
    const auto keeper = idsIn(ReviewState::keeper).front();
    const auto stream = engine->libraryChanges();
    std::filesystem::create_symlink(std::filesystem::path("..") / keeper, album() / "mine.jpg");
    for (int wait = 0; wait < 40 && stateOf(keeper) != ReviewState::flaggedByHand; ++wait)
        if (auto change = stream->next(std::chrono::milliseconds(500)))
            engine->handleLibraryChange(*change);
    stream->cancel();
    ASSERT_EQ(stateOf(keeper), ReviewState::flaggedByHand);
    EXPECT_EQ(storedIndex().entries.at(keeper).state, ReviewState::flaggedByHand);
    killAndStart(filesNow());
    EXPECT_EQ(stateOf(keeper), ReviewState::flaggedByHand);
    EXPECT_EQ(journalled(ReviewJournal::Event::overriddenToFlag, keeper), 1);
    EXPECT_EQ(idsIn(ReviewState::flaggedByHand), std::vector{keeper});
    EXPECT_TRUE(idsIn(ReviewState::keptByHand).empty());
    EXPECT_EQ(linked(), flagged());
}

// The delete takes out the links of what it moves: it waits for the album write on its way
// (a discard by hand held by a busy disk) and moves nothing beside it; then it moves the
// discarded photograph with the rest, and the album holds no link to the Trash.
TEST_F(OwnLinks, TheDeleteWaitsForTheAlbumWriteOnItsWay) {
    const auto keeper = idsIn(ReviewState::keeper).front();
    library->holding = true;
    auto discard = std::async(std::launch::async, [&] { engine->override(keeper, false); });
    library->awaitWaiting();
    auto removal =
        std::async(std::launch::async, [&] { return engine->deleteBatch(std::nullopt, 0, true); });
    EXPECT_EQ(removal.wait_for(std::chrono::seconds(2)), std::future_status::timeout)
        << "the delete ran beside the album write";
    EXPECT_TRUE(trashed().empty());
    library->letGo();
    discard.get();
    const auto report = removal.get();
    EXPECT_EQ(report.deleted.size(), 7u);
    EXPECT_EQ(std::count(report.deleted.begin(), report.deleted.end(), keeper), 1);
    EXPECT_EQ(trashed().size(), 7u);
    EXPECT_EQ(danglingLinks(), 0);
    EXPECT_TRUE(linked().empty());
    EXPECT_TRUE(flagged().empty());
}

// A discard by hand while the delete holds the album's turn is saved at once and writes its
// link once the delete ends; it is saved with it.
TEST_F(OwnLinks, ADiscardWhileTheDeleteRunsHasItsLinkOnceItEnds) {
    const auto single = std::string("beach.jpg");
    ASSERT_EQ(stateOf(single), ReviewState::keeper);
    // As the window sends it: from a task of its own, answered once its own write is done.
    std::thread discard;
    dialogs->whileConfirming = [&] {
        discard = std::thread([&] { engine->override(single, false); });
    };
    const auto report = engine->deleteBatch(std::nullopt, 0, true);
    dialogs->whileConfirming = nullptr;
    ASSERT_TRUE(discard.joinable());
    discard.join();
    EXPECT_EQ(report.deleted.size(), 6u);
    EXPECT_EQ(stateOf(single), ReviewState::flaggedByHand);
    EXPECT_EQ(linked(), std::vector{single});
    EXPECT_FALSE(engine->albumNeedsSync());
    engine->flush();
    const auto saved = storedIndex();
    EXPECT_EQ(saved.entries.at(single).state, ReviewState::flaggedByHand);
    EXPECT_TRUE(saved.entries.at(single).asset.isRejected);
}

} // namespace
} // namespace keepsift
