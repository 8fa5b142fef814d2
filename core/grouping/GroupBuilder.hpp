#pragma once

#include <map>
#include <span>
#include <string>
#include <vector>

#include "core/grouping/GroupDraft.hpp"
#include "core/grouping/GroupingPolicy.hpp"
#include "core/model/PhotoGroup.hpp"

namespace keepsift {

// Print distances of one session, +infinity for incomparable pairs and on the diagonal.
struct DistanceMatrix {
    size_t size = 0;
    std::vector<double> values; // row-major, size x size

    explicit DistanceMatrix(size_t n = 0);
    double at(size_t i, size_t j) const { return values[i * size + j]; }
    double& at(size_t i, size_t j) { return values[i * size + j]; }
};

using Cluster = std::vector<size_t>; // indices into the session, in the order they joined

namespace GroupBuilder {

// Groups of shots of one moment, every input photograph in exactly one group. Taking the
// photographs by value lets them move into the groups; pass an rvalue to avoid the copy.
std::vector<PhotoGroup> build(std::vector<PhotoSignals> photos, const GroupingPolicy& policy);
// The same groups over photographs held elsewhere, given by address in any order; the
// drafts point at them.
std::vector<GroupDraft> draft(std::vector<const PhotoSignals*> photos,
                              const GroupingPolicy& policy);

// Cuts photographs in capture order into time sessions.
std::vector<std::vector<PhotoSignals>> sessions(const std::vector<PhotoSignals>& photos,
                                                const GroupingPolicy& policy);
// Clusters one session into its groups, in group order.
std::vector<PhotoGroup> clusterSession(const std::vector<PhotoSignals>& session,
                                       const GroupingPolicy& policy);
// Mean distance between the members of two clusters; +infinity when any pair is incomparable.
double averageLinkage(size_t a, size_t b, const std::vector<Cluster>& clusters,
                      const DistanceMatrix& matrix);
// True when two sets of people pictures must stay apart.
bool compositionsDiffer(const Cluster& a, const Cluster& b, const GroupingPolicy& policy,
                        std::span<const PhotoSignals* const> session);
bool compositionsDiffer(const Cluster& a, const Cluster& b, const GroupingPolicy& policy,
                        const std::vector<PhotoSignals>& session);
// Folds each copy into the group of its original; copies without one form groups at the end.
std::vector<PhotoGroup> attachCopies(const std::map<std::string, std::string>& copies,
                                     const std::vector<PhotoSignals>& signals,
                                     const std::vector<PhotoGroup>& groups);

// The same steps over photographs by address, for callers that keep their own storage.
// Sessions are [begin, end) ranges of the photographs in capture order.
std::vector<std::span<const PhotoSignals* const>>
sessionRanges(std::span<const PhotoSignals* const> photos, const GroupingPolicy& policy);
void clusterSessionInto(std::span<const PhotoSignals* const> session, const GroupingPolicy& policy,
                        std::vector<GroupDraft>& groups);
// groupsInOrder: the drafts' photographs are already in group photo order.
void attachCopiesToDrafts(const std::map<std::string, std::string>& copies,
                          std::span<const PhotoSignals* const> signals,
                          std::vector<GroupDraft>& groups, bool groupsInOrder);

} // namespace GroupBuilder
} // namespace keepsift
