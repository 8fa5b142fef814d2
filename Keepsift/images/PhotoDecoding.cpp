#include "Keepsift/images/PhotoDecoding.hpp"

#include <opencv2/imgproc.hpp>

#include "platform/imaging/ImageSource.hpp"
#include "platform/imaging/Orientation.hpp"

namespace keepsift::app {
namespace {

std::shared_ptr<const Image> packed(const cv::Mat& rgba) {
    auto image = std::make_shared<Image>();
    image->width = rgba.cols;
    image->height = rgba.rows;
    const cv::Mat continuous = rgba.isContinuous() ? rgba : rgba.clone();
    image->rgba.assign(continuous.datastart, continuous.dataend);
    return image;
}

} // namespace

std::shared_ptr<const Image> imageFromBgr(const cv::Mat& bgr, int target) {
    if (bgr.empty() || target < 1 || bgr.type() != CV_8UC3) return nullptr;
    cv::Mat rgba;
    cv::cvtColor(keepsift::fitWithin(bgr, target), rgba, cv::COLOR_BGR2RGBA);
    return packed(rgba);
}

std::shared_ptr<const Image> imageFromPort(const PortImage& rgb, int target) {
    if (rgb.width < 1 || rgb.height < 1 ||
        rgb.rgb.size() != static_cast<std::size_t>(rgb.width * rgb.height * 3) || target < 1)
        return nullptr;
    const cv::Mat wrapped(static_cast<int>(rgb.height), static_cast<int>(rgb.width), CV_8UC3,
                          const_cast<std::uint8_t*>(rgb.rgb.data()));
    cv::Mat rgba;
    cv::cvtColor(keepsift::fitWithin(wrapped, target), rgba, cv::COLOR_RGB2RGBA);
    return packed(rgba);
}

std::shared_ptr<const Image> decodePhoto(const std::vector<std::uint8_t>& bytes, int target) {
    if (target < 1) return nullptr;
    auto source = keepsift::ImageSource::fromData(bytes);
    if (!source) return nullptr;
    auto stored = source->decode(target);
    if (!stored || stored->empty()) return nullptr;
    const auto& properties = source->properties();
    return imageFromBgr(upright(*stored, properties ? properties->orientation.value_or(1) : 1),
                        target);
}

} // namespace keepsift::app
