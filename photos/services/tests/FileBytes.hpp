#pragma once

#include <filesystem>
#include <fstream>
#include <vector>

namespace keepsift::testing {

inline std::vector<char> bytesOf(const std::filesystem::path& file) {
    std::vector<char> bytes(std::filesystem::file_size(file));
    std::ifstream(file, std::ios::binary)
        .read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return bytes;
}

// Written over the file where it is, its modification time kept, as `cp -p` does.
inline void overwriteKeepingTime(const std::filesystem::path& file,
                                 const std::vector<char>& bytes) {
    const auto time = std::filesystem::last_write_time(file);
    std::ofstream(file, std::ios::binary | std::ios::trunc)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    std::filesystem::last_write_time(file, time);
}

} // namespace keepsift::testing
