#include "platform/imaging/FileBytes.hpp"

#include <cerrno>
#include <unistd.h>

namespace keepsift {

bool readAt(int fd, std::int64_t offset, std::uint8_t* into, std::int64_t count,
            std::int64_t& got) {
    got = 0;
    while (got < count) {
        const ssize_t n = ::pread(fd, into + got, static_cast<size_t>(count - got), offset + got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        if (n == 0) break;
        got += n;
    }
    return true;
}

std::optional<std::vector<std::uint8_t>> FileBytes::at(std::int64_t offset,
                                                       std::int64_t count) const {
    if (offset < 0 || count < 0 || offset > size_ || count > size_ - offset) return std::nullopt;
    std::vector<std::uint8_t> bytes(static_cast<size_t>(count));
    std::int64_t got = 0;
    if (!readAt(fd_, offset, bytes.data(), count, got) || got != count) return std::nullopt;
    return bytes;
}

std::optional<std::uint64_t> FileBytes::integerAt(std::int64_t offset, int width) const {
    const auto bytes = at(offset, width);
    if (!bytes) return std::nullopt;
    return integerIn(*bytes, 0, width);
}

std::uint64_t FileBytes::integerIn(std::span<const std::uint8_t> bytes, size_t offset,
                                   int width) const {
    std::uint64_t value = 0;
    for (int i = 0; i < width; ++i) {
        const size_t index = offset + static_cast<size_t>(littleEndian_ ? width - 1 - i : i);
        value = (value << 8) | (index < bytes.size() ? bytes[index] : 0);
    }
    return value;
}

} // namespace keepsift
