#include "core/grouping/ScoringPolicy.hpp"

#include "core/grouping/PolicyText.hpp"

namespace keepsift {

double ScoringPolicy::totalWeight() const {
    return smile + eyesOpen + faceQuality + centredness + aesthetics + sharpness + resolution;
}

std::string ScoringPolicy::identifier() const {
    return joinedPolicyValues("scoring/",
                              {smile, eyesOpen, faceQuality, centredness, aesthetics, sharpness,
                               resolution, blurFloor, blurPenalty, gazeAwayDegrees, keepMarginShare,
                               faceReferenceSize, significantFaceArea});
}

} // namespace keepsift
