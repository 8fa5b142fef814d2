#pragma once

#include <string>

namespace keepsift {

// Opaque bytes. Held in a std::string so that JSON text moves into storage without a copy.
using Data = std::string;

} // namespace keepsift
