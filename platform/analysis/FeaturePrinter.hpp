#pragma once

#include <vector>

#include <opencv2/core.hpp>

namespace keepsift {

// Describes an upright picture as a unit-length vector whose Euclidean distances say how
// alike two pictures look.
class FeaturePrinter {
public:
    virtual ~FeaturePrinter() = default;
    // Empty for an empty image.
    virtual std::vector<float> print(const cv::Mat& uprightBgr) const = 0;
};

} // namespace keepsift
