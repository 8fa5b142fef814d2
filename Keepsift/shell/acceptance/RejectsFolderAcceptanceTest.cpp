// The rejects folder the real binary keeps, as the user sees it across quits: photographs
// removed by hand leave it, a change the user makes to it is the user's, and nothing else is;
// a decision goes with the photograph's bytes when it is moved by a link or swapped with another.
#include <algorithm>
#include <chrono>
#include <fstream>
#include <map>

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
    // The album links exactly the flagged photographs the index holds, and nothing dangles
    // but the user's own links.
    bool inStep(const fs::path& support, int ownDangling = 0) const {
        const auto index = readIndex(support);
        return index && dangling() == ownDangling && linkedRejects() == idsIn(*index, isFlagged);
    }
    // What the album links that the index holds unflagged, and the other way round.
    std::string outOfStep(const fs::path& support) const {
        const auto index = readIndex(support);
        if (!index) return "no index\n";
        const auto links = linkedRejects();
        const auto flagged = idsIn(*index, isFlagged);
        std::string text;
        for (const auto& id : links)
            if (!flagged.contains(id)) text += "linked, not flagged: " + id + "\n";
        const auto journal = readJournal(support);
        for (const auto& id : flagged) {
            if (links.contains(id)) continue;
            text += "flagged, not linked: " + id + (fs::exists(library.root / id) ? "" : " (gone)");
            for (const auto& entry : journal ? journal->entries() : decltype(journal->entries()){})
                if (entry.assetID == id) text += " " + std::string(toString(entry.event));
            text += "\n";
        }
        return text;
    }
    void unlink(const std::string& id) {
        std::error_code error;
        for (const auto& name : namesIn(album()))
            if (fs::equivalent(album() / name, library.root / id, error))
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
    fs::file_time_type savedAt(const fs::path& support) const {
        return fs::last_write_time(support / "library-index.json");
    }
    // A start's first save, which follows its listing, made after the one saved at `saved`;
    // then the album and the index agree.
    void awaitStartInStep(const testing::LaunchedApp& app, const fs::path& support,
                          fs::file_time_type saved) const {
        std::error_code error;
        ASSERT_TRUE(testing::eventually(
            [&] { return fs::last_write_time(support / "library-index.json", error) != saved; },
            60))
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
    // The index, once it is not caught between two writes.
    LibraryIndex awaitIndex(const fs::path& support) const {
        std::optional<LibraryIndex> index;
        EXPECT_TRUE(
            testing::eventually([&] { return (index = readIndex(support)).has_value(); }, 10));
        return index.value_or(LibraryIndex{});
    }
    // Decides a keeper by hand, outside `folder`, and waits for its link.
    std::string flagKeeper(const testing::LaunchedApp& app, const fs::path& support,
                           const std::string& folder) const {
        const auto kept = idsIn(awaitIndex(support), ReviewState::keeper);
        const auto id = std::find_if(kept.begin(), kept.end(),
                                     [&](const auto& id) { return id.starts_with(folder); });
        if (id == kept.end()) return {};
        EXPECT_TRUE(app.send("flag " + *id));
        EXPECT_TRUE(testing::eventually([&] { return linkedRejects().count(*id) == 1; }, 60));
        return *id;
    }
    // A new photograph, once a listing made after it arrived has put it in the index.
    void arrive(const testing::LaunchedApp& app, const fs::path& support, const std::string& id,
                int seed) {
        library.add(id, scene(seed), "2021:01:01 12:00:00");
        EXPECT_TRUE(testing::eventually(
            [&] {
                const auto index = readIndex(support);
                return (index && index->entries.contains(id)) || !app.isRunning();
            },
            120))
            << log();
    }
    int journalled(const ReviewJournal& journal, const std::string& id,
                   ReviewJournal::Event event) const {
        const auto entries = journal.entries();
        return static_cast<int>(std::count_if(entries.begin(), entries.end(), [&](const auto& e) {
            return e.assetID == id && e.event == event;
        }));
    }
    // -1 while the journal cannot be read.
    int journalled(const fs::path& support, const std::string& id,
                   ReviewJournal::Event event) const {
        const auto journal = readJournal(support);
        return journal ? journalled(*journal, id, event) : -1;
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
        const auto kept = idsIn(*readIndex(support), ReviewState::keeper);
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
            // The index and the journal are two files, written one after the other.
            return (index && index->entries.at(id).state == ReviewState::keptByHand &&
                    inStep(support) &&
                    journalHolds(support, id, ReviewJournal::Event::unflaggedElsewhere)) ||
                   !app.isRunning();
        },
        120))
        << log();
    EXPECT_EQ(linkedRejects().count(id), 0u);
}

// A folder made unreadable while Keepsift runs (a backup tool, a share whose permissions
// change), then a photograph elsewhere flagged by hand; the folder is readable again later.
TEST_F(RejectsFolder, AFolderMadeUnreadableThenAnAlbumWriteChangesNoDecision) {
    fs::path support;
    std::map<std::string, ReviewState> bursts;
    std::string flaggedInBursts;
    {
        testing::LaunchedApp app(folder.path(), library.root);
        support = app.indexFolder();
        ASSERT_NO_FATAL_FAILURE(awaitScan(app, support));
        flaggedInBursts = flagKeeper(app, support, "Bursts/");
        ASSERT_FALSE(flaggedInBursts.empty());
        ASSERT_TRUE(testing::eventually(
            [&] {
                const auto index = readIndex(support);
                return index &&
                       index->entries.at(flaggedInBursts).state == ReviewState::flaggedByHand;
            },
            60));
        const auto decided = readIndex(support);
        ASSERT_TRUE(decided);
        for (const auto& [id, entry] : decided->entries)
            if (id.starts_with("Bursts/")) bursts[id] = entry.state;
        // The album as it is now has been seen by the library's change stream.
        arrive(app, support, "Trips/early.jpg", 701);
        const auto unreadable = [&] {
            const auto text = log();
            size_t count = 0;
            for (auto at = text.find("cannot read the folder"); at != std::string::npos;
                 at = text.find("cannot read the folder", at + 1))
                ++count;
            return count;
        };
        fs::permissions(library.root / "Bursts", fs::perms::none);
        ASSERT_FALSE(flagKeeper(app, support, "Trips/").empty());
        // Two more changes seen after the album write: the report of the write came before.
        for (int nudge = 0; nudge < 2; ++nudge) {
            const auto seen = unreadable();
            std::ofstream(library.root / "Trips" / ("nudge" + std::to_string(nudge) + ".txt"))
                << "x";
            ASSERT_TRUE(
                testing::eventually([&] { return unreadable() > seen || !app.isRunning(); }, 60))
                << log();
        }
        fs::permissions(library.root / "Bursts", fs::perms::owner_all);
        arrive(app, support, "Trips/late.jpg", 700);
        EXPECT_TRUE(testing::eventually([&] { return inStep(support) || !app.isRunning(); }, 60))
            << log();
        double seconds = 0;
        ASSERT_TRUE(app.terminate(seconds));
    }
    const auto index = readIndex(support);
    const auto journal = readJournal(support);
    ASSERT_TRUE(index && journal);
    const auto linked = linkedRejects();
    for (const auto& [id, state] : bursts) {
        EXPECT_EQ(index->entries.at(id).state, state) << id;
        EXPECT_EQ(linked.count(id), isFlagged(state) ? 1u : 0u) << id;
        EXPECT_EQ(journalled(*journal, id, ReviewJournal::Event::unflaggedElsewhere), 0) << id;
        EXPECT_EQ(journalled(*journal, id, ReviewJournal::Event::overriddenToFlag),
                  id == flaggedInBursts)
            << id;
    }
    EXPECT_TRUE(inStep(support));
}

// Links the user put into the rejects folder: to a file outside the library that is gone, one
// with a typo, one to a file the library never held.
TEST_F(RejectsFolder, TheUsersOwnLinksStayThroughAlbumWritesAndARestart) {
    const std::map<std::string, fs::path> own = {
        {"old scan.jpg", folder.path() / "Scans" / "old scan.jpg"},
        {"b0-O.jpg", "../Bursts/b0-O.jpg"},
        {"notes.jpg", "../../Elsewhere/notes.jpg"}};
    const int ownLinks = static_cast<int>(own.size());
    const auto expectOwnLinksKept = [&] {
        for (const auto& [name, target] : own) {
            std::error_code missing;
            EXPECT_EQ(fs::read_symlink(album() / name, missing), target) << name;
        }
    };
    fs::path support;
    {
        testing::LaunchedApp app(folder.path(), library.root);
        support = app.indexFolder();
        ASSERT_NO_FATAL_FAILURE(awaitScan(app, support));
        for (const auto& [name, target] : own)
            fs::create_symlink(target, album() / name);
        removeBurst(0);
        ASSERT_FALSE(flagKeeper(app, support, "Trips/").empty());
        EXPECT_TRUE(
            testing::eventually([&] { return inStep(support, ownLinks) || !app.isRunning(); }, 60))
            << dangling() << " links lead nowhere\n"
            << outOfStep(support) << log();
        expectOwnLinksKept();
        // An application that ended on its own would pass the wait above without the files.
        ASSERT_TRUE(app.isRunning()) << log();
        double seconds = 0;
        ASSERT_EQ(app.terminate(seconds), std::optional<int>(0)) << log();
    }
    removeBurst(1);
    testing::LaunchedApp app(folder.path(), library.root);
    EXPECT_TRUE(
        testing::eventually([&] { return inStep(support, ownLinks) || !app.isRunning(); }, 60))
        << dangling() << " links lead nowhere\n"
        << outOfStep(support) << log();
    expectOwnLinksKept();
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
    const auto link = [&](int fromBurst) {
        for (int burst = fromBurst; burst < fromBurst + 4; ++burst)
            for (const int frame : {0, 2}) {
                linked.insert(arrival(burst, frame));
                fs::create_symlink(fs::path("..") / arrival(burst, frame),
                                   album() / fs::path(arrival(burst, frame)).filename());
            }
    };
    link(0);
    // Then as many once Keepsift lists them, not measured yet.
    ASSERT_TRUE(testing::eventually(
        [&] {
            const auto index = readIndex(support);
            return (index && index->entries.contains(arrival(11, 4))) || !app.isRunning();
        },
        60));
    link(4);
    const auto byHand = [&](const LibraryIndex& index) {
        int count = 0;
        for (const auto& id : linked)
            count += index.entries.contains(id) &&
                     index.entries.at(id).state == ReviewState::flaggedByHand;
        return count;
    };
    // Every photograph measured. The album folder records the user's links: the index takes
    // them at the ordinary save, or at the quit.
    const auto measured = [&] {
        const auto index = readIndex(support);
        if (!index || index->entries.size() < library.photos.size()) return false;
        for (const auto& [id, entry] : index->entries)
            if (entry.state == ReviewState::pending) return false;
        return true;
    };
    EXPECT_TRUE(testing::eventually([&] { return measured() || !app.isRunning(); }, 120))
        << byHand(readIndex(support).value_or(LibraryIndex{})) << " of 16 flagged by hand, "
        << linkedRejects().size() << " linked, "
        << idsIn(readIndex(support).value_or(LibraryIndex{}), isFlagged).size() << " flagged\n"
        << log();
    double seconds = 0;
    ASSERT_TRUE(app.terminate(seconds));
    // Whatever of them the quit found taken, the next start reads the rest in the album.
    const auto saved = savedAt(support);
    testing::LaunchedApp again(folder.path(), library.root);
    ASSERT_NO_FATAL_FAILURE(awaitStartInStep(again, support, saved));
    ASSERT_TRUE(again.terminate(seconds));
    const auto index = readIndex(support);
    ASSERT_TRUE(index);
    EXPECT_EQ(byHand(*index), 16);
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
        const auto flagged = idsIn(*readIndex(support), ReviewState::flagged);
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

// Reset on a group Keepsift decided alone, and on one whose keeper the user discarded by hand:
// each is decided afresh, its links follow, and nothing of it becomes the user's.
TEST_F(RejectsFolder, ResetGivesGroupsBackWithKeepsiftsLinks) {
    keepOnlyReadablePhotographs();
    testing::LaunchedApp app(folder.path(), library.root);
    const auto support = app.indexFolder();
    ASSERT_NO_FATAL_FAILURE(awaitScan(app, support));
    const auto discarded = flagKeeper(app, support, "Trips/");
    ASSERT_FALSE(discarded.empty());
    ASSERT_TRUE(testing::eventually(
        [&] { return holds(support, discarded, ReviewState::flaggedByHand) || !app.isRunning(); },
        60));
    const auto before = awaitIndex(support);
    const auto bursts = idsIn(before, ReviewState::flagged);
    const auto burst = std::find_if(bursts.begin(), bursts.end(),
                                    [](const auto& id) { return id.starts_with("Bursts/"); });
    ASSERT_NE(burst, bursts.end());
    const auto groupOf = [&](const std::string& id) { return *before.entries.at(id).groupID; };
    std::map<std::string, ReviewState> decidedAlone;
    for (const auto& [id, entry] : before.entries)
        if (entry.groupID == groupOf(*burst)) decidedAlone[id] = entry.state;
    const auto journalledOf = [&](const std::string& id) {
        const auto journal = readJournal(support);
        if (!journal) return -1;
        const auto entries = journal->entries();
        return static_cast<int>(std::count_if(entries.begin(), entries.end(),
                                              [&](const auto& e) { return e.assetID == id; }));
    };
    std::map<std::string, int> journalledBefore;
    for (const auto& [id, state] : decidedAlone)
        journalledBefore[id] = journalledOf(id);
    ASSERT_TRUE(app.send("reset " + groupOf(*burst)));
    ASSERT_TRUE(app.send("reset " + groupOf(discarded)));
    const auto decidedAgain = [&] {
        for (const auto& [id, count] : journalledBefore)
            if (journalledOf(id) <= count) return false;
        return holds(support, discarded, ReviewState::keeper);
    };
    EXPECT_TRUE(testing::eventually([&] { return decidedAgain() || !app.isRunning(); }, 60))
        << log();
    double seconds = 0;
    ASSERT_TRUE(app.terminate(seconds));
    const auto index = readIndex(support);
    ASSERT_TRUE(index);
    for (const auto& [id, state] : decidedAlone) {
        EXPECT_EQ(index->entries.at(id).state, state) << id;
        EXPECT_EQ(journalled(support, id, ReviewJournal::Event::overriddenToFlag), 0) << id;
    }
    EXPECT_EQ(index->entries.at(discarded).state, ReviewState::keeper);
    EXPECT_TRUE(idsIn(*index, isSetByHand).empty());
    EXPECT_TRUE(inStep(support));
}

// An ignored group given back by Reset links its flagged photographs again; killed right after,
// the next start takes none of those links for a flag of the user's.
TEST_F(RejectsFolder, AResetAfterAnIgnoreThenAKillMakesNoLinkTheUsers) {
    keepOnlyReadablePhotographs();
    std::set<std::string> relinked;
    fs::file_time_type saved;
    {
        testing::LaunchedApp app(folder.path(), library.root);
        const auto support = app.indexFolder();
        ASSERT_NO_FATAL_FAILURE(awaitScan(app, support));
        const auto before = awaitIndex(support);
        const auto flagged = idsIn(before, ReviewState::flagged);
        const auto burst = std::find_if(flagged.begin(), flagged.end(),
                                        [](const auto& id) { return id.starts_with("Bursts/"); });
        ASSERT_NE(burst, flagged.end());
        const auto group = *before.entries.at(*burst).groupID;
        for (const auto& id : flagged)
            if (before.entries.at(id).groupID == group) relinked.insert(id);
        const auto linkedOnes = [&] {
            const auto links = linkedRejects();
            return std::count_if(relinked.begin(), relinked.end(),
                                 [&](const auto& id) { return links.contains(id); });
        };
        ASSERT_TRUE(app.send("ignore " + group));
        ASSERT_TRUE(testing::eventually([&] { return linkedOnes() == 0 || !app.isRunning(); }, 60))
            << log();
        ASSERT_TRUE(app.send("reset " + group));
        ASSERT_TRUE(testing::eventually(
            [&] { return linkedOnes() == std::ssize(relinked) || !app.isRunning(); }, 60))
            << log();
        saved = savedAt(support);
        double seconds = 0;
        ASSERT_TRUE(app.terminate(seconds, SIGKILL));
    }
    testing::LaunchedApp app(folder.path(), library.root);
    const auto support = app.indexFolder();
    ASSERT_NO_FATAL_FAILURE(awaitStartInStep(app, support, saved));
    const auto index = awaitIndex(support);
    for (const auto& id : relinked) {
        EXPECT_EQ(index.entries.at(id).state, ReviewState::flagged) << id;
        EXPECT_EQ(journalled(support, id, ReviewJournal::Event::overriddenToFlag), 0) << id;
    }
    EXPECT_TRUE(idsIn(index, isSetByHand).empty());
}

// A keeper discarded by hand and the quit in the same instant: whatever of it the quit let
// through, the index, the rejects folder and the unsettled list agree, and the user's removal
// of the link while Keepsift is stopped is taken at the next start.
TEST_F(RejectsFolder, ADiscardAndAQuitInTheSameInstantLeaveTheFilesInStep) {
    keepOnlyReadablePhotographs();
    fs::path support;
    std::optional<std::string> takenOut;
    std::optional<fs::file_time_type> saved;
    for (int round = 0; round < 4; ++round) {
        SCOPED_TRACE(round);
        testing::LaunchedApp app(folder.path(), library.root);
        support = app.indexFolder();
        ASSERT_NO_FATAL_FAILURE(awaitScan(app, support));
        // The start's first save, which comes once the application has read its files.
        std::error_code error;
        ASSERT_TRUE(testing::eventually(
            [&] {
                return !saved ||
                       fs::last_write_time(support / "library-index.json", error) != *saved;
            },
            60));
        // The removal made while it was stopped is taken: the start has run.
        if (takenOut) {
            EXPECT_TRUE(testing::eventually(
                [&] { return holds(support, *takenOut, ReviewState::keptByHand); }, 120))
                << log();
        }
        if (round == 3) break;
        const auto kept = idsIn(awaitIndex(support), ReviewState::keeper);
        ASSERT_FALSE(kept.empty());
        const std::string id = *kept.begin();
        ASSERT_TRUE(app.send("flag " + id));
        double seconds = 0;
        ASSERT_TRUE(app.terminate(seconds));
        saved = fs::last_write_time(support / "library-index.json");
        const auto index = awaitIndex(support);
        const auto& entry = index.entries.at(id);
        const auto stored = readWholeFile(support / std::string(UnsettledAlbum::fileName));
        const auto unsettled = UnsettledAlbum::decode(stored.value_or("{\"unsettled\":[]}"));
        ASSERT_TRUE(unsettled);
        const bool linked = linkedRejects().count(id) == 1;
        EXPECT_FALSE(unsettled->ids.contains(id));
        EXPECT_EQ(entry.asset.isRejected, linked);
        EXPECT_EQ(isFlagged(entry.state), linked);
        takenOut.reset();
        if (entry.state != ReviewState::flaggedByHand) continue;
        unlink(id);
        takenOut = id;
    }
}

} // namespace
} // namespace keepsift::acceptance
