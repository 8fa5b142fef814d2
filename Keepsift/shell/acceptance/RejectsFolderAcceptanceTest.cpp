// The rejects folder the real binary keeps, as the user sees it across quits: photographs
// removed by hand leave it, and a change the user makes to it is the user's.
#include <algorithm>

#include "ApplicationFixture.hpp"
#include "core/engine/UnsettledAlbum.hpp"
#include "platform/files/AtomicFile.hpp"

namespace keepsift::acceptance {
namespace {

class RejectsFolder : public ApplicationAcceptance {
protected:
    fs::path album() const { return library.root / rejects; }

    // Links that lead nowhere.
    int dangling() const {
        int count = 0;
        for (const auto& name : namesIn(album()))
            count += fs::is_symlink(album() / name) && !fs::exists(album() / name);
        return count;
    }
    // The album links exactly the flagged photographs the index holds, and nothing dangles.
    bool inStep(const fs::path& support) const {
        const auto index = readIndex(support);
        return index && dangling() == 0 && linkedRejects() == idsIn(*index, isFlagged);
    }
    void unlink(const std::string& id) {
        for (const auto& name : namesIn(album()))
            if (fs::exists(album() / name) && fs::equivalent(album() / name, library.root / id))
                fs::remove(album() / name);
    }
    bool journalHolds(const fs::path& support, const std::string& id,
                      ReviewJournal::Event event) const {
        return journalled(support, id, event) > 0;
    }
    // The first scan done and its album written.
    void awaitScan(const testing::LaunchedApp& app, const fs::path& support) const {
        ASSERT_TRUE(testing::eventually([&] { return scanned(support) || !app.isRunning(); },
                                        acceptanceGuard()))
            << log();
        ASSERT_TRUE(testing::eventually([&] { return inStep(support) || !app.isRunning(); }, 60))
            << log();
    }
    int journalled(const fs::path& support, const std::string& id,
                   ReviewJournal::Event event) const {
        const auto journal = readJournal(support);
        if (!journal) return -1;
        const auto entries = journal->entries();
        return static_cast<int>(std::count_if(entries.begin(), entries.end(), [&](const auto& e) {
            return e.assetID == id && e.event == event;
        }));
    }
    void removeBurst(int burst) {
        for (int frame = 0; frame < 5; ++frame)
            fs::remove(library.root /
                       ("Bursts/b" + std::to_string(burst) + "-" + std::to_string(frame) + ".jpg"));
    }
};

TEST_F(RejectsFolder, PhotographsRemovedByHandLeaveItWhileRunningAndWhileStopped) {
    fs::path support;
    {
        testing::LaunchedApp app(folder.path(), library.root);
        support = app.indexFolder();
        ASSERT_NO_FATAL_FAILURE(awaitScan(app, support));
        removeBurst(0);
        ASSERT_GT(dangling(), 0);
        EXPECT_TRUE(testing::eventually([&] { return inStep(support) || !app.isRunning(); }, 60))
            << dangling() << " links lead nowhere\n"
            << log();
        double seconds = 0;
        ASSERT_TRUE(app.terminate(seconds));
    }
    removeBurst(1);
    testing::LaunchedApp app(folder.path(), library.root);
    EXPECT_TRUE(testing::eventually([&] { return inStep(support) || !app.isRunning(); }, 60))
        << dangling() << " links lead nowhere\n"
        << log();
}

// A keeper discarded by hand, then a quit at once; the user takes it out of the rejects
// folder while Keepsift is stopped.
TEST_F(RejectsFolder, ALinkTakenOutAfterADecisionAndAQuitIsTheUsers) {
    fs::path support;
    std::string id;
    {
        testing::LaunchedApp app(folder.path(), library.root);
        support = app.indexFolder();
        ASSERT_NO_FATAL_FAILURE(awaitScan(app, support));
        const auto kept = idsIn(*readIndex(support),
                                [](ReviewState state) { return state == ReviewState::keeper; });
        ASSERT_FALSE(kept.empty());
        id = *kept.begin();
        ASSERT_TRUE(app.send("flag " + id));
        ASSERT_TRUE(testing::eventually([&] { return linkedRejects().count(id) == 1; }, 60));
        double seconds = 0;
        ASSERT_TRUE(app.terminate(seconds));
    }
    const auto stored = readWholeFile(support / std::string(UnsettledAlbum::fileName));
    const auto unsettled = UnsettledAlbum::decode(stored.value_or("{\"unsettled\":[]}"));
    ASSERT_TRUE(unsettled) << stored.value_or("");
    EXPECT_FALSE(unsettled->ids.contains(id)) << stored.value_or("");
    unlink(id);
    testing::LaunchedApp app(folder.path(), library.root);
    EXPECT_TRUE(testing::eventually(
        [&] {
            const auto index = readIndex(support);
            return (index && index->entries.at(id).state == ReviewState::keptByHand &&
                    inStep(support)) ||
                   !app.isRunning();
        },
        120))
        << log();
    EXPECT_TRUE(journalHolds(support, id, ReviewJournal::Event::unflaggedElsewhere));
    EXPECT_EQ(linkedRejects().count(id), 0u);
}

// Twelve bursts copied in, and eight of their frames linked into the rejects folder at once,
// as a file manager does, while Keepsift lists and measures them.
TEST_F(RejectsFolder, LinksAddedToPhotographsNotYetMeasuredAreTheUsersFlags) {
    keepOnlyReadablePhotographs();
    testing::LaunchedApp app(folder.path(), library.root);
    const auto support = app.indexFolder();
    ASSERT_NO_FATAL_FAILURE(awaitScan(app, support));
    const auto arrival = [](int burst, int frame) {
        return "Arrivals/a" + std::to_string(burst) + "-" + std::to_string(frame) + ".jpg";
    };
    // Made aside and moved in at once, as a copy from a card lands.
    Library copied{folder.path() / "card", {}};
    for (int burst = 0; burst < 12; ++burst)
        for (int frame = 0; frame < 5; ++frame)
            copied.add(arrival(burst, frame), burstFrame(20 + burst, frame),
                       "2025:0" + std::to_string(1 + burst % 9) + ":1" + std::to_string(burst / 9) +
                           " 10:00:0" + std::to_string(frame * 2));
    fs::rename(copied.root / "Arrivals", library.root / "Arrivals");
    library.photos.merge(copied.photos);
    std::set<std::string> linked;
    for (int burst = 0; burst < 4; ++burst)
        for (const int frame : {0, 2}) {
            linked.insert(arrival(burst, frame));
            fs::create_symlink(fs::path("..") / arrival(burst, frame),
                               album() / fs::path(arrival(burst, frame)).filename());
        }
    const auto byHand = [&](const LibraryIndex& index) {
        int count = 0;
        for (const auto& id : linked)
            count += index.entries.contains(id) &&
                     index.entries.at(id).state == ReviewState::flaggedByHand;
        return count;
    };
    const auto settled = [&] {
        const auto index = readIndex(support);
        if (!index || index->entries.size() < library.photos.size()) return false;
        for (const auto& [id, entry] : index->entries)
            if (entry.state == ReviewState::pending) return false;
        return byHand(*index) == 8 && inStep(support);
    };
    EXPECT_TRUE(testing::eventually([&] { return settled() || !app.isRunning(); }, 120))
        << byHand(readIndex(support).value_or(LibraryIndex{})) << " of 8 flagged by hand, "
        << linkedRejects().size() << " linked, "
        << idsIn(readIndex(support).value_or(LibraryIndex{}), isFlagged).size() << " flagged\n"
        << log();
    double seconds = 0;
    ASSERT_TRUE(app.terminate(seconds));
    const auto index = readIndex(support);
    ASSERT_TRUE(index);
    EXPECT_EQ(byHand(*index), 8);
    EXPECT_TRUE(inStep(support));
    for (const auto& id : linked)
        EXPECT_EQ(journalled(support, id, ReviewJournal::Event::overriddenToFlag), 1) << id;
}

// A flagged photograph removed while Keepsift is stopped, and another picture put at its
// path: the picture is judged by its own bytes, not by the link the removed one left.
TEST_F(RejectsFolder, ANewPictureAtAPathRemovedWhileStoppedIsJudgedByItsBytes) {
    keepOnlyReadablePhotographs();
    fs::path support;
    std::string id;
    {
        testing::LaunchedApp app(folder.path(), library.root);
        support = app.indexFolder();
        ASSERT_NO_FATAL_FAILURE(awaitScan(app, support));
        const auto flagged = idsIn(*readIndex(support),
                                   [](ReviewState state) { return state == ReviewState::flagged; });
        ASSERT_FALSE(flagged.empty());
        id = *flagged.begin();
        double seconds = 0;
        ASSERT_TRUE(app.terminate(seconds));
    }
    const auto modified = fs::last_write_time(library.root / id);
    fs::remove(library.root / id);
    library.add(id, scene(900), "2025:06:01 12:00:00");
    fs::last_write_time(library.root / id, modified);
    testing::LaunchedApp app(folder.path(), library.root);
    EXPECT_TRUE(testing::eventually(
        [&] {
            const auto index = readIndex(support);
            return (index && index->entries.contains(id) &&
                    isDecided(index->entries.at(id).state) && inStep(support)) ||
                   !app.isRunning();
        },
        120))
        << log();
    double seconds = 0;
    ASSERT_TRUE(app.terminate(seconds));
    EXPECT_EQ(journalled(support, id, ReviewJournal::Event::overriddenToFlag), 0);
    EXPECT_NE(readIndex(support)->entries.at(id).state, ReviewState::flaggedByHand);
    EXPECT_TRUE(inStep(support));
}

} // namespace
} // namespace keepsift::acceptance
