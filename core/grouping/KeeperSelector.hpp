#pragma once

#include <optional>
#include <span>
#include <vector>

#include "core/grouping/GroupDraft.hpp"
#include "core/grouping/ScoringPolicy.hpp"
#include "core/model/Decisions.hpp"
#include "core/model/PhotoGroup.hpp"

namespace keepsift::KeeperSelector {

// Raw per-photograph values, before normalisation.
struct Components {
    double smile = 0;
    double eyesOpen = 0;
    double faceQuality = 0;
    double centredness = 0;
    double aesthetics = 0;
    double sharpness = 0;
    double resolution = 0;

    bool operator==(const Components&) const = default;
};

GroupDecision decide(const PhotoGroup& group,
                     const ScoringPolicy& policy = ScoringPolicy::standard);
std::vector<GroupDecision> decideAll(const std::vector<PhotoGroup>& groups,
                                     const ScoringPolicy& policy = ScoringPolicy::standard);
// The same decisions over groups whose photographs are held elsewhere.
std::vector<GroupDecision> decideAll(std::span<const GroupDraft* const> groups,
                                     const ScoringPolicy& policy = ScoringPolicy::standard);
// The decision of a moment group.
GroupDecision rank(const PhotoGroup& group, const ScoringPolicy& policy);
// A keeper reading above this share of the group's sharpest counts as the sharper one.
inline constexpr double sharperRatio = 0.95;
// The decision of an identical group. A shot whose sharpness is below identicalSharpRatio of
// the group's sharpest gives way to every shot at or above it before the preference order
// decides. Measured on real photographs: re-saves and resized copies of one shot read at least
// 0.70 of each other (a JPEG re-save at quality 60 the least), nine in ten blurred or shaken
// shots of a burst read below 0.65 of their sharp one.
inline constexpr double identicalSharpRatio = 0.7;
// Shots captured at different times are not saves of one shot, so re-encoding does not spread
// their readings: one that reads below sharperRatio of the sharpest gives way as well. In flat
// scenes sensor noise fills most of the reading, so a plainly blurred shot can read 0.9.
GroupDecision decideIdentical(const PhotoGroup& group);

std::vector<double> scores(const std::vector<PhotoSignals>& photos, const ScoringPolicy& policy);
std::vector<double> scores(const std::vector<const PhotoSignals*>& photos,
                           const ScoringPolicy& policy);
Components components(const PhotoSignals& photo, const ScoringPolicy& policy);
double centredness(const PhotoSignals& photo);
// Min-max over the list; a spread under leastSpan is scaled by leastSpan instead, around 0.5.
std::vector<double> normalised(std::vector<double> values, double leastSpan = 0);
std::vector<FaceSignals> significantFaces(const PhotoSignals& photo, const ScoringPolicy& policy);
// Why a flagged photograph is flagged, compared with the best one (absent when none).
Reason flagReason(const PhotoSignals& photo, const PhotoSignals* comparedWith,
                  const ScoringPolicy& policy, double sharpest);

} // namespace keepsift::KeeperSelector
