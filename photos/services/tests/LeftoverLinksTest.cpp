#include <algorithm>
#include <chrono>
#include <fstream>
#include <iterator>
#include <map>
#include <set>

#include "core/model/LibraryError.hpp"
#include "core/model/LibraryUnavailable.hpp"
#include "core/scripted/ForwardingLibrary.hpp"
#include "photos/services/tests/EngineOverFolder.hpp"
#include "platform/library/tests/PermissionsBind.hpp"

namespace keepsift {
namespace {

using namespace std::chrono_literals;

// The library whose listing fails while a folder of it cannot be listed.
class ListingFails : public ForwardingLibrary {
public:
    using ForwardingLibrary::ForwardingLibrary;
    std::vector<LibraryAsset> fetchAssets() override {
        if (failing) throw std::runtime_error("a folder cannot be listed");
        return ForwardingLibrary::fetchAssets();
    }
    bool failing = false;
};

// Two reviewed folders, bursts of three in each, whose rejects folder Keepsift wrote; then
// photographs are removed by hand, the folders staying, or a folder cannot be read for a
// while. The engine follows the library's change stream as the application does.
class LeftoverLinks : public testing::EngineOverFolder {
protected:
    void SetUp() override {
        LiveHome::SetUp();
        writeJpeg("beach.jpg", scene(11), "2024:03:10 08:00:00");
        for (int i = 0; i < 12; ++i)
            writeJpeg(trip(i), scene(40 + i / 3, {i % 3 * 2, i % 3}),
                      "2024:05:0" + std::to_string(1 + i / 3) + " 10:00:0" + std::to_string(i % 3));
        for (int i = 0; i < 6; ++i)
            writeJpeg(walk(i), scene(60 + i / 3, {i % 3 * 2, i % 3}),
                      "2024:06:0" + std::to_string(1 + i / 3) + " 09:00:0" + std::to_string(i % 3));
        start();
        engine->reconcileWithLibrary();
        analyseAll();
        refresh();
        ASSERT_GE(flagged().size(), 8u);
        ASSERT_EQ(linked(), flagged());
        // As the change watcher reports the links made.
        engine->handleLibraryChange(change::RejectsAlbumChanged{flagged(), {}});
        for (const auto& id : flagged())
            flaggedAmongRemoved += id.starts_with("Walk/") || id < trip(3);
    }
    void start() {
        startServices();
        library = std::make_shared<ListingFails>(services.library);
        engine = std::make_unique<ScanEngine>(library, services.extractor, storage,
                                              std::make_shared<SystemClock>());
        ASSERT_EQ(engine->ensureAuthorization(true), LibraryAuthorization::authorized);
    }
    void quit() {
        engine->flush();
        engine.reset();
        services = {};
    }
    // A listing, the measuring, the regroup and the album write, as a start or a refresh of
    // the change watcher brings them.
    void refresh() {
        engine->reconcileWithLibrary();
        analyseAll();
        engine->regroup();
        engine->syncRejectsAlbumIfNeeded();
    }
    static std::string trip(int i) { return "Trip/IMG_" + std::to_string(100 + i) + ".jpg"; }
    static std::string walk(int i) { return "Walk/DSC_" + std::to_string(200 + i) + ".jpg"; }

    // The first burst of the trip and the whole walk; the folders stay.
    void removeByHand() {
        for (int i = 0; i < 3; ++i)
            std::filesystem::remove(pictures / trip(i));
        for (int i = 0; i < 6; ++i)
            std::filesystem::remove(pictures / walk(i));
    }
    bool allRemovedSeen() const {
        const auto index = engine->index();
        for (const auto& id : {trip(0), trip(1), trip(2), walk(0), walk(5)})
            if (index.entries.at(id).state != ReviewState::deleted) return false;
        return true;
    }
    // Each change is followed by a regroup and the album write of a pump step; a listing that
    // cannot be made complete is told to the user and tried again with the next change.
    template <class Done> void followChanges(const LibraryChangeStream& stream, Done&& done) {
        const auto deadline = std::chrono::steady_clock::now() + 60s;
        while (!done() && std::chrono::steady_clock::now() < deadline)
            if (auto change = stream->next(200ms)) {
                if (const auto* album = std::get_if<change::RejectsAlbumChanged>(&*change))
                    reportedLinked.insert(album->added.begin(), album->added.end());
                try {
                    engine->handleLibraryChange(*change);
                } catch (const LibraryUnavailable&) {
                }
                engine->regroup();
                try {
                    engine->syncRejectsAlbumIfNeeded();
                } catch (const LibraryError& error) {
                    ADD_FAILURE() << error.what();
                }
            }
        stream->cancel();
    }
    void expectOnlyPresentFlaggedLinked() {
        EXPECT_EQ(danglingLinks(), 0);
        EXPECT_EQ(linked(), flagged());
    }

    // Each photograph of the trip: its state and how many journal entries name it.
    std::map<std::string, std::pair<ReviewState, int>> tripAsItIs() const {
        std::map<std::string, std::pair<ReviewState, int>> trip;
        for (const auto& [id, entry] : engine->index().entries)
            if (id.starts_with("Trip/")) trip[id] = {entry.state, 0};
        for (const auto& entry : engine->journal().entries())
            if (auto found = trip.find(entry.assetID); found != trip.end()) ++found->second.second;
        return trip;
    }
    // The trip's folder readable again and listed: each of its photographs as it was, with
    // its link, and nothing journalled of it; the beach flagged by hand meanwhile.
    void expectTripAsBefore(const std::map<std::string, std::pair<ReviewState, int>>& before,
                            const std::vector<std::string>& linkedBefore) {
        std::filesystem::permissions(pictures / "Trip", std::filesystem::perms::owner_all);
        refresh();
        EXPECT_EQ(tripAsItIs(), before);
        expectOnlyPresentFlaggedLinked();
        EXPECT_EQ(linked().size(), linkedBefore.size() + 1);
    }

    std::shared_ptr<ListingFails> library;
    int flaggedAmongRemoved = 0;
    // Photographs the change stream reported put into the album.
    std::set<std::string> reportedLinked;

    // A flagged frame of the walk as it was before it was removed by hand.
    struct Removed {
        std::string id, bytes;
        std::filesystem::file_time_type modified;
    };
    Removed removeFlaggedFrame() const {
        Removed removed;
        for (const auto& id : idsIn(ReviewState::flagged))
            if (id.starts_with("Walk/")) removed.id = id;
        if (removed.id.empty()) return removed;
        std::ifstream in(pictures / removed.id, std::ios::binary);
        removed.bytes.assign(std::istreambuf_iterator<char>(in), {});
        removed.modified = std::filesystem::last_write_time(pictures / removed.id);
        std::filesystem::remove(pictures / removed.id);
        return removed;
    }
    // Bytes at the removed photograph's path, with its modification time.
    void putAt(const Removed& removed, const std::string& bytes) {
        std::ofstream(pictures / removed.id, std::ios::binary)
            .write(bytes.data(), std::streamsize(bytes.size()));
        std::filesystem::last_write_time(pictures / removed.id, removed.modified);
    }
};

TEST_F(LeftoverLinks, PhotographsRemovedByHandLeaveTheAlbumWithinSeconds) {
    ASSERT_GT(flaggedAmongRemoved, 1);
    const auto stream = engine->libraryChanges();
    removeByHand();
    followChanges(stream, [&] { return allRemovedSeen() && danglingLinks() == 0; });
    EXPECT_TRUE(allRemovedSeen());
    expectOnlyPresentFlaggedLinked();
}

TEST_F(LeftoverLinks, PhotographsRemovedWhileKeepsiftIsStoppedLeaveTheAlbumAtTheNextStart) {
    quit();
    removeByHand();
    start();
    refresh();
    EXPECT_TRUE(allRemovedSeen());
    expectOnlyPresentFlaggedLinked();
}

// Seen removed, then a quit before the album was written: the next starts write it.
TEST_F(LeftoverLinks, LinksLeftBehindByAQuitLeaveTheAlbumAtTheNextStart) {
    removeByHand();
    engine->reconcileWithLibrary();
    ASSERT_TRUE(allRemovedSeen());
    quit();
    ASSERT_GT(danglingLinks(), 0);
    start();
    refresh();
    expectOnlyPresentFlaggedLinked();
    quit();
    start();
    refresh();
    expectOnlyPresentFlaggedLinked();
}

// The watcher reports the link of a photograph removed by hand as taken out of the album
// while the library cannot be listed.
TEST_F(LeftoverLinks, ALinkLeftByARemovalDuringAFailingListingIsNoDecision) {
    const auto removed = removeFlaggedFrame();
    const auto& frame = removed.id;
    ASSERT_FALSE(frame.empty());
    library->failing = true;
    EXPECT_FALSE(engine->handleLibraryChange(change::NeedsRefresh{}));
    engine->handleLibraryChange(change::RejectsAlbumChanged{{}, {frame}});
    engine->regroup();
    engine->syncRejectsAlbumIfNeeded();
    EXPECT_EQ(stateOf(frame), ReviewState::flagged);
    library->failing = false;
    refresh();
    EXPECT_EQ(stateOf(frame), ReviewState::deleted);
    EXPECT_EQ(journalled(ReviewJournal::Event::unflaggedElsewhere, frame), 0);
    EXPECT_EQ(journalled(ReviewJournal::Event::deletedElsewhere, frame), 1);
    expectOnlyPresentFlaggedLinked();
}

// Another file at a removed flagged photograph's path, found before its leftover link was
// taken out; the watcher then reports that link as a member again.
class FileAtARemovedPath : public LeftoverLinks, public ::testing::WithParamInterface<bool> {
protected:
    // A different picture, or the same picture with the times and size of the removed one
    // and other bytes.
    void putAnother(const Removed& removed) {
        if (!GetParam()) {
            writeJpeg(removed.id, scene(99), "2024:07:01 12:00:00");
            return;
        }
        auto other = removed.bytes;
        const auto make = other.find("Fujifilm");
        ASSERT_NE(make, std::string::npos);
        other.replace(make, 8, "FUJIFILM");
        putAt(removed, other);
    }
    // Decided afresh, and neither its link nor the watcher's report of it made a flag by hand.
    void expectJudgedByItsOwnBytes(const std::string& frame) {
        EXPECT_NE(stateOf(frame), ReviewState::flaggedByHand);
        EXPECT_NE(stateOf(frame), ReviewState::pending);
        EXPECT_EQ(journalled(ReviewJournal::Event::overriddenToFlag, frame), 0);
        expectOnlyPresentFlaggedLinked();
    }
};

TEST_P(FileAtARemovedPath, IsJudgedByItsOwnBytes) {
    const auto removed = removeFlaggedFrame();
    const auto& frame = removed.id;
    ASSERT_FALSE(frame.empty());
    engine->reconcileWithLibrary();
    ASSERT_EQ(stateOf(frame), ReviewState::deleted);
    putAnother(removed);
    engine->reconcileWithLibrary();
    EXPECT_EQ(stateOf(frame), ReviewState::pending);
    analyseAll();
    engine->regroup();
    engine->handleLibraryChange(change::RejectsAlbumChanged{{frame}, {}});
    refresh();
    expectJudgedByItsOwnBytes(frame);
}

// Removed and replaced while Keepsift is stopped; the next start is cut short before the
// newcomer is measured, and the one after finishes.
TEST_P(FileAtARemovedPath, IsJudgedByItsOwnBytesAfterAStop) {
    const auto removed = removeFlaggedFrame();
    const auto& frame = removed.id;
    ASSERT_FALSE(frame.empty());
    quit();
    putAnother(removed);
    start();
    engine->reconcileWithLibrary();
    // One of the same size and times is told by its bytes, read back after the listing.
    readBack();
    EXPECT_EQ(stateOf(frame), ReviewState::pending);
    quit();
    start();
    refresh();
    engine->handleLibraryChange(change::RejectsAlbumChanged{{frame}, {}});
    refresh();
    expectJudgedByItsOwnBytes(frame);
}

INSTANTIATE_TEST_SUITE_P(DifferentOrLookAlike, FileAtARemovedPath, ::testing::Bool());

// A flagged frame rewritten in place, moved a pixel, its time put back: measured afresh and
// flagged again, its link stays the engine's and the quit leaves it settled, so the link the
// user takes out while Keepsift is stopped is the user's keep at the next start.
TEST_F(LeftoverLinks, TheLinkOfAFrameRewrittenAndFlaggedAgainTakenOutWhileStoppedIsAKeep) {
    const auto flaggedNow = idsIn(ReviewState::flagged);
    const auto frame = std::find_if(flaggedNow.begin(), flaggedNow.end(),
                                    [](const auto& id) { return id.starts_with("Trip/"); });
    ASSERT_NE(frame, flaggedNow.end());
    const int i = std::stoi(frame->substr(9, 3)) - 100;
    const auto modified = std::filesystem::last_write_time(pictures / *frame);
    writeJpeg(*frame, scene(40 + i / 3, {i % 3 * 2 + 1, i % 3}),
              "2024:05:0" + std::to_string(1 + i / 3) + " 10:00:0" + std::to_string(i % 3));
    std::filesystem::last_write_time(pictures / *frame, modified);
    engine->reconcileWithLibrary();
    readBack();
    refresh();
    ASSERT_EQ(stateOf(*frame), ReviewState::flagged);
    quit();
    for (const auto& link : std::filesystem::directory_iterator(album()))
        if (std::filesystem::read_symlink(link.path()).filename() ==
            std::filesystem::path(*frame).filename())
            std::filesystem::remove(link.path());
    start();
    refresh();
    EXPECT_EQ(stateOf(*frame), ReviewState::keptByHand);
    EXPECT_EQ(journalled(ReviewJournal::Event::unflaggedElsewhere, *frame), 1);
    expectOnlyPresentFlaggedLinked();
}

TEST_F(LeftoverLinks, TheSameBytesPutBackBringTheReviewBack) {
    const auto removed = removeFlaggedFrame();
    const auto& frame = removed.id;
    ASSERT_FALSE(frame.empty());
    refresh();
    ASSERT_EQ(stateOf(frame), ReviewState::deleted);
    expectOnlyPresentFlaggedLinked();
    putAt(removed, removed.bytes);
    refresh();
    EXPECT_EQ(stateOf(frame), ReviewState::flagged);
    expectOnlyPresentFlaggedLinked();
}

// A folder that cannot be read for a while (a backup tool, a share whose permissions change)
// while the album is written for a photograph elsewhere: its links are no change of the
// user's, then or once it can be read again.
TEST_F(LeftoverLinks, AFolderThatCannotBeReadKeepsItsDecisionsAndItsLinks) {
    const auto keepers = idsIn(ReviewState::keeper);
    const auto kept = std::find_if(keepers.begin(), keepers.end(),
                                   [](const auto& id) { return id.starts_with("Trip/"); });
    ASSERT_NE(kept, keepers.end());
    engine->override(*kept, false);
    const auto before = tripAsItIs();
    const auto linkedBefore = linked();
    {
        foldertest::PermissionsBind bound;
        const auto stream = engine->libraryChanges();
        std::filesystem::permissions(pictures / "Trip", std::filesystem::perms::none);
        engine->override("beach.jpg", false);
        followChanges(stream, [&] { return reportedLinked.contains("beach.jpg"); });
        ASSERT_TRUE(reportedLinked.contains("beach.jpg"));
    }
    expectTripAsBefore(before, linkedBefore);
    EXPECT_EQ(stateOf(*kept), ReviewState::flaggedByHand);
}

// The same folder cannot be read at a start whose catalogue cache was cleared, so the listing
// does not know it held photographs and leaves it out.
TEST_F(LeftoverLinks, AFolderThatCannotBeReadAtAStartIsUnavailableNotDeleted) {
    const auto before = tripAsItIs();
    const auto linkedBefore = linked();
    quit();
    std::filesystem::remove_all(root / "XDG_CACHE_HOME");
    std::filesystem::permissions(pictures / "Trip", std::filesystem::perms::none);
    {
        foldertest::PermissionsBind bound;
        start();
        refresh();
        engine->override("beach.jpg", false);
        EXPECT_EQ(idsIn(ReviewState::deleted).size(), 0u);
    }
    expectTripAsBefore(before, linkedBefore);
}

// Links the user put into the album: to a file outside the library that is gone, one with a
// typo, one to a file the library never held.
TEST_F(LeftoverLinks, TheUsersOwnLinksStayWhenPhotographsRemovedByHandLeaveTheAlbum) {
    const std::map<std::string, std::filesystem::path> own = {
        {"old scan.jpg", root / "Scans" / "old scan.jpg"},
        {"IMG_1OO.jpg", "../Trip/IMG_1OO.jpg"},
        {"notes.jpg", "../../Elsewhere/notes.jpg"}};
    for (const auto& [name, target] : own)
        std::filesystem::create_symlink(target, album() / name);
    const auto expectOwnLinksKept = [&] {
        for (const auto& [name, target] : own) {
            std::error_code missing;
            EXPECT_EQ(std::filesystem::read_symlink(album() / name, missing), target) << name;
        }
        EXPECT_EQ(danglingLinks(), static_cast<int>(own.size()));
        EXPECT_EQ(linked(), flagged());
    };
    const auto stream = engine->libraryChanges();
    removeByHand();
    followChanges(stream, [&] {
        return allRemovedSeen() && danglingLinks() == static_cast<int>(own.size());
    });
    EXPECT_TRUE(allRemovedSeen());
    expectOwnLinksKept();
    engine->override("beach.jpg", false);
    expectOwnLinksKept();
    quit();
    start();
    refresh();
    expectOwnLinksKept();
}

} // namespace
} // namespace keepsift
