#include "platform/library/BoundedRead.hpp"

#include <cerrno>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/imaging/ImageFileRead.hpp"

namespace keepsift {
namespace {

// Closes the descriptor on every way out.
struct Descriptor {
    int fd;
    ~Descriptor() {
        if (fd >= 0) ::close(fd);
    }
};

} // namespace

BoundedRead readImageFile(const Place& place) {
    BoundedRead read;
    Descriptor file{openFileBelow(place)};
    if (file.fd < 0) {
        read.error = errno != 0 ? errno : EIO;
        return read;
    }
    return readOpenImageFile(file.fd);
}

BoundedRead readOpenImageFile(int fd) {
    BoundedRead read;
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        read.error = errno != 0 ? errno : EIO;
        return read;
    }
    if (!S_ISREG(info.st_mode)) return read.error = EINVAL, read;
    ImageFileRead image = keepsift::readImageFile(fd, info.st_size);
    read.error = image.error;
    read.bytes = std::move(image.bytes);
    if (read.bytes) read.stamp = stampOf(info);
    return read;
}

int streamWholeFile(const Place& place,
                    const std::function<void(std::vector<std::uint8_t>)>& chunk) {
    Descriptor file{openFileBelow(place)};
    if (file.fd < 0) return errno != 0 ? errno : EIO;
    return streamDescriptor(file.fd, chunk);
}

int streamDescriptor(int fd, const std::function<void(std::vector<std::uint8_t>)>& chunk) {
    constexpr size_t chunkSize = 1 << 20;
    // Left unfilled: zeroing a whole chunk for each small photograph cost more than reading it.
    const auto buffer = std::make_unique_for_overwrite<std::uint8_t[]>(chunkSize);
    for (;;) {
        ssize_t count = ::read(fd, buffer.get(), chunkSize);
        if (count < 0 && errno == EINTR) continue;
        if (count < 0) return errno;
        if (count == 0) return 0;
        chunk(std::vector<std::uint8_t>(buffer.get(), buffer.get() + count));
    }
}

} // namespace keepsift
