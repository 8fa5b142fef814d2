#pragma once

#include <cstdint>
#include <string>

namespace keepsift {

// Every number the group builder and copy detection use.
struct GroupingPolicy {
    double sessionGap = 1800;
    double distanceThreshold = 0.65;
    double identicalDistance = 0.1;
    std::int64_t maximumSessionLength = 120;
    double duplicateDistance = 0.12;
    double copyPixelRatio = 0.6;
    bool separatesCompositions = true;
    double subjectFaceArea = 0.015;
    double countedFaceArea = 0.004;
    double copyWindow = 2592000;

    // Default construction gives the baseline values.
    constexpr GroupingPolicy() = default;
    constexpr GroupingPolicy(double sessionGap, double distanceThreshold, double identicalDistance,
                             std::int64_t maximumSessionLength, double duplicateDistance,
                             double copyPixelRatio, bool separatesCompositions,
                             double subjectFaceArea, double countedFaceArea, double copyWindow)
        : sessionGap(sessionGap), distanceThreshold(distanceThreshold),
          identicalDistance(identicalDistance), maximumSessionLength(maximumSessionLength),
          duplicateDistance(duplicateDistance), copyPixelRatio(copyPixelRatio),
          separatesCompositions(separatesCompositions), subjectFaceArea(subjectFaceArea),
          countedFaceArea(countedFaceArea), copyWindow(copyWindow) {}

    static const GroupingPolicy standard;
    static const GroupingPolicy baseline;

    // "grouping/" and the values, "+veto" when compositions are kept apart.
    std::string identifier() const;

    bool operator==(const GroupingPolicy&) const = default;
};

inline constexpr GroupingPolicy GroupingPolicy::standard{1800, 0.54, 0.1,   120,   0.12,
                                                         0.6,  true, 0.015, 0.004, 2592000};
inline constexpr GroupingPolicy GroupingPolicy::baseline{};

} // namespace keepsift
