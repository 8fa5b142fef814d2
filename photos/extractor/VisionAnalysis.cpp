#include <cstring>

#include <opencv2/imgproc.hpp>

#include "photos/extractor/FaceObservations.hpp"
#include "photos/extractor/LiveSignalExtractor.hpp"
#include "platform/imaging/Orientation.hpp"

namespace keepsift {
namespace {

FeaturePrintObservation asObservation(const std::vector<float>& print) {
    FeaturePrintObservation observation{{}, FeaturePrintObservation::elementTypeFloat};
    observation.data.resize(print.size() * sizeof(float));
    if (!print.empty()) std::memcpy(observation.data.data(), print.data(), observation.data.size());
    return observation;
}

template <typename Element> std::vector<float> readElements(const std::vector<std::uint8_t>& data) {
    std::vector<float> values(data.size() / sizeof(Element));
    for (size_t i = 0; i < values.size(); ++i) {
        Element element;
        std::memcpy(&element, data.data() + i * sizeof(Element), sizeof(Element));
        values[i] = static_cast<float>(element);
    }
    return values;
}

cv::Mat greyOf(const cv::Mat& bgr) {
    cv::Mat grey;
    cv::cvtColor(bgr, grey, cv::COLOR_BGR2GRAY);
    return grey;
}

} // namespace

std::vector<float>
LiveSignalExtractor::printValues(const std::optional<FeaturePrintObservation>& result) {
    if (!result) return {};
    switch (result->elementType) {
    case FeaturePrintObservation::elementTypeFloat:
        return readElements<float>(result->data);
    case FeaturePrintObservation::elementTypeDouble:
        return readElements<double>(result->data);
    default:
        return {};
    }
}

VisionResult LiveSignalExtractor::runVision(const cv::Mat& printImage, const cv::Mat& faceImage,
                                            std::uint32_t orientation,
                                            const UtilityEvidence& evidence) const {
    VisionResult result;
    if (printImage.empty() || faceImage.empty()) return result;
    cv::Mat uprightPrint = upright(printImage, orientation);
    if (const auto* scorer = context_->aesthetics())
        result.aestheticsScore = scorer->score(uprightPrint).value_or(0.f);
    result.isUtility = isUtilityImage(evidence);
    result.print = printValues(asObservation(context_->printer().print(uprightPrint)));

    cv::Mat grey = greyOf(upright(faceImage, orientation));
    auto detections = context_->faceDetector().detect(grey);
    if (detections.empty()) return result;
    auto observations =
        face_observations::landmarked(detections, grey, context_->landmarks().get());
    auto qualities = face_observations::qualities(detections, observations, grey);
    result.faces = assembleFaces(observations, qualities);
    return result;
}

} // namespace keepsift
