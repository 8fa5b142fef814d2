#include <algorithm>
#include <cmath>

#include "core/grouping/KeeperSelector.hpp"
#include "core/grouping/PhotoAddresses.hpp"

namespace keepsift::KeeperSelector {
namespace {

double faceWeight(const FaceSignals& face, const ScoringPolicy& policy) {
    const double w = std::sqrt(face.bounds.width * face.bounds.height) / policy.faceReferenceSize;
    return w < 0.15 ? 0.15 : w > 1.5 ? 1.5 : w;
}

double signedWeight(bool positive, double w) {
    return positive ? w : -w;
}

// The seven components in scoring order, each paired with its weight.
constexpr double Components::*componentFields[] = {
    &Components::smile,       &Components::eyesOpen,   &Components::faceQuality,
    &Components::centredness, &Components::aesthetics, &Components::sharpness,
    &Components::resolution,
};
constexpr double ScoringPolicy::*weightFields[] = {
    &ScoringPolicy::smile,       &ScoringPolicy::eyesOpen,   &ScoringPolicy::faceQuality,
    &ScoringPolicy::centredness, &ScoringPolicy::aesthetics, &ScoringPolicy::sharpness,
    &ScoringPolicy::resolution,
};

// The face components (smile, eyes open, face quality) come first. Shots of one moment see
// the same faces in boxes up to a fifth apart (the face finder works in scale steps), and
// spreading that over the whole weight would let it outweigh a blurred shot's lost sharpness;
// so their spread counts in full only from the weight of one face of reference size.
constexpr size_t faceComponents = 3;
constexpr double leastFaceSpan = 1.0;

} // namespace

double centredness(const PhotoSignals& photo) {
    if (photo.faces.empty()) return 0;
    double total = 0;
    for (const auto& face : photo.faces)
        total += face.bounds.width * face.bounds.height;
    if (total <= 0) return 0;
    double weighted = 0;
    for (const auto& face : photo.faces)
        weighted += face.bounds.width * face.bounds.height * face.bounds.centreOffset();
    return 1 - weighted / total;
}

Components components(const PhotoSignals& photo, const ScoringPolicy& policy) {
    Components c;
    for (const auto& face : photo.faces) {
        const double w = faceWeight(face, policy);
        if (face.hasSmile) c.smile += signedWeight(*face.hasSmile, w);
        if (const auto open = face.eyesOpen()) c.eyesOpen += signedWeight(*open, w);
        c.faceQuality += w * static_cast<double>(face.captureQuality.value_or(0.f));
    }
    c.centredness = centredness(photo);
    c.aesthetics = static_cast<double>(photo.aestheticsScore);
    c.sharpness = static_cast<double>(photo.sharpness);
    c.resolution = static_cast<double>(photo.pixelWidth) * static_cast<double>(photo.pixelHeight);
    return c;
}

std::vector<double> normalised(std::vector<double> values, double leastSpan) {
    if (values.empty()) return values;
    const auto [low, high] = std::minmax_element(values.begin(), values.end());
    const double range = *high - *low, middle = (*low + *high) / 2;
    const double span = std::max(range, leastSpan);
    for (auto& v : values)
        v = range > 1e-12 ? 0.5 + (v - middle) / span : 0.5;
    return values;
}

std::vector<double> scores(const std::vector<const PhotoSignals*>& photos,
                           const ScoringPolicy& policy) {
    std::vector<Components> all;
    all.reserve(photos.size());
    for (const auto* photo : photos)
        all.push_back(components(*photo, policy));
    std::vector<double> totals(photos.size(), 0.0);
    std::vector<double> column(photos.size());
    for (size_t c = 0; c < std::size(componentFields); ++c) {
        for (size_t i = 0; i < all.size(); ++i)
            column[i] = all[i].*componentFields[c];
        const auto values = normalised(column, c < faceComponents ? leastFaceSpan : 0.0);
        const double weight = policy.*weightFields[c];
        for (size_t i = 0; i < totals.size(); ++i)
            totals[i] += weight * values[i];
    }
    double sharpest = 1e-9;
    for (const auto& c : all)
        sharpest = std::max(sharpest, c.sharpness);
    for (size_t i = 0; i < totals.size(); ++i) {
        const double relative = all[i].sharpness / sharpest;
        if (relative < policy.blurFloor)
            totals[i] -= (policy.blurFloor - relative) * policy.blurPenalty / policy.blurFloor;
    }
    return totals;
}

std::vector<double> scores(const std::vector<PhotoSignals>& photos, const ScoringPolicy& policy) {
    return scores(addressesOf(photos), policy);
}

} // namespace keepsift::KeeperSelector
