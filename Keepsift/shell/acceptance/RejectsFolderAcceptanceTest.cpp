// The rejects folder the real binary keeps, as the user sees it across quits: photographs
// removed by hand leave it, a change the user makes to it is the user's, and a decision goes
// with the photograph's bytes when it is moved by a link or swapped with another.
#include <algorithm>
#include <chrono>

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
        const auto journal = readJournal(support);
        if (!journal) return false;
        const auto entries = journal->entries();
        return std::any_of(entries.begin(), entries.end(), [&](const auto& entry) {
            return entry.assetID == id && entry.event == event;
        });
    }
    // The first scan done and its album written.
    void awaitScan(const testing::LaunchedApp& app, const fs::path& support) const {
        ASSERT_TRUE(testing::eventually([&] { return scanned(support) || !app.isRunning(); },
                                        acceptanceGuard()))
            << log();
        ASSERT_TRUE(testing::eventually([&] { return inStep(support) || !app.isRunning(); }, 60))
            << log();
    }
    // The photograph at the path is in the state, and the album and the index agree.
    bool holds(const fs::path& support, const std::string& id, ReviewState state) const {
        const auto index = readIndex(support);
        if (!index || !inStep(support)) return false;
        const auto found = index->entries.find(id);
        return found != index->entries.end() && found->second.state == state;
    }
    void decide(const testing::LaunchedApp& app, const fs::path& support, const std::string& id,
                bool keep) const {
        ASSERT_TRUE(app.send((keep ? "keep " : "flag ") + id));
        const auto state = keep ? ReviewState::keptByHand : ReviewState::flaggedByHand;
        ASSERT_TRUE(
            testing::eventually([&] { return holds(support, id, state) || !app.isRunning(); }, 60))
            << log();
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

// Some tools move a file by linking it at its new place and removing the old name; a listing
// finds the new name first and decides it as a photograph of its own.
TEST_F(RejectsFolder, AFlagByHandFollowsAPhotographLinkedElsewhereThenRemoved) {
    keepOnlyReadablePhotographs();
    const std::string id = "Trips/t1.jpg", moved = "Moved/t1.jpg";
    testing::LaunchedApp app(folder.path(), library.root);
    const auto support = app.indexFolder();
    ASSERT_NO_FATAL_FAILURE(awaitScan(app, support));
    ASSERT_NO_FATAL_FAILURE(decide(app, support, id, false));
    fs::create_directories(library.root / "Moved");
    fs::create_hard_link(library.root / id, library.root / moved);
    ASSERT_TRUE(testing::eventually(
        [&] {
            return holds(support, moved, ReviewState::keeper) ||
                   holds(support, moved, ReviewState::flagged) || !app.isRunning();
        },
        60))
        << log();
    fs::remove(library.root / id);
    EXPECT_TRUE(testing::eventually(
        [&] { return holds(support, moved, ReviewState::flaggedByHand) || !app.isRunning(); }, 60))
        << log();
    double seconds = 0;
    ASSERT_TRUE(app.terminate(seconds));
    EXPECT_TRUE(holds(support, moved, ReviewState::flaggedByHand));
    EXPECT_EQ(linkedRejects().count(moved), 1u);
}

// Two photographs of different modification times, each decided by hand, swapped between
// folders while Keepsift is stopped: each decision is found where its bytes went.
TEST_F(RejectsFolder, DecisionsByHandFollowPhotographsOfDifferentTimesSwappedWhileStopped) {
    keepOnlyReadablePhotographs();
    const auto start = fs::file_time_type::clock::now() - std::chrono::hours(1);
    int second = 0;
    for (const auto& [id, bytes] : library.photos)
        fs::last_write_time(library.root / id, start + std::chrono::seconds(++second));
    const std::string flagged = "Trips/t2.jpg", kept = "Bursts/b3-1.jpg";
    fs::path support;
    {
        testing::LaunchedApp app(folder.path(), library.root);
        support = app.indexFolder();
        ASSERT_NO_FATAL_FAILURE(awaitScan(app, support));
        ASSERT_NO_FATAL_FAILURE(decide(app, support, flagged, false));
        ASSERT_NO_FATAL_FAILURE(decide(app, support, kept, true));
        double seconds = 0;
        ASSERT_TRUE(app.terminate(seconds));
    }
    fs::rename(library.root / flagged, folder.path() / "swapping.jpg");
    fs::rename(library.root / kept, library.root / flagged);
    fs::rename(folder.path() / "swapping.jpg", library.root / kept);
    for (int start = 0; start < 2; ++start) {
        testing::LaunchedApp app(folder.path(), library.root);
        EXPECT_TRUE(testing::eventually(
            [&] {
                return (holds(support, kept, ReviewState::flaggedByHand) &&
                        holds(support, flagged, ReviewState::keptByHand)) ||
                       !app.isRunning();
            },
            60))
            << start << "\n"
            << log();
        double seconds = 0;
        ASSERT_TRUE(app.terminate(seconds));
        const auto index = readIndex(support);
        ASSERT_TRUE(index);
        EXPECT_EQ(index->entries.at(kept).state, ReviewState::flaggedByHand) << start;
        EXPECT_EQ(index->entries.at(flagged).state, ReviewState::keptByHand) << start;
        EXPECT_EQ(linkedRejects().count(kept), 1u) << start;
        EXPECT_EQ(linkedRejects().count(flagged), 0u) << start;
    }
}

} // namespace
} // namespace keepsift::acceptance
