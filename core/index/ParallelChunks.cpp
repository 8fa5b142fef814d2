#include "core/index/ParallelChunks.hpp"

#include <algorithm>
#include <exception>
#include <thread>
#include <vector>

#include "core/support/UsableCpus.hpp"

namespace keepsift {

std::size_t chunkCount(std::size_t items, std::size_t minimumPerChunk) {
    const std::size_t threads = std::min(8u, usableCpus());
    return std::max<std::size_t>(
        1, std::min(threads, items / std::max<std::size_t>(1, minimumPerChunk)));
}

std::size_t chunkBegin(std::size_t items, std::size_t chunks, std::size_t chunk) {
    return items / chunks * chunk + std::min(chunk, items % chunks);
}

void runChunks(std::size_t chunks, const std::function<void(std::size_t)>& work) {
    std::vector<std::exception_ptr> failures(chunks);
    auto guarded = [&](std::size_t chunk) {
        try {
            work(chunk);
        } catch (...) {
            failures[chunk] = std::current_exception();
        }
    };
    {
        std::vector<std::jthread> threads;
        for (std::size_t chunk = 1; chunk < chunks; ++chunk)
            threads.emplace_back(guarded, chunk);
        if (chunks > 0) guarded(0);
    }
    for (const auto& failure : failures)
        if (failure) std::rethrow_exception(failure);
}

} // namespace keepsift
