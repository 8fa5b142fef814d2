#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <unordered_map>

#include "platform/library/MountTable.hpp"

namespace keepsift {

// The drive behind a device number, as a key that stays the same across a remount where the
// system can tell: the drive's UUID where a block device of that number is named in the
// by-UUID folder, else the mount as the table lists it (its source, type, root and mount
// point). Each device is looked up once while the mount table and the by-UUID folder stay
// as they are: a drive mounted again later, under a number another had, is looked up afresh.
class FileSystemKeys {
public:
    struct Sources {
        std::string byUuid = "/dev/disk/by-uuid";
        std::string mountinfo = "/proc/self/mountinfo";
    };

    FileSystemKeys() : FileSystemKeys(Sources{}) {}
    explicit FileSystemKeys(Sources sources);
    ~FileSystemKeys();

    // The keys known are dropped when the mounts or the drives' names changed since the last
    // look: one look stands for the files of a listing, however many they are.
    void forgetIfChanged();
    // Never 0, which stands for a drive not known; 0 only when nothing names the device.
    std::int64_t keyOf(std::uint64_t device);
    // What the key is made from, empty when nothing names the device.
    std::string describe(std::uint64_t device) const;

private:
    Sources sources_;
    std::unique_ptr<MountTableWatch> mounts_;
    bool namesSeen_ = false;
    struct stat names_ {};
    std::unordered_map<std::uint64_t, std::int64_t> known_;
};

} // namespace keepsift
