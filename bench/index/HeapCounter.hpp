#pragma once

#include <cstddef>

namespace keepsift::bench {

// Counts the bytes this binary holds through operator new while it lives. Frees of
// earlier allocations count too, so held() may be below zero in effect (it wraps);
// measure windows in which the code under test allocates what it frees.
class HeapWindow {
public:
    HeapWindow();
    ~HeapWindow();
    HeapWindow(const HeapWindow&) = delete;
    HeapWindow& operator=(const HeapWindow&) = delete;

    std::size_t held() const;
    std::size_t peak() const;
};

} // namespace keepsift::bench
