#include <algorithm>
#include <cmath>
#include <map>

#include "photos/extractor/LiveSignalExtractor.hpp"

namespace keepsift {
namespace {

std::optional<float> degrees(const std::optional<double>& radians) {
    if (!radians) return std::nullopt;
    return static_cast<float>(*radians * 180.0 / 3.141592653589793);
}

} // namespace

FaceSignals LiveSignalExtractor::faceSignals(const FaceObservation& observation,
                                             std::optional<float> quality) {
    FaceSignals face;
    face.bounds = observation.boundingBox;
    face.captureQuality = quality;
    face.eyeAspectRatio = eyeAspectRatio(observation);
    face.yawDegrees = degrees(observation.yaw);
    face.rollDegrees = degrees(observation.roll);
    face.pitchDegrees = degrees(observation.pitch);
    return face;
}

std::optional<float> LiveSignalExtractor::eyeAspectRatio(const FaceObservation& observation) {
    if (!observation.landmarks) return std::nullopt;
    std::vector<float> ratios;
    for (const auto* eye : {&observation.landmarks->leftEye, &observation.landmarks->rightEye})
        if (auto ratio = aspectRatio(*eye)) ratios.push_back(*ratio);
    if (ratios.empty()) return std::nullopt;
    float sum = 0;
    for (float ratio : ratios)
        sum += ratio;
    return sum / static_cast<float>(ratios.size());
}

std::optional<float> LiveSignalExtractor::aspectRatio(const std::optional<LandmarkRegion>& region) {
    if (!region || region->normalizedPoints.size() < 4) return std::nullopt;
    const auto& points = region->normalizedPoints;
    auto [minX, maxX] = std::minmax_element(points.begin(), points.end(),
                                            [](auto& a, auto& b) { return a.x < b.x; });
    auto [minY, maxY] = std::minmax_element(points.begin(), points.end(),
                                            [](auto& a, auto& b) { return a.y < b.y; });
    if (!(minX->x < maxX->x)) return std::nullopt;
    return static_cast<float>((maxY->y - minY->y) / (maxX->x - minX->x));
}

std::vector<FaceSignals>
LiveSignalExtractor::assembleFaces(const std::vector<FaceObservation>& landmarked,
                                   const std::vector<QualityObservation>& qualities) {
    // The first answer for a uuid stands.
    std::map<int, std::optional<float>> table;
    for (const auto& quality : qualities)
        table.emplace(quality.uuid, quality.faceCaptureQuality);
    std::vector<FaceSignals> faces;
    for (const auto& observation : landmarked) {
        auto found = table.find(observation.uuid);
        auto quality = found != table.end() ? found->second : observation.faceCaptureQuality;
        faces.push_back(faceSignals(observation, quality));
    }
    return faces;
}

} // namespace keepsift
