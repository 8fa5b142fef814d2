// "Delete all" on the real binary, after a quit and a start: each flagged photograph goes to
// the Trash only while its file holds the bytes it was reviewed with, whatever became of its
// permissions.
#include <algorithm>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "ApplicationFixture.hpp"
#include "platform/files/AtomicFile.hpp"

namespace keepsift::acceptance {
namespace {

ino_t inodeOf(const fs::path& file) {
    struct stat info {};
    return ::stat(file.c_str(), &info) == 0 ? info.st_ino : 0;
}

// The photographs the journal records as deleted by Keepsift.
std::set<std::string> journaledDeleted(const fs::path& support) {
    std::set<std::string> ids;
    if (const auto journal = readJournal(support))
        for (const auto& entry : journal->entries())
            if (entry.event == ReviewJournal::Event::deleted) ids.insert(entry.assetID);
    return ids;
}

bool journalHoldsADeletion(const fs::path& support) {
    return !journaledDeleted(support).empty();
}

// Links in the folder that lead nowhere.
int danglingLinksIn(const fs::path& folder) {
    int count = 0;
    for (const auto& name : namesIn(folder))
        count += fs::is_symlink(folder / name) && !fs::exists(folder / name);
    return count;
}

// Other bytes of the same size written into the file's own inode, its times put back: only
// its change time tells. They are no picture, so that a listing reading them back cannot
// flag the file again.
void rewriteKeepingTimes(const fs::path& file) {
    struct stat before {};
    ASSERT_EQ(::stat(file.c_str(), &before), 0);
    const std::string other(static_cast<size_t>(before.st_size), 'x');
    const int fd = ::open(file.c_str(), O_WRONLY);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::write(fd, other.data(), other.size()), static_cast<ssize_t>(other.size()));
    ::close(fd);
    const timespec times[2] = {before.st_atim, before.st_mtim};
    ASSERT_EQ(::utimensat(AT_FDCWD, file.c_str(), times, 0), 0);
}

class DeleteAllAfterRestart : public ApplicationAcceptance {
protected:
    // Scanned, quit, and started again up to its first listing (after which it writes the
    // index once more).
    void SetUp() override {
        ApplicationAcceptance::SetUp();
        if (IsSkipped()) return;
        keepOnlyReadablePhotographs();
        {
            testing::LaunchedApp first(folder.path(), library.root);
            support = first.indexFolder();
            ASSERT_TRUE(testing::eventually([&] { return scanned(support) || !first.isRunning(); },
                                            acceptanceGuard()))
                << log();
            double seconds = 0;
            ASSERT_TRUE(first.terminate(seconds));
        }
        const auto index = readIndex(support);
        ASSERT_TRUE(index);
        flagged = idsIn(*index, isFlagged);
        ASSERT_GE(flagged.size(), 3u);
        const auto saved = inodeOf(support / "library-index.json");
        app = std::make_unique<testing::LaunchedApp>(folder.path(), library.root);
        ASSERT_TRUE(testing::eventually(
            [&] { return inodeOf(support / "library-index.json") != saved || !app->isRunning(); },
            acceptanceGuard()))
            << log();
    }

    // Confirmed for each count in turn, asked again until the started model takes one; done
    // once the batch is recorded, when every move of it is over.
    void deleteAll(const std::vector<size_t>& counts) {
        ASSERT_TRUE(testing::eventually(
            [&] {
                for (const auto count : counts)
                    app->send("delete-all " + std::to_string(count));
                return testing::eventually([&] { return journalHoldsADeletion(support); }, 3);
            },
            acceptanceGuard()))
            << log();
    }

    // Every flagged photograph but `stays` is in the Trash with the bytes it was reviewed
    // with, and gone from the library.
    void expectTrashedAllBut(const std::optional<std::string>& stays) {
        const fs::path trash = folder.path() / "data" / "Trash";
        std::set<std::string> wanted, infos;
        std::string notMoved;
        for (const auto& id : flagged) {
            if (id == stays) continue;
            const auto name = fs::path(id).filename().string();
            wanted.insert(name);
            infos.insert(name + ".trashinfo");
            const bool moved = readWholeFile(trash / "files" / name) == library.photos.at(id) &&
                               !fs::exists(library.root / id);
            if (!moved) notMoved += " " + id;
        }
        EXPECT_TRUE(notMoved.empty())
            << "not moved with the bytes reviewed:" << notMoved << " (of " << wanted.size() << ")\n"
            << log();
        EXPECT_EQ(namesIn(trash / "files"), wanted);
        EXPECT_EQ(namesIn(trash / "info"), infos);
    }

    fs::path support;
    std::set<std::string> flagged;
    std::unique_ptr<testing::LaunchedApp> app;
};

TEST_F(DeleteAllAfterRestart, AfterChmodGoReadEveryFlaggedPhotoGoesWithItsReviewedBytes) {
    for (const auto& file : fs::recursive_directory_iterator(library.root))
        if (!file.is_symlink())
            fs::permissions(file.path(), fs::perms::group_read | fs::perms::others_read,
                            fs::perm_options::remove);
    deleteAll({flagged.size()});
    expectTrashedAllBut(std::nullopt);
}

// Whether "delete all" or a listing reading the file back comes first, the file stays with
// what was written into it; the rest of the batch goes. A smaller copy is taken, so that the
// rest of the batch is the same either way.
TEST_F(DeleteAllAfterRestart, OtherBytesWrittenWithTheTimesPutBackStay) {
    const auto copy = std::find_if(flagged.begin(), flagged.end(),
                                   [](const std::string& id) { return id.starts_with("Copies/"); });
    ASSERT_NE(copy, flagged.end());
    const std::string changed = *copy;
    rewriteKeepingTimes(library.root / changed);
    const auto written = readWholeFile(library.root / changed);
    deleteAll({flagged.size(), flagged.size() - 1});
    EXPECT_TRUE(readWholeFile(library.root / changed) == written);
    expectTrashedAllBut(changed);
}

// Moved to another folder as "delete all" is asked for: unless the listing took the move first
// (then it goes from its new place), it is not in the Trash, so it is not journaled deleted; it
// keeps its review where it is now, also after a quit, and no link to its old place stays.
TEST_F(DeleteAllAfterRestart, AFlaggedPhotoMovedAsDeleteAllIsAskedForKeepsItsReviewWhereItIs) {
    const std::string moving = *flagged.begin();
    const std::string moved = "Moved/" + fs::path(moving).filename().string();
    fs::create_directories(library.root / "Moved");
    fs::rename(library.root / moving, library.root / moved);
    deleteAll({flagged.size()});
    EXPECT_EQ(journaledDeleted(support).count(moving), 0u) << log();
    if (journaledDeleted(support).count(moved)) return;
    const auto flaggedWhereItIs = [&] {
        const auto index = readIndex(support);
        return index && index->entries.contains(moved) &&
               isFlagged(index->entries.at(moved).state) && linkedRejects().count(moved) == 1;
    };
    EXPECT_TRUE(testing::eventually(flaggedWhereItIs, acceptanceGuard())) << log();
    double seconds = 0;
    ASSERT_TRUE(app->terminate(seconds));
    EXPECT_TRUE(flaggedWhereItIs());
    EXPECT_EQ(journaledDeleted(support).count(moving), 0u);
    EXPECT_EQ(danglingLinksIn(library.root / rejects), 0);
    EXPECT_TRUE(fs::exists(library.root / moved));
}

} // namespace
} // namespace keepsift::acceptance
