#pragma once

#include <vector>

#include "core/model/PhotoSignals.hpp"

namespace keepsift {

// The builder's capture order: dated photographs by date, then file name; undated ones
// after all dated ones, by file name. Stable.
void sortIntoCaptureOrder(std::vector<const PhotoSignals*>& photos);

// The order of a group's photographs: earlier date first when both are dated and the dates
// differ, otherwise file name (PhotoSignals::captureOrder), made total for mixed input.
void sortIntoGroupPhotoOrder(std::vector<const PhotoSignals*>& photos);

} // namespace keepsift
