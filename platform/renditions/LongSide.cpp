#include "platform/renditions/LongSide.hpp"

#include <algorithm>
#include <cmath>

#include <opencv2/imgproc.hpp>

namespace keepsift {

cv::Mat reduceToLongSide(const cv::Mat& image, std::int64_t side) {
    if (image.empty() || side < 1) return {};
    const int longSide = std::max(image.cols, image.rows);
    if (longSide <= side) return image.clone();
    const double scale = static_cast<double>(side) / longSide;
    auto scaled = [&](int length) {
        return std::max(1, static_cast<int>(std::lround(length * scale)));
    };
    const cv::Size size = image.cols >= image.rows
                              ? cv::Size(static_cast<int>(side), scaled(image.rows))
                              : cv::Size(scaled(image.cols), static_cast<int>(side));
    cv::Mat result;
    cv::resize(image, result, size, 0, 0, cv::INTER_AREA);
    return result;
}

} // namespace keepsift
