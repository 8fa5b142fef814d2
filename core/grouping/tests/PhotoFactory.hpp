#pragma once

#include <optional>
#include <string>
#include <vector>

#include "core/model/PhotoSignals.hpp"

namespace keepsift::sample {

// A full-size camera photograph with the current print revision.
PhotoSignals photo(const std::string& name, std::optional<double> seconds,
                   std::vector<float> print = {0.f, 0.f});

// A face of the given size centred in the frame.
FaceSignals face(double width, double height);

// A print of `length` values at the given distance from the zero print along one axis.
std::vector<float> printAt(float offset, size_t length = 2);

} // namespace keepsift::sample
