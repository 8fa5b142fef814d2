#include "core/support/FreedMemory.hpp"

#include <malloc.h>

namespace keepsift {

void returnFreedMemory() {
    ::malloc_trim(0);
}

} // namespace keepsift
