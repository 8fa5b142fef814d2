#include <algorithm>
#include <fstream>
#include <tuple>

#include "photos/services/tests/ChangeTimes.hpp"
#include "photos/services/tests/EngineOverFolder.hpp"

namespace keepsift {
namespace {

namespace fs = std::filesystem;

// When the user links photographs just copied in, against the engine's work on them.
enum class LinkedWhen {
    beforeTheListing,
    beforeMeasuring,
    whileMeasuring,
    beforeAQuit,
    // The watcher's report comes once the photographs are decided.
    heardOfOnceDecided,
    // ... and once Keepsift's album write went over the links of those it flagged.
    heardOfOnceWrittenOver,
};

// A reviewed folder whose rejects folder Keepsift wrote, then bursts copied into another one,
// some of whose frames the user links into the rejects folder before they are measured.
class PhotographsNotYetMeasured : public testing::EngineOverFolder {
protected:
    void SetUp() override {
        LiveHome::SetUp();
        for (int frame = 0; frame < 4; ++frame)
            writeJpeg("Old/burst-" + std::to_string(frame) + ".jpg", burstFrame(frame),
                      "2024:05:01 10:00:0" + std::to_string(2 * frame));
        start();
        relist();
        ASSERT_FALSE(flagged().empty());
        for (int i = 0; i < 12; ++i)
            writeJpeg(copied(i), scene(40 + i / 3, {i % 3 * 2, i % 3}),
                      "2024:06:0" + std::to_string(1 + i / 3) + " 10:00:0" + std::to_string(i % 3));
    }
    void start() {
        startServices();
        startEngine();
    }
    static std::string copied(int i) { return "New/IMG_" + std::to_string(300 + i) + ".jpg"; }
    // Every frame of one burst, and one frame of each of the others.
    static std::vector<std::string> linkedByUser() {
        return {copied(0), copied(1), copied(2), copied(3), copied(7), copied(11)};
    }
    // As a file manager makes them, reported as the change watcher reports them.
    void linkByHand(bool reported) {
        for (const auto& id : linkedByUser())
            std::filesystem::create_symlink(std::filesystem::path("..") / id,
                                            album() / std::filesystem::path(id).filename());
        if (reported) engine->handleLibraryChange(change::RejectsAlbumChanged{linkedByUser(), {}});
    }
    void measureSome() {
        WorkConditions conditions;
        conditions.power = WorkConditions::Power::mains;
        for (int step = 0; step < 4; ++step)
            ASSERT_TRUE(engine->analyseNext(conditions));
    }
    void expectTheUsersFlags() {
        int byHand = 0, journalledFlags = 0, stillPending = 0;
        for (const auto& id : linkedByUser()) {
            byHand += stateOf(id) == ReviewState::flaggedByHand;
            journalledFlags += journalled(ReviewJournal::Event::overriddenToFlag, id);
        }
        for (int i = 0; i < 12; ++i)
            stillPending += stateOf(copied(i)) == ReviewState::pending;
        const int linkedCount = static_cast<int>(linkedByUser().size());
        EXPECT_EQ(byHand, linkedCount);
        EXPECT_EQ(journalledFlags, linkedCount);
        EXPECT_EQ(stillPending, 0);
        EXPECT_EQ(danglingLinks(), 0);
        EXPECT_EQ(linked(), flagged());
    }
};

class LinksToPhotographsNotYetMeasured : public PhotographsNotYetMeasured,
                                         public ::testing::WithParamInterface<LinkedWhen> {};

TEST_P(LinksToPhotographsNotYetMeasured, AreTheUsersFlags) {
    switch (GetParam()) {
    case LinkedWhen::beforeTheListing:
        linkByHand(false);
        break;
    case LinkedWhen::beforeMeasuring:
        engine->reconcileWithLibrary();
        linkByHand(true);
        break;
    case LinkedWhen::whileMeasuring:
        engine->reconcileWithLibrary();
        ASSERT_NO_FATAL_FAILURE(measureSome());
        linkByHand(true);
        break;
    case LinkedWhen::beforeAQuit:
        engine->reconcileWithLibrary();
        linkByHand(true);
        engine->flush();
        engine.reset();
        services = {};
        start();
        break;
    case LinkedWhen::heardOfOnceDecided:
        engine->reconcileWithLibrary();
        linkByHand(false);
        analyseAll();
        engine->regroup();
        engine->handleLibraryChange(change::RejectsAlbumChanged{linkedByUser(), {}});
        break;
    case LinkedWhen::heardOfOnceWrittenOver:
        engine->reconcileWithLibrary();
        linkByHand(false);
        analyseAll();
        engine->regroup();
        engine->syncRejectsAlbum();
        engine->handleLibraryChange(change::RejectsAlbumChanged{linkedByUser(), {}});
        break;
    }
    // As the pump writes the album between two measurements.
    engine->syncRejectsAlbum();
    relist();
    relist();
    expectTheUsersFlags();
    engine->flush();
    engine.reset();
    services = {};
    start();
    relist();
    expectTheUsersFlags();
}

INSTANTIATE_TEST_SUITE_P(AnyTiming, LinksToPhotographsNotYetMeasured,
                         ::testing::Values(LinkedWhen::beforeTheListing,
                                           LinkedWhen::beforeMeasuring, LinkedWhen::whileMeasuring,
                                           LinkedWhen::beforeAQuit, LinkedWhen::heardOfOnceDecided,
                                           LinkedWhen::heardOfOnceWrittenOver));

// Another picture moved over a linked photograph's path before it was measured, while
// Keepsift runs or while it is stopped: the link flagged the file it led to.
class LinkedPathGivenAnotherPicture : public LinksToPhotographsNotYetMeasured {};

TEST_P(LinkedPathGivenAnotherPicture, IsReviewedAfresh) {
    engine->reconcileWithLibrary();
    linkByHand(true);
    const bool stopped = GetParam() == LinkedWhen::beforeAQuit;
    if (stopped) {
        engine->flush();
        engine.reset();
        services = {};
    }
    writeJpeg("Elsewhere/other.jpg", scene(90), "2024:06:01 10:00:01");
    std::filesystem::rename(pictures / "Elsewhere/other.jpg", pictures / copied(0));
    if (stopped) start();
    engine->syncRejectsAlbum();
    relist();
    relist();
    EXPECT_NE(stateOf(copied(0)), ReviewState::flaggedByHand);
    EXPECT_NE(stateOf(copied(0)), ReviewState::pending);
    EXPECT_EQ(journalled(ReviewJournal::Event::overriddenToFlag, copied(0)), 0);
    for (const auto& id : linkedByUser())
        EXPECT_EQ(stateOf(id) == ReviewState::flaggedByHand, id != copied(0)) << id;
    EXPECT_EQ(linked(), flagged());
}

INSTANTIATE_TEST_SUITE_P(RunningOrStopped, LinkedPathGivenAnotherPicture,
                         ::testing::Values(LinkedWhen::beforeMeasuring, LinkedWhen::beforeAQuit));

enum class ReplacedBy { byRemovalAndCopy, byMoveOver, byRewriteInPlace };

// The picture that takes the path: told by its size or its modification second, or alike in
// both (the same size, its time put back to the second the linked one had, as `cp -a` or
// `touch -r` leave it), so that only the file's status and the link's time tell them apart.
enum class Replacement { unlike, alike };

// The user links photographs listed but not measured yet, and another picture takes one's path:
// before Keepsift hears of the link, the link and the new file found by one listing, or after.
class LinkedPathReplacedUnheard
    : public PhotographsNotYetMeasured,
      public ::testing::WithParamInterface<std::tuple<ReplacedBy, Replacement, bool>> {
protected:
    static bool alike() { return std::get<1>(GetParam()) == Replacement::alike; }
    static bool heard() { return std::get<2>(GetParam()); }
    fs::path other() const { return pictures / "Elsewhere/other.jpg"; }
    // Both pictures padded to one size past their ends, before either is listed.
    void writeOther() {
        writeJpeg("Elsewhere/other.jpg", scene(90), "2024:06:01 10:00:01");
        if (!alike()) return;
        const fs::path mineAt = pictures / copied(0);
        auto mine = testing::bytesOf(mineAt), theirs = testing::bytesOf(other());
        const auto size = std::max(mine.size(), theirs.size()) + 64;
        mine.resize(size, '\0');
        theirs.resize(size, '\1');
        std::ofstream(mineAt, std::ios::binary | std::ios::trunc)
            .write(mine.data(), static_cast<std::streamsize>(size));
        std::ofstream(other(), std::ios::binary | std::ios::trunc)
            .write(theirs.data(), static_cast<std::streamsize>(size));
        fs::last_write_time(other(), fs::last_write_time(mineAt));
    }
    void replace() {
        const auto path = pictures / copied(0);
        const auto modified = fs::last_write_time(path);
        switch (std::get<0>(GetParam())) {
        case ReplacedBy::byRemovalAndCopy:
            fs::remove(path);
            fs::copy_file(other(), path);
            break;
        case ReplacedBy::byMoveOver:
            fs::rename(other(), path);
            break;
        case ReplacedBy::byRewriteInPlace: {
            const auto bytes = testing::bytesOf(other());
            std::ofstream(path, std::ios::binary | std::ios::in | std::ios::trunc)
                .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
            break;
        }
        }
        if (alike()) fs::last_write_time(path, modified);
    }
    void expectReviewedAfresh() {
        EXPECT_NE(stateOf(copied(0)), ReviewState::flaggedByHand);
        EXPECT_NE(stateOf(copied(0)), ReviewState::pending);
        EXPECT_EQ(journalled(ReviewJournal::Event::overriddenToFlag, copied(0)), 0);
        for (const auto& id : linkedByUser())
            EXPECT_EQ(stateOf(id) == ReviewState::flaggedByHand, id != copied(0)) << id;
        EXPECT_EQ(linked(), flagged());
    }
};

TEST_P(LinkedPathReplacedUnheard, IsReviewedAfresh) {
    writeOther();
    engine->reconcileWithLibrary();
    linkByHand(heard());
    testing::awaitChangeTimePast(album() / fs::path(copied(0)).filename(), root);
    replace();
    engine->syncRejectsAlbum();
    relist();
    relist();
    expectReviewedAfresh();
    engine->flush();
    engine.reset();
    services = {};
    start();
    relist();
    expectReviewedAfresh();
}

INSTANTIATE_TEST_SUITE_P(
    AnyWay, LinkedPathReplacedUnheard,
    ::testing::Combine(::testing::Values(ReplacedBy::byRemovalAndCopy, ReplacedBy::byMoveOver,
                                         ReplacedBy::byRewriteInPlace),
                       ::testing::Values(Replacement::unlike, Replacement::alike),
                       ::testing::Bool()));

} // namespace
} // namespace keepsift
