// The real binary beside another local user of the machine, a process of that user's own:
// nothing Keepsift keeps, writes or listens on can be read, listed or written by them, neither
// through its path nor on its own (as where a folder of Keepsift's is a link to an open place).
#include <algorithm>
#include <map>
#include <sys/stat.h>

#include "ApplicationFixture.hpp"
#include "platform/files/AtomicFile.hpp"
#include "platform/files/tests/OtherUser.hpp"

namespace keepsift::acceptance {
namespace {

using testing::whatOtherUserCan;

ino_t inodeOf(const fs::path& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 ? info.st_ino : 0;
}

// Every entry below the folder, links not followed.
std::vector<fs::path> entriesBelow(const fs::path& folder) {
    std::vector<fs::path> entries;
    std::error_code error;
    for (fs::recursive_directory_iterator it(folder, error), end; !error && it != end;
         it.increment(error))
        entries.push_back(it->path());
    return entries;
}

// Search rights for others on every folder from `top` down to the entry's own folder while
// this lives, so that only the entry's own mode stands between them and it.
class OpenWayTo {
public:
    OpenWayTo(const fs::path& top, const fs::path& entry) {
        for (fs::path folder = entry.parent_path(); folder.string().size() >= top.string().size();
             folder = folder.parent_path()) {
            struct stat info {};
            if (::lstat(folder.c_str(), &info) != 0) break;
            saved_.emplace_back(folder, info.st_mode & 07777);
            ::chmod(folder.c_str(), (info.st_mode & 07777) | 0011);
            if (folder == top) break;
        }
    }
    ~OpenWayTo() {
        for (const auto& [folder, mode] : saved_)
            ::chmod(folder.c_str(), mode);
    }
    OpenWayTo(const OpenWayTo&) = delete;
    OpenWayTo& operator=(const OpenWayTo&) = delete;

private:
    std::vector<std::pair<fs::path, mode_t>> saved_;
};

class OtherUser : public ApplicationAcceptance {
protected:
    void SetUp() override {
        ApplicationAcceptance::SetUp();
        if (IsSkipped()) return;
        if (!testing::asOtherUser([] { return true; }))
            GTEST_SKIP() << "needs root to start another user's process";
        keepOnlyReadablePhotographs();
        // The test's own folders let them by, as a home folder and /tmp do.
        fs::permissions(folder.path(),
                        fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
        for (const auto& entry : entriesBelow(folder.path()))
            before_[entry] = inodeOf(entry);
    }

    // Everything where the user's files are kept, and the album.
    std::vector<fs::path> keptEntries() const {
        std::vector<fs::path> entries;
        for (const char* top : {"config", "data", "cache", "home", "runtime"})
            for (const auto& entry : entriesBelow(folder.path() / top))
                entries.push_back(entry);
        entries.push_back(library.root / rejects);
        return entries;
    }
    // The test wrote it as an earlier run would have, and Keepsift has not written it since.
    bool isUnchangedFromTheTest(const fs::path& entry) const {
        const auto found = before_.find(entry);
        return found != before_.end() && found->second == inodeOf(entry);
    }
    // Links carry no rights of their own; a photograph in the Trash keeps the mode it had in
    // the library, and is private by the Trash's folders.
    bool hasRightsOfItsOwn(const fs::path& entry) const {
        const auto trashedFiles = folder.path() / "data/Trash/files";
        return !fs::is_symlink(entry) && entry.parent_path() != trashedFiles &&
               !isUnchangedFromTheTest(entry);
    }

    // What the other user can do to each entry through its path; empty when nothing.
    std::string openThroughTheirPaths(const std::vector<fs::path>& entries) const {
        std::string open;
        for (const auto& entry : entries)
            if (const auto can = whatOtherUserCan(entry); !can.empty())
                open += "  " + entry.string() + ": " + can + "\n";
        return open;
    }
    // The same with every folder above each entry open to them.
    std::string openOnTheirOwn(const std::vector<fs::path>& entries) const {
        std::string open;
        for (const auto& entry : entries) {
            if (!hasRightsOfItsOwn(entry)) continue;
            OpenWayTo way(folder.path(), entry);
            if (const auto can = whatOtherUserCan(entry); !can.empty())
                open += "  " + entry.string() + ": " + can + "\n";
        }
        return open;
    }

    // Confirms "delete all" for as many as the saved index flags, until the journal records a
    // deletion.
    void deleteAll(const testing::LaunchedApp& app, const fs::path& support) const {
        const auto deleted = [&] {
            const auto journal = readJournal(support);
            if (!journal) return false;
            for (const auto& entry : journal->entries())
                if (entry.event == ReviewJournal::Event::deleted) return true;
            return false;
        };
        ASSERT_TRUE(testing::eventually(
            [&] {
                if (const auto index = readIndex(support))
                    app.send("delete-all " + std::to_string(idsIn(*index, isFlagged).size()));
                return testing::eventually(deleted, 3) || !app.isRunning();
            },
            acceptanceGuard()))
            << log();
    }

    std::map<fs::path, ino_t> before_;
};

TEST_F(OtherUser, CanNeitherReadListNorWriteAnythingKeepsiftKeeps) {
    // A photograph of the library is theirs to read: the test reaches what it asks about.
    ASSERT_EQ(whatOtherUserCan(library.root / "Trips/t0.jpg"), "read");
    std::vector<fs::path> entries;
    {
        testing::LaunchedApp app(folder.path(), library.root);
        const auto support = app.indexFolder();
        ASSERT_TRUE(testing::eventually([&] { return scanned(support) || !app.isRunning(); },
                                        acceptanceGuard()))
            << log();
        ASSERT_NO_FATAL_FAILURE(deleteAll(app, support));
        entries = keptEntries();
        // The lock and the socket are there while it runs.
        EXPECT_EQ(openThroughTheirPaths(entries), "") << log();
        double seconds = 0;
        ASSERT_TRUE(app.terminate(seconds));
    }
    entries = keptEntries();
    ASSERT_FALSE(namesIn(folder.path() / "data/Trash/files").empty());
    EXPECT_EQ(openThroughTheirPaths(entries), "");
    EXPECT_EQ(openOnTheirOwn(entries), "");
}

// Made by the other user: an open folder at `at`, or a link there to an open folder of theirs.
bool plantOpenFolder(const fs::path& at, const fs::path& linkedFrom = {}) {
    if (!testing::otherUserMakesOpenFolders({linkedFrom.empty() ? at : linkedFrom})) return false;
    return linkedFrom.empty() || testing::asOtherUser([&] {
                                     return ::symlink(linkedFrom.c_str(), at.c_str()) == 0;
                                 }).value_or(false);
}

// A folder the other user may make things in, as /tmp or a shared volume is.
void shareWithEveryone(const fs::path& folder) {
    fs::permissions(folder, fs::perms::all | fs::perms::sticky_bit);
}

// Their own link in the album they made, to a photograph of the user.
bool plantLink(const fs::path& album, const std::string& target) {
    const std::string link = (album / fs::path(target).filename()).string();
    const std::string named = "../" + target;
    return testing::asOtherUser([&] { return ::symlink(named.c_str(), link.c_str()) == 0; })
        .value_or(false);
}

TEST_F(OtherUser, TheirRejectsFolderInASharedLibraryIsNeitherWrittenNorTakenAsTheUsers) {
    shareWithEveryone(library.root);
    const fs::path album = library.root / rejects;
    for (const bool linked : {false, true}) {
        SCOPED_TRACE(linked ? "a link to their folder" : "their folder");
        const fs::path theirs = library.root / ".theirs";
        ASSERT_TRUE(plantOpenFolder(album, linked ? theirs : fs::path()));
        ASSERT_TRUE(plantLink(linked ? theirs : album, "Trips/t0.jpg"));
        {
            testing::LaunchedApp app(folder.path(), library.root);
            const auto support = app.indexFolder();
            ASSERT_TRUE(testing::eventually([&] { return scanned(support) || !app.isRunning(); },
                                            acceptanceGuard()))
                << log();
            const auto said = [&] {
                const auto text = log();
                return text.find(album.string()) != std::string::npos &&
                       text.find(linked ? "blocks the album" : "belongs to another user") !=
                           std::string::npos;
            };
            EXPECT_TRUE(testing::eventually(
                [&] { return said() || namesIn(album).size() > 1 || !app.isRunning(); }, 60))
                << log();
            EXPECT_TRUE(said()) << log();
            EXPECT_EQ(namesIn(album), std::set<std::string>{"t0.jpg"});
            const auto index = readIndex(support);
            ASSERT_TRUE(index);
            EXPECT_NE(index->entries.at("Trips/t0.jpg").state, ReviewState::flaggedByHand);
            EXPECT_FALSE(idsIn(*index, isFlagged).empty());
            double seconds = 0;
            ASSERT_TRUE(app.terminate(seconds));
        }
        fs::remove_all(album);
        fs::remove_all(theirs);
        fs::remove_all(folder.path() / "data");
    }
}

TEST_F(OtherUser, TheirFolderAtKeepsiftsOwnPlaceIsNeverTakenOver) {
    fs::create_directories(folder.path() / "data");
    shareWithEveryone(folder.path() / "data");
    const fs::path own = folder.path() / "data/com.ambervale.keepsift";
    for (const bool linked : {false, true}) {
        SCOPED_TRACE(linked ? "a link to their folder" : "their folder");
        const fs::path theirs = folder.path() / "data/theirs";
        ASSERT_TRUE(plantOpenFolder(own, linked ? theirs : fs::path()));
        {
            testing::LaunchedApp app(folder.path(), library.root);
            const auto said = [&] {
                return log().find(own.string() + ": it belongs to another user") !=
                       std::string::npos;
            };
            EXPECT_TRUE(testing::eventually(
                [&] { return said() || !namesIn(own).empty() || !app.isRunning(); }, 60))
                << log();
            EXPECT_TRUE(said()) << log();
            EXPECT_EQ(namesIn(own), std::set<std::string>{});
            EXPECT_FALSE(fs::exists(library.root / rejects));
            double seconds = 0;
            ASSERT_TRUE(app.terminate(seconds));
        }
        EXPECT_EQ(namesIn(own), std::set<std::string>{});
        EXPECT_EQ(fs::status(own).permissions(), fs::perms::all);
        fs::remove_all(own);
        fs::remove_all(theirs);
    }
}

// A data folder they may make things in (kept in a shared folder, as /tmp is), where they put
// their folder or their link to one at the home Trash's place: "delete all" moves nothing of
// the drive there nor to a Trash at the drive's top, and the log says why.
TEST_F(OtherUser, TheirFolderOrLinkAtTheHomeTrashTakesNoPhotograph) {
    const fs::path data = folder.path() / "data", trash = data / "Trash";
    for (const bool linked : {false, true}) {
        SCOPED_TRACE(linked ? "a link to their folder" : "their folder");
        fs::create_directories(data);
        shareWithEveryone(data);
        const fs::path theirs = data / "theirs";
        ASSERT_TRUE(plantOpenFolder(trash, linked ? theirs : fs::path()));
        const std::string why = "(" + trash.string() +
                                (linked ? " is a symbolic link that belongs to another user)"
                                        : " belongs to another user)");
        std::set<std::string> flagged;
        {
            testing::LaunchedApp app(folder.path(), library.root);
            const auto support = app.indexFolder();
            ASSERT_TRUE(testing::eventually([&] { return scanned(support) || !app.isRunning(); },
                                            acceptanceGuard()))
                << log();
            const auto index = readIndex(support);
            ASSERT_TRUE(index);
            flagged = idsIn(*index, isFlagged);
            ASSERT_FALSE(flagged.empty());
            const auto said = [&] { return log().find(why) != std::string::npos; };
            const auto anyMoved = [&] {
                return std::any_of(flagged.begin(), flagged.end(),
                                   [&](const auto& id) { return !fs::exists(library.root / id); });
            };
            ASSERT_TRUE(testing::eventually(
                [&] {
                    app.send("delete-all " + std::to_string(flagged.size()));
                    return testing::eventually([&] { return said() || anyMoved(); }, 3) ||
                           !app.isRunning();
                },
                acceptanceGuard()))
                << log();
            EXPECT_TRUE(said()) << log();
            double seconds = 0;
            ASSERT_TRUE(app.terminate(seconds));
        }
        for (const auto& id : flagged)
            EXPECT_TRUE(readWholeFile(library.root / id) == library.photos.at(id)) << id;
        EXPECT_EQ(namesIn(linked ? theirs : trash), std::set<std::string>{});
        fs::remove_all(data);
    }
}

} // namespace
} // namespace keepsift::acceptance
