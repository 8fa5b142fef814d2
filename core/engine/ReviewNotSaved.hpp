#pragma once

#include <stdexcept>
#include <string>

namespace keepsift {

// An action refused before it changed anything, because what it must record first cannot be
// stored right now; the message says why.
struct ReviewNotSaved : std::runtime_error {
    explicit ReviewNotSaved(const std::string& reason) : std::runtime_error(reason) {}
};

} // namespace keepsift
