#pragma once

#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include <gtest/gtest.h>

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

// Written into the file's own inode, at its own size, its times put back to the nanosecond,
// as `exiftool -P` leaves a photograph: only its change time and its bytes tell.
inline void rewriteAtItsOwnSize(const std::filesystem::path& file,
                                std::vector<unsigned char> bytes) {
    struct stat before {};
    ASSERT_EQ(::stat(file.c_str(), &before), 0);
    ASSERT_LE(bytes.size(), static_cast<std::size_t>(before.st_size));
    bytes.resize(static_cast<std::size_t>(before.st_size));
    const int fd = ::open(file.c_str(), O_WRONLY);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    ::close(fd);
    const timespec times[2] = {before.st_atim, before.st_mtim};
    ASSERT_EQ(::utimensat(AT_FDCWD, file.c_str(), times, 0), 0);
}

} // namespace keepsift::testing
