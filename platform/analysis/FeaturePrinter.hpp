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
    // The same print, given the picture's grey (cv::COLOR_BGR2GRAY, the same size) as well,
    // so that a printer that needs it need not make it again.
    virtual std::vector<float> print(const cv::Mat& uprightBgr,
                                     [[maybe_unused]] const cv::Mat& uprightGrey) const {
        return print(uprightBgr);
    }
};

} // namespace keepsift
