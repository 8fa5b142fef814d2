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

LiveSignalExtractor::Upright LiveSignalExtractor::turnedUpright(const cv::Mat& printImage,
                                                                const cv::Mat& faceImage,
                                                                std::uint32_t orientation) {
    Upright turned{upright(printImage, orientation), {}, {}};
    // Most photographs give one picture for both: turning a large one costs several
    // milliseconds, so it is turned, and made grey, once.
    const bool samePicture = faceImage.data == printImage.data &&
                             faceImage.size() == printImage.size() &&
                             faceImage.step == printImage.step;
    turned.faceGrey = greyOf(samePicture ? turned.print : upright(faceImage, orientation));
    if (samePicture) turned.printGrey = turned.faceGrey;
    return turned;
}

VisionResult LiveSignalExtractor::visionOf(const Upright& upright,
                                           const UtilityEvidence& evidence) const {
    VisionResult result;
    if (const auto* scorer = context_->aesthetics())
        result.aestheticsScore = scorer->score(upright.print).value_or(0.f);
    result.isUtility = isUtilityImage(evidence);
    result.print =
        printValues(asObservation(context_->printer().print(upright.print, upright.printGrey)));

    const cv::Mat& grey = upright.faceGrey;
    auto detections = context_->faceDetector().detect(grey);
    if (detections.empty()) return result;
    auto observations =
        face_observations::landmarked(detections, grey, context_->landmarks().get());
    auto qualities = face_observations::qualities(detections, observations, grey);
    result.faces = assembleFaces(observations, qualities);
    return result;
}

VisionResult LiveSignalExtractor::runVision(const cv::Mat& printImage, const cv::Mat& faceImage,
                                            std::uint32_t orientation,
                                            const UtilityEvidence& evidence) const {
    if (printImage.empty() || faceImage.empty()) return {};
    return visionOf(turnedUpright(printImage, faceImage, orientation), evidence);
}

VisionResult LiveSignalExtractor::analysed(const cv::Mat& printImage, const cv::Mat& faceImage,
                                           std::uint32_t orientation,
                                           const UtilityEvidence& evidence) const {
    if (printImage.empty() || faceImage.empty()) return {};
    const auto turned = turnedUpright(printImage, faceImage, orientation);
    auto vision = visionOf(turned, evidence);
    vision.faces = merge(std::move(vision.faces), expressionsOf(turned.faceGrey));
    return vision;
}

} // namespace keepsift
