// The library folder goes away while the real binary runs (moved away, or its drive unmounted
// so that only the empty mount point is left) and comes back: meanwhile the status window names
// the folder, and no decision changes, least of all one made by hand.
#include <cerrno>
#include <cstring>
#include <functional>
#include <map>
#include <sstream>
#include <sys/mount.h>

#include "ApplicationFixture.hpp"
#include "platform/files/AtomicFile.hpp"

namespace keepsift::acceptance {
namespace {

std::string unavailableNotice(const fs::path& root) {
    return "Keepsift cannot read the folder \u201C" + root.string() +
           "\u201D of your photo library right now. Your review is kept until the folder is "
           "back.";
}

// Each photograph's decision, by name, so that a difference reads plainly.
std::map<std::string, std::string_view> statesIn(const LibraryIndex& index) {
    std::map<std::string, std::string_view> states;
    for (const auto& [id, entry] : index.entries)
        states[id] = toString(entry.state);
    return states;
}

bool run(const std::string& command) {
    return std::system(command.c_str()) == 0;
}

class LibraryAway : public ApplicationAcceptance {
protected:
    void SetUp() override {
        ApplicationAcceptance::SetUp();
        if (IsSkipped()) return;
        // The 35 photographs the fixture counts as scanned, so that none is still pending when
        // the decisions are taken down (a later regroup would change the machine's).
        keepOnlyReadablePhotographs();
    }

    // What the status window's notice says, as the window shows it; empty while it shows none,
    // nothing when the window's texts could not be had.
    std::optional<std::string> statusNotice(const testing::LaunchedApp& app) {
        const auto lines = windowTexts(app);
        if (!lines) return std::nullopt;
        shown_ = *lines;
        std::istringstream in(*lines);
        std::string window, widget, text;
        while (std::getline(in, window, '\t') && std::getline(in, widget, '\t') &&
               std::getline(in, text))
            if (widget == "permission-notice") return text;
        return std::string();
    }

    // Whether the status window comes to say this; what it said last and the application's
    // log when it does not, or when the application has ended.
    ::testing::AssertionResult noticeBecomes(const testing::LaunchedApp& app,
                                             const std::string& wanted) {
        std::optional<std::string> notice;
        if (testing::eventually(
                [&] { return (notice = statusNotice(app)) == wanted || !app.isRunning(); },
                acceptanceGuard()) &&
            notice == wanted)
            return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure()
               << (app.isRunning() ? "" : "the application has ended\n")
               << "the status window says: " << notice.value_or("(no answer)") << "\n"
               << shown_ << "\nlog:\n"
               << log();
    }

    // The library as the user left it: scanned, one kept photograph discarded and one
    // discarded photograph kept by hand, the album following.
    std::map<std::string, std::string_view> decideByHand(const testing::LaunchedApp& app) {
        const auto support = app.indexFolder();
        EXPECT_TRUE(testing::eventually([&] { return scanned(support) || !app.isRunning(); },
                                        acceptanceGuard()))
            << log();
        const auto index = readIndex(support);
        if (!index) return {};
        handFlagged_ = *idsIn(*index, ReviewState::keeper).begin();
        handKept_ = *idsIn(*index, isFlagged).begin();
        EXPECT_TRUE(app.send("flag " + handFlagged_));
        EXPECT_TRUE(app.send("keep " + handKept_));
        std::optional<LibraryIndex> decided;
        EXPECT_TRUE(testing::eventually(
            [&] {
                decided = readIndex(support);
                return decided &&
                       decided->entries.at(handFlagged_).state == ReviewState::flaggedByHand &&
                       decided->entries.at(handKept_).state == ReviewState::keptByHand &&
                       linkedRejects() == idsIn(*decided, isFlagged);
            },
            120))
            << log();
        return decided ? statesIn(*decided) : std::map<std::string, std::string_view>{};
    }

    // Away, named in the status window; back, the notice gone; every decision as it was, in
    // the index, the album and the journal, once the quit flush has run.
    void awayAndBack(const std::function<void()>& goAway, const std::function<void()>& comeBack) {
        testing::LaunchedApp app(folder.path(), library.root);
        const auto decided = decideByHand(app);
        ASSERT_FALSE(decided.empty());
        ASSERT_EQ(statusNotice(app), "") << shown_;

        goAway();
        ASSERT_TRUE(noticeBecomes(app, unavailableNotice(library.root)));
        comeBack();
        ASSERT_TRUE(noticeBecomes(app, "")) << "the notice stayed after the folder came back";
        double seconds = 0;
        ASSERT_EQ(app.terminate(seconds), std::optional<int>(0));
        const auto index = readIndex(app.indexFolder());
        ASSERT_TRUE(index);
        EXPECT_EQ(statesIn(*index), decided);
        EXPECT_EQ(index->entries.at(handKept_).state, ReviewState::keptByHand);
        EXPECT_EQ(index->entries.at(handFlagged_).state, ReviewState::flaggedByHand);
        EXPECT_EQ(linkedRejects(), idsIn(*index, isFlagged));
        const auto journal = readJournal(app.indexFolder());
        ASSERT_TRUE(journal);
        for (const auto& entry : journal->entries())
            EXPECT_TRUE(entry.event != ReviewJournal::Event::unflaggedElsewhere &&
                        entry.event != ReviewJournal::Event::deletedElsewhere)
                << entry.assetID << " was taken for changed elsewhere";
        for (const auto& [id, bytes] : library.photos)
            EXPECT_TRUE(readWholeFile(library.root / id) == bytes) << id << " changed";
    }

    std::string shown_;
    std::string handFlagged_, handKept_;
};

TEST_F(LibraryAway, AFolderMovedAwayIsNamedUntilItIsBackAndNoDecisionChanges) {
    const fs::path away = folder.path() / "Pictures moved away";
    awayAndBack([&] { fs::rename(library.root, away); }, [&] { fs::rename(away, library.root); });
}

// A drive is a filesystem of its own: it appears whole when mounted and leaves the empty mount
// point behind when unmounted. Its content is kept aside meanwhile, as the drive keeps it.
class DriveAway : public LibraryAway {
protected:
    void SetUp() override {
        LibraryAway::SetUp();
        if (IsSkipped()) return;
        fs::rename(library.root, drive_);
        fs::create_directory(library.root);
        fs::create_directory(staging_);
        if (!mountDrive()) GTEST_SKIP() << "no tmpfs can be mounted here: " << std::strerror(errno);
    }
    void TearDown() override {
        ::umount2(library.root.c_str(), MNT_DETACH);
        ::umount2(staging_.c_str(), MNT_DETACH);
        LibraryAway::TearDown();
    }

    // Filled beside the library first, then mounted onto it at once.
    bool mountDrive() {
        if (::mount("tmpfs", staging_.c_str(), "tmpfs", 0, "size=64m,mode=0755") != 0) return false;
        const bool filled = run("cp -a '" + drive_.string() + "/.' '" + staging_.string() + "'");
        const bool mounted = filled && ::mount(staging_.c_str(), library.root.c_str(), nullptr,
                                               MS_BIND, nullptr) == 0;
        ::umount2(staging_.c_str(), MNT_DETACH);
        return mounted;
    }
    void unmountDrive() {
        fs::remove_all(drive_);
        ASSERT_TRUE(run("cp -a '" + library.root.string() + "' '" + drive_.string() + "'"));
        ASSERT_EQ(::umount2(library.root.c_str(), MNT_DETACH), 0) << std::strerror(errno);
    }

    const fs::path drive_ = folder.path() / "drive";
    const fs::path staging_ = folder.path() / "staging";
};

TEST_F(DriveAway, AnUnmountedDriveIsNamedUntilItIsBackAndNoDecisionChanges) {
    awayAndBack([&] { unmountDrive(); }, [&] { ASSERT_TRUE(mountDrive()); });
}

} // namespace
} // namespace keepsift::acceptance
