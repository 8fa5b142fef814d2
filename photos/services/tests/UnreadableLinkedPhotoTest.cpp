#include <filesystem>
#include <fstream>

#include "photos/services/tests/EngineOverFolder.hpp"

namespace keepsift {
namespace {

namespace fs = std::filesystem;

const std::string broken = "Trip/broken.jpg";

// A photograph the user links into the album before Keepsift measured it, whose file proves
// unreadable: the link is the user's flag on the file, whatever Keepsift can make of it.
class UnreadableLinkedPhoto : public testing::EngineOverFolder {
protected:
    void SetUp() override {
        LiveHome::SetUp();
        writeJpeg("Trip/beach.jpg", scene(11), "2024:03:10 08:00:00");
        fs::create_directories(pictures / "Trip");
        std::ofstream(pictures / broken, std::ios::binary) << std::string(8192, 'x');
        startServices();
        startEngine();
        ASSERT_EQ(engine->reconcileWithLibrary().added.size(), 2u);
        fs::create_directories(album());
        fs::permissions(album(), fs::perms::owner_all, fs::perm_options::replace);
        fs::create_symlink(fs::path("..") / broken, album() / "broken.jpg");
    }

    void expectFlaggedByTheUser() {
        EXPECT_EQ(stateOf(broken), ReviewState::flaggedByHand);
        EXPECT_TRUE(fs::is_symlink(album() / "broken.jpg"));
        EXPECT_EQ(linked(), std::vector<std::string>{broken});
    }
};

TEST_F(UnreadableLinkedPhoto, KeepsTheUsersFlagAndItsLinkAcrossAQuitAndAStart) {
    relist();
    ASSERT_EQ(engine->index().entries.at(broken).skip, SkipReason::unreadable);
    expectFlaggedByTheUser();
    EXPECT_EQ(analyseAll(), 0) << "measured once";
    quitEngine();
    startServices();
    startEngine();
    relist();
    expectFlaggedByTheUser();
    EXPECT_EQ(analyseAll(), 0);
}

} // namespace
} // namespace keepsift
