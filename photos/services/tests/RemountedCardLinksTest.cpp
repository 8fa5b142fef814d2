#include <sys/mount.h>

#include "photos/services/tests/EngineOverFolder.hpp"
#include "platform/library/tests/PrivateMounts.hpp"

namespace keepsift {
namespace {

namespace fs = std::filesystem;

// A card of bursts, a drive of its own, mounted inside the library and reviewed; then
// unmounted and mounted again at another folder of the library, as a desktop may name it anew.
class RemountedCard : public testing::EngineOverFolder {
protected:
    void SetUp() override {
        LiveHome::SetUp();
        if (!mounts.tmpfs(root / "card", 0755) || !mounts.bind(root / "card", pictures / "Card"))
            GTEST_SKIP() << "a card cannot be mounted in the library here (mounting needs root)";
        for (int frame = 0; frame < 4; ++frame)
            writeJpeg("Card/DCIM/burst-" + std::to_string(frame) + ".jpg", burstFrame(frame),
                      "2024:05:01 10:00:0" + std::to_string(2 * frame));
        writeJpeg("beach.jpg", scene(11), "2024:03:10 08:00:00");
        start();
        relist();
        relist();
        ASSERT_FALSE(flagged().empty());
        ASSERT_EQ(linked(), flagged());
        flaggedBefore = flagged().size();
    }
    void TearDown() override {
        engine.reset();
        services = {};
        mounts.unmountAll();
        LiveHome::TearDown();
    }
    void start() {
        startServices();
        startEngine();
    }
    void moveTheCard() {
        ASSERT_EQ(::umount2((pictures / "Card").c_str(), MNT_DETACH), 0);
        ASSERT_TRUE(mounts.bind(root / "card", pictures / "Card 1"));
    }
    // Every link leads to a photograph flagged where it is now, and no flag was lost.
    void expectTheAlbumFollowed() {
        EXPECT_EQ(danglingLinks(), 0);
        EXPECT_EQ(linked(), flagged());
        EXPECT_EQ(flagged().size(), flaggedBefore);
        for (const auto& id : flagged())
            EXPECT_FALSE(id.starts_with("Card/")) << id;
    }

    foldertest::PrivateMounts mounts;
    std::size_t flaggedBefore = 0;
};

TEST_F(RemountedCard, TakesItsLinksAlong) {
    ASSERT_NO_FATAL_FAILURE(moveTheCard());
    relist();
    relist();
    expectTheAlbumFollowed();
    quitEngine();
    start();
    relist();
    expectTheAlbumFollowed();
}

} // namespace
} // namespace keepsift
