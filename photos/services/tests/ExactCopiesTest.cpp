#include <algorithm>

#include "photos/services/tests/EngineOverFolder.hpp"
#include "photos/services/tests/FileBytes.hpp"

namespace keepsift {
namespace {

namespace fs = std::filesystem;
using testing::bytesOf;

const std::vector<std::string> copies = {"Import/holiday.jpg", "Import again/holiday.jpg"};
const std::string smallerCopy = "Shared/holiday-small.jpg";

// What the user does to the copy flagged by hand while Keepsift runs or is stopped: removes it,
// or a de-duplication tool puts a hard link to the kept copy in its place, which Keepsift may
// read back as the kept copy's file before the user removes that name too.
struct Removal {
    bool stopped = false;
    bool linkedToKept = false;
    bool thenRemoved = false;
};

// An import made twice: two byte-identical copies, the second flagged by hand; a smaller copy
// shared elsewhere keeps the group up for review.
class ExactCopies : public testing::EngineOverFolder,
                    public ::testing::WithParamInterface<Removal> {
protected:
    void SetUp() override {
        LiveHome::SetUp();
        writeJpeg(copies[0], scene(5), "2024:06:01 09:00:00");
        fs::create_directories((pictures / copies[1]).parent_path());
        fs::copy_file(pictures / copies[0], pictures / copies[1]);
        cv::Mat half;
        cv::resize(scene(5), half, {}, 0.5, 0.5, cv::INTER_AREA);
        writeJpeg(smallerCopy, half, "2024:06:01 09:00:00");
        startServices();
        startEngine();
        relist();
        ASSERT_FALSE(isFlagged(stateOf(kept)));
        engine->override(confirmed, false);
        engine->syncRejectsAlbumIfNeeded();
        ASSERT_EQ(stateOf(confirmed), ReviewState::flaggedByHand);
        ASSERT_EQ(linked(), flagged());
        keptBytes = bytesOf(pictures / kept);
    }

    void removeConfirmed() {
        const bool stopped = GetParam().stopped;
        if (stopped) {
            ASSERT_TRUE(engine->save());
            engine.reset();
        }
        fs::remove(pictures / confirmed);
        if (GetParam().linkedToKept) fs::create_hard_link(pictures / kept, pictures / confirmed);
        if (GetParam().thenRemoved) {
            if (stopped) startEngine();
            relist();
            readBack();
            ASSERT_EQ(engine->index().entries.at(confirmed).asset.file->number,
                      engine->index().entries.at(kept).asset.file->number);
            if (stopped) {
                ASSERT_TRUE(engine->save());
                engine.reset();
            }
            fs::remove(pictures / confirmed);
        }
        if (stopped) startEngine();
        relist();
    }

    const std::string kept = copies[0], confirmed = copies[1];
    std::vector<char> keptBytes;
};

// The kept copy is the last of the picture at its size: the hand flag left with its own file.
TEST_P(ExactCopies, TheKeptCopyKeepsItsReviewWhenTheConfirmedOneIsRemoved) {
    removeConfirmed();
    EXPECT_FALSE(isFlagged(stateOf(kept))) << toString(stateOf(kept));
    const bool nameLeft = GetParam().linkedToKept && !GetParam().thenRemoved;
    EXPECT_EQ(journalled(ReviewJournal::Event::deletedElsewhere, confirmed), nameLeft ? 0 : 1);
    EXPECT_EQ(journalled(ReviewJournal::Event::overriddenToFlag, kept), 0);
    EXPECT_EQ(linked(), flagged());

    const auto report = engine->deleteBatch(std::nullopt, 0, true);
    EXPECT_EQ(std::count(report.deleted.begin(), report.deleted.end(), kept), 0);
    const auto trash = trashed();
    // A name of the kept copy's own file may go: the kept one stays where it is.
    EXPECT_TRUE(nameLeft || std::count(trash.begin(), trash.end(), keptBytes) == 0);
    ASSERT_TRUE(fs::is_regular_file(fs::symlink_status(pictures / kept)));
    EXPECT_EQ(bytesOf(pictures / kept), keptBytes);
}

INSTANTIATE_TEST_SUITE_P(RunningOrStopped, ExactCopies,
                         ::testing::Values(Removal{false, false}, Removal{true, false},
                                           Removal{false, true}, Removal{true, true},
                                           Removal{false, true, true}, Removal{true, true, true}),
                         [](const auto& info) {
                             return std::string(info.param.stopped ? "Stopped" : "Running") +
                                    (info.param.linkedToKept ? "LinkedToKept" : "Removed") +
                                    (info.param.thenRemoved ? "ThenRemoved" : "");
                         });

} // namespace
} // namespace keepsift
