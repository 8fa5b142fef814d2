#include "bench/index/HeapCounter.hpp"

#include <atomic>
#include <cstdlib>
#include <malloc.h>
#include <new>

namespace keepsift::bench {
namespace {

// Counting is switched on only around what is measured: the shared counters would
// otherwise slow down every allocation of the timed code.
std::atomic<bool> counting{false};
std::atomic<std::size_t> inUse{0};
std::atomic<std::size_t> peakHeld{0};

void* counted(std::size_t size) {
    void* p = std::malloc(size == 0 ? 1 : size);
    if (p == nullptr) throw std::bad_alloc();
    if (!counting.load(std::memory_order_relaxed)) return p;
    const std::size_t now = inUse += malloc_usable_size(p);
    std::size_t seen = peakHeld.load();
    while (now > seen && !peakHeld.compare_exchange_weak(seen, now)) {
    }
    return p;
}

void uncounted(void* p) {
    if (p == nullptr) return;
    if (counting.load(std::memory_order_relaxed)) inUse -= malloc_usable_size(p);
    std::free(p);
}

} // namespace

HeapWindow::HeapWindow() {
    inUse = 0;
    peakHeld = 0;
    counting = true;
}
HeapWindow::~HeapWindow() {
    counting = false;
}
std::size_t HeapWindow::held() const {
    return inUse.load();
}
std::size_t HeapWindow::peak() const {
    return peakHeld.load();
}

} // namespace keepsift::bench

void* operator new(std::size_t size) {
    return keepsift::bench::counted(size);
}
void* operator new[](std::size_t size) {
    return keepsift::bench::counted(size);
}
void operator delete(void* p) noexcept {
    keepsift::bench::uncounted(p);
}
void operator delete[](void* p) noexcept {
    keepsift::bench::uncounted(p);
}
void operator delete(void* p, std::size_t) noexcept {
    keepsift::bench::uncounted(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    keepsift::bench::uncounted(p);
}
