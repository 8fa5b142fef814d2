#pragma once

#include <string>

namespace keepsift {

// Weights and thresholds of the keeper selection.
struct ScoringPolicy {
    double smile = 1.5;
    double eyesOpen = 2.0;
    double faceQuality = 1.0;
    double centredness = 0.1;
    double aesthetics = 0.25;
    double sharpness = 0.15;
    double resolution = 0.1;
    double blurFloor = 0.45;
    double blurPenalty = 4.0;
    double gazeAwayDegrees = 40.0;
    double keepMarginShare = 0.03;
    double faceReferenceSize = 0.2;
    double significantFaceArea = 0.004;

    constexpr ScoringPolicy() = default;
    constexpr ScoringPolicy(double smile, double eyesOpen, double faceQuality, double centredness,
                            double aesthetics, double sharpness, double resolution,
                            double blurFloor, double blurPenalty, double gazeAwayDegrees,
                            double keepMarginShare, double faceReferenceSize,
                            double significantFaceArea)
        : smile(smile), eyesOpen(eyesOpen), faceQuality(faceQuality), centredness(centredness),
          aesthetics(aesthetics), sharpness(sharpness), resolution(resolution),
          blurFloor(blurFloor), blurPenalty(blurPenalty), gazeAwayDegrees(gazeAwayDegrees),
          keepMarginShare(keepMarginShare), faceReferenceSize(faceReferenceSize),
          significantFaceArea(significantFaceArea) {}

    static const ScoringPolicy standard;

    // The seven weights added in component order.
    double totalWeight() const;
    double keepMargin() const { return totalWeight() * keepMarginShare; }
    std::string identifier() const;

    bool operator==(const ScoringPolicy&) const = default;
};

inline constexpr ScoringPolicy ScoringPolicy::standard{};

} // namespace keepsift
