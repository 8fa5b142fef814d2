#include <tuple>

#include "photos/services/tests/ChangeTimes.hpp"
#include "photos/services/tests/EngineOverFolder.hpp"

namespace keepsift {
namespace {

namespace fs = std::filesystem;
using testing::awaitChangeTimePast;
using testing::rewriteAtItsOwnSize;

enum class LinkMade { afterTheRewrite, beforeTheRewrite };

// Where the keeper is when the user links it: where it was reviewed, or in its folder renamed
// since, the rename found by the same listing as the link and the rewrite.
enum class Folder { asReviewed, renamedUnlisted };

// A reviewed burst; its keeper rewritten in place with another picture, and linked into the
// rejects folder by the user, the two found by one listing.
// With the digests of the reviewed bytes read, as Keepsift reads them while idle, or not yet.
class UsersLinkOnARewrittenPhotograph
    : public testing::EngineOverFolder,
      public ::testing::WithParamInterface<std::tuple<LinkMade, bool, Folder>> {
protected:
    void SetUp() override {
        LiveHome::SetUp();
        for (int frame = 0; frame < 4; ++frame)
            writeJpeg(frameName(frame), burstFrame(frame),
                      "2024:05:01 10:00:0" + std::to_string(2 * frame));
        start();
        relist();
        if (digestsRead()) readBack();
        const auto keepers = idsIn(ReviewState::keeper);
        ASSERT_EQ(keepers.size(), 1u);
        keeper = keepers.front();
        ASSERT_FALSE(flagged().empty());
        if (std::get<2>(GetParam()) == Folder::renamedUnlisted) {
            fs::rename(pictures / "Trip", pictures / "Trip 2024");
            keeper = "Trip 2024/" + fs::path(keeper).filename().string();
        }
    }
    static LinkMade made() { return std::get<0>(GetParam()); }
    static bool digestsRead() { return std::get<1>(GetParam()); }
    void start() {
        startServices();
        startEngine();
    }
    static std::string frameName(int frame) {
        return "Trip/burst-" + std::to_string(frame) + ".jpg";
    }
    void rewrite() {
        ASSERT_NO_FATAL_FAILURE(rewriteAtItsOwnSize(
            pictures / keeper,
            testing::withExif(testing::encodedJpeg(scene(93), 70),
                              {{"Exif.Photo.DateTimeOriginal", "2024:07:01 09:00:00"},
                               {"Exif.Image.Make", "Fujifilm"}})));
    }
    void linkByHand() { fs::create_symlink(fs::path("..") / keeper, album() / "mine.jpg"); }
    // The rewrite read back, the picture measured and decided, the album written.
    void settle() {
        relist();
        readBack();
        relist();
        relist();
    }
    void expectTheUsersFlagOnTheNewPicture() {
        EXPECT_EQ(stateOf(keeper), ReviewState::flaggedByHand);
        EXPECT_TRUE(fs::exists(album() / "mine.jpg"));
        EXPECT_EQ(linked(), flagged());
        const auto entry = engine->index().entries.at(keeper);
        ASSERT_TRUE(entry.signals);
        EXPECT_EQ(entry.signals->fileSize,
                  static_cast<std::int64_t>(fs::file_size(pictures / keeper)));
    }
    void expectTheOldFlagLeftBehind() {
        EXPECT_NE(stateOf(keeper), ReviewState::flaggedByHand);
        EXPECT_NE(stateOf(keeper), ReviewState::pending);
        EXPECT_EQ(journalled(ReviewJournal::Event::overriddenToFlag, keeper), 0);
        EXPECT_EQ(linked(), flagged());
    }

    std::string keeper;
};

TEST_P(UsersLinkOnARewrittenPhotograph, SpeaksForTheFileAsItWasWhenMade) {
    const bool after = made() != LinkMade::beforeTheRewrite;
    if (after) {
        rewrite();
        awaitChangeTimePast(pictures / keeper, root);
        linkByHand();
    } else {
        linkByHand();
        awaitChangeTimePast(album() / "mine.jpg", root);
        rewrite();
    }
    ASSERT_NO_FATAL_FAILURE(settle());
    if (after)
        expectTheUsersFlagOnTheNewPicture();
    else
        expectTheOldFlagLeftBehind();
    quitEngine();
    start();
    relist();
    if (after)
        expectTheUsersFlagOnTheNewPicture();
    else
        expectTheOldFlagLeftBehind();
}

INSTANTIATE_TEST_SUITE_P(
    AfterOrBefore, UsersLinkOnARewrittenPhotograph,
    ::testing::Combine(::testing::Values(LinkMade::afterTheRewrite, LinkMade::beforeTheRewrite),
                       ::testing::Bool(),
                       ::testing::Values(Folder::asReviewed, Folder::renamedUnlisted)));

// The user links the keeper, then `chmod` changes its status, not its bytes: the link waits for
// them to be read back, and is the user's flag on the reviewed picture as soon as they are, with
// no other listing asked for.
class UsersLinkOnATouchedPhotograph : public UsersLinkOnARewrittenPhotograph {};

TEST_P(UsersLinkOnATouchedPhotograph, FlagsItOnceItsBytesAreReadBack) {
    const auto measured = engine->index().entries.at(keeper).signals;
    linkByHand();
    awaitChangeTimePast(album() / "mine.jpg", root);
    fs::permissions(pictures / keeper, fs::perms::others_read, fs::perm_options::remove);
    engine->reconcileWithLibrary();
    EXPECT_NE(stateOf(keeper), ReviewState::flaggedByHand);
    readBack();
    EXPECT_EQ(stateOf(keeper), ReviewState::flaggedByHand);
    EXPECT_EQ(engine->index().entries.at(keeper).signals, measured);
    relist();
    EXPECT_EQ(linked(), flagged());
    quitEngine();
    start();
    relist();
    EXPECT_EQ(stateOf(keeper), ReviewState::flaggedByHand);
    EXPECT_TRUE(fs::exists(album() / "mine.jpg"));
}

INSTANTIATE_TEST_SUITE_P(DigestsReadOrNot, UsersLinkOnATouchedPhotograph,
                         ::testing::Combine(::testing::Values(LinkMade::beforeTheRewrite),
                                            ::testing::Bool(),
                                            ::testing::Values(Folder::asReviewed)));

} // namespace
} // namespace keepsift
