#include "core/grouping/SessionClusterer.hpp"

#include <algorithm>
#include <cmath>
#include <limits>

#include "core/grouping/DatedOrder.hpp"
#include "core/grouping/PrintComparison.hpp"

namespace keepsift {
namespace {

constexpr double infinity = std::numeric_limits<double>::infinity();
constexpr size_t lanes = 4;

// Distances from one print to `Lanes` others, each summed in index order. The independent
// sums keep the processor busy where one sum would wait on each addition. Once every sum is
// past `cutoffSquare` the rest is left out: such a sum is the start of the full one, which
// only grows, so its root is a bound the full distance never falls below. `exact` tells
// which distances ran to the end.
template <size_t Lanes>
void distancesFrom(const double* a, const double* const* b, size_t length, double cutoffSquare,
                   double* out, bool* exact) {
    constexpr size_t stretch = 32;
    double sum[Lanes] = {};
    size_t k = 0;
    while (k < length) {
        for (const size_t end = std::min(length, k + stretch); k < end; ++k) {
            const double x = a[k];
            for (size_t l = 0; l < Lanes; ++l) {
                const double d = x - b[l][k];
                sum[l] += d * d;
            }
        }
        if (std::all_of(sum, sum + Lanes, [&](double s) { return s > cutoffSquare; })) break;
    }
    for (size_t l = 0; l < Lanes; ++l) {
        out[l] = std::sqrt(sum[l]);
        exact[l] = k == length;
    }
}

// Up to four distances; fewer partners take narrower passes instead of idle lanes.
void distancesFrom(const double* a, const double* const* others, size_t count, size_t length,
                   double cutoffSquare, double* out, bool* exact) {
    if (count == 4)
        distancesFrom<4>(a, others, length, cutoffSquare, out, exact);
    else if (count >= 2)
        distancesFrom<2>(a, others, length, cutoffSquare, out, exact);
    if (count == 3 || count == 1)
        distancesFrom<1>(a, others + count - 1, length, cutoffSquare, out + count - 1,
                         exact + count - 1);
}

template <class LargestOf, class CountOf>
bool compositionsDifferBy(const Cluster& a, const Cluster& b, const GroupingPolicy& policy,
                          LargestOf largestOf, CountOf countOf) {
    if (!policy.separatesCompositions) return false;
    const auto largest = [&](const Cluster& c) {
        double value = 0;
        for (size_t i : c)
            value = std::max(value, largestOf(i));
        return value;
    };
    if (policy.subjectFaceArea > largest(a) || policy.subjectFaceArea > largest(b)) return false;
    const auto count = [&](const Cluster& c) {
        std::int64_t value = 0;
        for (size_t i : c)
            value = std::max(value, countOf(i));
        return value;
    };
    return count(a) != count(b);
}

} // namespace

DistanceMatrix::DistanceMatrix(size_t n) : size(n), values(n * n, infinity) {}

namespace GroupBuilder {

double averageLinkage(size_t a, size_t b, const std::vector<Cluster>& clusters,
                      const DistanceMatrix& matrix) {
    double sum = 0;
    for (size_t x : clusters[a])
        for (size_t y : clusters[b])
            sum += matrix.at(x, y);
    return sum / static_cast<double>(clusters[a].size() * clusters[b].size());
}

bool compositionsDiffer(const Cluster& a, const Cluster& b, const GroupingPolicy& policy,
                        std::span<const PhotoSignals* const> session) {
    return compositionsDifferBy(
        a, b, policy, [&](size_t i) { return session[i]->largestFaceArea(); },
        [&](size_t i) { return session[i]->faceCount(policy.countedFaceArea); });
}

bool compositionsDiffer(const Cluster& a, const Cluster& b, const GroupingPolicy& policy,
                        const std::vector<PhotoSignals>& session) {
    return compositionsDifferBy(
        a, b, policy, [&](size_t i) { return session[i].largestFaceArea(); },
        [&](size_t i) { return session[i].faceCount(policy.countedFaceArea); });
}

void clusterSessionInto(std::span<const PhotoSignals* const> session, const GroupingPolicy& policy,
                        std::vector<GroupDraft>& groups) {
    SessionClusterer(policy).cluster(session, groups);
}

} // namespace GroupBuilder

void SessionClusterer::cluster(std::span<const PhotoSignals* const> session,
                               std::vector<GroupDraft>& out) {
    if (session.empty()) return;
    if (session.size() == 1) {
        out.push_back({session[0]->digest, PhotoGroup::Kind::solitary, {session[0]}, {}});
        return;
    }
    prepare(session);
    fillDistances(session);
    for (size_t i = 0; i < n_; ++i)
        for (size_t j = i + 1; j < n_; ++j)
            relink(i, j);
    merge();
    emitGroups(session, out);
}

void SessionClusterer::prepare(std::span<const PhotoSignals* const> session) {
    n_ = session.size();
    distances_.size = n_;
    distances_.values.assign(n_ * n_, infinity);
    linkage_.assign(n_ * n_, infinity);
    veto_.assign(n_ * n_, 0);
    exact_.assign(n_ * n_, 1); // incomparable pairs are exactly infinitely far
    active_.assign(n_, 1);
    if (clusters_.size() < n_) clusters_.resize(n_);
    largestFace_.resize(n_);
    countedFaces_.resize(n_);
    for (size_t i = 0; i < n_; ++i) {
        clusters_[i].assign(1, i);
        largestFace_[i] = session[i]->largestFaceArea();
        countedFaces_[i] = session[i]->faceCount(policy_.countedFaceArea);
    }
}

// The values are computed rather than looked up: a table of every quantum is larger than the
// processor's nearer caches, and the float division gives the same values.
void SessionClusterer::widen(std::span<const PhotoSignals* const> session) {
    PrintClasses classes;
    printClass_.resize(n_);
    widenedAt_.resize(n_);
    printLength_.resize(n_);
    size_t total = 0;
    for (size_t i = 0; i < n_; ++i) {
        printClass_[i] = classes.classOf(*session[i]);
        widenedAt_[i] = total;
        printLength_[i] = session[i]->storedPrint.count();
        if (printClass_[i] != PrintClasses::noComparison) total += session[i]->storedPrint.count();
    }
    // Grown only: every value in use is written below.
    if (widened_.size() < total) widened_.resize(total);
    for (size_t i = 0; i < n_; ++i) {
        if (printClass_[i] == PrintClasses::noComparison) continue;
        const auto& quanta = session[i]->storedPrint.quanta();
        double* out = &widened_[widenedAt_[i]];
        for (size_t k = 0; k < quanta.size(); ++k)
            out[k] = static_cast<double>(FeaturePrint::valueOf(quanta[k]));
    }
}

// Beyond this distance a pair can neither merge on its own nor count as near-identical, so
// its exact distance is worked out only when an average needs it.
double SessionClusterer::cutoff() const {
    const double merge = policy_.distanceThreshold, identical = policy_.identicalDistance;
    if (std::isnan(merge) || std::isnan(identical)) return infinity;
    return std::max(merge, identical);
}

void SessionClusterer::fillDistances(std::span<const PhotoSignals* const> session) {
    widen(session);
    // A sum above this square has a root above the cutoff.
    const double cutoffSquare = largestSquareWithin(cutoff());
    std::vector<size_t> partners;
    for (size_t i = 0; i < n_; ++i) {
        if (printClass_[i] == PrintClasses::noComparison) continue;
        partners.clear();
        for (size_t j = i + 1; j < n_; ++j)
            if (printClass_[j] == printClass_[i]) partners.push_back(j);
        const size_t length = session[i]->storedPrint.count();
        for (size_t first = 0; first < partners.size(); first += lanes) {
            const size_t count = std::min(lanes, partners.size() - first);
            const double* others[lanes] = {};
            for (size_t l = 0; l < count; ++l)
                others[l] = &widened_[widenedAt_[partners[first + l]]];
            double result[lanes];
            bool exact[lanes];
            distancesFrom(&widened_[widenedAt_[i]], others, count, length, cutoffSquare, result,
                          exact);
            for (size_t l = 0; l < count; ++l) {
                const size_t j = partners[first + l];
                distances_.at(i, j) = distances_.at(j, i) = result[l];
                exact_[i * n_ + j] = exact_[j * n_ + i] = exact[l];
            }
        }
    }
}

void SessionClusterer::completeDistance(size_t x, size_t y) {
    const double* other = &widened_[widenedAt_[y]];
    bool exact = false;
    distancesFrom<1>(&widened_[widenedAt_[x]], &other, distancesLength(x), infinity,
                     &distances_.at(x, y), &exact);
    distances_.at(y, x) = distances_.at(x, y);
    exact_[x * n_ + y] = exact_[y * n_ + x] = 1;
}

// The average of the bounds, summed as the exact distances would be, is never above their
// exact average; only when it does not settle the comparison with the threshold are the
// missing distances worked out.
double SessionClusterer::linkage(size_t a, size_t b) {
    bool complete = true;
    for (size_t x : clusters_[a])
        for (size_t y : clusters_[b])
            complete = complete && exact_[x * n_ + y];
    const double average = GroupBuilder::averageLinkage(a, b, clusters_, distances_);
    if (complete || average > policy_.distanceThreshold) return average;
    for (size_t x : clusters_[a])
        for (size_t y : clusters_[b])
            if (!exact_[x * n_ + y]) completeDistance(x, y);
    return GroupBuilder::averageLinkage(a, b, clusters_, distances_);
}

bool SessionClusterer::vetoed(size_t a, size_t b) const {
    return compositionsDifferBy(
        clusters_[a], clusters_[b], policy_, [this](size_t i) { return largestFace_[i]; },
        [this](size_t i) { return countedFaces_[i]; });
}

void SessionClusterer::relink(size_t a, size_t b) {
    linkage_[a * n_ + b] = linkage(a, b);
    veto_[a * n_ + b] = vetoed(a, b);
}

bool SessionClusterer::mergeable(size_t i, size_t j) const {
    return active_[j] && linkage_[i * n_ + j] <= policy_.distanceThreshold && !veto_[i * n_ + j];
}

// Row i's best partner after it: the smallest mergeable linkage, the first on ties; n_ for none.
void SessionClusterer::findRowBest(size_t i) {
    rowBest_[i] = n_;
    for (size_t j = i + 1; j < n_; ++j)
        if (mergeable(i, j) &&
            (rowBest_[i] == n_ || linkage_[i * n_ + j] < linkage_[i * n_ + rowBest_[i]]))
            rowBest_[i] = j;
}

// After cluster `into` took `gone`, rows whose best was either are searched again; earlier rows
// only weigh their changed entry for `into` against the best they hold.
void SessionClusterer::updateRowBests(size_t into, size_t gone) {
    for (size_t k = 0; k < n_; ++k) {
        if (!active_[k]) continue;
        const size_t best = rowBest_[k];
        if (k == into || best == into || best == gone) {
            findRowBest(k);
        } else if (k < into && mergeable(k, into)) {
            const double l = linkage_[k * n_ + into];
            if (best == n_ || l < linkage_[k * n_ + best] ||
                (l == linkage_[k * n_ + best] && into < best))
                rowBest_[k] = into;
        }
    }
}

// Merges the pair with the smallest linkage, the first in row order on ties, until none is
// within the threshold.
void SessionClusterer::merge() {
    rowBest_.resize(n_);
    for (size_t i = 0; i < n_; ++i)
        findRowBest(i);
    for (;;) {
        size_t bestI = n_;
        for (size_t i = 0; i < n_; ++i)
            if (active_[i] && rowBest_[i] != n_ &&
                (bestI == n_ ||
                 linkage_[i * n_ + rowBest_[i]] < linkage_[bestI * n_ + rowBest_[bestI]]))
                bestI = i;
        if (bestI == n_) return;
        const size_t bestJ = rowBest_[bestI];
        auto& into = clusters_[bestI];
        into.insert(into.end(), clusters_[bestJ].begin(), clusters_[bestJ].end());
        active_[bestJ] = 0;
        for (size_t k = 0; k < n_; ++k)
            if (k != bestI && active_[k]) relink(std::min(bestI, k), std::max(bestI, k));
        updateRowBests(bestI, bestJ);
    }
}

PhotoGroup::Kind SessionClusterer::kindOf(const Cluster& members) const {
    if (members.size() == 1) return PhotoGroup::Kind::solitary;
    for (size_t a : members) {
        const bool partnered = std::any_of(members.begin(), members.end(), [&](size_t b) {
            return b != a && distances_.at(a, b) <= policy_.identicalDistance;
        });
        if (!partnered) return PhotoGroup::Kind::moment;
    }
    return PhotoGroup::Kind::identical;
}

void SessionClusterer::emitGroups(std::span<const PhotoSignals* const> session,
                                  std::vector<GroupDraft>& out) {
    std::vector<GroupDraft> groups;
    for (size_t c = 0; c < n_; ++c) {
        if (!active_[c]) continue;
        auto& members = clusters_[c];
        std::sort(members.begin(), members.end());
        GroupDraft draft{session[members.front()]->digest, kindOf(members), {}, {}};
        draft.photos.reserve(members.size());
        for (size_t i : members)
            draft.photos.push_back(session[i]);
        groups.push_back(std::move(draft));
    }
    sortDatedThenText(
        groups, [](const GroupDraft& g) { return g.photos.front()->capturedAt; },
        [](const GroupDraft& g) { return g.id; });
    for (auto& group : groups)
        out.push_back(std::move(group));
}

} // namespace keepsift
