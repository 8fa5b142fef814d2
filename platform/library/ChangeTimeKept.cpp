#include "platform/library/ChangeTimeKept.hpp"

#include <algorithm>
#include <array>
#include <sys/vfs.h>

namespace keepsift {
namespace {

// The one list of them. Everything else, unknown kinds included, is read to be proved.
constexpr std::array<unsigned long, 11> changeTimeKeepers{
    0xEF53UL,     // ext2, ext3, ext4
    0x58465342UL, // XFS
    0x9123683EUL, // Btrfs
    0xF2F52010UL, // F2FS
    0x01021994UL, // tmpfs
    0x858458F6UL, // ramfs
    0x2FC12FC1UL, // ZFS
    0x3153464AUL, // JFS
    0x52654973UL, // ReiserFS
    0xCA451A4EUL, // bcachefs
    0x3434UL,     // NILFS
};

bool keptOn(const struct statfs& info) {
    return keepsChangeTime(static_cast<long>(info.f_type));
}

} // namespace

bool keepsChangeTime(long fileSystemType) {
    const auto type = static_cast<unsigned long>(fileSystemType) & 0xFFFFFFFFUL;
    return std::find(changeTimeKeepers.begin(), changeTimeKeepers.end(), type) !=
           changeTimeKeepers.end();
}

bool changeTimeKeptFor(int fd) {
    struct statfs info {};
    return ::fstatfs(fd, &info) == 0 && keptOn(info);
}

bool changeTimeKeptAt(const std::string& path) {
    struct statfs info {};
    return ::statfs(path.c_str(), &info) == 0 && keptOn(info);
}

} // namespace keepsift
