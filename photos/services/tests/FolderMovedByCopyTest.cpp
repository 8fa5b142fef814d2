#include <algorithm>
#include <chrono>

#include "photos/services/tests/EngineOverFolder.hpp"

namespace keepsift {
namespace {

namespace fs = std::filesystem;
using testing::bytesOf;

// What happens to Keepsift between the copy being listed and the originals' removal.
enum class Between { running, quit, killed };

std::string nameOf(Between between) {
    switch (between) {
    case Between::running:
        return "Running";
    case Between::quit:
        return "Quit";
    case Between::killed:
        return "Killed";
    }
    return {};
}

// Copied as `cp -a` copies: the same bytes and modification times.
void copyKeepingTimes(const fs::path& from, const fs::path& to) {
    fs::create_directories(to.parent_path());
    fs::copy(from, to, fs::copy_options::recursive);
    for (const auto& file : fs::recursive_directory_iterator(from))
        fs::last_write_time(to / fs::relative(file.path(), from), fs::last_write_time(file.path()));
}

class MovedByCopy : public testing::EngineOverFolder,
                    public ::testing::WithParamInterface<Between> {
protected:
    // Copied into `to` and listed, then the originals removed while Keepsift runs, is stopped
    // or was killed before it saved what the copy's listing found.
    void moveByCopy(const std::vector<std::string>& folders, const std::string& to) {
        for (const auto& folder : folders)
            copyKeepingTimes(pictures / folder, pictures / to / folder);
        if (GetParam() == Between::killed)
            engine->reconcileWithLibrary();
        else
            relist();
        removeOnceListed(folders);
    }

    // The originals removed while Keepsift runs, once it stopped, or once it was killed.
    void removeOnceListed(const std::vector<std::string>& folders) {
        if (GetParam() == Between::quit) quitEngine();
        if (GetParam() == Between::killed) {
            engine.reset();
            services = {};
        }
        for (const auto& folder : folders)
            fs::remove_all(pictures / folder);
        if (GetParam() != Between::running) {
            startServices();
            startEngine();
        }
        relist();
    }

    // Saved as an earlier build saved the index, which kept no digests of the bytes, and
    // stopped.
    void quitAsAnEarlierBuild() {
        engine->updateIndex([](LibraryIndex& index) {
            for (auto& [id, entry] : index.entries)
                entry.takeDigest(std::nullopt);
        });
        ASSERT_TRUE(engine->save());
        quitEngine();
    }

    ReviewState savedStateOf(const std::string& id) {
        quitEngine();
        startServices();
        startEngine();
        relist();
        return stateOf(id);
    }
};

// A trip of five frames of one burst, three flagged by hand (the keeper Keepsift chose among
// them) and two kept by hand.
class TripMovedByCopy : public MovedByCopy {
protected:
    void SetUp() override {
        LiveHome::SetUp();
        const auto start = fs::file_time_type::clock::now() - std::chrono::minutes(10);
        for (int frame = 0; frame < 5; ++frame) {
            const auto name = "Trip01/frame-" + std::to_string(frame) + ".jpg";
            fs::last_write_time(
                writeJpeg(name, burstFrame(frame), "2024:05:01 10:00:0" + std::to_string(frame)),
                start + std::chrono::seconds(10 * frame));
            frames.push_back(name);
        }
        startServices();
        startEngine();
        relist();
        std::stable_partition(frames.begin(), frames.end(),
                              [&](const auto& id) { return stateOf(id) == ReviewState::keeper; });
        for (std::size_t i = 0; i < frames.size(); ++i) {
            engine->override(frames[i], i >= 3);
            (i < 3 ? flaggedBytes : keptBytes).push_back(bytesOf(pictures / frames[i]));
        }
        engine->syncRejectsAlbumIfNeeded();
        ASSERT_EQ(flagged().size(), 3u);
        ASSERT_EQ(linked(), flagged());
    }

    static std::string moved(const std::string& id) { return "Moved/" + id; }

    void expectHandDecisionsMoved() {
        for (std::size_t i = 0; i < frames.size(); ++i)
            EXPECT_EQ(stateOf(moved(frames[i])),
                      i < 3 ? ReviewState::flaggedByHand : ReviewState::keptByHand)
                << frames[i];
        for (const auto& id : frames)
            EXPECT_EQ(journalled(ReviewJournal::Event::deletedElsewhere, id), 0) << id;
        EXPECT_EQ(linked(), flagged());
        EXPECT_EQ(danglingLinks(), 0);
    }

    // "Delete all" trashes the bytes flagged, and the kept ones stay in the moved folder.
    void expectDeleteAllTrashesOnlyTheFlagged() {
        engine->deleteBatch(std::nullopt, 0, true);
        auto trash = trashed(), expected = flaggedBytes;
        std::sort(trash.begin(), trash.end());
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(trash, expected);
        for (std::size_t i = 3; i < frames.size(); ++i)
            EXPECT_EQ(bytesOf(pictures / moved(frames[i])), keptBytes[i - 3]);
    }

    std::vector<std::string> frames;
    std::vector<std::vector<char>> flaggedBytes, keptBytes;
};

// A file manager moves the folder to another drive by copying it, then removing the original.
TEST_P(TripMovedByCopy, EveryHandDecisionFollowsItsCopyAndDeleteAllTrashesOnlyTheFlagged) {
    moveByCopy({"Trip01"}, "Moved");
    expectHandDecisionsMoved();
    expectDeleteAllTrashesOnlyTheFlagged();
}

// `cp -a` puts the times back once the bytes are written: a listing in between finds the
// copies with the time of the copy, and they are measured and decided before their times move.
TEST_P(TripMovedByCopy, EveryHandDecisionFollowsACopyListedBeforeItsTimesWerePutBack) {
    fs::create_directories(pictures / "Moved");
    fs::copy(pictures / "Trip01", pictures / moved("Trip01"), fs::copy_options::recursive);
    relist();
    engine->flush();
    ASSERT_NE(stateOf(moved(frames[0])), ReviewState::pending);
    for (const auto& id : frames)
        fs::last_write_time(pictures / moved(id), fs::last_write_time(pictures / id));
    removeOnceListed({"Trip01"});
    expectHandDecisionsMoved();
}

INSTANTIATE_TEST_SUITE_P(Between, TripMovedByCopy,
                         ::testing::Values(Between::running, Between::quit, Between::killed),
                         [](const auto& info) { return nameOf(info.param); });

// The same trip reviewed under an earlier build, which kept no digests of the bytes: the index
// it saved, and what is done to the folder while Keepsift is stopped. Only the measurement
// stored tells a copy of a reviewed picture from another.
class EarlierIndexTripMovedByCopy : public TripMovedByCopy {
protected:
    void SetUp() override {
        TripMovedByCopy::SetUp();
        quitAsAnEarlierBuild();
    }

    void start() {
        startServices();
        startEngine();
        relist();
    }

    // Another picture written over the frame with its date, as large as the frame and with
    // its times put back.
    void rewriteWithAnotherPicture(const std::string& id) {
        auto bytes = bytesOf(writeJpeg("other.jpg", scene(99), "2024:05:01 10:00:00"));
        fs::remove(pictures / "other.jpg");
        const auto size = fs::file_size(pictures / id);
        ASSERT_LT(bytes.size(), size);
        bytes.resize(size);
        testing::overwriteKeepingTime(pictures / id, bytes);
    }

    void expectSavedAsShown() {
        const auto shown = engine->index();
        quitEngine();
        start();
        for (const auto& [id, entry] : shown.entries)
            EXPECT_EQ(entry.state == ReviewState::deleted ? entry.state : stateOf(id), entry.state)
                << id;
        EXPECT_EQ(linked(), flagged());
    }
};

TEST_F(EarlierIndexTripMovedByCopy, EveryHandDecisionFollowsACopyMadeWhileStopped) {
    copyKeepingTimes(pictures / "Trip01", pictures / moved("Trip01"));
    fs::remove_all(pictures / "Trip01");
    start();
    expectHandDecisionsMoved();
    expectSavedAsShown();
    expectDeleteAllTrashesOnlyTheFlagged();
}

// A frame flagged and one kept by hand rewritten with another picture of their size before
// the copy: their copies hold no picture the user reviewed, and are reviewed as new ones.
TEST_F(EarlierIndexTripMovedByCopy, ACopyOfAnotherPictureTakesNoReview) {
    const std::vector<std::size_t> rewritten = {0, 3};
    for (const auto i : rewritten)
        rewriteWithAnotherPicture(frames[i]);
    copyKeepingTimes(pictures / "Trip01", pictures / moved("Trip01"));
    fs::remove_all(pictures / "Trip01");
    start();
    for (std::size_t i = 0; i < frames.size(); ++i) {
        const auto state = stateOf(moved(frames[i]));
        if (std::find(rewritten.begin(), rewritten.end(), i) != rewritten.end()) {
            EXPECT_FALSE(isSetByHand(state)) << frames[i];
        } else {
            EXPECT_EQ(state, i < 3 ? ReviewState::flaggedByHand : ReviewState::keptByHand)
                << frames[i];
        }
    }
    expectSavedAsShown();
}

// Copied beside originals that stay: each review stays with its file, and the copies are
// photographs of their own, reviewed as new ones.
TEST_F(EarlierIndexTripMovedByCopy, CopiesBesideTheOriginalsTakeNoReview) {
    copyKeepingTimes(pictures / "Trip01", pictures / moved("Trip01"));
    start();
    for (std::size_t i = 0; i < frames.size(); ++i) {
        EXPECT_EQ(stateOf(frames[i]), i < 3 ? ReviewState::flaggedByHand : ReviewState::keptByHand)
            << frames[i];
        EXPECT_FALSE(isSetByHand(stateOf(moved(frames[i])))) << frames[i];
    }
    expectSavedAsShown();
}

// The same picture in two folders, decided apart by hand: flagged in A, kept in B.
class SameNamedCopiesMoved : public MovedByCopy {
protected:
    void SetUp() override {
        LiveHome::SetUp();
        writeJpeg(flaggedCopy, scene(5), "2024:06:01 09:00:00");
        fs::create_directories((pictures / keptCopy).parent_path());
        fs::copy_file(pictures / flaggedCopy, pictures / keptCopy);
        startServices();
        startEngine();
        relist();
        engine->override(flaggedCopy, false);
        engine->override(keptCopy, true);
        engine->syncRejectsAlbumIfNeeded();
        ASSERT_EQ(linked(), flagged());
    }

    void expectEachKeptItsOwn() {
        EXPECT_EQ(stateOf("Old/" + flaggedCopy), ReviewState::flaggedByHand);
        EXPECT_EQ(stateOf("Old/" + keptCopy), ReviewState::keptByHand);
        EXPECT_EQ(linked(), flagged());
    }

    const std::string flaggedCopy = "A/x.jpg", keptCopy = "B/x.jpg";
};

TEST_F(SameNamedCopiesMoved, MovedTogetherByRenameEachKeepsItsOwnDecision) {
    fs::create_directories(pictures / "Old");
    for (const auto* folder : {"A", "B"})
        fs::rename(pictures / folder, pictures / "Old" / folder);
    relist();
    expectEachKeptItsOwn();
    EXPECT_EQ(savedStateOf("Old/" + keptCopy), ReviewState::keptByHand);
}

// The copy flagged by hand removed, its flag left with no file to take it; then a second name
// given to the copy kept by hand (a hard link), and the first name removed: that file is the
// kept photograph under every name, and the Trash never gets it.
TEST_F(SameNamedCopiesMoved, AHardLinkToTheKeptCopyTakesNoFlagOfTheRemovedOne) {
    const auto keptBytes = bytesOf(pictures / keptCopy);
    fs::remove(pictures / flaggedCopy);
    relist();
    const std::string secondName = "B/y.jpg";
    fs::create_hard_link(pictures / keptCopy, pictures / secondName);
    relist();
    EXPECT_NE(stateOf(secondName), ReviewState::flaggedByHand);
    fs::remove(pictures / keptCopy);
    relist();
    EXPECT_EQ(stateOf(secondName), ReviewState::keptByHand);
    EXPECT_EQ(linked(), flagged());
    engine->deleteBatch(std::nullopt, 0, true);
    ASSERT_TRUE(fs::exists(pictures / secondName));
    EXPECT_EQ(bytesOf(pictures / secondName), keptBytes);
}

// Under an index without digests, copied while Keepsift is stopped: both copies measure as
// both reviewed photographs, and each takes the review of the one whose place it took.
TEST_F(SameNamedCopiesMoved, MovedTogetherByCopyWhileStoppedUnderAnEarlierIndex) {
    quitAsAnEarlierBuild();
    for (const auto* folder : {"A", "B"})
        copyKeepingTimes(pictures / folder, pictures / "Old" / folder);
    for (const auto* folder : {"A", "B"})
        fs::remove_all(pictures / folder);
    startServices();
    startEngine();
    relist();
    expectEachKeptItsOwn();
    EXPECT_EQ(savedStateOf("Old/" + keptCopy), ReviewState::keptByHand);
}

TEST_P(SameNamedCopiesMoved, MovedTogetherByCopyEachKeepsItsOwnDecision) {
    moveByCopy({"A", "B"}, "Old");
    expectEachKeptItsOwn();
}

INSTANTIATE_TEST_SUITE_P(Between, SameNamedCopiesMoved,
                         ::testing::Values(Between::running, Between::quit, Between::killed),
                         [](const auto& info) { return nameOf(info.param); });

// One picture in two folders, their group kept whole by the user. The copy made of the second
// folder joins the group as Keepsift decides it, and takes the hand keep once the second folder
// is removed: the user kept that photograph, wherever it went.
class IgnoredGroupMovedByCopy : public MovedByCopy {
protected:
    void SetUp() override {
        LiveHome::SetUp();
        const auto hourAgo = fs::file_time_type::clock::now() - std::chrono::hours(1);
        fs::last_write_time(writeJpeg(first, scene(5), "2024:06:01 09:00:00"), hourAgo);
        fs::create_directories((pictures / second).parent_path());
        fs::copy_file(pictures / first, pictures / second);
        fs::last_write_time(pictures / second, hourAgo);
        cv::Mat half;
        cv::resize(scene(5), half, {}, 0.5, 0.5, cv::INTER_AREA);
        fs::last_write_time(writeJpeg(small, half, "2024:06:01 09:00:00"), hourAgo);
        startServices();
        startEngine();
        relist();
        const auto group = engine->index().entries.at(first).groupID;
        ASSERT_TRUE(group);
        engine->ignore(*group);
        engine->syncRejectsAlbumIfNeeded();
        ASSERT_EQ(stateOf(second), ReviewState::keptByHand);
    }

    const std::string first = "Import/holiday.jpg", second = "Import again/holiday.jpg",
                      small = "Shared/holiday-small.jpg";
    const std::string moved = "Old/" + second;
};

TEST_P(IgnoredGroupMovedByCopy, TheMovedPhotographStaysKeptByHand) {
    moveByCopy({"Import again"}, "Old");
    EXPECT_EQ(stateOf(moved), ReviewState::keptByHand);
    EXPECT_EQ(linked(), flagged());
    EXPECT_EQ(savedStateOf(moved), ReviewState::keptByHand);
    EXPECT_EQ(linked(), std::vector<std::string>{});
}

INSTANTIATE_TEST_SUITE_P(Between, IgnoredGroupMovedByCopy,
                         ::testing::Values(Between::running, Between::quit, Between::killed),
                         [](const auto& info) { return nameOf(info.param); });

// One picture in two folders, kept by hand in the first; the second rewritten with another
// picture, and the first folder copied elsewhere, both found by one listing: the copy takes
// the bytes that left the rewritten file, and is still a file first listed now, so that the
// hand keep follows it once the first folder is removed.
class CopyListedWithARewrite : public testing::EngineOverFolder {
protected:
    void SetUp() override {
        LiveHome::SetUp();
        const auto hourAgo = fs::file_time_type::clock::now() - std::chrono::hours(1);
        fs::last_write_time(writeJpeg(kept, scene(5), "2024:06:01 09:00:00"), hourAgo);
        fs::create_directories((pictures / rewritten).parent_path());
        fs::copy_file(pictures / kept, pictures / rewritten);
        fs::last_write_time(pictures / rewritten, hourAgo);
        startServices();
        startEngine();
        relist();
        engine->override(kept, true);
        engine->syncRejectsAlbumIfNeeded();
        ASSERT_EQ(stateOf(kept), ReviewState::keptByHand);
    }

    const std::string kept = "Import/holiday.jpg", rewritten = "Import again/holiday.jpg";
};

TEST_F(CopyListedWithARewrite, TheHandKeepFollowsTheCopyOnceItsOriginalIsRemoved) {
    writeJpeg(rewritten, burstFrame(3), "2024:05:01 10:00:06");
    copyKeepingTimes(pictures / "Import", pictures / "Old/Import");
    relist();
    fs::remove_all(pictures / "Import");
    relist();
    EXPECT_EQ(stateOf("Old/" + kept), ReviewState::keptByHand);
    EXPECT_EQ(linked(), flagged());
    quitEngine();
    startServices();
    startEngine();
    relist();
    EXPECT_EQ(stateOf("Old/" + kept), ReviewState::keptByHand);
}

// A photograph kept by hand, and another one beside it: a de-duplication tool makes the other's
// name a hard link to the kept file (`ln -f`), and the kept name is later removed, or its folder
// moved elsewhere by a copy. The file under the other name is the kept photograph, came there
// after the keep, and keeps it after a quit and a start; the Trash never gets it.
class DeduplicatedByAHardLink : public testing::EngineOverFolder,
                                public ::testing::WithParamInterface<bool> {
protected:
    void SetUp() override {
        LiveHome::SetUp();
        writeJpeg(kept, scene(5), "2024:06:01 09:00:00");
        writeJpeg(other, burstFrame(3), "2024:05:01 10:00:06");
        startServices();
        startEngine();
        relist();
        engine->override(kept, true);
        engine->syncRejectsAlbumIfNeeded();
        ASSERT_EQ(stateOf(kept), ReviewState::keptByHand);
    }

    const std::string kept = "Import/holiday.jpg", other = "Import again/beach.jpg";
};

TEST_P(DeduplicatedByAHardLink, TheOtherNameKeepsTheHandKeepOnceTheKeptNameIsGone) {
    const bool movedByCopy = GetParam();
    const auto keptBytes = bytesOf(pictures / kept);
    fs::remove(pictures / other);
    fs::create_hard_link(pictures / kept, pictures / other);
    relist();
    engine->flush();
    if (movedByCopy) copyKeepingTimes(pictures / "Import", pictures / "Old/Import");
    fs::remove_all(pictures / "Import");
    relist();
    EXPECT_EQ(stateOf(other), ReviewState::keptByHand);
    quitEngine();
    startServices();
    startEngine();
    relist();
    EXPECT_EQ(stateOf(other), ReviewState::keptByHand);
    EXPECT_EQ(linked(), flagged());
    engine->deleteBatch(std::nullopt, 0, true);
    ASSERT_TRUE(fs::exists(pictures / other));
    EXPECT_EQ(bytesOf(pictures / other), keptBytes);
}

INSTANTIATE_TEST_SUITE_P(KeptName, DeduplicatedByAHardLink, ::testing::Values(false, true),
                         [](const auto& info) {
                             return std::string(info.param ? "MovedByCopy" : "Removed");
                         });

// Two exact copies, one flagged by hand and the other kept by Keepsift: a de-duplication tool
// makes the kept copy's name a hard link to the flagged file, and the flagged name is removed.
// The file left is the last copy of the picture, the one the user saw beside the flagged one:
// it takes no flag, and the Trash never gets it.
class DeduplicatedExactCopies : public testing::EngineOverFolder {
protected:
    void SetUp() override {
        LiveHome::SetUp();
        writeJpeg(flaggedCopy, scene(5), "2024:06:01 09:00:00");
        fs::create_directories((pictures / keptCopy).parent_path());
        fs::copy_file(pictures / flaggedCopy, pictures / keptCopy);
        startServices();
        startEngine();
        relist();
        engine->override(flaggedCopy, false);
        engine->syncRejectsAlbumIfNeeded();
        ASSERT_EQ(stateOf(flaggedCopy), ReviewState::flaggedByHand);
        ASSERT_FALSE(isSetByHand(stateOf(keptCopy)));
    }

    const std::string flaggedCopy = "A/x.jpg", keptCopy = "B/x.jpg";
};

TEST_F(DeduplicatedExactCopies, TheLastCopyTakesNoFlagOfTheRemovedName) {
    const auto bytes = bytesOf(pictures / keptCopy);
    fs::remove(pictures / keptCopy);
    fs::create_hard_link(pictures / flaggedCopy, pictures / keptCopy);
    relist();
    engine->flush();
    fs::remove(pictures / flaggedCopy);
    relist();
    quitEngine();
    startServices();
    startEngine();
    relist();
    EXPECT_FALSE(isFlagged(stateOf(keptCopy)));
    engine->deleteBatch(std::nullopt, 0, true);
    ASSERT_TRUE(fs::exists(pictures / keptCopy));
    EXPECT_EQ(bytesOf(pictures / keptCopy), bytes);
}

} // namespace
} // namespace keepsift
