#include "platform/library/ProvingStamp.hpp"

#include <cerrno>
#include <ctime>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/library/BoundedRead.hpp"
#include "platform/library/ChangeTimeKept.hpp"

namespace keepsift {
namespace {

std::int64_t wallClockNs() {
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    return now.tv_sec * 1'000'000'000LL + now.tv_nsec;
}

std::optional<FileStamp> stampOfDescriptor(int fd) {
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
    return stampOf(info);
}

} // namespace

// A change time of 0 is unknown, and so proves nothing.
std::optional<FileStamp> provingStamp(const FileStamp& began, const FileStamp& ended,
                                      std::int64_t readBeganNs) {
    if (began != ended || began.ctimeNs <= 0 || began.ctimeNs >= readBeganNs - racyMarginNs)
        return std::nullopt;
    return began;
}

int streamProvenFile(const Place& place,
                     const std::function<void(std::vector<std::uint8_t>)>& chunk,
                     std::optional<FileStamp>& proving) {
    proving.reset();
    const std::int64_t readBegan = wallClockNs();
    const int fd = openFileBelow(place);
    if (fd < 0) return errno != 0 ? errno : EIO;
    const auto began = stampOfDescriptor(fd);
    const int error = streamDescriptor(fd, chunk);
    const auto ended = stampOfDescriptor(fd);
    const bool kept = changeTimeKeptFor(fd);
    ::close(fd);
    if (error == 0 && began && ended && kept) proving = provingStamp(*began, *ended, readBegan);
    return error;
}

BoundedRead readProvenImageFile(const Place& place, std::optional<FileStamp>& proving) {
    proving.reset();
    const std::int64_t readBegan = wallClockNs();
    const int fd = openFileBelow(place);
    if (fd < 0) {
        BoundedRead failed;
        failed.error = errno != 0 ? errno : EIO;
        return failed;
    }
    BoundedRead read = readOpenImageFile(fd);
    const auto ended = stampOfDescriptor(fd);
    const bool kept = changeTimeKeptFor(fd);
    ::close(fd);
    if (read.bytes && ended && kept) proving = provingStamp(read.stamp, *ended, readBegan);
    return read;
}

DigestedStatus digestedStatusOf(const FileStamp& stamp) {
    return {static_cast<std::int64_t>(stamp.inode), stamp.size, stamp.mtimeNs, stamp.ctimeNs};
}

bool stillProvenBy(const DigestedStatus& status, const Place& file, const FileStamp& now) {
    return status.changedNs > 0 && status == digestedStatusOf(now) && changeTimeKeptAt(file.path());
}

} // namespace keepsift
