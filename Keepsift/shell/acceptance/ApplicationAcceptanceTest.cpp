#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <sys/mount.h>

#include "ApplicationFixture.hpp"
#include "Keepsift/shell/tests/ExecLine.hpp"
#include "platform/files/AtomicFile.hpp"

namespace keepsift::acceptance {
namespace {

TEST_F(ApplicationAcceptance, ScansFlagsDeletesOnlyWhatIsConfirmedAndKeepsTheLastDecision) {
    testing::LaunchedApp app(folder.path(), library.root);
    ASSERT_GT(app.pid(), 0);
    const auto support = app.indexFolder();

    // Bad input on the way: a photograph removed while the scan runs.
    ASSERT_TRUE(testing::eventually([&] { return fs::exists(folder.path() / "cache"); }, 60));
    fs::remove(library.root / "zz-removed-mid-scan.jpg");
    library.photos.erase("zz-removed-mid-scan.jpg");

    ASSERT_TRUE(testing::eventually([&] { return scanned(support) || !app.isRunning(); },
                                    acceptanceGuard()))
        << "the scan did not finish\n"
        << log() << support.string() << ": "
        << readWholeFile(support / "library-index.json").value_or("no index").substr(0, 2000);
    ASSERT_TRUE(app.isRunning()) << "the application ended during the scan";

    // The rejects folder links exactly the flagged photographs; nothing was deleted.
    LibraryIndex index = *readIndex(support);
    const auto flagged = idsIn(index, isFlagged);
    ASSERT_FALSE(flagged.empty());
    EXPECT_TRUE(testing::eventually([&] { return linkedRejects() == flagged; }, 60));
    EXPECT_EQ(linkedRejects(), flagged);
    EXPECT_TRUE(fs::exists(support / "review-journal.json"));
    for (const auto& [id, bytes] : library.photos) {
        if (id.starts_with("Locked/")) continue;
        EXPECT_EQ(readWholeFile(library.root / id), bytes) << id;
        EXPECT_TRUE(index.entries.count(id)) << id;
    }
    EXPECT_FALSE(index.entries.count("Locked/l0.jpg"));

    // A confirmed batch moves exactly the flagged photographs to the Trash.
    ASSERT_TRUE(app.send("delete-all " + std::to_string(flagged.size())));
    const auto trash = folder.path() / "data" / "Trash";
    ASSERT_TRUE(
        testing::eventually([&] { return namesIn(trash / "files").size() == flagged.size(); }, 60));
    std::set<std::string> trashed, expectedNames, infos;
    for (const auto& id : flagged)
        expectedNames.insert(fs::path(id).filename().string());
    for (const auto& name : namesIn(trash / "files"))
        trashed.insert(name);
    EXPECT_EQ(trashed, expectedNames);
    for (const auto& name : trashed)
        infos.insert(name + ".trashinfo");
    EXPECT_TRUE(testing::eventually([&] { return namesIn(trash / "info") == infos; }, 30));
    for (const auto& [id, bytes] : library.photos)
        EXPECT_EQ(fs::exists(library.root / id), !flagged.count(id)) << id;

    // A hand decision made just before quitting is in the journal after SIGTERM.
    const std::string kept = *idsIn(index, ReviewState::keeper).begin();
    ASSERT_TRUE(app.send("flag " + kept));
    ASSERT_TRUE(testing::eventually([&] { return linkedRejects().count(kept) == 1; }, 60));
    double seconds = 0;
    const auto status = app.terminate(seconds);
    ASSERT_TRUE(status);
    EXPECT_EQ(*status, 0);
    std::printf("SIGTERM to exit: %.3f s\n", seconds);
    const auto journal = readJournal(support);
    ASSERT_TRUE(journal);
    const auto entries = journal->entries();
    const bool recorded = std::any_of(entries.begin(), entries.end(), [&](const auto& entry) {
        return entry.assetID == kept && entry.event == ReviewJournal::Event::overriddenToFlag;
    });
    EXPECT_TRUE(recorded) << "the last decision is not in the journal";
    EXPECT_EQ(readIndex(support)->entries.at(kept).state, ReviewState::flaggedByHand);
}

// The folder named once comes back at login: the autostart entry's Exec line, run as a
// launcher runs it, tidies the same folder with the same review, and nothing else is read.
TEST_F(ApplicationAcceptance, TheAutostartEntryBringsBackTheSameReview) {
    const auto guard = acceptanceGuard();
    // A Pictures folder of the home's own, which must stay untouched.
    const fs::path pictures = folder.path() / "home" / "Pictures";
    fs::create_directories(pictures);
    std::ofstream(pictures / "elsewhere.jpg") << "not to be read";
    std::string kept;
    {
        testing::LaunchedApp app(folder.path(), library.root);
        ASSERT_TRUE(testing::eventually(
            [&] { return scanned(app.indexFolder()) || !app.isRunning(); }, guard))
            << log();
        kept = *idsIn(*readIndex(app.indexFolder()), ReviewState::keeper).begin();
        ASSERT_TRUE(app.send("flag " + kept));
        ASSERT_TRUE(app.send("launch-at-login"));
        ASSERT_TRUE(testing::eventually(
            [&] {
                return fs::exists(folder.path() / "config" / "autostart" /
                                  "com.ambervale.keepsift.desktop") &&
                       linkedRejects().count(kept) == 1;
            },
            60));
        double seconds = 0;
        ASSERT_TRUE(app.terminate(seconds));
    }
    // Run from a build, it put itself into the desktop menu, starting this very binary.
    const auto menuEntry =
        readWholeFile(folder.path() / "data" / "applications" / "com.ambervale.keepsift.desktop");
    ASSERT_TRUE(menuEntry);
    EXPECT_EQ(testing::execArguments(*menuEntry),
              std::vector<std::string>{fs::canonical(KEEPSIFT_BINARY).string()});
    EXPECT_TRUE(fs::exists(folder.path() / "data" / "icons" / "hicolor" / "48x48" / "apps" /
                           "com.ambervale.keepsift.png"));
    const auto entry =
        readWholeFile(folder.path() / "config" / "autostart" / "com.ambervale.keepsift.desktop");
    const auto command = testing::execArguments(*entry);
    ASSERT_TRUE(command && command->size() == 2 && command->back() == "--autostart") << *entry;

    testing::LaunchedApp atLogin(folder.path(), library.root, *command);
    // The relaunch reads the same index: a second hand decision lands beside the first.
    const auto index = readIndex(atLogin.indexFolder());
    ASSERT_TRUE(index);
    EXPECT_EQ(index->entries.at(kept).state, ReviewState::flaggedByHand);
    const std::string other = *idsIn(*index, ReviewState::keeper).begin();
    ASSERT_TRUE(flagUntilLinked(atLogin, other)) << log();
    double seconds = 0;
    ASSERT_TRUE(atLogin.terminate(seconds));
    const auto after = readIndex(atLogin.indexFolder());
    ASSERT_TRUE(after);
    EXPECT_EQ(after->entries.at(kept).state, ReviewState::flaggedByHand);
    EXPECT_EQ(after->entries.at(other).state, ReviewState::flaggedByHand);
    EXPECT_EQ(namesIn(pictures), std::set<std::string>{"elsewhere.jpg"});
    EXPECT_EQ(namesIn(atLogin.supportFolder() / "libraries").size(), 1u);
}

// The index folder's disk is full when the application starts: no decision could be kept,
// so nothing is flagged (the model's tests show it waits); once there is room the scan runs
// and what it decides reaches the disk.
TEST_F(ApplicationAcceptance, AFullDiskAtStartFlagsNothingUntilThereIsRoom) {
    const fs::path data = folder.path() / "data";
    fs::create_directories(data);
    if (::mount("tmpfs", data.c_str(), "tmpfs", 0, "size=2m") != 0)
        GTEST_SKIP() << "no tmpfs can be mounted here: " << std::strerror(errno);
    const std::unique_ptr<const char, int (*)(const char*)> unmount(
        data.c_str(), [](const char* p) { return ::umount2(p, MNT_DETACH); });
    const fs::path filler = data / "filler";
    {
        std::ofstream fill(filler, std::ios::binary);
        const std::string block(64 * 1024, 'x');
        while (fill.write(block.data(), static_cast<std::streamsize>(block.size())))
            fill.flush();
    }

    testing::LaunchedApp app(folder.path(), library.root);
    ASSERT_GT(app.pid(), 0);
    const auto support = app.supportFolder(), indexFolder = app.indexFolder();
    // Up and listening, its support folder on the full disk.
    ASSERT_TRUE(testing::eventually(
        [&] { return fs::exists(support / "instance.socket") || !app.isRunning(); }, 600))
        << log();
    ASSERT_TRUE(app.isRunning()) << "the application ended on a full disk\n" << log();
    EXPECT_TRUE(linkedRejects().empty());
    EXPECT_FALSE(readIndex(indexFolder)) << "an index was written to a full disk";

    fs::remove(filler);
    ASSERT_TRUE(testing::eventually([&] { return scanned(indexFolder) || !app.isRunning(); }, 600))
        << log();
    double seconds = 0;
    const auto status = app.terminate(seconds);
    ASSERT_TRUE(status);
    EXPECT_EQ(*status, 0);
    const auto index = readIndex(indexFolder);
    ASSERT_TRUE(index) << "the decisions did not reach the disk once it had room\n" << log();
    EXPECT_FALSE(idsIn(*index, isFlagged).empty());
    EXPECT_TRUE(readJournal(indexFolder));

    // The album may be behind the index by the decisions of the step the quit cut short; the
    // next start brings it in line with what was saved.
    testing::LaunchedApp again(folder.path(), library.root);
    EXPECT_TRUE(testing::eventually(
        [&] {
            const auto now = readIndex(indexFolder);
            return now && scanned(indexFolder) && linkedRejects() == idsIn(*now, isFlagged);
        },
        600))
        << "the rejects album did not follow the index after a restart\n"
        << log();
}

} // namespace
} // namespace keepsift::acceptance
