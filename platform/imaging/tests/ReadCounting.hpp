#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace keepsift::testing {

// Bytes this process has read so far, whatever it read them with.
inline std::int64_t bytesReadSoFar() {
    std::ifstream io("/proc/self/io");
    std::string key;
    std::int64_t value = 0;
    while (io >> key >> value)
        if (key == "rchar:") return value;
    return 0;
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
