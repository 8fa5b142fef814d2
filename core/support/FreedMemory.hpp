#pragma once

namespace keepsift {

// Hands back to the system the whole pages that the allocator keeps after large jobs on many
// threads (reading the index, listing the library, measuring) free what they used: it keeps
// them in per-thread pools otherwise. Takes milliseconds; call it after such jobs only.
void returnFreedMemory();

} // namespace keepsift
