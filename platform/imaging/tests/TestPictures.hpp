#pragma once

#include <opencv2/core.hpp>

namespace keepsift::testing {

// A picture whose every pixel differs from its neighbours, so that scaling shows.
inline cv::Mat gradientPicture(int width, int height) {
    cv::Mat image(height, width, CV_8UC3);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.at<cv::Vec3b>(y, x) = cv::Vec3b(x * 255 / width, y * 255 / height, 128);
    return image;
}

} // namespace keepsift::testing
