#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace keepsift {

struct RiffChunk {
    std::string type;
    // Where its contents start, and how long they say they are.
    std::int64_t data = 0;
    std::int64_t length = 0;
};

// The chunks of a RIFF file in order, up to its declared end or the first that breaks off.
struct RiffChunks {
    std::vector<RiffChunk> chunks;
    // Where the last whole chunk ends.
    std::int64_t end = 0;
};

RiffChunks riffChunks(int fd, std::int64_t size);

} // namespace keepsift
