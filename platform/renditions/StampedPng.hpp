#pragma once

#include <filesystem>
#include <optional>

#include <opencv2/core.hpp>

#include "platform/renditions/ThumbnailStamp.hpp"

namespace keepsift {

// The pixels of a cached PNG when its stamp still matches the original, resampled to the
// rendition size.
std::optional<cv::Mat> readStampedRendition(const std::filesystem::path& png,
                                            const ThumbnailStamp& stamp);

} // namespace keepsift
