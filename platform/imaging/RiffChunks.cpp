#include "platform/imaging/RiffChunks.hpp"

#include <algorithm>

#include "platform/imaging/FileBytes.hpp"

namespace keepsift {
namespace {

constexpr int maximumChunks = 1 << 16;
constexpr std::int64_t riffHeader = 12;
constexpr std::int64_t chunkHeader = 8;

bool isFourCc(const std::vector<std::uint8_t>& bytes) {
    return std::all_of(bytes.begin(), bytes.begin() + 4,
                       [](std::uint8_t c) { return c >= 0x20 && c <= 0x7E; });
}

} // namespace

RiffChunks riffChunks(int fd, std::int64_t size) {
    const FileBytes file(fd, size, true);
    RiffChunks found;
    const auto declared = file.integerAt(4, 4);
    if (!declared) return found;
    const std::int64_t end = std::min(size, static_cast<std::int64_t>(*declared) + 8);
    found.end = std::min(riffHeader, end);
    for (int count = 0; count < maximumChunks && found.end + chunkHeader <= end; ++count) {
        const auto header = file.at(found.end, chunkHeader);
        if (!header || !isFourCc(*header)) break;
        const RiffChunk chunk{std::string(header->begin(), header->begin() + 4),
                              found.end + chunkHeader,
                              static_cast<std::int64_t>(file.integerIn(*header, 4, 4))};
        if (chunk.data + chunk.length > end) break;
        found.chunks.push_back(chunk);
        found.end = std::min(chunk.data + chunk.length + (chunk.length & 1), end);
    }
    return found;
}

} // namespace keepsift
