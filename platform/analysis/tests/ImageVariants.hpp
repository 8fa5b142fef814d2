#pragma once

// Variations of one picture: the copies a library holds (re-encoded, resized, slightly cropped,
// framed by a border) and the shots a burst holds beside its sharp one (moved, turned, exposed,
// out of focus, shaken, noisy).

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

namespace keepsift::image_variants {

inline cv::Mat reencoded(const cv::Mat& image, int quality) {
    std::vector<std::uint8_t> bytes;
    cv::imencode(".jpg", image, bytes, {cv::IMWRITE_JPEG_QUALITY, quality});
    return cv::imdecode(bytes, cv::IMREAD_COLOR);
}

inline cv::Mat resized(const cv::Mat& image, double scale) {
    cv::Mat result;
    cv::resize(image, result, cv::Size(), scale, scale, cv::INTER_AREA);
    return result;
}

// Moves the frame by a share of its size, keeping the picture's size.
inline cv::Mat shifted(const cv::Mat& image, double share) {
    int dx = static_cast<int>(image.cols * share), dy = static_cast<int>(image.rows * share);
    cv::Mat result;
    cv::resize(image(cv::Rect(dx, dy, image.cols - dx, image.rows - dy)), result, image.size());
    return result;
}

inline cv::Mat rotated(const cv::Mat& image, double degrees) {
    cv::Point2f centre(image.cols / 2.f, image.rows / 2.f);
    // Zoom in enough that no empty corner shows.
    cv::Mat turn = cv::getRotationMatrix2D(centre, degrees, 1.1);
    cv::Mat result;
    cv::warpAffine(image, result, turn, image.size(), cv::INTER_LINEAR, cv::BORDER_REFLECT);
    return result;
}

inline cv::Mat exposed(const cv::Mat& image, double gain) {
    cv::Mat result;
    image.convertTo(result, -1, gain, 0);
    return result;
}

inline cv::Mat blurred(const cv::Mat& image, double sigmaShare) {
    cv::Mat result;
    cv::GaussianBlur(image, result, cv::Size(), sigmaShare * std::max(image.cols, image.rows));
    return result;
}

// A straight smear of a share of the width at the given angle, as a shaking hand leaves.
inline cv::Mat smeared(const cv::Mat& image, double share, double radians) {
    const int length = std::max(2, static_cast<int>(std::lround(share * image.cols)));
    const int side = length | 1, centre = side / 2;
    cv::Mat kernel = cv::Mat::zeros(side, side, CV_32F);
    for (int i = 0; i <= 4 * length; ++i) {
        const double t = i / 4.0 - length / 2.0;
        const int x = centre + static_cast<int>(std::lround(t * std::cos(radians)));
        const int y = centre + static_cast<int>(std::lround(t * std::sin(radians)));
        if (x >= 0 && y >= 0 && x < side && y < side) kernel.at<float>(y, x) = 1;
    }
    kernel /= cv::sum(kernel)[0];
    cv::Mat result;
    cv::filter2D(image, result, -1, kernel, cv::Point(-1, -1), 0, cv::BORDER_REFLECT);
    return result;
}

// Which sides of the frame a crop or a border touches.
struct Sides {
    bool left = false, top = false, right = false, bottom = false;
};
inline constexpr Sides allSides{true, true, true, true};
inline constexpr Sides topAndBottom{false, true, false, true};
inline constexpr Sides leftAndRight{true, false, true, false};
inline constexpr Sides rightSide{false, false, true, false};
inline constexpr Sides bottomSide{false, false, false, true};

// Cuts a share of the width (left, right) or the height (top, bottom) off each given side.
inline cv::Mat cropped(const cv::Mat& image, double share, Sides sides) {
    const int dx = static_cast<int>(std::lround(image.cols * share));
    const int dy = static_cast<int>(std::lround(image.rows * share));
    const int left = sides.left ? dx : 0, top = sides.top ? dy : 0;
    const int right = sides.right ? dx : 0, bottom = sides.bottom ? dy : 0;
    return image(cv::Rect(left, top, image.cols - left - right, image.rows - top - bottom)).clone();
}

// Adds a uniform band of a share of the width (left, right) or the height (top, bottom) on
// each given side, as an export's frame, a letterbox or a pillarbox does.
inline cv::Mat bordered(const cv::Mat& image, double share, Sides sides, cv::Scalar colour) {
    const int dx = static_cast<int>(std::lround(image.cols * share));
    const int dy = static_cast<int>(std::lround(image.rows * share));
    cv::Mat result;
    cv::copyMakeBorder(image, result, sides.top ? dy : 0, sides.bottom ? dy : 0,
                       sides.left ? dx : 0, sides.right ? dx : 0, cv::BORDER_CONSTANT, colour);
    return result;
}

inline cv::Mat evShifted(const cv::Mat& image, double ev) {
    return exposed(image, std::pow(2.0, ev));
}

// Sensor noise of the given standard deviation in grey levels, repeatable by seed.
inline cv::Mat noisy(const cv::Mat& image, double deviation, std::uint64_t seed) {
    cv::Mat noise(image.size(), CV_32FC3), result;
    cv::RNG random(seed);
    random.fill(noise, cv::RNG::NORMAL, 0, deviation);
    image.convertTo(result, CV_32FC3);
    result += noise;
    result.convertTo(result, CV_8UC3);
    return result;
}

} // namespace keepsift::image_variants
