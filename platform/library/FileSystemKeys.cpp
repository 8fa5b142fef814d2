#include "platform/library/FileSystemKeys.hpp"

#include <filesystem>
#include <system_error>

#include <sys/stat.h>

namespace keepsift {
namespace {

// FNV-1a: the same text gives the same key in every run and build. Folded to 31 bits, as it is
// written with every photograph of the index, while two drives of one user clash only once in
// hundreds of millions.
std::int64_t hashOf(const std::string& text) {
    std::uint64_t hash = 14695981039346656037ull;
    for (const unsigned char c : text) {
        hash ^= c;
        hash *= 1099511628211ull;
    }
    const auto key = static_cast<std::int64_t>((hash ^ (hash >> 31) ^ (hash >> 62)) & 0x7fffffff);
    return key == 0 ? 1 : key;
}

std::string uuidOf(const std::string& folder, std::uint64_t device) {
    std::error_code error;
    for (const auto& link : std::filesystem::directory_iterator(folder, error)) {
        struct stat info {};
        if (::stat(link.path().c_str(), &info) == 0 && S_ISBLK(info.st_mode) &&
            info.st_rdev == device)
            return "uuid " + link.path().filename().string();
    }
    return {};
}

// The first mount of the device in the kernel's order.
std::string mountOf(const std::string& mountinfo, std::uint64_t device) {
    for (const MountedDevice& mount : liveDevices(mountinfo))
        if (mount.device == device)
            return "mount " + mount.type + " " + mount.source + " " + mount.root + " " +
                   mount.point;
    return {};
}

bool sameTime(const struct stat& a, const struct stat& b) {
    return a.st_ino == b.st_ino && a.st_mtim.tv_sec == b.st_mtim.tv_sec &&
           a.st_mtim.tv_nsec == b.st_mtim.tv_nsec;
}

} // namespace

std::string FileSystemKeys::describe(std::uint64_t device) const {
    auto uuid = uuidOf(sources_.byUuid, device);
    return uuid.empty() ? mountOf(sources_.mountinfo, device) : uuid;
}

FileSystemKeys::FileSystemKeys(Sources sources)
    : sources_(std::move(sources)), mounts_(std::make_unique<MountTableWatch>(sources_.mountinfo)) {
}

FileSystemKeys::~FileSystemKeys() = default;

// A drive plugged in adds its name to the by-UUID folder, which may come after its mount.
void FileSystemKeys::forgetIfChanged() {
    struct stat names {};
    const bool named = ::stat(sources_.byUuid.c_str(), &names) == 0;
    const bool namesChanged = named != namesSeen_ || (named && !sameTime(names, names_));
    namesSeen_ = named;
    names_ = names;
    if (mounts_->changed() || namesChanged) known_.clear();
}

std::int64_t FileSystemKeys::keyOf(std::uint64_t device) {
    const auto [known, added] = known_.try_emplace(device, 0);
    if (added) {
        const auto text = describe(device);
        if (!text.empty()) known->second = hashOf(text);
    }
    return known->second;
}

} // namespace keepsift
