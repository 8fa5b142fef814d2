#include "core/grouping/KeeperSelector.hpp"

#include <algorithm>
#include <cmath>
#include <map>
#include <numeric>
#include <set>
#include <string_view>

#include "core/grouping/PhotoAddresses.hpp"
#include "core/grouping/Provenance.hpp"
#include "core/support/Unicode.hpp"

namespace keepsift::KeeperSelector {
namespace {

// What a decision reads of a group, over photographs held anywhere.
struct GroupView {
    const std::string& id;
    PhotoGroup::Kind kind;
    std::span<const PhotoSignals* const> photos;
    const std::map<std::string, std::string>& copies;
};

bool isSignificant(const FaceSignals& face, const ScoringPolicy& policy) {
    return face.bounds.width * face.bounds.height >= policy.significantFaceArea;
}

template <class Test>
bool anySignificant(const PhotoSignals* photo, const ScoringPolicy& policy, Test test) {
    if (!photo) return false;
    return std::any_of(photo->faces.begin(), photo->faces.end(), [&](const FaceSignals& face) {
        return isSignificant(face, policy) && test(face);
    });
}

size_t significantCount(const PhotoSignals* photo, const ScoringPolicy& policy) {
    if (!photo) return 0;
    return std::count_if(photo->faces.begin(), photo->faces.end(),
                         [&](const FaceSignals& face) { return isSignificant(face, policy); });
}

bool everyoneSmiling(const PhotoSignals& photo, const ScoringPolicy& policy) {
    return significantCount(&photo, policy) > 0 &&
           !anySignificant(&photo, policy, [](const FaceSignals& face) {
               return face.hasSmile != true || face.leftEyeClosed != false ||
                      face.rightEyeClosed != false;
           });
}

double sharpestOf(const std::vector<const PhotoSignals*>& photos) {
    double sharpest = 1e-9;
    for (const auto* photo : photos)
        sharpest = std::max(sharpest, double(photo->sharpness));
    return sharpest;
}

// Kept for a reason of its own: the user marked it.
std::optional<Reason> markedReason(const PhotoSignals& photo) {
    if (photo.isFavourite) return Reason::keptFavourite;
    if (photo.isInUserAlbum) return Reason::keptInAlbum;
    return std::nullopt;
}

Reason faceReason(const PhotoSignals& photo, const PhotoSignals* compared,
                  const ScoringPolicy& policy, double sharpest) {
    const size_t faces = significantCount(&photo, policy);
    if (faces == 0)
        return double(photo.sharpness) / sharpest > sharperRatio ? Reason::keptSharper
                                                                 : Reason::keptBetterFramed;
    if (everyoneSmiling(photo, policy)) return Reason::keptEveryoneSmiling;
    return significantCount(compared, policy) < faces ? Reason::keptMoreFaces
                                                      : Reason::keptBestFaces;
}

bool isOriginal(const GroupView& group, const std::string& digest) {
    return std::any_of(group.copies.begin(), group.copies.end(),
                       [&](const auto& entry) { return entry.second == digest; });
}

// Score descending, then file name; a score that is not a number ranks last.
bool rankedBefore(double scoreA, const PhotoSignals& a, double scoreB, const PhotoSignals& b) {
    const bool nanA = std::isnan(scoreA), nanB = std::isnan(scoreB);
    if (nanA != nanB) return nanB;
    if (!nanA && scoreA != scoreB) return scoreA > scoreB;
    return unicode::less(a.filename, b.filename);
}

PhotoDecision decisionFor(const PhotoSignals& photo, bool keep, Reason reason, double score) {
    return {photo.digest, photo.filename, keep, reason, score};
}

void decideCopies(const GroupView& group, std::vector<PhotoDecision>& out) {
    if (group.copies.empty()) return;
    for (const auto* address : group.photos) {
        const auto& photo = *address;
        if (!group.copies.contains(photo.digest)) continue;
        const auto marked = markedReason(photo);
        out.push_back(
            decisionFor(photo, marked.has_value(), marked.value_or(Reason::flaggedSmallerCopy), 0));
    }
}

} // namespace

std::vector<FaceSignals> significantFaces(const PhotoSignals& photo, const ScoringPolicy& policy) {
    std::vector<FaceSignals> faces;
    for (const auto& face : photo.faces)
        if (isSignificant(face, policy)) faces.push_back(face);
    return faces;
}

Reason flagReason(const PhotoSignals& photo, const PhotoSignals* comparedWith,
                  const ScoringPolicy& policy, double sharpest) {
    if (anySignificant(&photo, policy, [](const FaceSignals& f) {
            return f.leftEyeClosed && f.rightEyeClosed && (*f.leftEyeClosed || *f.rightEyeClosed);
        }))
        return Reason::flaggedEyesClosed;
    if (anySignificant(&photo, policy, [&](const FaceSignals& f) {
            return f.yawDegrees && std::fabs(double(*f.yawDegrees)) >= policy.gazeAwayDegrees;
        }))
        return Reason::flaggedLookingAway;
    const size_t faces = significantCount(&photo, policy);
    const bool nobodySmiling =
        faces > 0 &&
        !anySignificant(&photo, policy, [](const FaceSignals& f) { return f.hasSmile != false; });
    if (nobodySmiling && anySignificant(comparedWith, policy,
                                        [](const FaceSignals& f) { return f.hasSmile == true; }))
        return Reason::flaggedNotSmiling;
    if (faces < significantCount(comparedWith, policy)) return Reason::flaggedFacesHidden;
    if (double(photo.sharpness) / sharpest < policy.blurFloor) return Reason::flaggedBlurred;
    return Reason::flaggedCloseSecond;
}

namespace {

GroupDecision rankView(const GroupView& group, const ScoringPolicy& policy) {
    GroupDecision result{group.id, group.kind, {}};
    std::vector<const PhotoSignals*> candidates;
    for (const auto* photo : group.photos)
        if (!group.copies.contains(photo->digest)) candidates.push_back(photo);
    if (candidates.empty()) return result;
    const auto totals = scores(candidates, policy);
    std::vector<size_t> order(candidates.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
        return rankedBefore(totals[a], *candidates[a], totals[b], *candidates[b]);
    });
    const double sharpest = sharpestOf(candidates);
    const double best = totals[order[0]];
    const double margin = policy.keepMargin();
    for (size_t r = 0; r < order.size(); ++r) {
        const auto& photo = *candidates[order[r]];
        const double score = totals[order[r]];
        const PhotoSignals* compared =
            r == 0 ? (order.size() > 1 ? candidates[order[1]] : nullptr) : candidates[order[0]];
        const auto marked = markedReason(photo);
        const bool keep = r == 0 || marked || best - score <= margin;
        Reason reason;
        if (!keep)
            reason = flagReason(photo, compared, policy, sharpest);
        else if (r == 0 && isOriginal(group, photo.digest))
            reason = Reason::keptOriginal;
        else if (r > 0 && marked)
            reason = *marked;
        else
            reason = faceReason(photo, compared, policy, sharpest);
        result.decisions.push_back(decisionFor(photo, keep, reason, score));
    }
    decideCopies(group, result.decisions);
    return result;
}

// Which photographs of an identical group give way to its sharpest, and which of those read
// blurred. A copy is its original's shot, so it reads as its original does: a smaller copy's
// measure drifts with its size and must not put it ahead of its original.
struct SharpnessOrder {
    std::set<const PhotoSignals*> behind;
    std::set<const PhotoSignals*> blurred;
};

bool capturedApart(const PhotoSignals& a, const PhotoSignals& b) {
    return a.capturedAt && b.capturedAt && *a.capturedAt != *b.capturedAt;
}

SharpnessOrder sharpnessOrder(const GroupView& group) {
    std::map<std::string_view, const PhotoSignals*> byDigest;
    const PhotoSignals* sharpest = nullptr;
    for (const auto* photo : group.photos) {
        byDigest.emplace(photo->digest, photo);
        if (!group.copies.contains(photo->digest) &&
            (!sharpest || photo->sharpness > sharpest->sharpness))
            sharpest = photo;
    }
    SharpnessOrder order;
    // Unmeasured sharpness (0 everywhere) moves nothing.
    if (!sharpest || !(sharpest->sharpness > 0)) return order;
    for (const auto* photo : group.photos) {
        const auto copied = group.copies.find(photo->digest);
        const auto original =
            copied == group.copies.end() ? byDigest.end() : byDigest.find(copied->second);
        const auto* shot = original == byDigest.end() ? photo : original->second;
        const double ratio = double(shot->sharpness) / double(sharpest->sharpness);
        if (ratio < identicalSharpRatio) order.blurred.insert(photo);
        if (ratio < identicalSharpRatio ||
            (ratio < sharperRatio && capturedApart(*shot, *sharpest)))
            order.behind.insert(photo);
    }
    return order;
}

GroupDecision decideIdenticalView(const GroupView& group) {
    GroupDecision result{group.id, group.kind, {}};
    std::vector<const PhotoSignals*> sorted(group.photos.begin(), group.photos.end());
    Provenance::sortByPreference(sorted);
    if (sorted.empty()) return result;
    const auto order = sharpnessOrder(group);
    const auto* preferred = sorted.front();
    // Blurred shots go after every other, the shots that only read less sharp before them.
    const auto place = [&](const PhotoSignals* photo) {
        return int(order.behind.contains(photo)) + int(order.blurred.contains(photo));
    };
    std::stable_sort(sorted.begin(), sorted.end(),
                     [&](const auto* a, const auto* b) { return place(a) < place(b); });
    const bool movedForSharpness = sorted.front() != preferred;
    const double n = static_cast<double>(sorted.size());
    for (size_t p = 0; p < sorted.size(); ++p) {
        const auto& photo = *sorted[p];
        const double score = n - static_cast<double>(p);
        if (p == 0) {
            const auto reason = movedForSharpness      ? Reason::keptSharper
                                : group.copies.empty() ? Reason::keptEarlierOfIdenticals
                                                       : Reason::keptOriginal;
            result.decisions.push_back(decisionFor(photo, true, reason, score));
            continue;
        }
        const auto flagged = group.copies.contains(photo.digest) ? Reason::flaggedSmallerCopy
                             : order.blurred.contains(&photo)    ? Reason::flaggedBlurred
                                                                 : Reason::flaggedNearIdentical;
        const auto marked = markedReason(photo);
        result.decisions.push_back(
            decisionFor(photo, marked.has_value(), marked.value_or(flagged), score));
    }
    return result;
}

GroupDecision decideView(const GroupView& group, const ScoringPolicy& policy) {
    switch (group.kind) {
    case PhotoGroup::Kind::moment:
        return rankView(group, policy);
    case PhotoGroup::Kind::identical:
        return decideIdenticalView(group);
    case PhotoGroup::Kind::solitary:
        break;
    }
    GroupDecision result{group.id, group.kind, {}};
    if (!group.photos.empty())
        result.decisions.push_back(
            decisionFor(*group.photos.front(), true, Reason::keptOnlyOne, 0));
    return result;
}

template <class Decide> GroupDecision overGroup(const PhotoGroup& group, Decide decide) {
    const auto addresses = addressesOf(group.photos);
    return decide(GroupView{group.id, group.kind, addresses, group.copies});
}

} // namespace

GroupDecision rank(const PhotoGroup& group, const ScoringPolicy& policy) {
    return overGroup(group, [&](const GroupView& view) { return rankView(view, policy); });
}

GroupDecision decideIdentical(const PhotoGroup& group) {
    return overGroup(group, decideIdenticalView);
}

GroupDecision decide(const PhotoGroup& group, const ScoringPolicy& policy) {
    return overGroup(group, [&](const GroupView& view) { return decideView(view, policy); });
}

std::vector<GroupDecision> decideAll(const std::vector<PhotoGroup>& groups,
                                     const ScoringPolicy& policy) {
    std::vector<GroupDecision> result;
    result.reserve(groups.size());
    for (const auto& group : groups)
        result.push_back(decide(group, policy));
    return result;
}

std::vector<GroupDecision> decideAll(std::span<const GroupDraft* const> groups,
                                     const ScoringPolicy& policy) {
    std::vector<GroupDecision> result;
    result.reserve(groups.size());
    for (const auto* group : groups) {
        const std::string id(group->id);
        result.push_back(
            decideView(GroupView{id, group->kind, group->photos, group->copies}, policy));
    }
    return result;
}

} // namespace keepsift::KeeperSelector
