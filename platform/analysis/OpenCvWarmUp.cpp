#include "platform/analysis/OpenCvWarmUp.hpp"

#include <mutex>

#include <opencv2/imgproc.hpp>

namespace keepsift {
namespace {

void convertColours(const cv::Mat& bgr) {
    cv::Mat bgrUnit, out;
    bgr.convertTo(bgrUnit, CV_32FC3, 1.0 / 255.0);
    for (int code : {cv::COLOR_BGR2Lab, cv::COLOR_BGR2GRAY, cv::COLOR_BGR2RGB, cv::COLOR_RGB2BGR}) {
        cv::cvtColor(bgr, out, code);
        cv::cvtColor(bgrUnit, out, code);
    }
}

void resample(const cv::Mat& image) {
    cv::Mat out;
    for (int interpolation : {cv::INTER_AREA, cv::INTER_LINEAR}) {
        cv::resize(image, out, cv::Size(3, 3), 0, 0, interpolation);
        cv::resize(image, out, cv::Size(), 2.5, 2.5, interpolation);
    }
}

void filter(const cv::Mat& grey) {
    cv::Mat greyUnit, out;
    grey.convertTo(greyUnit, CV_32F);
    cv::Sobel(greyUnit, out, CV_32F, 1, 0);
    cv::Laplacian(grey, out, CV_64F);
    cv::GaussianBlur(greyUnit, out, cv::Size(7, 7), 7.0 / 6.0);
    cv::dct(greyUnit, out);
}

} // namespace

void warmUpOpenCv() {
    static std::once_flag once;
    std::call_once(once, [] {
        // Its own generator: the thread's default one is left where callers expect it.
        cv::RNG generator(1);
        cv::Mat bgr(8, 8, CV_8UC3), grey;
        generator.fill(bgr, cv::RNG::UNIFORM, 0, 256);
        convertColours(bgr);
        cv::cvtColor(bgr, grey, cv::COLOR_BGR2GRAY);
        resample(bgr);
        resample(grey);
        filter(grey);
    });
}

} // namespace keepsift
