#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/sysmacros.h>

#include "FolderLibraryFixture.hpp"
#include "PrivateMounts.hpp"
#include "platform/library/FileSystemKeys.hpp"

namespace keepsift::foldertest {
namespace {

class FileSystemKeysTest : public FolderLibraryTest {
protected:
    FileSystemKeys keysWith(const std::string& mountinfo) {
        writeText(base / "mountinfo", mountinfo);
        std::filesystem::create_directories(base / "by-uuid");
        return FileSystemKeys({(base / "by-uuid").string(), (base / "mountinfo").string()});
    }
};

// A drive unmounted and mounted again at its place under another device number is the same
// drive; another mount of the same kind elsewhere is another.
TEST_F(FileSystemKeysTest, AMountIsKnownByWhatTheTableSaysOfItNotByItsDeviceNumber) {
    const std::string lines = "27 1 8:2 / / rw - ext4 /dev/sda2 rw\n"
                              "41 27 0:50 / /home/me/Pictures/Card rw - tmpfs tmpfs rw\n"
                              "42 27 0:51 / /home/me/Pictures/Other rw - tmpfs tmpfs rw\n";
    auto keys = keysWith(lines);
    const auto card = keys.keyOf(makedev(0, 50));
    EXPECT_NE(card, 0);
    EXPECT_NE(keys.keyOf(makedev(0, 51)), card);
    EXPECT_EQ(keys.keyOf(makedev(0, 99)), 0);
    auto remounted = keysWith("27 1 8:2 / / rw - ext4 /dev/sda2 rw\n"
                              "57 27 0:63 / /home/me/Pictures/Card rw - tmpfs tmpfs rw\n");
    EXPECT_EQ(remounted.keyOf(makedev(0, 63)), card);
}

// A block device named by its UUID is known by it, wherever and however it is mounted.
TEST_F(FileSystemKeysTest, ADriveWithAUuidIsKnownByIt) {
    struct stat device {};
    if (::stat("/dev/loop0", &device) != 0 || !S_ISBLK(device.st_mode))
        GTEST_SKIP() << "no block device /dev/loop0 to name by a UUID here";
    auto keys = keysWith("30 27 7:0 / /media/card rw - vfat /dev/loop0 rw\n");
    std::filesystem::create_symlink("/dev/loop0", base / "by-uuid" / "ABCD-1234");
    EXPECT_EQ(keys.describe(device.st_rdev), "uuid ABCD-1234");
    auto elsewhere = keysWith("31 27 7:0 / /media/other rw - vfat /dev/loop0 rw\n");
    EXPECT_EQ(elsewhere.keyOf(device.st_rdev), keys.keyOf(device.st_rdev));
}

// The key is made from the table's text as written, so that it reads the same as the keys an
// index saved before: a name with a space keeps its escape.
TEST_F(FileSystemKeysTest, ANameWithASpaceIsDescribedAsTheTableWritesIt) {
    auto keys = keysWith("27 1 8:2 / / rw - ext4 /dev/sda2 rw\n"
                         "67 27 0:40 /sub /home/me/Pictures/My\\040Card rw shared:7 - fuse "
                         "/home/me/Trip\\04001 rw,user_id=0\n");
    EXPECT_EQ(keys.describe(makedev(0, 40)),
              "mount fuse /home/me/Trip\\04001 /sub /home/me/Pictures/My\\040Card");
}

// A listing asks for the drive of every file it describes: the table is read again only once
// it changed, however many files there are.
TEST_F(FileSystemKeysTest, AKeyIsLookedUpAgainOnlyOnceTheMountsOrTheDrivesNamesChanged) {
    const auto table = base / "mountinfo";
    auto keys = keysWith("41 27 0:50 / /home/me/Pictures/Card rw - tmpfs tmpfs rw\n");
    keys.forgetIfChanged();
    const auto card = keys.keyOf(makedev(0, 50));
    ASSERT_NE(card, 0);
    // Rewritten in place to the same length, its time put back: unchanged to every look.
    const auto written = std::filesystem::last_write_time(table);
    writeText(table, "41 27 0:50 / /home/me/Pictures/Disk rw - tmpfs tmpfs rw\n");
    std::filesystem::last_write_time(table, written);
    keys.forgetIfChanged();
    EXPECT_EQ(keys.keyOf(makedev(0, 50)), card);
    // A drive's name added, as a plugged-in drive's comes after its mount.
    writeText(base / "by-uuid" / "unrelated", "");
    keys.forgetIfChanged();
    const auto disk = keys.keyOf(makedev(0, 50));
    EXPECT_NE(disk, card);
    writeText(table, "41 27 0:50 / /home/me/Pictures/Card rw - tmpfs tmpfs rw\n");
    std::filesystem::last_write_time(table, written + std::chrono::seconds(1));
    keys.forgetIfChanged();
    EXPECT_EQ(keys.keyOf(makedev(0, 50)), card);
}

// The kernel's own table is watched without reading it: quiet until a mount comes or goes.
TEST_F(FileSystemKeysTest, TheKernelsTableShowsAChangeOnceForEachMount) {
    PrivateMounts mounts;
    if (!mounts.tmpfs(base / "Card", 0755)) GTEST_SKIP() << "no mounts of its own here";
    MountTableWatch watch;
    EXPECT_TRUE(watch.changed());
    EXPECT_FALSE(watch.changed());
    ASSERT_TRUE(mounts.tmpfs(base / "Other", 0755));
    EXPECT_TRUE(watch.changed());
    EXPECT_FALSE(watch.changed());
    mounts.unmountAll();
    EXPECT_TRUE(watch.changed());
    EXPECT_FALSE(watch.changed());
}

} // namespace
} // namespace keepsift::foldertest
