#include "MemoryMeter.hpp"

#include <atomic>
#include <cstdlib>
#include <malloc.h>
#include <new>

namespace keepsift::bench {
namespace {

std::atomic<std::size_t> inUse{0};
std::atomic<std::size_t> peak{0};

void* counted(std::size_t size) {
    void* memory = std::malloc(size ? size : 1);
    if (!memory) throw std::bad_alloc();
    const std::size_t now =
        inUse.fetch_add(malloc_usable_size(memory)) + malloc_usable_size(memory);
    std::size_t seen = peak.load(std::memory_order_relaxed);
    while (now > seen && !peak.compare_exchange_weak(seen, now)) {
    }
    return memory;
}

void released(void* memory) {
    if (!memory) return;
    inUse.fetch_sub(malloc_usable_size(memory));
    std::free(memory);
}

} // namespace

std::size_t heapInUse() {
    return inUse.load();
}
std::size_t heapPeak() {
    return peak.load();
}
void resetHeapPeak() {
    peak.store(inUse.load());
}

} // namespace keepsift::bench

void* operator new(std::size_t size) {
    return keepsift::bench::counted(size);
}
void* operator new[](std::size_t size) {
    return keepsift::bench::counted(size);
}
void operator delete(void* memory) noexcept {
    keepsift::bench::released(memory);
}
void operator delete[](void* memory) noexcept {
    keepsift::bench::released(memory);
}
void operator delete(void* memory, std::size_t) noexcept {
    keepsift::bench::released(memory);
}
void operator delete[](void* memory, std::size_t) noexcept {
    keepsift::bench::released(memory);
}
