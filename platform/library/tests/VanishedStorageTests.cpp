#include "FolderLibraryFixture.hpp"

#include "platform/library/VanishedStorage.hpp"

namespace keepsift::foldertest {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::UnorderedElementsAre;

class VanishedStorageTest : public FolderLibraryTest {
protected:
    std::vector<std::string> vanished(const std::vector<MissingPhotograph>& missing,
                                      const std::set<std::string>& mountPoints = {}) {
        return vanishedStorage(root.string(), missing, mountPoints);
    }
};

TEST_F(VanishedStorageTest, AnEmptyMountPointTookItsFewPhotographsWithIt) {
    std::filesystem::create_directories(lib("Card"));
    std::filesystem::create_directories(lib("Trip"));
    writeJpeg(lib("kept.jpg"));
    const std::vector<MissingPhotograph> missing = {{"Card/DCIM/a.jpg", "Card/DCIM"},
                                                    {"Trip/b.jpg", "Trip"}};
    EXPECT_THAT(vanished(missing), IsEmpty());
    EXPECT_THAT(vanished(missing, {std::filesystem::canonical(lib("Card")).string()}),
                ElementsAre("Card/DCIM/a.jpg"));
    // A mount point that still holds photographs lost only those it no longer holds.
    writeJpeg(lib("Card/other.jpg"));
    EXPECT_THAT(vanished(missing, {std::filesystem::canonical(lib("Card")).string()}), IsEmpty());
}

TEST_F(VanishedStorageTest, ARootWithoutPhotographsTookThemAllAndAGoneFolderDidNot) {
    writeText(lib("notes.txt"), "no photograph");
    EXPECT_THAT(vanished({{"a.jpg", ""}, {"Gone/b.jpg", "Gone"}}),
                UnorderedElementsAre("a.jpg", "Gone/b.jpg"));
    writeJpeg(lib("c.jpg"));
    EXPECT_THAT(vanished({{"a.jpg", ""}, {"Gone/b.jpg", "Gone"}}), IsEmpty());
    // Identifiers that name no folder below the root are never looked for.
    EXPECT_THAT(vanished({{"../x.jpg", ".."}}), IsEmpty());
}

TEST_F(VanishedStorageTest, MountPointsAreReadFromTheTableWithTheirEscapes) {
    writeText(base / "fstab", "# comment\n"
                              "UUID=1 / ext4 defaults 0 1\n"
                              "/dev/sdb1 /media/My\\040Card vfat noauto 0 0\n"
                              "  \n"
                              "proc /proc proc defaults 0 0\n"
                              "/swapfile none swap sw 0 0\n");
    EXPECT_THAT(tableMountPoints((base / "fstab").string()),
                UnorderedElementsAre("/", "/media/My Card", "/proc"));
    EXPECT_THAT(tableMountPoints((base / "missing").string()), IsEmpty());
}

} // namespace
} // namespace keepsift::foldertest
