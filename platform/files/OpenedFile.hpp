#pragma once

#include <filesystem>
#include <sys/stat.h>

namespace keepsift {

// A regular file opened without waiting for a pipe or device swapped in, also behind a link;
// closed on every way out. Anything else is looked at, never opened: opening a device can do
// something.
struct OpenedFile {
    explicit OpenedFile(const std::filesystem::path& path);
    ~OpenedFile();
    OpenedFile(const OpenedFile&) = delete;
    OpenedFile& operator=(const OpenedFile&) = delete;

    bool isRegular() const { return fd >= 0 && error == 0 && S_ISREG(info.st_mode); }

    int fd = -1;
    // Why it could not be looked at or opened; 0 also for what is not a regular file.
    int error = 0;
    struct stat info {};
};

} // namespace keepsift
