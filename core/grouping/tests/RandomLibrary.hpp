#pragma once

#include <cstdint>
#include <vector>

#include "core/model/PhotoSignals.hpp"

namespace keepsift::sample {

// A small library built to hit the boundaries: shared capture dates, gaps on both sides of
// the session gap, undated photographs, smaller and metadata-less copies, prints near every
// threshold, incomparable prints and face layouts that trigger the composition veto.
// File names are unique, so no two photographs tie on both date and name.
std::vector<PhotoSignals> randomLibrary(std::uint32_t seed, size_t count, size_t printLength = 8);

} // namespace keepsift::sample
