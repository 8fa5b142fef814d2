#include <gmock/gmock.h>

#include <sys/sysmacros.h>

#include "FolderLibraryFixture.hpp"
#include "PrivateMounts.hpp"
#include "platform/library/CatalogueWalk.hpp"
#include "platform/library/FolderViews.hpp"
#include "platform/library/MountTable.hpp"

namespace keepsift::foldertest {
namespace {

using ::testing::ElementsAre;

TEST(MountOriginTest, TheTypeAndSourceFollowTheSeparator) {
    const auto fuse = originOf({"/home/me/Pictures/View",
                                "67 46 0:40 / /home/me/Pictures/View rw,nosuid shared:7 master:2 "
                                "- fuse /home/me/Pictures/Trip\\04001 rw,user_id=0"});
    EXPECT_EQ(fuse.type, "fuse");
    EXPECT_EQ(fuse.source, "/home/me/Pictures/Trip 01");
    const auto bind = originOf({"/home/me/Pictures/View",
                                "66 46 254:0 /me/Pictures/Trip01 /home/me/Pictures/View rw - ext4 "
                                "/dev/vda rw"});
    EXPECT_EQ(bind.type, "ext4");
    EXPECT_EQ(bind.source, "/dev/vda");
    EXPECT_EQ(originOf({"/x", "66 46 254:0 / /x rw"}).type, "");
}

using MountTableTest = FolderLibraryTest;

// Every reader of the table takes a line's fields alike: the paths it compares unescaped, the
// text a drive is known by as written.
TEST_F(MountTableTest, EachReaderOfALineTakesTheSameFields) {
    writeText(base / "mountinfo", "27 1 8:2 / / rw - ext4 /dev/sda2 rw\n"
                                  "67 27 0:40 /sub /home/me/My\\040Card rw shared:7 master:2 - "
                                  "fuse /home/me/Trip\\04001 rw,user_id=0\n");
    const auto table = (base / "mountinfo").string();
    const auto lines = liveMounts(table);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1].path, "/home/me/My Card");
    EXPECT_EQ(mountedDrive(lines[1]), "0:40 /sub");
    EXPECT_EQ(originOf(lines[1]).type, "fuse");
    EXPECT_EQ(originOf(lines[1]).source, "/home/me/Trip 01");
    const auto devices = liveDevices(table);
    ASSERT_EQ(devices.size(), 2u);
    EXPECT_EQ(devices[1], (MountedDevice{makedev(0, 40), "/sub", "/home/me/My\\040Card", "fuse",
                                         "/home/me/Trip\\04001"}));
}

// A library whose folders the test mounts again inside it.
class FolderViewsTest : public FolderLibraryTest {
protected:
    void SetUp() override {
        FolderLibraryTest::SetUp();
        writeJpeg(lib("2024/Trip01/a.jpg"));
        writeJpeg(lib("2024/Trip01/Day2/b.jpg"));
        views = std::make_unique<FolderViews>(root.string());
    }
    void TearDown() override {
        mounts.unmountAll();
        FolderLibraryTest::TearDown();
    }

    std::vector<std::string> walked() {
        std::vector<std::string> folders;
        for (const WalkedFolder& folder :
             walkLibrary(*fs, root.string(), ListingDetail::stamps, nullptr, views.get()))
            folders.push_back(folder.relative);
        std::sort(folders.begin(), folders.end());
        return folders;
    }

    PrivateMounts mounts;
    std::unique_ptr<FolderViews> views;
};

#define MOUNT_OR_SKIP(mounted)                                                                     \
    if (!(mounted))                                                                                \
    GTEST_SKIP() << "mounting needs root in a process of one thread (and bindfs for a view): "     \
                    "the case is not tried"

TEST_F(FolderViewsTest, ABindMountIsLeftOutWhereverItSortsAndTheFolderKeepsItsName) {
    MOUNT_OR_SKIP(mounts.bind(lib("2024/Trip01"), lib("A View")));
    // Shallower and first in order, but a mount point.
    EXPECT_THAT(walked(), ElementsAre("", "2024", "2024/Trip01", "2024/Trip01/Day2"));
    EXPECT_TRUE(views->isLeftOut("A View/Day2"));
    EXPECT_FALSE(views->isLeftOut("2024/Trip01"));
}

TEST_F(FolderViewsTest, AFolderOfACardMountedAgainIsListedUnderTheCardsName) {
    MOUNT_OR_SKIP(mounts.tmpfs(lib("Card"), 0755));
    writeJpeg(lib("Card/DCIM/c.jpg"));
    // The view is shallower and as far below a mount point as the card's own folder.
    ASSERT_TRUE(mounts.bind(lib("Card/DCIM"), lib("View")));
    for (int listing = 0; listing < 2; ++listing)
        EXPECT_THAT(walked(), ElementsAre("", "2024", "2024/Trip01", "2024/Trip01/Day2", "Card",
                                          "Card/DCIM"));
    EXPECT_TRUE(views->isLeftOut("View"));
}

TEST_F(FolderViewsTest, OfTwoMountsOfAHiddenFolderTheShallowerIsListed) {
    writeJpeg(lib(".hidden/Trip/c.jpg"));
    MOUNT_OR_SKIP(mounts.bind(lib(".hidden/Trip"), lib("2023/Trip")) &&
                  mounts.bind(lib(".hidden/Trip"), lib("Z")));
    EXPECT_THAT(walked(), ElementsAre("", "2023", "2024", "2024/Trip01", "2024/Trip01/Day2", "Z"));
}

TEST_F(FolderViewsTest, AFuseViewOfTheLibraryOrOfAFolderOfItIsNeverWalked) {
    MOUNT_OR_SKIP(mounts.bindfs(lib("2024/Trip01"), lib("View")) &&
                  mounts.bindfs(root, lib("2024/Whole")));
    EXPECT_THAT(walked(), ElementsAre("", "2024", "2024/Trip01", "2024/Trip01/Day2"));
}

TEST_F(FolderViewsTest, TheMountTableIsReadOncePerChangeOfIt) {
    MOUNT_OR_SKIP(mounts.tmpfs(lib("Card"), 0755));
    writeJpeg(lib("Card/c.jpg"));
    for (int listing = 0; listing < 3; ++listing)
        EXPECT_THAT(walked(), ElementsAre("", "2024", "2024/Trip01", "2024/Trip01/Day2", "Card"));
    EXPECT_EQ(views->tableReads(), 1u);
    ASSERT_TRUE(mounts.tmpfs(base / "elsewhere", 0755));
    walked();
    walked();
    EXPECT_EQ(views->tableReads(), 2u);
}

TEST_F(FolderViewsTest, AWalkWithoutAnotherDriveReadsNoMountTable) {
    walked();
    EXPECT_EQ(views->tableReads(), 0u);
}

} // namespace
} // namespace keepsift::foldertest
