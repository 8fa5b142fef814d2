#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <fstream>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

#include "core/support/Logger.hpp"
#include "photos/services/tests/EngineOverFolder.hpp"
#include "photos/services/tests/FileBytes.hpp"
#include "platform/library/ProvingStamp.hpp"

namespace keepsift {
namespace {

namespace fs = std::filesystem;
using testing::bytesOf;

// The drive the whole home lies on, the library and its Trash together: the test's own disk,
// a tmpfs, or a FUSE drive whose change time follows the modification time anyone may set
// (bindfs --ctime-from-mtime, as exFAT and network shares behave).
enum class Drive { disk, tmpfs, fuse };

std::string nameOf(const ::testing::TestParamInfo<Drive>& info) {
    switch (info.param) {
    case Drive::disk:
        return "disk";
    case Drive::tmpfs:
        return "tmpfs";
    case Drive::fuse:
        return "fuse";
    }
    return "unknown";
}

bool run(const std::string& command) {
    return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

std::int64_t nanosecondsOf(const timespec& time) {
    return time.tv_sec * 1'000'000'000LL + time.tv_nsec;
}

std::int64_t wallClockNs() {
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    return nanosecondsOf(now);
}

// 256 bytes near the end of the picture flipped.
void flipPictureBytes(std::vector<char>& bytes) {
    const std::size_t at = bytes.size() - 300;
    for (std::size_t i = at; i < at + 256; ++i)
        bytes[i] = static_cast<char>(bytes[i] ^ 0x5a);
}

// The camera's name edited in place, as a metadata tool does: the picture reads as before.
void editCameraName(std::vector<char>& bytes) {
    const std::string name = "Fujifilm";
    const auto at = std::search(bytes.begin(), bytes.end(), name.begin(), name.end());
    ASSERT_NE(at, bytes.end());
    *(at + static_cast<std::ptrdiff_t>(name.size()) - 1) = 'x';
}

// Other bytes written into the file's own inode, its size kept and its access and
// modification times put back, as an in-place editor that keeps times does.
void rewriteKeepingTimes(const fs::path& file,
                         const std::function<void(std::vector<char>&)>& change = flipPictureBytes) {
    struct stat before {};
    ASSERT_EQ(::stat(file.c_str(), &before), 0);
    auto bytes = bytesOf(file);
    ASSERT_GT(bytes.size(), 512u);
    change(bytes);
    const int fd = ::open(file.c_str(), O_WRONLY);
    ASSERT_GE(fd, 0);
    const auto size = static_cast<ssize_t>(bytes.size());
    ASSERT_EQ(::pwrite(fd, bytes.data(), bytes.size(), 0), size);
    ::close(fd);
    const timespec times[2] = {before.st_atim, before.st_mtim};
    ASSERT_EQ(::utimensat(AT_FDCWD, file.c_str(), times, 0), 0);
    struct stat after {};
    ASSERT_EQ(::stat(file.c_str(), &after), 0);
    ASSERT_EQ(after.st_ino, before.st_ino);
    ASSERT_EQ(after.st_size, before.st_size);
}

// The capture date a year earlier, as `exiftool -P` writes it: the picture decodes as before.
void redateKeepingTimes(const fs::path& file) {
    rewriteKeepingTimes(file, [](std::vector<char>& bytes) {
        const std::string year = "2024:05:01";
        auto at = std::search(bytes.begin(), bytes.end(), year.begin(), year.end());
        ASSERT_NE(at, bytes.end());
        for (; at != bytes.end(); at = std::search(at, bytes.end(), year.begin(), year.end()))
            *(at + 3) = '3';
    });
}

// Rewrites the chosen files of the library, their times put back, in the gap between the
// delete's comparing read and their move into the Trash (as their Trash entries are written,
// the step before the move); or, when told, puts a new file at the place of one the moment it
// has left it.
class RewritesBeforeTheMove : public FileSystemOps {
public:
    explicit RewritesBeforeTheMove(fs::path library) : library_(std::move(library)) {}

    int writeNewFile(const Place& file, const std::string& contents) override {
        const auto chosen = std::find_if(rewrite.begin(), rewrite.end(), [&](const auto& id) {
            return file.relative == "info/" + fs::path(id).filename().string() + ".trashinfo";
        });
        if (chosen != rewrite.end()) {
            rewriteKeepingTimes(library_ / *chosen);
            rewritten[*chosen] = bytesOf(library_ / *chosen);
            rewrite.erase(chosen);
        }
        return FileSystemOps::writeNewFile(file, contents);
    }

    int renamePath(const Place& from, const Place& to) override {
        const int error = FileSystemOps::renamePath(from, to);
        if (error == 0 && from.relative == replaceOnceMoved &&
            fs::equivalent(from.anchor, library_))
            std::ofstream(library_ / from.relative, std::ios::binary) << replacement;
        return error;
    }

    std::set<std::string> rewrite;
    std::map<std::string, std::vector<char>> rewritten;
    std::string replaceOnceMoved;
    const std::string replacement = "a new file at the old place";

private:
    fs::path library_;
};

// Four frames of one burst, an hour old, each with its paired video, measured and decided:
// three flagged.
class DriveDelete : public testing::EngineOverFolder, public ::testing::WithParamInterface<Drive> {
protected:
    void SetUp() override {
        LiveHome::SetUp();
        ops = mover = std::make_shared<RewritesBeforeTheMove>(pictures);
        if (GetParam() != Drive::disk)
            if (const auto missing = mountDrive(); !missing.empty()) GTEST_SKIP() << missing;
        fs::create_directories(pictures);
        for (int frame = 0; frame < 4; ++frame) {
            const auto path =
                writeJpeg("Burst/frame-" + std::to_string(frame) + ".jpg", burstFrame(frame),
                          "2024:05:01 10:00:0" + std::to_string(2 * frame));
            const auto hourAgo = fs::file_time_type::clock::now() - std::chrono::hours(1);
            fs::last_write_time(path, hourAgo);
            std::ofstream(fs::path(path).replace_extension(".mov"), std::ios::binary)
                << std::string(4096, 'v');
        }
        waitPastRacyMargin();
        startServices();
        startEngine();
        ASSERT_EQ(engine->reconcileWithLibrary().added.size(), 4u);
        ASSERT_EQ(analyseAll(), 4);
        engine->regroup();
        engine->syncRejectsAlbumIfNeeded();
        ASSERT_EQ(flagged().size(), 3u);
    }

    void TearDown() override {
        engine.reset();
        services = {};
        if (!mounted.empty() && !run(unmount + " '" + root.string() + "'"))
            run(unmount + " -z '" + root.string() + "'");
        if (!backing.empty()) fs::remove_all(backing);
        LiveHome::TearDown();
    }

    // The drive mounted over the home, else why this machine cannot.
    std::string mountDrive() {
        if (::geteuid() != 0 || !fs::exists("/dev/fuse"))
            return "mounting a drive for the library needs root and /dev/fuse";
        if (GetParam() == Drive::tmpfs) {
            unmount = "umount";
            mounted = "mount -t tmpfs -o size=256m tmpfs '" + root.string() + "'";
        } else {
            if (!run("command -v bindfs"))
                return "bindfs is not installed (scripts/packages.txt lists it)";
            std::string pattern = (fs::temp_directory_path() / "keepsift-drive-XXXXXX").string();
            backing = ::mkdtemp(pattern.data());
            unmount = "fusermount -u";
            mounted = "bindfs -o nonempty --ctime-from-mtime '" + backing.string() + "' '" +
                      root.string() + "'";
        }
        if (!run(mounted)) {
            const auto failed = "could not mount the drive: " + mounted;
            mounted.clear();
            return failed;
        }
        return {};
    }

    // Until the files' change times lie clearly before a read, as after any wait in use.
    void waitPastRacyMargin() {
        std::int64_t newest = 0;
        for (const auto& file : fs::recursive_directory_iterator(pictures)) {
            struct stat info {};
            if (::lstat(file.path().c_str(), &info) == 0)
                newest = std::max(newest, nanosecondsOf(info.st_ctim));
        }
        while (wallClockNs() <= newest + racyMarginNs + 10'000'000)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }

    fs::path trashed(const std::string& id) const {
        return root / "XDG_DATA_HOME" / "Trash" / "files" / fs::path(id).filename();
    }

    void restart() {
        ASSERT_TRUE(engine->save());
        engine.reset();
        services = {};
        startServices();
        startEngine();
        engine->reconcileWithLibrary();
    }

    IndexEntry entry(const std::string& id) const { return engine->index().entries.at(id); }

    // Every flagged photograph rewritten: none of the new bytes reaches the Trash, and each
    // stays where it is, as it is now, kept as changed after the review.
    void expectRewrittenFilesStay(const std::vector<std::string>& rewritten,
                                  const DeletionReport& report) {
        for (const auto& id : rewritten) {
            EXPECT_EQ(std::count(report.deleted.begin(), report.deleted.end(), id), 0) << id;
            ASSERT_TRUE(fs::exists(pictures / id)) << id;
            EXPECT_EQ(bytesOf(pictures / id), now.at(id)) << id;
            EXPECT_FALSE(fs::exists(trashed(id))) << id;
            EXPECT_NE(std::find(report.kept.begin(), report.kept.end(),
                                KeptPhoto{id, KeptReason::changedSinceReviewed}),
                      report.kept.end())
                << id;
        }
    }

    void rewriteFlagged(const std::vector<std::string>& ids,
                        const std::function<void(std::vector<char>&)>& change = flipPictureBytes) {
        for (const auto& id : ids) {
            rewriteKeepingTimes(pictures / id, change);
            now[id] = bytesOf(pictures / id);
        }
    }

    // Rewritten by the mover in the gap before each one's move.
    void rewriteInTheGap(const std::vector<std::string>& relatives) {
        mover->rewrite.insert(relatives.begin(), relatives.end());
    }
    // The bytes as the mover left them, once it did.
    void noteRewritten(const std::vector<std::string>& ids) {
        for (const auto& id : ids) {
            ASSERT_TRUE(mover->rewritten.contains(id)) << id << " was not rewritten";
            now[id] = mover->rewritten.at(id);
        }
    }

    std::size_t trashInfos() const {
        const auto info = root / "XDG_DATA_HOME" / "Trash" / "info";
        if (!fs::exists(info)) return 0;
        return static_cast<std::size_t>(
            std::distance(fs::directory_iterator(info), fs::directory_iterator()));
    }
    void expectRefusedMeasuredAgain(bool restarted);
    void expectRedatedKeepsItsHandFlag(bool quitBeforeMeasured);

    fs::path backing;
    std::string mounted, unmount;
    std::map<std::string, std::vector<char>> now;
    std::shared_ptr<RewritesBeforeTheMove> mover;
};

TEST_P(DriveDelete, EveryMeasuredPhotographHasItsDigest) {
    for (const auto& [id, indexEntry] : engine->index().entries) {
        EXPECT_TRUE(indexEntry.contentDigest) << id;
        // A status proves bytes only where the kernel keeps the change time.
        EXPECT_EQ(indexEntry.digestedAs.has_value(), GetParam() != Drive::fuse) << id;
        // Its video's bytes are read with it only where its status proves nothing.
        ASSERT_EQ(indexEntry.companionsAs.size(), 1u) << id;
        for (const auto& [name, companion] : indexEntry.companionsAs)
            EXPECT_EQ(companion.digest.has_value(), GetParam() == Drive::fuse) << id << name;
    }
}

TEST_P(DriveDelete, FlaggedPhotosRewrittenWithTheirTimesPutBackStayOutOfTheTrash) {
    const auto batch = flagged();
    rewriteFlagged(batch);
    const auto report = engine->deleteBatch(std::nullopt, 0, true);
    expectRewrittenFilesStay(batch, report);
}

TEST_P(DriveDelete, FlaggedPhotosRewrittenWhileStoppedStayOutOfTheTrash) {
    const auto batch = flagged();
    ASSERT_TRUE(engine->save());
    engine.reset();
    services = {};
    rewriteFlagged(batch);
    startServices();
    startEngine();
    engine->reconcileWithLibrary();
    readBack();
    const auto report = engine->deleteBatch(std::nullopt, 0, true);
    for (const auto& id : batch) {
        EXPECT_FALSE(fs::exists(trashed(id))) << id;
        EXPECT_EQ(bytesOf(pictures / id), now.at(id)) << id;
    }
    EXPECT_TRUE(report.deleted.empty());
}

// The digests kept are made wrong on purpose: a file that goes to the Trash was not read.
TEST_P(DriveDelete, UnchangedFlaggedPhotosGoUnreadOnlyWhereTheKernelKeepsTheChangeTime) {
    const auto batch = flagged();
    engine->updateIndex([&](LibraryIndex& index) {
        for (const auto& id : batch)
            index.entries.at(id).contentDigest = "not the bytes measured";
    });
    const auto report = engine->deleteBatch(std::nullopt, 0, true);
    if (GetParam() == Drive::fuse) {
        EXPECT_TRUE(report.deleted.empty());
        EXPECT_EQ(report.kept.size(), batch.size());
    } else {
        EXPECT_EQ(report.deleted, batch);
    }
}

// As an index of an earlier build left it: no digest. On a drive whose status proves nothing
// the photograph stays, told why, until its bytes are read; then it goes.
TEST_P(DriveDelete, APhotographWithoutItsDigestGoesOnlyOnceItsBytesAreRead) {
    const auto batch = flagged();
    engine->updateIndex([&](LibraryIndex& index) {
        for (const auto& id : batch)
            index.entries.at(id).takeDigest(std::nullopt);
    });
    restart();
    if (GetParam() == Drive::fuse) {
        const auto held = engine->deleteBatch(std::nullopt, 0, true);
        EXPECT_TRUE(held.deleted.empty());
        EXPECT_EQ(held.kept, DeletionReport::allKept(batch, KeptReason::unproven).kept);
        for (const auto& id : batch)
            EXPECT_FALSE(fs::exists(trashed(id))) << id;
        readBack();
        for (const auto& id : batch)
            EXPECT_TRUE(entry(id).contentDigest) << id;
    }
    std::map<std::string, std::vector<char>> reviewed;
    for (const auto& id : batch)
        reviewed[id] = bytesOf(pictures / id);
    const auto report = engine->deleteBatch(std::nullopt, 0, true);
    EXPECT_EQ(report.deleted, batch);
    for (const auto& id : batch)
        EXPECT_EQ(bytesOf(trashed(id)), reviewed.at(id)) << id;
}

// An index of an earlier build, without digests; two flagged photographs rewritten while
// Keepsift was stopped, their size and times put back: one given another capture date, as
// `exiftool -P` does, one with bytes that no longer decode. Until they are measured again none
// of the new bytes moves, told why; measured again, they are changed photographs, reviewed
// afresh. The one left as it was goes with the bytes reviewed.
TEST_P(DriveDelete, AnIndexWithoutDigestsTakesNoBytesRewrittenWhileStopped) {
    const auto batch = flagged();
    const std::vector<std::string> rewritten(batch.begin(), batch.begin() + 2);
    const auto untouched = batch.back();
    const auto reviewedBytes = bytesOf(pictures / untouched);
    std::map<std::string, PhotoSignals> measured;
    engine->updateIndex([&](LibraryIndex& index) {
        for (auto& [id, indexEntry] : index.entries) {
            indexEntry.takeDigest(std::nullopt);
            indexEntry.companionsAs.clear();
            measured.emplace(id, *indexEntry.signals);
        }
    });
    ASSERT_TRUE(engine->save());
    engine.reset();
    services = {};
    redateKeepingTimes(pictures / rewritten.front());
    rewriteKeepingTimes(pictures / rewritten.back());
    for (const auto& id : rewritten)
        now[id] = bytesOf(pictures / id);
    startServices();
    startEngine();
    engine->reconcileWithLibrary();

    const auto early = engine->deleteBatch(std::nullopt, 0, true);
    for (const auto& id : rewritten) {
        EXPECT_FALSE(fs::exists(trashed(id))) << id;
        ASSERT_TRUE(fs::exists(pictures / id)) << id;
        EXPECT_EQ(bytesOf(pictures / id), now.at(id)) << id;
        EXPECT_NE(
            std::find(early.kept.begin(), early.kept.end(), KeptPhoto{id, KeptReason::unproven}),
            early.kept.end())
            << id;
    }

    readBack();
    analyseAll();
    engine->regroup();
    for (const auto& id : rewritten) {
        const auto afresh = entry(id);
        EXPECT_FALSE(afresh.signals && afresh.signals->measuresAs(measured.at(id))) << id;
        EXPECT_FALSE(afresh.measureAgain) << id;
    }
    ASSERT_TRUE(entry(rewritten.front()).signals);
    EXPECT_EQ(entry(rewritten.back()).state, ReviewState::skipped);
    engine->deleteBatch(std::nullopt, 0, true);
    ASSERT_TRUE(fs::exists(trashed(untouched)));
    EXPECT_EQ(bytesOf(trashed(untouched)), reviewedBytes);
}

// Changed after the review, before "delete all" and before any listing saw it: the whole pair
// stays, told as changed.
TEST_P(DriveDelete, APairedVideoChangedAfterTheReviewKeepsItsPhotoWhole) {
    const auto batch = flagged();
    const auto photo = batch.front();
    const auto video = fs::path(photo).replace_extension(".mov");
    std::ofstream(pictures / video, std::ios::binary) << std::string(4096, 'w');
    const auto report = engine->deleteBatch(std::nullopt, 0, true);
    EXPECT_EQ(report.kept, (std::vector<KeptPhoto>{{photo, KeptReason::changedSinceReviewed}}));
    ASSERT_TRUE(fs::exists(pictures / video));
    EXPECT_EQ(bytesOf(pictures / video), std::vector<char>(4096, 'w'));
    EXPECT_FALSE(fs::exists(trashed(photo)) || fs::exists(trashed(video.string())));
    EXPECT_EQ(report.deleted.size(), batch.size() - 1);
}

// Rewritten in place after the review with its size, number and times put back: the whole
// pair stays, told as changed, and the Trash holds none of the new bytes.
void expectPairKept(const DeletionReport& report, const std::string& photo, const fs::path& video,
                    const std::vector<char>& rewritten,
                    const std::function<fs::path(const std::string&)>& trashed) {
    EXPECT_NE(std::find(report.kept.begin(), report.kept.end(),
                        KeptPhoto{photo, KeptReason::changedSinceReviewed}),
              report.kept.end());
    EXPECT_EQ(std::count(report.deleted.begin(), report.deleted.end(), photo), 0);
    ASSERT_TRUE(fs::exists(video));
    EXPECT_EQ(bytesOf(video), rewritten);
    EXPECT_FALSE(fs::exists(trashed(photo)));
    EXPECT_FALSE(fs::exists(trashed(video.filename().string())));
}

TEST_P(DriveDelete, APairedVideoRewrittenWithItsTimesPutBackKeepsItsPhotoWhole) {
    const auto batch = flagged();
    const auto photo = batch.front();
    const auto video = pictures / fs::path(photo).replace_extension(".mov");
    rewriteKeepingTimes(video);
    const auto rewritten = bytesOf(video);
    const auto report = engine->deleteBatch(std::nullopt, 0, true);
    expectPairKept(report, photo, video, rewritten, [&](const auto& id) { return trashed(id); });
    EXPECT_EQ(report.deleted.size(), batch.size() - 1);
}

TEST_P(DriveDelete, APairedVideoRewrittenWhileStoppedKeepsItsPhotoWhole) {
    const auto batch = flagged();
    const auto photo = batch.back();
    const auto video = pictures / fs::path(photo).replace_extension(".mov");
    ASSERT_TRUE(engine->save());
    engine.reset();
    services = {};
    rewriteKeepingTimes(video);
    const auto rewritten = bytesOf(video);
    startServices();
    startEngine();
    engine->reconcileWithLibrary();
    readBack();
    const auto report = engine->deleteBatch(std::nullopt, 0, true);
    expectPairKept(report, photo, video, rewritten, [&](const auto& id) { return trashed(id); });
    EXPECT_EQ(report.deleted.size(), batch.size() - 1);
}

// As an index of an earlier build left it, or one that kept the companions' statuses alone:
// on a drive whose status proves nothing, the pairs stay, told why, until the videos are read;
// then they go, each with the bytes read.
TEST_P(DriveDelete, APairedVideoWithoutItsDigestGoesOnlyOnceItsBytesAreRead) {
    const auto batch = flagged();
    engine->updateIndex([&](LibraryIndex& index) {
        for (const auto& id : batch) {
            auto& companions = index.entries.at(id).companionsAs;
            if (id == batch.front()) companions.clear();
            for (auto& [name, companion] : companions)
                companion.digest.reset();
        }
    });
    restart();
    if (GetParam() == Drive::fuse) {
        const auto held = engine->deleteBatch(std::nullopt, 0, true);
        EXPECT_TRUE(held.deleted.empty());
        EXPECT_EQ(held.kept, DeletionReport::allKept(batch, KeptReason::unproven).kept);
        readBack();
        for (const auto& id : batch) {
            ASSERT_EQ(entry(id).companionsAs.size(), 1u) << id;
            for (const auto& [name, companion] : entry(id).companionsAs)
                EXPECT_TRUE(companion.digest) << id << " " << name;
        }
    }
    const auto report = engine->deleteBatch(std::nullopt, 0, true);
    EXPECT_EQ(report.deleted, batch);
    for (const auto& id : batch)
        EXPECT_EQ(bytesOf(trashed(fs::path(id).replace_extension(".mov").string())),
                  std::vector<char>(4096, 'v'))
            << id;
}

// `chmod -R` moves every change time and no bytes: once read back, the photographs go with
// their videos.
TEST_P(DriveDelete, AfterAChmodOfTheWholeLibraryPhotographsGoWithTheirVideos) {
    const auto batch = flagged();
    for (const auto& file : fs::recursive_directory_iterator(pictures))
        if (!file.is_symlink())
            fs::permissions(file.path(), fs::perms::others_read, fs::perm_options::remove);
    engine->reconcileWithLibrary();
    readBack();
    const auto report = engine->deleteBatch(std::nullopt, 0, true);
    EXPECT_EQ(report.deleted, batch);
    for (const auto& id : batch)
        EXPECT_TRUE(fs::exists(trashed(fs::path(id).replace_extension(".mov").string()))) << id;
}

// The check and the move are two steps: whatever comes between them, what reaches the Trash
// is what was reviewed, and a rewritten photograph is back at its place as it is now, its
// review kept across a quit and a start.
TEST_P(DriveDelete, PhotosRewrittenBetweenTheCheckAndTheMoveStayWhereTheyAre) {
    const auto batch = flagged();
    const auto rewritten = std::vector<std::string>{batch.front(), batch.back()};
    rewriteInTheGap(rewritten);
    const auto report = engine->deleteBatch(std::nullopt, 0, true);
    noteRewritten(rewritten);
    expectRewrittenFilesStay(rewritten, report);
    EXPECT_EQ(report.deleted, (std::vector<std::string>{batch[1]}));
    EXPECT_EQ(trashInfos(), 2u) << "one photograph and its video, nothing of the others";
    restart();
    for (const auto& id : rewritten) {
        EXPECT_NE(entry(id).state, ReviewState::deleted) << id;
        EXPECT_EQ(journalled(ReviewJournal::Event::deleted, id), 0) << id;
        EXPECT_EQ(bytesOf(pictures / id), now.at(id)) << id;
    }
}

// A video rewritten in the gap takes back its photograph, already in the Trash: the pair
// stays whole where it was.
TEST_P(DriveDelete, AVideoRewrittenBetweenTheCheckAndTheMoveKeepsItsPhotoWhole) {
    const auto batch = flagged();
    const auto photo = batch.front();
    const auto video = fs::path(photo).replace_extension(".mov").string();
    const auto reviewedPhoto = bytesOf(pictures / photo);
    rewriteInTheGap({video});
    const auto report = engine->deleteBatch(std::nullopt, 0, true);
    noteRewritten({video});
    expectPairKept(report, photo, pictures / video, now.at(video),
                   [&](const auto& id) { return trashed(id); });
    EXPECT_EQ(bytesOf(pictures / photo), reviewedPhoto);
    EXPECT_EQ(report.deleted.size(), batch.size() - 1);
    EXPECT_EQ(trashInfos(), 2 * (batch.size() - 1));
    restart();
    EXPECT_NE(entry(photo).state, ReviewState::deleted);
    EXPECT_EQ(journalled(ReviewJournal::Event::deleted, photo), 0);
}

// A file that appeared at the place meanwhile is never overwritten: the changed bytes stay in
// the Trash, restorable with their info, and the photograph is not counted as deleted.
TEST_P(DriveDelete, AChangedFileThatCannotGoBackStaysInTheTrashBesideTheNewOne) {
    if (GetParam() != Drive::fuse) GTEST_SKIP() << "the status proves the bytes before the move";
    const auto batch = flagged();
    const auto photo = batch.front();
    mover->replaceOnceMoved = photo;
    rewriteInTheGap({photo});
    std::vector<std::string> logged;
    std::mutex logMutex;
    Logger::setSinkForTesting([&](const LogRecord& record) {
        std::lock_guard lock(logMutex);
        logged.push_back(record.message);
    });
    const auto report = engine->deleteBatch(std::nullopt, 0, true);
    Logger::setSinkForTesting({});
    EXPECT_EQ(std::count_if(logged.begin(), logged.end(),
                            [&](const auto& message) {
                                return message.find("could not be put back") != std::string::npos &&
                                       message.find(fs::canonical(trashed(photo)).string()) !=
                                           std::string::npos;
                            }),
              1)
        << "the log says where the changed bytes are";
    EXPECT_EQ(std::count(report.deleted.begin(), report.deleted.end(), photo), 0);
    EXPECT_NE(std::find(report.kept.begin(), report.kept.end(),
                        KeptPhoto{photo, KeptReason::changedSinceReviewed}),
              report.kept.end());
    const auto placed = bytesOf(pictures / photo);
    EXPECT_EQ(std::string(placed.begin(), placed.end()), mover->replacement);
    ASSERT_TRUE(fs::exists(trashed(photo)));
    EXPECT_EQ(bytesOf(trashed(photo)), mover->rewritten.at(photo));
    EXPECT_TRUE(fs::exists(root / "XDG_DATA_HOME" / "Trash" / "info" /
                           (fs::path(photo).filename().string() + ".trashinfo")));
}

// Refused as changed (its metadata edited), a flagged photograph is measured again, at once or
// after a restart, also where its status hides the change from every listing; the same
// picture, it keeps its review, and the next delete moves it, with the bytes measured now.
void DriveDelete::expectRefusedMeasuredAgain(bool restarted) {
    const auto photo = flagged().front();
    const auto reviewed = entry(photo).contentDigest;
    ASSERT_TRUE(reviewed);
    rewriteFlagged({photo}, editCameraName);
    const auto refused = engine->deleteBatch(std::nullopt, 0, true);
    ASSERT_NE(std::find(refused.kept.begin(), refused.kept.end(),
                        KeptPhoto{photo, KeptReason::changedSinceReviewed}),
              refused.kept.end());
    if (restarted) restart();
    readBack();
    analyseAll();
    engine->regroup();
    engine->syncRejectsAlbumIfNeeded();
    ASSERT_TRUE(entry(photo).signals) << toString(stateOf(photo));
    EXPECT_TRUE(isFlagged(stateOf(photo))) << toString(stateOf(photo));
    ASSERT_TRUE(entry(photo).contentDigest);
    EXPECT_NE(*entry(photo).contentDigest, *reviewed);
    EXPECT_EQ(linked(), flagged());
    const auto report = engine->deleteBatch(std::nullopt, 0, true);
    EXPECT_TRUE(report.kept.empty());
    EXPECT_EQ(report.deleted, std::vector<std::string>{photo});
    EXPECT_EQ(bytesOf(trashed(photo)), now.at(photo));
}

// Flagged by hand and given another capture date in place, its size and times put back, as
// `exiftool -P` does: the picture is the one the user flagged. Refused, it stays flagged and
// linked until measured again, at once or at the next start; measured, it keeps the user's
// flag across a quit and a start, and the next "delete all" moves what its file now holds.
void DriveDelete::expectRedatedKeepsItsHandFlag(bool quitBeforeMeasured) {
    const auto photo = flagged().front();
    engine->override(photo, false);
    redateKeepingTimes(pictures / photo);
    const auto redated = bytesOf(pictures / photo);
    const auto refused = engine->deleteBatch(std::nullopt, 0, true);
    ASSERT_NE(std::find(refused.kept.begin(), refused.kept.end(),
                        KeptPhoto{photo, KeptReason::changedSinceReviewed}),
              refused.kept.end());
    EXPECT_EQ(stateOf(photo), ReviewState::flaggedByHand);
    EXPECT_TRUE(entry(photo).measureAgain);
    if (quitBeforeMeasured) {
        quitEngine();
        startServices();
        startEngine();
        engine->reconcileWithLibrary();
    }
    readBack();
    EXPECT_FALSE(entry(photo).measureAgain);
    quitEngine();
    startServices();
    startEngine();
    relist();
    readBack();
    EXPECT_EQ(stateOf(photo), ReviewState::flaggedByHand);
    EXPECT_EQ(linked(), std::vector<std::string>{photo});
    const auto report = engine->deleteBatch(std::nullopt, 0, true);
    EXPECT_EQ(report.deleted, std::vector<std::string>{photo});
    ASSERT_TRUE(fs::exists(trashed(photo)));
    EXPECT_EQ(bytesOf(trashed(photo)), redated);
}

TEST_P(DriveDelete, AHandFlaggedPhotoRedatedInPlaceKeepsItsFlagAndGoesNext) {
    expectRedatedKeepsItsHandFlag(false);
}

TEST_P(DriveDelete, AHandFlaggedPhotoRedatedInPlaceKeepsItsFlagAcrossAQuitBeforeItIsMeasured) {
    expectRedatedKeepsItsHandFlag(true);
}

// Flagged by hand, then another picture written into its file with its size and times put
// back: refused, it is measured again and reviewed afresh, the user's flag with the picture
// it was made for; nothing of it moves until the new picture is decided.
TEST_P(DriveDelete, AHandFlaggedPhotoWhosePictureChangedIsReviewedAfreshAndNotMoved) {
    const auto photo = flagged().front();
    engine->override(photo, false);
    rewriteFlagged({photo});
    const auto refused = engine->deleteBatch(std::nullopt, 0, true);
    ASSERT_NE(std::find(refused.kept.begin(), refused.kept.end(),
                        KeptPhoto{photo, KeptReason::changedSinceReviewed}),
              refused.kept.end());
    readBack();
    EXPECT_EQ(stateOf(photo), ReviewState::pending);
    const auto unreviewed = engine->deleteBatch(std::nullopt, 0, true);
    EXPECT_EQ(std::count(unreviewed.deleted.begin(), unreviewed.deleted.end(), photo), 0);
    EXPECT_FALSE(fs::exists(trashed(photo)));
    EXPECT_EQ(bytesOf(pictures / photo), now.at(photo));
    analyseAll();
    engine->regroup();
    engine->syncRejectsAlbumIfNeeded();
    EXPECT_FALSE(isSetByHand(stateOf(photo))) << toString(stateOf(photo));
    EXPECT_NE(stateOf(photo), ReviewState::pending);
    EXPECT_EQ(linked(), flagged());
}

TEST_P(DriveDelete, APhotographRefusedAsChangedIsMeasuredAgainAtOnce) {
    expectRefusedMeasuredAgain(false);
}

TEST_P(DriveDelete, APhotographRefusedAsChangedIsMeasuredAgainAfterARestart) {
    expectRefusedMeasuredAgain(true);
}

INSTANTIATE_TEST_SUITE_P(Drives, DriveDelete,
                         ::testing::Values(Drive::disk, Drive::tmpfs, Drive::fuse), nameOf);

} // namespace
} // namespace keepsift
