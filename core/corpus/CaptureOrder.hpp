#pragma once

#include <vector>

#include "core/model/PhotoSignals.hpp"

namespace keepsift {

// Capture order (earlier date first, else file name) as a total order, stable.
std::vector<PhotoSignals> inCaptureOrder(std::vector<PhotoSignals> photos);

} // namespace keepsift
