#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace keepsift::testing {

// One count of /proc/self/io ("rchar:", "wchar:", ...) of this process so far.
inline std::int64_t processIo(const std::string& wanted) {
    std::ifstream io("/proc/self/io");
    std::string key;
    std::int64_t value = 0;
    while (io >> key >> value)
        if (key == wanted) return value;
    return 0;
}

// Bytes this process has read so far, whatever it read them with.
inline std::int64_t bytesReadSoFar() {
    return processIo("rchar:");
}

// A file of the given bytes, then made `size` long (the rest a hole, which costs no disk).
inline std::filesystem::path fileOf(const std::filesystem::path& path,
                                    const std::vector<std::uint8_t>& bytes, std::int64_t size) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    std::filesystem::resize_file(path, static_cast<std::uintmax_t>(size));
    return path;
}

} // namespace keepsift::testing
