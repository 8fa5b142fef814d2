#pragma once

#include <cstddef>
#include <functional>

namespace keepsift {

// How many chunks to cut `items` into so that each is worth a thread of its own.
std::size_t chunkCount(std::size_t items, std::size_t minimumPerChunk);
// Item range [begin, end) of chunk `chunk`.
std::size_t chunkBegin(std::size_t items, std::size_t chunks, std::size_t chunk);

// Runs work(chunk) for every chunk, each on its own thread (the first on the caller's),
// and rethrows the first failure after all have finished.
void runChunks(std::size_t chunks, const std::function<void(std::size_t)>& work);

} // namespace keepsift
