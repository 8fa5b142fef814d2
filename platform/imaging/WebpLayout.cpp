#include "platform/imaging/ContainerLayout.hpp"

#include <algorithm>

#include "platform/imaging/FileBytes.hpp"
#include "platform/imaging/RiffChunks.hpp"

namespace keepsift {
namespace {

// The canvas of an extended file, or the frame of a simple lossy or lossless one.
std::optional<PixelSize> pictureOf(const FileBytes& file, const RiffChunk& chunk) {
    if (chunk.type == "VP8X") {
        auto bytes = file.at(chunk.data + 4, 6);
        if (!bytes) return std::nullopt;
        return PixelSize{static_cast<std::int64_t>(file.integerIn(*bytes, 0, 3)) + 1,
                         static_cast<std::int64_t>(file.integerIn(*bytes, 3, 3)) + 1};
    }
    if (chunk.type == "VP8L") {
        auto bytes = file.at(chunk.data, 5);
        if (!bytes || (*bytes)[0] != 0x2F) return std::nullopt;
        const auto bits = file.integerIn(*bytes, 1, 4);
        return PixelSize{static_cast<std::int64_t>(bits & 0x3FFF) + 1,
                         static_cast<std::int64_t>((bits >> 14) & 0x3FFF) + 1};
    }
    if (chunk.type == "VP8 ") {
        auto bytes = file.at(chunk.data, 10);
        if (!bytes || (*bytes)[3] != 0x9D || (*bytes)[4] != 0x01 || (*bytes)[5] != 0x2A)
            return std::nullopt;
        return PixelSize{static_cast<std::int64_t>(file.integerIn(*bytes, 6, 2) & 0x3FFF),
                         static_cast<std::int64_t>(file.integerIn(*bytes, 8, 2) & 0x3FFF)};
    }
    return std::nullopt;
}

bool isPictureData(const RiffChunk& chunk) {
    return chunk.type == "VP8 " || chunk.type == "VP8L" || chunk.type == "ANMF";
}

} // namespace

std::optional<ContainerLayout> webpLayout(int fd, std::int64_t size) {
    const RiffChunks found = riffChunks(fd, size);
    if (found.chunks.empty() ||
        std::none_of(found.chunks.begin(), found.chunks.end(), isPictureData))
        return std::nullopt;
    const auto picture = pictureOf(FileBytes(fd, size, true), found.chunks.front());
    if (!picture) return std::nullopt;
    return ContainerLayout{picture, found.end};
}

} // namespace keepsift
