#include "core/grouping/GroupingPolicy.hpp"

#include "core/grouping/PolicyText.hpp"

namespace keepsift {

std::string GroupingPolicy::identifier() const {
    // copyWindow comes before the two face areas here, unlike the field order.
    std::string text = joinedPolicyValues(
        "grouping/", {sessionGap, distanceThreshold, identicalDistance,
                      static_cast<double>(maximumSessionLength), duplicateDistance, copyPixelRatio,
                      copyWindow, subjectFaceArea, countedFaceArea});
    if (separatesCompositions) text += "+veto";
    return text;
}

} // namespace keepsift
