#pragma once

#include <cstddef>

namespace keepsift::bench {

// Heap bytes in use, counted by this binary's operator new and delete.
std::size_t heapInUse();
// The most heap in use since the last reset.
std::size_t heapPeak();
void resetHeapPeak();

} // namespace keepsift::bench
