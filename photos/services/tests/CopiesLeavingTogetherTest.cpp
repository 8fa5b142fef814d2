#include <chrono>
#include <optional>
#include <ostream>

#include "photos/services/tests/EngineOverFolder.hpp"

namespace keepsift {
namespace {

namespace fs = std::filesystem;
using testing::bytesOf;
using testing::rewriteAtItsOwnSize;

// What becomes of the copy that does not go to the card, in the listing that finds the other
// one there.
enum class Other { rewrittenInPlace, removed };

// A decision left to Keepsift.
constexpr std::optional<bool> automatic = std::nullopt;

struct Case {
    Other other;
    // Kept (true) or flagged (false) by hand, or left to Keepsift, before the listing.
    std::optional<bool> moved, stayed;
    ReviewState expected;
    const char* name;
};

std::ostream& operator<<(std::ostream& out, const Case& c) {
    return out << c.name;
}

// One picture in two folders under one name. One copy goes to the card (`mv` to another drive:
// a copy, then the removal), and the other is rewritten in place with another picture, its size
// and times kept, or removed; one listing finds it all. Either copy may have left with the bytes
// the card holds now: whichever review the card's file takes, no keep by hand is lost, and no
// flag by hand of a file still at its place lands on the last copy of the picture.
class TwoCopiesLeaveOneArrives : public testing::EngineOverFolder,
                                 public ::testing::WithParamInterface<Case> {
protected:
    void SetUp() override {
        LiveHome::SetUp();
        const auto hourAgo = fs::file_time_type::clock::now() - std::chrono::hours(1);
        fs::last_write_time(writeJpeg(moved, scene(5), "2024:06:01 09:00:00"), hourAgo);
        fs::create_directories((pictures / stayed).parent_path());
        fs::copy_file(pictures / moved, pictures / stayed);
        fs::last_write_time(pictures / stayed, hourAgo);
        startServices();
        startEngine();
        relist();
        decide(moved, GetParam().moved);
        decide(stayed, GetParam().stayed);
        engine->syncRejectsAlbumIfNeeded();
        bytes = bytesOf(pictures / moved);
    }

    void decide(const std::string& id, std::optional<bool> keep) {
        if (keep) engine->override(id, *keep);
    }

    // `mv` to the card and the other copy's change, found by one listing.
    void leave() {
        fs::create_directories((pictures / card).parent_path());
        fs::copy_file(pictures / moved, pictures / card);
        fs::last_write_time(pictures / card, fs::last_write_time(pictures / moved));
        fs::remove(pictures / moved);
        if (GetParam().other == Other::removed)
            fs::remove(pictures / stayed);
        else
            ASSERT_NO_FATAL_FAILURE(rewriteAtItsOwnSize(
                pictures / stayed,
                testing::withExif(testing::encodedJpeg(scene(93), 70),
                                  {{"Exif.Photo.DateTimeOriginal", "2024:07:01 09:00:00"}})));
        relist();
    }

    const std::string moved = "Import again/holiday.jpg", stayed = "Import/holiday.jpg",
                      card = "Card/DCIM/holiday.jpg";
    std::vector<char> bytes;
};

TEST_P(TwoCopiesLeaveOneArrives, TheCardsFileTakesTheReviewThatLosesNoHandDecision) {
    ASSERT_NO_FATAL_FAILURE(leave());
    EXPECT_EQ(stateOf(card), GetParam().expected);
    quitEngine();
    startServices();
    startEngine();
    relist();
    EXPECT_EQ(stateOf(card), GetParam().expected);
    EXPECT_EQ(linked(), flagged());
    if (isFlagged(GetParam().expected)) return;
    engine->deleteBatch(std::nullopt, 0, true);
    ASSERT_TRUE(fs::exists(pictures / card));
    EXPECT_EQ(bytesOf(pictures / card), bytes);
}

INSTANTIATE_TEST_SUITE_P(
    Decisions, TwoCopiesLeaveOneArrives,
    ::testing::Values(
        Case{Other::rewrittenInPlace, true, automatic, ReviewState::keptByHand,
             "KeptAndMovedOtherRewritten"},
        Case{Other::rewrittenInPlace, automatic, true, ReviewState::keptByHand,
             "MovedOtherKeptAndRewritten"},
        Case{Other::rewrittenInPlace, false, automatic, ReviewState::flaggedByHand,
             "FlaggedAndMovedOtherRewritten"},
        Case{Other::rewrittenInPlace, automatic, false, ReviewState::keeper,
             "MovedOtherFlaggedAndRewritten"},
        Case{Other::removed, true, automatic, ReviewState::keptByHand, "KeptAndMovedOtherRemoved"},
        Case{Other::removed, automatic, true, ReviewState::keptByHand, "MovedOtherKeptAndRemoved"},
        Case{Other::removed, false, true, ReviewState::keptByHand,
             "FlaggedAndMovedOtherKeptAndRemoved"}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace keepsift
