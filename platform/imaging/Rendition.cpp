#include "platform/imaging/Rendition.hpp"

#include <algorithm>
#include <cmath>

#include <opencv2/imgproc.hpp>

#include "platform/imaging/ImageSource.hpp"
#include "platform/imaging/Orientation.hpp"

namespace keepsift {

std::optional<cv::Mat> renditionOfFile(const std::string& path, std::int64_t target) {
    if (target <= 0 || target > 16'384) return std::nullopt;
    auto source = ImageSource::fromFile(path);
    if (!source || !source->properties()) return std::nullopt;
    auto decoded = source->decode(target);
    if (!decoded) return std::nullopt;
    cv::Mat turned = upright(*decoded, source->properties()->orientation.value_or(1));
    double scale = static_cast<double>(target) / std::max(turned.cols, turned.rows);
    cv::Size size(std::max(1, static_cast<int>(std::lround(turned.cols * scale))),
                  std::max(1, static_cast<int>(std::lround(turned.rows * scale))));
    cv::Mat resized;
    cv::resize(turned, resized, size, 0, 0, scale < 1.0 ? cv::INTER_AREA : cv::INTER_LINEAR);
    return resized;
}

} // namespace keepsift
