#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <vector>

#include <opencv2/core.hpp>

#include "platform/renditions/ThumbnailStamp.hpp"

namespace keepsift {

// The pixels of a cached PNG as stored, when its stamp still matches the original.
std::optional<cv::Mat> readStampedRendition(const std::filesystem::path& png,
                                            const ThumbnailStamp& stamp);

// Of these PNGs, tried in order, the first valid one at least `target` long on its long side;
// else the largest valid one, the earlier of equals. Files after one that is large enough are
// not read.
std::optional<cv::Mat> largestStampedRendition(const std::vector<std::filesystem::path>& pngs,
                                               const ThumbnailStamp& stamp, std::int64_t target);

} // namespace keepsift
