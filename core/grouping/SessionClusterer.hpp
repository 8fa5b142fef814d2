#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "core/grouping/GroupBuilder.hpp"

namespace keepsift {

// Average-linkage clustering of one session. Keeps its working storage between sessions,
// so one clusterer serves a whole build without reallocating.
class SessionClusterer {
public:
    explicit SessionClusterer(const GroupingPolicy& policy) : policy_(policy) {}

    // Appends the session's groups, in group order.
    void cluster(std::span<const PhotoSignals* const> session, std::vector<GroupDraft>& out);

private:
    void prepare(std::span<const PhotoSignals* const> session);
    void fillDistances(std::span<const PhotoSignals* const> session);
    void widen(std::span<const PhotoSignals* const> session);
    double cutoff() const;
    size_t distancesLength(size_t i) const { return printLength_[i]; }
    void completeDistance(size_t x, size_t y);
    double linkage(size_t a, size_t b);
    bool vetoed(size_t a, size_t b) const;
    void relink(size_t a, size_t b);
    bool mergeable(size_t i, size_t j) const;
    void findRowBest(size_t i);
    void updateRowBests(size_t into, size_t gone);
    void merge();
    PhotoGroup::Kind kindOf(const Cluster& members) const;
    void emitGroups(std::span<const PhotoSignals* const> session, std::vector<GroupDraft>& out);

    const GroupingPolicy& policy_;
    size_t n_ = 0;
    DistanceMatrix distances_;
    std::vector<std::uint8_t> exact_; // whether a distance is exact or a bound below it
    std::vector<double> linkage_;
    std::vector<std::uint8_t> veto_;
    std::vector<Cluster> clusters_;
    std::vector<std::uint8_t> active_;
    std::vector<size_t> rowBest_; // each active row's best mergeable partner after it, or n_
    std::vector<double> largestFace_;
    std::vector<std::int64_t> countedFaces_;
    std::vector<int> printClass_;
    std::vector<size_t> widenedAt_;
    std::vector<size_t> printLength_;
    std::vector<double> widened_;
};

} // namespace keepsift
