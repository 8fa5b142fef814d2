#include <algorithm>
#include <optional>

#include "photos/extractor/LiveSignalExtractor.hpp"

namespace keepsift {
namespace {

struct Candidate {
    double iou;
    size_t face;
    size_t expression;
};

std::optional<double> intersectionOverUnion(const NormalisedBounds& a, const NormalisedBounds& b) {
    double width = std::min(a.x + a.width, b.x + b.width) - std::max(a.x, b.x);
    double height = std::min(a.y + a.height, b.y + b.height) - std::max(a.y, b.y);
    if (width <= 0 || height <= 0) return std::nullopt;
    double intersection = width * height;
    double united = a.width * a.height + b.width * b.height - intersection;
    if (united <= 0) return std::nullopt;
    return intersection / united;
}

std::vector<Candidate> candidates(const std::vector<FaceSignals>& faces,
                                  const std::vector<Expression>& expressions) {
    constexpr double minimumOverlap = 0.3;
    std::vector<Candidate> found;
    for (size_t f = 0; f < faces.size(); ++f)
        for (size_t e = 0; e < expressions.size(); ++e) {
            auto iou = intersectionOverUnion(faces[f].bounds, expressions[e].bounds);
            if (iou && *iou > minimumOverlap) found.push_back({*iou, f, e});
        }
    std::stable_sort(found.begin(), found.end(),
                     [](const Candidate& a, const Candidate& b) { return a.iou > b.iou; });
    return found;
}

} // namespace

std::vector<FaceSignals> LiveSignalExtractor::merge(std::vector<FaceSignals> faces,
                                                    const std::vector<Expression>& expressions) {
    if (expressions.empty()) return faces;
    std::vector<bool> faceTaken(faces.size()), expressionTaken(expressions.size());
    for (const auto& candidate : candidates(faces, expressions)) {
        if (faceTaken[candidate.face] || expressionTaken[candidate.expression]) continue;
        faceTaken[candidate.face] = expressionTaken[candidate.expression] = true;
        const auto& expression = expressions[candidate.expression];
        auto& face = faces[candidate.face];
        face.hasSmile = expression.smiling;
        face.leftEyeClosed = expression.blinking;
        face.rightEyeClosed = expression.blinking;
    }
    return faces;
}

} // namespace keepsift
