#include "platform/library/FileSystemKeys.hpp"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>
#include <vector>

#include <sys/stat.h>
#include <sys/sysmacros.h>

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

// mountinfo: id, parent, major:minor, root, mount point, options, optional fields, "-", type,
// source, super options. The first mount of the device in the kernel's order.
std::string mountOf(const std::string& mountinfo, std::uint64_t device) {
    const std::string wanted = std::to_string(major(device)) + ":" + std::to_string(minor(device));
    std::ifstream table(mountinfo);
    std::string line;
    while (std::getline(table, line)) {
        std::istringstream fields(line);
        std::vector<std::string> field;
        for (std::string f; fields >> f;)
            field.push_back(std::move(f));
        if (field.size() < 5 || field[2] != wanted) continue;
        std::string type, source;
        for (std::size_t i = 5; i + 2 < field.size(); ++i)
            if (field[i] == "-") {
                type = field[i + 1];
                source = field[i + 2];
                break;
            }
        return "mount " + type + " " + source + " " + field[3] + " " + field[4];
    }
    return {};
}

} // namespace

std::string FileSystemKeys::describe(std::uint64_t device) const {
    auto uuid = uuidOf(sources_.byUuid, device);
    return uuid.empty() ? mountOf(sources_.mountinfo, device) : uuid;
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
