#include "platform/library/BoundedRead.hpp"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

BoundedRead readWholeFile(const Place& place, std::int64_t maximumBytes) {
    BoundedRead read;
    Descriptor file{openFileBelow(place)};
    struct stat info {};
    if (file.fd < 0 || ::fstat(file.fd, &info) != 0) {
        read.error = errno != 0 ? errno : EIO;
        return read;
    }
    if (!S_ISREG(info.st_mode)) return read.error = EINVAL, read;
    if (info.st_size > maximumBytes) return read.error = EFBIG, read;
    std::vector<std::uint8_t> bytes(static_cast<size_t>(info.st_size));
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t count = ::read(file.fd, bytes.data() + done, bytes.size() - done);
        if (count < 0 && errno == EINTR) continue;
        if (count < 0) return read.error = errno, read;
        if (count == 0) break;
        done += static_cast<size_t>(count);
    }
    // A file that shrank while it was read gives what it held.
    bytes.resize(done);
    read.stamp = stampOf(info);
    read.bytes = std::move(bytes);
    return read;
}

int streamWholeFile(const Place& place,
                    const std::function<void(std::vector<std::uint8_t>)>& chunk) {
    constexpr size_t chunkSize = 1 << 20;
    Descriptor file{openFileBelow(place)};
    if (file.fd < 0) return errno != 0 ? errno : EIO;
    std::vector<std::uint8_t> buffer(chunkSize);
    for (;;) {
        ssize_t count = ::read(file.fd, buffer.data(), buffer.size());
        if (count < 0 && errno == EINTR) continue;
        if (count < 0) return errno;
        if (count == 0) return 0;
        chunk(std::vector<std::uint8_t>(buffer.begin(), buffer.begin() + count));
    }
}

} // namespace keepsift
