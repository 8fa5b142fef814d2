#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>

namespace keepsift {

// The drive behind a device number, as a key that stays the same across a remount where the
// system can tell: the drive's UUID where a block device of that number is named in the
// by-UUID folder, else the mount as the table lists it (its source, type, root and mount
// point). Each device is looked up once; the device numbers of one set of mounts only, so
// that a drive mounted again later, under a number another had, is looked up afresh by a
// new set.
class FileSystemKeys {
public:
    struct Sources {
        std::string byUuid = "/dev/disk/by-uuid";
        std::string mountinfo = "/proc/self/mountinfo";
    };

    FileSystemKeys() = default;
    explicit FileSystemKeys(Sources sources) : sources_(std::move(sources)) {}

    // Never 0, which stands for a drive not known; 0 only when nothing names the device.
    std::int64_t keyOf(std::uint64_t device);
    // What the key is made from, empty when nothing names the device.
    std::string describe(std::uint64_t device) const;

private:
    Sources sources_;
    std::unordered_map<std::uint64_t, std::int64_t> known_;
};

} // namespace keepsift
