#pragma once

#include <optional>

#include "core/support/Json.hpp"

namespace keepsift {

// A rectangle in fractions of the image's width and height.
struct NormalisedBounds {
    double x = 0, y = 0, width = 0, height = 0;

    double area() const { return width * height; }
    double midX() const { return x + width * 0.5; }
    double midY() const { return y + height * 0.5; }
    // 0 at the image's centre, 1 at a corner.
    double centreOffset() const;

    Json toJson() const;
    static NormalisedBounds fromJson(const Json& json);
    bool operator==(const NormalisedBounds&) const = default;
};

struct FaceSignals {
    NormalisedBounds bounds;
    std::optional<bool> hasSmile;
    std::optional<bool> leftEyeClosed;
    std::optional<bool> rightEyeClosed;
    std::optional<float> captureQuality;
    std::optional<float> eyeAspectRatio;
    std::optional<float> yawDegrees;
    std::optional<float> rollDegrees;
    std::optional<float> pitchDegrees;

    // Absent unless both eyes were measured.
    std::optional<bool> eyesOpen() const;

    Json toJson() const;
    static FaceSignals fromJson(const Json& json);
    bool operator==(const FaceSignals&) const = default;
};

} // namespace keepsift
