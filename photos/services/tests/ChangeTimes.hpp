#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <thread>

namespace keepsift::testing {

// The change time of the path itself, a link not followed.
inline std::int64_t ownChangeTimeOf(const std::filesystem::path& path) {
    struct stat info {};
    ::lstat(path.c_str(), &info);
    return info.st_ctim.tv_sec * 1'000'000'000LL + info.st_ctim.tv_nsec;
}

// Until a file written in `folder` now takes a later change time than `path` has: what is done
// next is told apart from it by its time, on a drive whose clock ticks coarsely.
inline void awaitChangeTimePast(const std::filesystem::path& path,
                                const std::filesystem::path& folder) {
    const auto probe = folder / ".tick";
    const auto was = ownChangeTimeOf(path);
    for (int attempt = 0; attempt < 10000; ++attempt) {
        std::ofstream(probe) << attempt;
        if (ownChangeTimeOf(probe) > was) break;
        std::this_thread::sleep_for(std::chrono::microseconds(100));
    }
    std::filesystem::remove(probe);
}

} // namespace keepsift::testing
