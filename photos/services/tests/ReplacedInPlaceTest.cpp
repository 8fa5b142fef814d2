#include <algorithm>
#include <fcntl.h>
#include <fstream>
#include <functional>
#include <map>
#include <sys/stat.h>
#include <unistd.h>

#include "photos/services/tests/EngineOverFolder.hpp"
#include "photos/services/tests/FileBytes.hpp"

namespace keepsift {
namespace {

namespace fs = std::filesystem;
using testing::bytesOf;
using testing::overwriteKeepingTime;

const std::vector<std::string> frames = {"Day1/burst-1.jpg", "Day1/burst-2.jpg",
                                         "Day2/burst-3.jpg"};

// Written into the file's own inode, its access and modification times put back to the
// nanosecond: only its change time tells.
void rewriteKeepingTimes(const fs::path& file, const std::vector<char>& bytes) {
    struct stat before {};
    ASSERT_EQ(::stat(file.c_str(), &before), 0);
    const int fd = ::open(file.c_str(), O_WRONLY);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    ::close(fd);
    const timespec times[2] = {before.st_atim, before.st_mtim};
    ASSERT_EQ(::utimensat(AT_FDCWD, file.c_str(), times, 0), 0);
}

std::int64_t changeTimeOf(const fs::path& file) {
    struct stat info {};
    ::stat(file.c_str(), &info);
    return info.st_ctim.tv_sec * 1'000'000'000LL + info.st_ctim.tv_nsec;
}

// Every photograph below the folder with its bytes; the album's links left out.
std::map<std::string, std::vector<char>> filesBelow(const fs::path& folder) {
    std::map<std::string, std::vector<char>> files;
    for (const auto& file : fs::recursive_directory_iterator(folder))
        if (file.is_regular_file() && !file.is_symlink())
            files[fs::relative(file.path(), folder).string()] = bytesOf(file.path());
    return files;
}

// A burst of three frames over two folders, all written within one second, reviewed: one
// frame kept by hand and another flagged by hand.
class ReplacedInPlace : public testing::EngineOverFolder {
protected:
    void SetUp() override {
        LiveHome::SetUp();
        const auto second = fs::file_time_type::clock::now();
        for (int frame = 0; frame < 3; ++frame) {
            const auto path = writeJpeg(frames[static_cast<size_t>(frame)], burstFrame(frame),
                                        "2024:05:01 10:00:0" + std::to_string(2 * frame));
            fs::last_write_time(path, second);
        }
        writeJpeg("beach.jpg", scene(11), "2024:03:10 08:00:00");
        startServices();
        startEngine();
        ASSERT_EQ(engine->ensureAuthorization(true), LibraryAuthorization::authorized);
        ASSERT_EQ(engine->reconcileWithLibrary().added.size(), 4u);
        ASSERT_EQ(analyseAll(), 4);
        engine->regroup();
        for (const auto& id : frames) {
            const auto state = engine->index().entries.at(id).state;
            if (state == ReviewState::flagged && kept.empty()) kept = id;
            if (state == ReviewState::keeper) flagged = id;
        }
        ASSERT_FALSE(kept.empty() || flagged.empty());
        engine->override(kept, true);
        engine->override(flagged, false);
        engine->syncRejectsAlbumIfNeeded();
        ASSERT_TRUE(fs::is_symlink(album() / fs::path(flagged).filename()));
    }

    void startEngine() {
        engine = std::make_unique<ScanEngine>(services.library, services.extractor, storage,
                                              std::make_shared<SystemClock>());
    }

    // Quit and started again over the same index: what was measured before is known only by
    // the index. Photographs taken earlier fill the dozen the start samples to learn where the
    // library is kept, so that the frames' files are not read at the start.
    void restart() {
        ASSERT_TRUE(engine->save());
        engine.reset();
        services = {};
        for (int earlier = 0; earlier < 12; ++earlier)
            writeJpeg("Earlier/" + std::to_string(earlier) + ".jpg", scene(20 + earlier),
                      "2023:01:01 10:00:" + std::to_string(10 + earlier));
        startServices();
        startEngine();
        ASSERT_EQ(engine->ensureAuthorization(true), LibraryAuthorization::authorized);
        EXPECT_EQ(engine->reconcileWithLibrary().added.size(), 12u);
    }

    IndexEntry entry(const std::string& id) const { return engine->index().entries.at(id); }

    // What the album folder holds, as paths below the library.
    std::vector<std::string> linked() const {
        std::vector<std::string> paths;
        for (const auto& link : fs::directory_iterator(album()))
            paths.push_back(
                fs::relative(fs::canonical(link.path()), fs::canonical(pictures)).string());
        std::sort(paths.begin(), paths.end());
        return paths;
    }

    std::vector<std::string> flaggedPaths() const {
        std::vector<std::string> paths;
        for (const auto& flaggedEntry : engine->index().flaggedEntries())
            paths.push_back(flaggedEntry.asset.id);
        std::sort(paths.begin(), paths.end());
        return paths;
    }

    // Found changed, then measured from what is at the path now, and reviewed afresh.
    void expectReviewedAfresh(const std::string& id,
                              const std::optional<std::string>& digestBefore) {
        EXPECT_EQ(entry(id).state, ReviewState::pending);
        EXPECT_EQ(analyseAll(), 1);
        engine->regroup();
        engine->syncRejectsAlbumIfNeeded();
        const auto now = entry(id);
        EXPECT_FALSE(isSetByHand(now.state)) << toString(now.state);
        ASSERT_TRUE(now.signals);
        EXPECT_EQ(now.signals->fileSize, static_cast<std::int64_t>(fs::file_size(pictures / id)));
        ASSERT_TRUE(now.contentDigest);
        EXPECT_NE(now.contentDigest, digestBefore);
        EXPECT_EQ(linked(), flaggedPaths());
    }

    fs::path trashed(const std::string& id) const {
        return root / "XDG_DATA_HOME" / "Trash" / "files" / fs::path(id).filename();
    }

    // "Delete all" right after the flagged frame's file was changed, before any listing.
    DeletionReport deleteAllAfter(const std::function<void(const fs::path&)>& change) {
        const auto changeTime = changeTimeOf(pictures / flagged);
        change(pictures / flagged);
        EXPECT_NE(changeTimeOf(pictures / flagged), changeTime);
        before = filesBelow(pictures);
        return engine->deleteBatch(std::nullopt, 0, true);
    }

    // What the batch moved is in the Trash; every other photograph is where it was, as it was.
    void expectOnlyTheBatchMoved(const DeletionReport& report) {
        auto now = filesBelow(pictures);
        for (const auto& id : report.deleted) {
            EXPECT_FALSE(now.contains(id)) << id;
            ASSERT_TRUE(fs::exists(trashed(id))) << id;
            EXPECT_EQ(bytesOf(trashed(id)), before.at(id)) << id;
            before.erase(id);
        }
        EXPECT_EQ(now, before);
    }

    // Kept as changed, the photograph flagged by hand waits, flagged, to be measured again.
    // The same picture keeps the user's flag; another is reviewed afresh and decided, its link
    // the decision's.
    void expectMeasuredAgain(bool samePicture) {
        EXPECT_EQ(entry(flagged).state, ReviewState::flaggedByHand);
        EXPECT_TRUE(entry(flagged).measureAgain);
        analyseAll();
        readBack();
        analyseAll();
        engine->regroup();
        engine->syncRejectsAlbumIfNeeded();
        EXPECT_TRUE(entry(flagged).signals);
        EXPECT_FALSE(entry(flagged).measureAgain);
        EXPECT_EQ(isSetByHand(entry(flagged).state), samePicture) << toString(entry(flagged).state);
        EXPECT_NE(entry(flagged).state, ReviewState::pending);
        EXPECT_EQ(linked(), EngineOverFolder::flagged());
    }

    // The frame Keepsift flagged by itself, the other one the batch holds.
    std::string flaggedAlone() const {
        for (const auto& id : frames)
            if (entry(id).state == ReviewState::flagged) return id;
        return {};
    }

    std::string kept, flagged;
    std::map<std::string, std::vector<char>> before;
};

TEST_F(ReplacedInPlace, AnotherPictureCopiedOverAReviewedOneWithItsTimeIsMeasuredAfresh) {
    const auto before = entry(flagged).contentDigest;
    overwriteKeepingTime(pictures / flagged,
                         bytesOf(writeJpeg("elsewhere.jpg", scene(99), "2024:05:01 10:00:02")));
    fs::remove(pictures / "elsewhere.jpg");
    ASSERT_NE(static_cast<std::int64_t>(fs::file_size(pictures / flagged)),
              entry(flagged).asset.fileSize);
    EXPECT_EQ(engine->reconcileWithLibrary().needingFreshSignals,
              std::vector<std::string>{flagged});
    expectReviewedAfresh(flagged, before);
}

TEST_F(ReplacedInPlace, OtherBytesOfTheSameSizeAndTimeAreMeasuredAfresh) {
    const auto before = entry(kept).contentDigest;
    auto bytes = bytesOf(pictures / kept);
    auto& changed = bytes[bytes.size() - 64];
    changed = static_cast<char>(changed == 0x10 ? 0x11 : 0x10);
    overwriteKeepingTime(pictures / kept, bytes);
    // The listing leaves the bytes to be read back; the review stands until then.
    EXPECT_TRUE(engine->reconcileWithLibrary().isEmpty());
    EXPECT_EQ(entry(kept).state, ReviewState::keptByHand);
    readBack();
    expectReviewedAfresh(kept, before);
}

// Each review goes with its picture: the path now holding the frame kept by hand is kept, and
// only the path holding the frame flagged by hand goes to the Trash.
TEST_F(ReplacedInPlace, TwoFramesOfOneSecondSwappedBetweenFoldersTakeTheirReviewsAlong) {
    const auto keptDigest = entry(kept).contentDigest, flaggedDigest = entry(flagged).contentDigest;
    const auto keptBytes = bytesOf(pictures / kept);
    fs::rename(pictures / kept, root / "swapping.jpg");
    fs::rename(pictures / flagged, pictures / kept);
    fs::rename(root / "swapping.jpg", pictures / flagged);

    const auto result = engine->reconcileWithLibrary();
    EXPECT_TRUE(result.added.empty());
    EXPECT_TRUE(result.needingFreshSignals.empty());
    EXPECT_TRUE(result.deleted.empty());
    EXPECT_EQ(analyseAll(), 0);
    engine->regroup();
    engine->syncRejectsAlbumIfNeeded();
    EXPECT_EQ(entry(flagged).state, ReviewState::keptByHand);
    EXPECT_EQ(entry(flagged).contentDigest, keptDigest);
    EXPECT_EQ(entry(kept).state, ReviewState::flaggedByHand);
    EXPECT_EQ(entry(kept).contentDigest, flaggedDigest);
    EXPECT_EQ(linked(), flaggedPaths());
    EXPECT_FALSE(fs::is_symlink(album() / fs::path(flagged).filename()));

    engine->deleteBatch(std::nullopt, 0, true);
    EXPECT_EQ(std::count(dialogs->confirmed.begin(), dialogs->confirmed.end(), flagged), 0);
    EXPECT_EQ(std::count(dialogs->confirmed.begin(), dialogs->confirmed.end(), kept), 1);
    ASSERT_TRUE(fs::exists(pictures / flagged));
    EXPECT_EQ(bytesOf(pictures / flagged), keptBytes);
}

// Only the file's status changed (chmod, its time set again to what it was): its bytes are
// the same, so its review stays and nothing is measured.
TEST_F(ReplacedInPlace, AFileOnlyTouchedKeepsItsReview) {
    const auto before = engine->index();
    fs::permissions(pictures / kept, fs::perms::group_write, fs::perm_options::add);
    fs::last_write_time(pictures / flagged, fs::last_write_time(pictures / flagged));
    EXPECT_TRUE(engine->reconcileWithLibrary().isEmpty());
    EXPECT_EQ(entry(kept).asset.file, before.entries.at(kept).asset.file);
    readBack();
    EXPECT_EQ(analyseAll(), 0);
    engine->regroup();
    for (const auto& id : frames) {
        EXPECT_EQ(entry(id).state, before.entries.at(id).state) << id;
        EXPECT_EQ(entry(id).signals, before.entries.at(id).signals) << id;
        EXPECT_EQ(entry(id).contentDigest, before.entries.at(id).contentDigest) << id;
    }
    EXPECT_EQ(entry(kept).state, ReviewState::keptByHand);
    EXPECT_EQ(entry(flagged).state, ReviewState::flaggedByHand);
    EXPECT_NE(entry(kept).asset.file, before.entries.at(kept).asset.file);
}

TEST_F(ReplacedInPlace, OtherBytesWrittenIntoAFlaggedPhotoJustBeforeDeleteAllAreNotMoved) {
    auto bytes = bytesOf(pictures / flagged);
    auto& changed = bytes[bytes.size() - 64];
    changed = static_cast<char>(changed == 0x10 ? 0x11 : 0x10);
    const auto report =
        deleteAllAfter([&](const fs::path& file) { rewriteKeepingTimes(file, bytes); });
    EXPECT_EQ(report.kept, (std::vector<KeptPhoto>{{flagged, KeptReason::changedSinceReviewed}}));
    EXPECT_EQ(std::count(report.deleted.begin(), report.deleted.end(), flagged), 0);
    EXPECT_EQ(bytesOf(pictures / flagged), bytes);
    EXPECT_FALSE(fs::exists(trashed(flagged)));
    expectMeasuredAgain(false);
    expectOnlyTheBatchMoved(report);
}

TEST_F(ReplacedInPlace, AFlaggedPhotoOnlyChmodedJustBeforeDeleteAllIsMoved) {
    const auto report = deleteAllAfter([](const fs::path& file) {
        fs::permissions(file, fs::perms::group_write, fs::perm_options::add);
    });
    EXPECT_TRUE(report.kept.empty());
    EXPECT_EQ(std::count(report.deleted.begin(), report.deleted.end(), flagged), 1);
    EXPECT_EQ(entry(flagged).state, ReviewState::deleted);
    expectOnlyTheBatchMoved(report);
}

// Written in once the batch was formed, the times put back and the library listed again
// before the move: the file is judged by its review, not by the last listing.
TEST_F(ReplacedInPlace, AfterARestartOtherBytesWrittenWhileDeleteAllRunsAreNotMoved) {
    restart();
    auto bytes = bytesOf(pictures / flagged);
    auto& changed = bytes[bytes.size() - 64];
    changed = static_cast<char>(changed == 0x10 ? 0x11 : 0x10);
    before = filesBelow(pictures);
    dialogs->whileConfirming = [&] {
        rewriteKeepingTimes(pictures / flagged, bytes);
        services.port->fetchImageAssets();
        before[flagged] = bytes;
    };
    const auto report = engine->deleteBatch(std::nullopt, 0, true);
    EXPECT_EQ(report.kept, (std::vector<KeptPhoto>{{flagged, KeptReason::changedSinceReviewed}}));
    EXPECT_EQ(bytesOf(pictures / flagged), bytes);
    EXPECT_FALSE(fs::exists(trashed(flagged)));
    expectMeasuredAgain(false);
    expectOnlyTheBatchMoved(report);
}

// `chmod -R go-r` over the library just before "delete all": every flagged photograph still
// holds the bytes it was reviewed with, and goes.
TEST_F(ReplacedInPlace, AfterARestartFlaggedPhotosWhosePermissionsAloneChangedGo) {
    restart();
    const auto batch = flaggedPaths();
    const auto report = deleteAllAfter([&](const fs::path&) {
        for (const auto& file : fs::recursive_directory_iterator(pictures))
            if (!file.is_symlink())
                fs::permissions(file.path(), fs::perms::group_read | fs::perms::others_read,
                                fs::perm_options::remove);
    });
    EXPECT_TRUE(report.kept.empty());
    EXPECT_EQ(report.deleted, batch);
    EXPECT_EQ(entry(flagged).state, ReviewState::deleted);
    expectOnlyTheBatchMoved(report);
}

// As an earlier build saved it: no sizes, no digests, nothing of the files' identities. The
// first listing records what it finds and takes nothing for changed.
TEST_F(ReplacedInPlace, AnIndexOfAnEarlierBuildKeepsItsReviewsOnTheFirstListing) {
    engine->updateIndex([](LibraryIndex& index) {
        for (auto& [id, indexEntry] : index.entries) {
            indexEntry.contentDigest.reset();
            indexEntry.asset.fileSize = 0;
            indexEntry.asset.file.reset();
        }
    });
    ASSERT_TRUE(engine->save());
    const auto saved = *storage->read(std::string(ScanEngine::indexFileName));
    EXPECT_EQ(saved.find("fileNumber"), std::string::npos);
    startEngine();
    ASSERT_EQ(engine->ensureAuthorization(true), LibraryAuthorization::authorized);
    EXPECT_TRUE(engine->reconcileWithLibrary().isEmpty());
    EXPECT_EQ(analyseAll(), 0);
    EXPECT_EQ(entry(kept).state, ReviewState::keptByHand);
    EXPECT_EQ(entry(flagged).state, ReviewState::flaggedByHand);
    for (const auto& id : frames) {
        EXPECT_TRUE(entry(id).asset.file) << id;
        EXPECT_EQ(entry(id).asset.fileSize,
                  static_cast<std::int64_t>(fs::file_size(pictures / id)));
    }
}

// Moved by the user once the batch was formed: it is not in the Trash, so it is not deleted;
// it is found at its new place with its review, also after a restart, and linked there alone.
TEST_F(ReplacedInPlace, AFlaggedPhotoMovedWhileDeleteAllRunsKeepsItsReviewAtItsNewPlace) {
    const std::string moved = "Moved/" + fs::path(flagged).filename().string();
    dialogs->whileConfirming = [&] {
        fs::create_directories(pictures / "Moved");
        fs::rename(pictures / flagged, pictures / moved);
    };
    const auto report = engine->deleteBatch(std::nullopt, 0, true);
    EXPECT_EQ(std::count(report.deleted.begin(), report.deleted.end(), flagged), 0);
    EXPECT_EQ(journalled(ReviewJournal::Event::deleted, flagged), 0);
    EXPECT_FALSE(fs::exists(trashed(flagged)));
    relist();
    ASSERT_TRUE(engine->index().entries.contains(moved));
    EXPECT_EQ(entry(moved).state, ReviewState::flaggedByHand);
    ASSERT_EQ(danglingLinks(), 0);
    EXPECT_EQ(linked(), flaggedPaths());
    restart();
    relist();
    EXPECT_EQ(entry(moved).state, ReviewState::flaggedByHand);
    EXPECT_EQ(journalled(ReviewJournal::Event::deleted, moved), 0);
}

// Its paired video rewritten once the batch was formed: the photograph stays whole, reported
// changed, and the rest of the batch goes.
TEST_F(ReplacedInPlace, APairedVideoRewrittenWhileDeleteAllRunsKeepsItsPhotoWhole) {
    const std::string video = fs::path(flagged).replace_extension(".mov").string();
    std::ofstream(pictures / video, std::ios::binary) << std::string(4096, 'v');
    relist();
    ASSERT_EQ(entry(flagged).state, ReviewState::flaggedByHand);
    const std::vector<char> rewritten(4096, 'w');
    dialogs->whileConfirming = [&] {
        rewriteKeepingTimes(pictures / video, rewritten);
        before = filesBelow(pictures);
    };
    const auto report = engine->deleteBatch(std::nullopt, 0, true);
    EXPECT_EQ(report.kept, (std::vector<KeptPhoto>{{flagged, KeptReason::changedSinceReviewed}}));
    EXPECT_EQ(bytesOf(pictures / video), rewritten);
    EXPECT_FALSE(fs::exists(trashed(flagged)));
    EXPECT_FALSE(fs::exists(trashed(video)));
    expectMeasuredAgain(true);
    expectOnlyTheBatchMoved(report);
}

// Made a pipe, or a link to a file outside the library, once the batch was formed: neither is
// moved, and the album keeps no link to either.
TEST_F(ReplacedInPlace, AFlaggedPhotoMadeAPipeOrALinkOutWhileDeleteAllRunsLeavesNoAlbumLink) {
    const std::string alone = flaggedAlone();
    ASSERT_FALSE(alone.empty());
    const fs::path outside = root / "outside.jpg";
    fs::copy_file(pictures / alone, outside);
    dialogs->whileConfirming = [&] {
        fs::remove(pictures / flagged);
        ASSERT_EQ(::mkfifo((pictures / flagged).c_str(), 0600), 0);
        fs::remove(pictures / alone);
        fs::create_symlink(outside, pictures / alone);
    };
    const auto report = engine->deleteBatch(std::nullopt, 0, true);
    EXPECT_TRUE(report.deleted.empty());
    EXPECT_TRUE(fs::is_fifo(pictures / flagged));
    EXPECT_TRUE(fs::is_symlink(pictures / alone));
    EXPECT_FALSE(fs::exists(trashed(flagged)) || fs::exists(trashed(alone)));
    EXPECT_TRUE(fs::is_empty(album()));
    relist();
    EXPECT_TRUE(fs::is_empty(album()));
    EXPECT_TRUE(flaggedPaths().empty());
}

// The user points the flagged frame's link at the frame kept by hand while the batch is
// confirmed: the delete takes the flagged frame, and leaves the user's link as it is.
TEST_F(ReplacedInPlace, ALinkPointedAtAKeeperWhileDeleteAllRunsStays) {
    const fs::path link = album() / fs::path(flagged).filename();
    const fs::path keeperTarget = fs::path("..") / kept;
    dialogs->whileConfirming = [&] {
        fs::remove(link);
        fs::create_symlink(keeperTarget, link);
    };
    const auto report = engine->deleteBatch(std::nullopt, 0, true);
    EXPECT_EQ(std::count(report.deleted.begin(), report.deleted.end(), flagged), 1);
    ASSERT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(fs::read_symlink(link), keeperTarget);
}

// Made a pipe before the batch was formed, so that the library no longer lists it: its link
// leads to no photograph and goes with it.
TEST_F(ReplacedInPlace, AFlaggedPhotoMadeAPipeBeforeDeleteAllLeavesNoAlbumLink) {
    fs::remove(pictures / flagged);
    ASSERT_EQ(::mkfifo((pictures / flagged).c_str(), 0600), 0);
    const auto report = engine->deleteBatch(std::nullopt, 0, true);
    EXPECT_EQ(std::count(report.deleted.begin(), report.deleted.end(), flagged), 0);
    EXPECT_TRUE(fs::is_fifo(pictures / flagged));
    relist();
    EXPECT_FALSE(fs::is_symlink(album() / fs::path(flagged).filename()));
    EXPECT_EQ(linked(), flaggedPaths());
}

} // namespace
} // namespace keepsift
