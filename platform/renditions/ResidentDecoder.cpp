#include "platform/renditions/ResidentDecoder.hpp"

#include "platform/imaging/ImageSource.hpp"
#include "platform/imaging/Orientation.hpp"

namespace keepsift {

std::optional<cv::Mat> decodeResident(const std::string& path, std::int64_t targetLongSide) {
    const auto source = ImageSource::fromFile(path);
    if (!source) return std::nullopt;
    auto stored = source->decode(targetLongSide);
    if (!stored || stored->empty()) return std::nullopt;
    const auto& properties = source->properties();
    return upright(*stored, properties ? properties->orientation.value_or(1) : 1);
}

} // namespace keepsift
