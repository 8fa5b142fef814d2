#include <gmock/gmock.h>

#include "FolderLibraryFixture.hpp"
#include "platform/library/FolderMounts.hpp"

namespace keepsift::foldertest {
namespace {

using ::testing::ElementsAre;

std::vector<std::string> pathsOf(const FolderMounts& mounts) {
    std::vector<std::string> paths;
    for (const auto& mount : mounts.mounts)
        paths.push_back(mount.path);
    return paths;
}

class FolderMountsTest : public FolderLibraryTest {
protected:
    FolderMounts mountsWith(const std::string& more) {
        writeText(base / "mountinfo",
                  "27 1 8:2 / / rw - ext4 /dev/sda2 rw\n"
                  "40 27 8:3 / /home rw - ext4 /dev/sda3 rw\n"
                  "41 40 0:50 / /home/me/Pictures/Card rw - vfat /dev/sdb1 rw\n"
                  "42 27 0:51 / /home/me/Pictures-old rw - tmpfs tmpfs rw\n"
                  "43 40 0:52 / /home/me/Other\\040Pictures rw - tmpfs tmpfs rw\n" +
                      more);
        return FolderMounts::of("/home/me/Pictures", (base / "mountinfo").string());
    }
};

TEST_F(FolderMountsTest, OnlyMountsAtAboveOrBelowTheFolderBearOnIt) {
    const auto mounts = mountsWith("");
    EXPECT_THAT(pathsOf(mounts), ElementsAre("/", "/home", "/home/me/Pictures/Card"));
    EXPECT_EQ(mountsWith("44 27 7:3 / /snap/core/123 ro - squashfs /dev/loop3 ro\n"), mounts);
    EXPECT_NE(mountsWith("45 41 0:53 / /home/me/Pictures/Card/DCIM rw - tmpfs tmpfs rw\n"), mounts);
    EXPECT_NE(mountsWith("46 27 0:54 / /home/me rw - tmpfs tmpfs rw\n"), mounts);
}

} // namespace
} // namespace keepsift::foldertest
