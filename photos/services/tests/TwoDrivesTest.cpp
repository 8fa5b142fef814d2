#include <algorithm>

#include <sys/stat.h>

#include "photos/services/tests/EngineOverFolder.hpp"
#include "platform/library/tests/PrivateMounts.hpp"

namespace keepsift {
namespace {

namespace fs = std::filesystem;
using testing::bytesOf;

std::uint64_t numberOf(const fs::path& file) {
    struct stat info {};
    return ::stat(file.c_str(), &info) == 0 ? info.st_ino : 0;
}

// Two cards mounted inside the library, each holding a copy of one picture under the same file
// number: the copy on the first flagged by hand, the other's kept by Keepsift.
class TwoDrives : public testing::EngineOverFolder, public ::testing::WithParamInterface<bool> {
protected:
    void SetUp() override {
        LiveHome::SetUp();
        if (!mounts.tmpfs(pictures / "CardA", 0755) || !mounts.tmpfs(pictures / "CardB", 0755))
            GTEST_SKIP() << "two drives cannot be mounted in the library here (mounting needs "
                            "root in a process of one thread): the case is not tried";
        writeJpeg("CardA/x.jpg", scene(5), "2024:06:01 09:00:00");
        fs::copy_file(pictures / "CardA/x.jpg", pictures / "CardB/x.jpg");
        ASSERT_EQ(numberOf(pictures / "CardA/x.jpg"), numberOf(pictures / "CardB/x.jpg"));
        startServices();
        startEngine();
        relist();
        const bool aFlagged = isFlagged(stateOf("CardA/x.jpg"));
        flaggedCopy = aFlagged ? "CardA/x.jpg" : "CardB/x.jpg";
        keptCopy = aFlagged ? "CardB/x.jpg" : "CardA/x.jpg";
        ASSERT_EQ(stateOf(keptCopy), ReviewState::keeper);
        engine->override(flaggedCopy, false);
        engine->syncRejectsAlbumIfNeeded();
        ASSERT_EQ(linked(), flagged());
        keptBytes = bytesOf(pictures / keptCopy);
    }

    void TearDown() override {
        engine.reset();
        services = {};
        mounts.unmountAll();
        LiveHome::TearDown();
    }

    foldertest::PrivateMounts mounts;
    std::string flaggedCopy, keptCopy;
    std::vector<char> keptBytes;
};

TEST_P(TwoDrives, TheOtherDrivesCopyOfTheSameFileNumberTakesNoHandFlag) {
    const bool stopped = GetParam();
    if (stopped) quitEngine();
    fs::remove(pictures / flaggedCopy);
    if (stopped) {
        startServices();
        startEngine();
    }
    relist();
    EXPECT_EQ(stateOf(keptCopy), ReviewState::keeper);
    EXPECT_EQ(journalled(ReviewJournal::Event::deletedElsewhere, flaggedCopy), 1);
    EXPECT_EQ(linked(), flagged());
    engine->deleteBatch(std::nullopt, 0, true);
    const auto trash = trashed();
    EXPECT_EQ(std::count(trash.begin(), trash.end(), keptBytes), 0);
    ASSERT_TRUE(fs::is_regular_file(pictures / keptCopy));
    EXPECT_EQ(bytesOf(pictures / keptCopy), keptBytes);
}

INSTANTIATE_TEST_SUITE_P(RunningOrStopped, TwoDrives, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "Stopped" : "Running"; });

} // namespace
} // namespace keepsift
