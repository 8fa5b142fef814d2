#include <algorithm>
#include <chrono>
#include <filesystem>
#include <future>

#include "core/scripted/CountingLibrary.hpp"
#include "photos/services/tests/EngineOverFolder.hpp"
#include "photos/services/tests/FileBytes.hpp"

namespace keepsift {
namespace {

namespace fs = std::filesystem;
using testing::bytesOf;
using testing::overwriteKeepingTime;

// More than one step of reading back.
constexpr int photoCount = 20;

// The same size, other bytes: a letter of the camera's make changed.
void changeMake(std::vector<char>& bytes) {
    const std::string make = "Fujifilm";
    const auto at = std::search(bytes.begin(), bytes.end(), make.begin(), make.end());
    ASSERT_NE(at, bytes.end());
    *at = 'f';
}

// A reviewed library of photographs, one flagged by hand, and two of one size and second (unless
// `twinsApart` says otherwise) in two folders, one kept and the other flagged by hand, whose
// files then all had their permissions changed, as `chmod -R` does: their change times moved,
// their bytes and times did not.
class StatusChangeReadBack : public testing::EngineOverFolder {
protected:
    void SetUp() override {
        LiveHome::SetUp();
        for (int n = 0; n < photoCount - 2; ++n)
            writeJpeg("Day" + std::to_string(n % 3) + "/photo-" + std::to_string(n) + ".jpg",
                      scene(n), "2024:03:" + std::to_string(10 + n) + " 08:00:00");
        auto twin = bytesOf(writeJpeg(twinKept, scene(50), "2024:04:01 08:00:00"));
        changeMake(twin);
        fs::copy_file(pictures / twinKept, pictures / twinFlagged);
        // Set, not left to how long the copy took: times of two seconds tell the swap at once.
        fs::last_write_time(pictures / twinFlagged,
                            fs::last_write_time(pictures / twinKept) + twinsApart);
        overwriteKeepingTime(pictures / twinFlagged, twin);
        startServices();
        library = std::make_shared<CountingLibrary>(services.library);
        engine = std::make_unique<ScanEngine>(library, services.extractor, storage,
                                              std::make_shared<SystemClock>());
        ASSERT_EQ(engine->ensureAuthorization(true), LibraryAuthorization::authorized);
        ASSERT_EQ(engine->reconcileWithLibrary().added.size(), static_cast<size_t>(photoCount));
        ASSERT_EQ(analyseAll(), photoCount);
        engine->regroup();
        engine->override(handFlagged, false);
        engine->override(twinKept, true);
        engine->override(twinFlagged, false);
        engine->syncRejectsAlbumIfNeeded();
        before = engine->index();
        for (const auto& file : fs::recursive_directory_iterator(pictures))
            if (file.is_regular_file() && !file.is_symlink())
                fs::permissions(file.path(), fs::perms::group_write, fs::perm_options::add);
        library->reads = 0;
    }

    // Steps until the fill says it is done; how many read something.
    int readBackWhole() {
        int steps = 0;
        for (int guard = 0; guard < 100; ++guard) {
            const int read = library->reads;
            const auto step = engine->fillContentDigests(running());
            steps += library->reads > read;
            if (step != DigestFill::more) break;
        }
        return steps;
    }

    void expectReviewsAsBefore() const {
        for (const auto& [id, entry] : before.entries) {
            const auto now = engine->index().entries.at(id);
            EXPECT_EQ(now.state, entry.state) << id;
            EXPECT_EQ(now.contentDigest, entry.contentDigest) << id;
        }
        EXPECT_EQ(stateOf(handFlagged), ReviewState::flaggedByHand);
        EXPECT_EQ(linked(), flagged());
    }

    void swapTwins() const {
        fs::rename(pictures / twinKept, root / "swapping.jpg");
        fs::rename(pictures / twinFlagged, pictures / twinKept);
        fs::rename(root / "swapping.jpg", pictures / twinFlagged);
    }

    // Measured and decided as a listing leaves it: each review went with its bytes.
    void expectTwinsSwapped() {
        EXPECT_EQ(analyseAll(), 0);
        engine->regroup();
        engine->syncRejectsAlbumIfNeeded();
        EXPECT_EQ(stateOf(twinKept), ReviewState::flaggedByHand);
        EXPECT_EQ(stateOf(twinFlagged), ReviewState::keptByHand);
        EXPECT_EQ(engine->index().entries.at(twinFlagged).contentDigest,
                  before.entries.at(twinKept).contentDigest);
        EXPECT_EQ(engine->index().entries.at(twinKept).contentDigest,
                  before.entries.at(twinFlagged).contentDigest);
        EXPECT_EQ(linked(), flagged());
    }

    // How much later the twin flagged by hand was modified than the one kept.
    std::chrono::seconds twinsApart{0};
    const std::string handFlagged = "Day1/photo-4.jpg";
    const std::string twinKept = "Day0/twin.jpg", twinFlagged = "Day2/twin.jpg";
    std::shared_ptr<CountingLibrary> library;
    LibraryIndex before;
};

TEST_F(StatusChangeReadBack, TheListingReadsNoFileAndTheFillReadsEachOnceInPacedSteps) {
    EXPECT_TRUE(engine->reconcileWithLibrary().isEmpty());
    EXPECT_EQ(library->reads, 0);
    expectReviewsAsBefore();

    WorkConditions onBattery = running();
    onBattery.power = WorkConditions::Power::battery;
    EXPECT_EQ(engine->fillContentDigests(onBattery), DigestFill::held);
    // A photograph that arrives is measured first.
    writeJpeg("Day2/arrived.jpg", scene(77), "2024:04:01 08:00:00");
    EXPECT_EQ(engine->reconcileWithLibrary().added.size(), 1u);
    EXPECT_EQ(engine->fillContentDigests(running()), DigestFill::held);
    EXPECT_EQ(library->reads, 0);
    EXPECT_EQ(analyseAll(), 1);
    engine->regroup();

    const int readBefore = library->reads;
    EXPECT_EQ(readBackWhole(), (photoCount + 15) / 16);
    EXPECT_EQ(library->reads - readBefore, photoCount);
    expectReviewsAsBefore();
    for (const auto& [id, entry] : before.entries)
        EXPECT_NE(engine->index().entries.at(id).asset.file, entry.asset.file) << id;

    const int readBack = library->reads;
    EXPECT_TRUE(engine->reconcileWithLibrary().isEmpty());
    EXPECT_EQ(engine->fillContentDigests(running()), DigestFill::done);
    EXPECT_EQ(library->reads, readBack);
    // Saved with its new identities: a start reads nothing either.
    engine->flush();
    engine = std::make_unique<ScanEngine>(library, services.extractor, storage,
                                          std::make_shared<SystemClock>());
    ASSERT_EQ(engine->ensureAuthorization(true), LibraryAuthorization::authorized);
    EXPECT_TRUE(engine->reconcileWithLibrary().isEmpty());
    EXPECT_EQ(engine->fillContentDigests(running()), DigestFill::done);
    EXPECT_EQ(library->reads, readBack);
    expectReviewsAsBefore();
}

// Only the files' identities changed: they wait for the ordinary save, as a quit's flush.
TEST_F(StatusChangeReadBack, ItsEndLeavesTheNewIdentitiesToTheOrdinarySave) {
    EXPECT_TRUE(engine->reconcileWithLibrary().isEmpty());
    const auto indexFile = std::string(ScanEngine::indexFileName);
    const auto saved = storage->read(indexFile);
    readBackWhole();
    EXPECT_TRUE(storage->read(indexFile) == saved) << "saved as the read-back ended";
    engine->flush();
    EXPECT_FALSE(storage->read(indexFile) == saved);
}

// A listing that finds only the statuses moved changes nothing a review rests on: it writes
// no index, even with a save due, and the read-back's identities wait for the one save after
// it. Killed before that save, the next start finds the old identities and reads back again.
TEST_F(StatusChangeReadBack, AListingFindingOnlyMovedStatusesWritesNothingAndAKillThenLosesNone) {
    const auto clock = std::make_shared<MutableClock>(Date::now());
    const auto start = [&] {
        engine = std::make_unique<ScanEngine>(library, services.extractor, storage, clock);
        ASSERT_EQ(engine->ensureAuthorization(true), LibraryAuthorization::authorized);
    };
    // As a running Keepsift leaves it: its album's links listed, its read-back done, all saved.
    engine->reconcileWithLibrary();
    readBackWhole();
    engine->flush();
    start();
    engine->reconcileWithLibrary();
    engine->flush();
    const auto indexFile = std::string(ScanEngine::indexFileName);
    const auto saved = storage->read(indexFile);
    for (const auto& file : fs::recursive_directory_iterator(pictures))
        if (file.is_regular_file() && !file.is_symlink())
            fs::permissions(file.path(), fs::perms::group_write, fs::perm_options::remove);
    clock->advance(2 * ScanEngine::defaultSaveInterval);
    library->reads = 0;
    EXPECT_TRUE(engine->reconcileWithLibrary().changedNothing());
    EXPECT_EQ(library->reads, 0);
    EXPECT_TRUE(storage->read(indexFile) == saved) << "the listing saved the index";

    start();
    EXPECT_TRUE(engine->reconcileWithLibrary().isEmpty());
    readBackWhole();
    EXPECT_EQ(library->reads, photoCount);
    expectReviewsAsBefore();
    engine->flush();
    EXPECT_FALSE(storage->read(indexFile) == saved);
    start();
    EXPECT_TRUE(engine->reconcileWithLibrary().changedNothing());
    EXPECT_EQ(engine->fillContentDigests(running()), DigestFill::done);
    EXPECT_EQ(library->reads, photoCount);
    expectReviewsAsBefore();
}

// A decision by hand made while a file is read back is answered, and stands.
TEST_F(StatusChangeReadBack, AHandDecisionIsAnsweredWhileAFileIsReadBack) {
    EXPECT_TRUE(engine->reconcileWithLibrary().isEmpty());
    const std::string decided = "Day2/photo-5.jpg";
    library->beforeReading = [&] {
        library->beforeReading = nullptr;
        auto done = std::async(std::launch::async, [&] { engine->override(decided, false); });
        ASSERT_EQ(done.wait_for(std::chrono::seconds(30)), std::future_status::ready)
            << "the engine held its lock while reading";
    };
    readBackWhole();
    EXPECT_EQ(library->reads, photoCount);
    EXPECT_EQ(stateOf(decided), ReviewState::flaggedByHand);
    engine->syncRejectsAlbumIfNeeded();
    const auto flaggedNow = flagged();
    EXPECT_EQ(linked(), flaggedNow);
    EXPECT_EQ(std::count(flaggedNow.begin(), flaggedNow.end(), decided), 1);
}

// Other bytes written into a file with its times put back, among the files only chmodded:
// its review stands until the read-back finds them, and then it is measured afresh.
TEST_F(StatusChangeReadBack, OtherBytesAmongThemAreFoundByTheReadBack) {
    auto bytes = bytesOf(pictures / handFlagged);
    changeMake(bytes);
    overwriteKeepingTime(pictures / handFlagged, bytes);
    EXPECT_TRUE(engine->reconcileWithLibrary().isEmpty());
    EXPECT_EQ(library->reads, 0);
    EXPECT_EQ(stateOf(handFlagged), ReviewState::flaggedByHand);
    readBackWhole();
    EXPECT_EQ(library->reads, photoCount);
    EXPECT_EQ(stateOf(handFlagged), ReviewState::pending);
    EXPECT_EQ(analyseAll(), 1);
    engine->regroup();
    engine->syncRejectsAlbumIfNeeded();
    EXPECT_FALSE(isSetByHand(stateOf(handFlagged)));
    EXPECT_NE(engine->index().entries.at(handFlagged).contentDigest,
              before.entries.at(handFlagged).contentDigest);
    EXPECT_EQ(linked(), flagged());
}

// Another picture of another pixel size written into a file flagged by hand, padded to its
// length and its times put back, among the files only chmodded: the listing reads no file and
// the review stands; the read-back finds the other picture, measured afresh at its own size.
TEST_F(StatusChangeReadBack, AnotherPictureOfAnotherSizeAmongThemIsReviewedAfreshOnceReadBack) {
    const cv::Mat smaller = scene(88)(cv::Rect(0, 0, 320, 240)).clone();
    auto other = bytesOf(writeJpeg("Day1/other.jpg", smaller, "2024:05:01 10:00:00"));
    fs::remove(pictures / "Day1/other.jpg");
    const auto length = fs::file_size(pictures / handFlagged);
    ASSERT_LT(other.size(), length);
    other.resize(length, '\0');
    overwriteKeepingTime(pictures / handFlagged, other);
    EXPECT_TRUE(engine->reconcileWithLibrary().isEmpty());
    EXPECT_EQ(library->reads, 0);
    EXPECT_EQ(stateOf(handFlagged), ReviewState::flaggedByHand);
    EXPECT_EQ(engine->index().entries.at(handFlagged).asset.pixelWidth, 640);
    readBackWhole();
    EXPECT_EQ(library->reads, photoCount);
    EXPECT_EQ(stateOf(handFlagged), ReviewState::pending);
    EXPECT_EQ(engine->index().entries.at(handFlagged).asset.pixelWidth, 320);
    EXPECT_EQ(analyseAll(), 1);
    engine->regroup();
    engine->syncRejectsAlbumIfNeeded();
    EXPECT_FALSE(isSetByHand(stateOf(handFlagged)));
    EXPECT_EQ(linked(), flagged());
}

// Swapped while their status changed with every other file: each review goes with its bytes,
// the other twin read by a listing as soon as the first one read back is found elsewhere.
TEST_F(StatusChangeReadBack, TwinsOfOneSizeSwappedTakeTheirReviewsAlongOnceReadBack) {
    swapTwins();
    EXPECT_TRUE(engine->reconcileWithLibrary().isEmpty());
    EXPECT_EQ(library->reads, 0);

    EXPECT_EQ(engine->fillContentDigests(running()), DigestFill::more);
    EXPECT_EQ(library->reads, 16);
    EXPECT_EQ(engine->reconcileWithLibrary().returned.size(), 2u);
    EXPECT_EQ(library->reads, 17);
    readBackWhole();
    EXPECT_EQ(library->reads, photoCount);
    expectTwinsSwapped();
}

// The same library with the twins' times a second apart.
class StatusChangeReadBackOfTwinsApart : public StatusChangeReadBack {
protected:
    StatusChangeReadBackOfTwinsApart() { twinsApart = std::chrono::seconds(1); }
};

// Their times tell the swap: the listing reads the two of them and no other, and each review
// goes with its bytes at once; the read-back reads the rest.
TEST_F(StatusChangeReadBackOfTwinsApart, SwappedTheyAreReadByTheListingAndTakeTheirReviewsAlong) {
    swapTwins();
    EXPECT_EQ(engine->reconcileWithLibrary().returned.size(), 2u);
    EXPECT_EQ(library->reads, 2);
    readBackWhole();
    EXPECT_EQ(library->reads, photoCount);
    expectTwinsSwapped();
}

} // namespace
} // namespace keepsift
