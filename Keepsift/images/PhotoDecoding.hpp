#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include <opencv2/core.hpp>

#include "Keepsift/model/ImageSource.hpp"
#include "platform/library/PhotoLibraryPort.hpp"

namespace keepsift::app {

// An original's bytes decoded upright, at the reduced size the format allows, then fitted
// within target x target. Null for bytes no decoder understands or a target below 1.
std::shared_ptr<const Image> decodePhoto(const std::vector<std::uint8_t>& bytes, int target);

// Pictures in the windows' pixel format, fitted within target x target.
std::shared_ptr<const Image> imageFromBgr(const cv::Mat& bgr, int target);
std::shared_ptr<const Image> imageFromPort(const PortImage& rgb, int target);

} // namespace keepsift::app
