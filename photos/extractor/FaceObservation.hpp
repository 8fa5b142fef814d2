#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "core/model/FaceSignals.hpp"

namespace keepsift {

// Points in fractions of the face's bounding box, origin bottom-left.
struct LandmarkRegion {
    struct Point {
        double x = 0, y = 0;
    };
    std::vector<Point> normalizedPoints;
};

struct FaceLandmarkRegions {
    std::optional<LandmarkRegion> leftEye;
    std::optional<LandmarkRegion> rightEye;
};

// One face as the analysis reports it. Bounds are fractions of the upright image, origin at
// the bottom-left; angles are radians.
struct FaceObservation {
    int uuid = 0;
    NormalisedBounds boundingBox;
    std::optional<float> faceCaptureQuality;
    std::optional<FaceLandmarkRegions> landmarks;
    std::optional<double> yaw, roll, pitch;
};

// A capture-quality answer for the face with this uuid.
struct QualityObservation {
    int uuid = 0;
    std::optional<float> faceCaptureQuality;
};

// A feature print as raw bytes with their element type.
struct FeaturePrintObservation {
    static constexpr int elementTypeFloat = 1;
    static constexpr int elementTypeDouble = 2;
    std::vector<std::uint8_t> data;
    int elementType = 0;
};

// A face of the smile and blink detector.
struct Expression {
    NormalisedBounds bounds;
    std::optional<bool> smiling; // absent when the detector could not read the face
    bool blinking = false;
};

} // namespace keepsift
