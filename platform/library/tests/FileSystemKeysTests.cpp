#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/sysmacros.h>

#include "FolderLibraryFixture.hpp"
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

} // namespace
} // namespace keepsift::foldertest
