#include "core/grouping/CopyScan.hpp"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <optional>
#include <tuple>
#include <utility>
#include <vector>

#include "core/grouping/CopyTraits.hpp"
#include "core/grouping/PrintComparison.hpp"
#include "core/grouping/Provenance.hpp"

namespace keepsift {
namespace {

class UnionFind {
public:
    explicit UnionFind(size_t n) : parent_(n) {
        for (size_t i = 0; i < n; ++i)
            parent_[i] = i;
    }
    size_t find(size_t i) {
        size_t root = i;
        while (parent_[root] != root)
            root = parent_[root];
        while (parent_[i] != root)
            i = std::exchange(parent_[i], root);
        return root;
    }
    void link(size_t a, size_t b) {
        const size_t x = find(a), y = find(b);
        if (x != y) parent_[std::max(x, y)] = std::min(x, y);
    }

private:
    std::vector<size_t> parent_;
};

// Number of leading print values kept side by side for a quick first look at a pair.
constexpr size_t headLength = 8;

class CopyScan {
public:
    CopyScan(std::span<const PhotoSignals* const> photos, const GroupingPolicy& policy)
        : photos_(photos), policy_(policy), traits_(photos.size()), classes_(photos.size()),
          dates_(photos.size()), heads_(photos.size() * headLength),
          limitSquare_(largestSquareWithin(policy.duplicateDistance)),
          farSquare_(limitSquare_ * (1 + 1e-12)) {
        PrintClasses classes;
        const double* widened = widenedQuanta();
        for (size_t i = 0; i < photos.size(); ++i) {
            const auto& photo = *photos[i];
            traits_[i] = {photo.pixelCount(), photo.hasCameraMetadata};
            classes_[i] = classes.classOf(photo);
            dates_[i] = photo.capturedAt ? photo.capturedAt->seconds : 0;
            const auto& quanta = photo.storedPrint.quanta();
            for (size_t k = 0; k < headLength && k < quanta.size(); ++k)
                heads_[i * headLength + k] = widened[static_cast<std::uint16_t>(quanta[k])];
        }
    }

    std::map<std::string, std::string> run() {
        UnionFind sets(photos_.size());
        if (!linkByKind(sets)) linkNeighbours(sets);
        return copiesOfLinkedSets(sets);
    }

private:
    // A lower bound from the first terms of the distance sum. They are added pairwise,
    // which vectorises, instead of in index order; the two sums of these eight squares
    // differ by far less than the 1e-12 margin, so a pair beyond it is beyond the limit in
    // the exact sum too, which only grows with further terms.
    bool headsFar(size_t a, size_t b) const {
        const double* x = &heads_[a * headLength];
        const double* y = &heads_[b * headLength];
        double square[headLength];
        for (size_t k = 0; k < headLength; ++k)
            square[k] = (x[k] - y[k]) * (x[k] - y[k]);
        const double sum = ((square[0] + square[1]) + (square[2] + square[3])) +
                           ((square[4] + square[5]) + (square[6] + square[7]));
        return sum > farSquare_;
    }

    bool printsClose(size_t a, size_t b) const {
        if (classes_[a] == PrintClasses::noComparison || classes_[a] != classes_[b]) return false;
        const auto& x = photos_[a]->storedPrint.quanta();
        if (x.size() >= headLength && headsFar(a, b)) return false;
        return printsWithin(x.data(), photos_[b]->storedPrint.quanta().data(), x.size(),
                            limitSquare_);
    }

    bool linkable(size_t i, size_t j) const {
        // Equal size and metadata can never make a copy while the ratio limit is below 1.
        const double ratio = policy_.copyPixelRatio;
        if (ratio < 1 && traits_[i] == traits_[j]) return false;
        return (looksLikeCopy(traits_[i], traits_[j], ratio) ||
                looksLikeCopy(traits_[j], traits_[i], ratio)) &&
               printsClose(i, j);
    }

    bool sameKind(size_t a, size_t b) const {
        return traits_[a] == traits_[b] && classes_[a] == classes_[b];
    }

    // For each photograph, where the run of dated photographs of its kind (same size,
    // metadata and print class) ends. No two photographs of one kind are copies of each
    // other while the ratio limit is below 1, so the scan may jump over such a run as long
    // as the dates ascend: a photograph beyond the window inside the run means the one
    // after the run is beyond it too, and the scan stops there instead.
    std::vector<size_t> kindRunEnds() const {
        const size_t n = photos_.size();
        std::vector<size_t> ends(n, 0);
        bool ascending = policy_.copyPixelRatio < 1;
        for (size_t k = 0; ascending && k + 1 < n; ++k)
            if (photos_[k]->capturedAt && photos_[k + 1]->capturedAt && dates_[k + 1] < dates_[k])
                ascending = false;
        for (size_t k = n; k-- > 0;) {
            const bool joins =
                ascending && k + 1 < n && photos_[k + 1]->capturedAt && sameKind(k, k + 1);
            ends[k] = joins ? ends[k + 1] : k + 1;
        }
        return ends;
    }

    void linkNeighbours(UnionFind& sets) const {
        const size_t n = photos_.size();
        // The scan of a photograph ends at the next undated one.
        std::vector<size_t> nextUndated(n + 1, n);
        for (size_t k = n; k-- > 0;)
            nextUndated[k] = photos_[k]->capturedAt ? nextUndated[k + 1] : k;
        const auto runEnds = kindRunEnds();
        const double window = policy_.copyWindow;
        // With a ratio limit of 1 or more, equal photographs pass the size test.
        const bool skipsKind = policy_.copyPixelRatio < 1;
        for (size_t i = 0; i < n; ++i) {
            if (!photos_[i]->capturedAt) continue;
            const double start = dates_[i];
            for (size_t j = i + 1; j < nextUndated[i + 1];) {
                if (dates_[j] - start > window) break;
                if (skipsKind && sameKind(i, j)) {
                    j = runEnds[j];
                    continue;
                }
                if (linkable(i, j)) sets.link(i, j);
                ++j;
            }
        }
    }

    // Photographs of one size, metadata and print class, in input order, with their first
    // print values side by side.
    struct Kind {
        CopyTraits traits;
        int printClass = 0;
        std::vector<size_t> members;
        std::vector<float> heads; // kindHeadLength values per member, zero beyond the print
        size_t from = 0, to = 0;  // the members inside the current photograph's window
        // Runs of members whose heads lie near the run's first (a burst of one scene):
        // where each run starts, how far its heads reach from the first, each member's run.
        std::vector<size_t> runStart;
        std::vector<double> runReach;
        std::vector<size_t> runOf;
        std::vector<double> toFirst; // each member's head distance from its run's first, above
    };
    // How far from a run's first member a head may lie and still join the run.
    static constexpr double runSpan = 0.2;
    static constexpr size_t kindHeadLength = 32;
    // Sorting into kinds pays while there are few; a library of many sizes is scanned plainly.
    static constexpr size_t maximumKinds = 512;

    // Where the dated photographs end, when they come first and in ascending capture time.
    std::optional<size_t> datedPrefix() const {
        const size_t n = photos_.size();
        size_t dated = 0;
        while (dated < n && photos_[dated]->capturedAt)
            ++dated;
        for (size_t k = dated; k < n; ++k)
            if (photos_[k]->capturedAt) return std::nullopt;
        for (size_t k = 1; k < dated; ++k)
            if (dates_[k] < dates_[k - 1]) return std::nullopt;
        return dated;
    }

    std::optional<std::vector<Kind>> kindsOf(size_t dated) const {
        std::vector<Kind> kinds;
        std::map<std::tuple<std::int64_t, bool, int>, size_t> byKey;
        for (size_t i = 0; i < dated; ++i) {
            if (classes_[i] == PrintClasses::noComparison) continue;
            const auto key = std::tuple{traits_[i].area, traits_[i].hasCamera, classes_[i]};
            auto [at, added] = byKey.try_emplace(key, kinds.size());
            if (added) {
                if (kinds.size() == maximumKinds) return std::nullopt;
                auto& kind = kinds.emplace_back();
                kind.traits = traits_[i];
                kind.printClass = classes_[i];
            }
            Kind& kind = kinds[at->second];
            kind.members.push_back(i);
            const auto& quanta = photos_[i]->storedPrint.quanta();
            const double* widened = widenedQuanta();
            for (size_t k = 0; k < kindHeadLength; ++k)
                kind.heads.push_back(
                    k < quanta.size()
                        ? static_cast<float>(widened[static_cast<std::uint16_t>(quanta[k])])
                        : 0.f);
        }
        for (auto& kind : kinds)
            cutIntoRuns(kind);
        return kinds;
    }

    // The float sum of the squared differences of the head of values that are floats themselves
    // is within 1e-5 of the exact sum (see kindHeadsFar); these widen it to either side.
    static double headSquareSum(const float* a, const float* b) {
        using Four = float __attribute__((vector_size(16)));
        Four sums = {0, 0, 0, 0};
        for (size_t k = 0; k < kindHeadLength; k += 4) {
            Four x, y;
            std::memcpy(&x, a + k, sizeof x);
            std::memcpy(&y, b + k, sizeof y);
            sums += (x - y) * (x - y);
        }
        return static_cast<double>((sums[0] + sums[1]) + (sums[2] + sums[3]));
    }
    static double headDistanceAbove(const float* a, const float* b) {
        return std::sqrt(headSquareSum(a, b) * (1 + 1e-5)) * (1 + 1e-12);
    }
    static double headDistanceBelow(const float* a, const float* b) {
        return std::sqrt(headSquareSum(a, b) * (1 - 1e-5)) * (1 - 1e-12);
    }

    static void cutIntoRuns(Kind& kind) {
        const float* heads = kind.heads.data();
        kind.runOf.resize(kind.members.size());
        kind.toFirst.resize(kind.members.size());
        for (size_t m = 0; m < kind.members.size(); ++m) {
            const float* head = heads + m * kindHeadLength;
            double reach = 0;
            if (!kind.runStart.empty())
                reach = headDistanceAbove(head, heads + kind.runStart.back() * kindHeadLength);
            if (kind.runStart.empty() || reach > runSpan) {
                kind.runStart.push_back(m);
                kind.runReach.push_back(0);
                reach = 0;
            } else {
                kind.runReach.back() = std::max(kind.runReach.back(), reach);
            }
            kind.runOf[m] = kind.runStart.size() - 1;
            kind.toFirst[m] = reach;
        }
        kind.runStart.push_back(kind.members.size());
    }

    // Compares photograph i with the members of a kind inside its window. A run whose first
    // head lies beyond the limit by more than the run's reach holds no match, and a member
    // whose own distance from the first is too short to bridge the gap is none either
    // (triangle inequality over the heads, whose distance never exceeds the whole prints').
    void compareWithKind(size_t i, const float* head, const Kind& kind, UnionFind& sets) const {
        const double beyond = std::sqrt(limitSquare_) * (1 + 1e-9);
        for (size_t m = kind.from; m < kind.to;) {
            const size_t run = kind.runOf[m];
            const size_t runEnd = std::min(kind.to, kind.runStart[run + 1]);
            const float* first = &kind.heads[kind.runStart[run] * kindHeadLength];
            const double fromFirst = headDistanceBelow(head, first);
            if (fromFirst > beyond + kind.runReach[run]) {
                m = runEnd;
                continue;
            }
            for (; m < runEnd; ++m)
                if (fromFirst <= beyond + kind.toFirst[m] &&
                    !kindHeadsFar(head, &kind.heads[m * kindHeadLength]) &&
                    printsClose(i, kind.members[m]))
                    sets.link(i, kind.members[m]);
        }
    }

    // The widened print values are floats held in doubles, so their float differences are
    // exact to half a unit and the float sum of the head's squares is within 1e-5 of the exact
    // one: a head that far beyond the limit puts the whole print beyond it.
    bool kindHeadsFar(const float* a, const float* b) const {
        return headSquareSum(a, b) * (1 - 1e-5) > farSquare_;
    }

    // Compares each dated photograph only with the photographs of the kinds that can hold its
    // copy or its original, inside its window. Needs the dated photographs first, in ascending
    // capture time; false when they are not, or when there are too many kinds.
    bool linkByKind(UnionFind& sets) {
        // A window that is not a number never ends a scan; the plain scan handles it.
        if (!(policy_.copyWindow >= 0)) return false;
        const auto dated = datedPrefix();
        if (!dated) return false;
        auto sorted = kindsOf(*dated);
        if (!sorted) return false;
        auto& kinds = *sorted;
        const size_t count = kinds.size();
        std::vector<std::vector<size_t>> partners(count);
        const double ratio = policy_.copyPixelRatio;
        for (size_t a = 0; a < count; ++a)
            for (size_t b = 0; b < count; ++b)
                if (kinds[a].printClass == kinds[b].printClass &&
                    (looksLikeCopy(kinds[a].traits, kinds[b].traits, ratio) ||
                     looksLikeCopy(kinds[b].traits, kinds[a].traits, ratio)))
                    partners[a].push_back(b);
        std::vector<size_t> kindOf(*dated, count);
        std::vector<size_t> slotOf(*dated, 0);
        for (size_t k = 0; k < count; ++k)
            for (size_t m = 0; m < kinds[k].members.size(); ++m)
                kindOf[kinds[k].members[m]] = k, slotOf[kinds[k].members[m]] = m;
        size_t end = 0;
        for (size_t i = 0; i < *dated; ++i) {
            while (end < *dated && dates_[end] - dates_[i] <= policy_.copyWindow)
                ++end;
            if (kindOf[i] == count) continue;
            const float* head = &kinds[kindOf[i]].heads[slotOf[i] * kindHeadLength];
            for (size_t k : partners[kindOf[i]]) {
                Kind& kind = kinds[k];
                while (kind.from < kind.members.size() && kind.members[kind.from] <= i)
                    ++kind.from;
                kind.to = std::max(kind.to, kind.from);
                while (kind.to < kind.members.size() && kind.members[kind.to] < end)
                    ++kind.to;
                compareWithKind(i, head, kind, sets);
            }
        }
        return true;
    }

    // Members of each linked set in ascending index order, sets laid out flat by root.
    static std::vector<std::span<size_t>> linkedSets(UnionFind& sets, std::vector<size_t>& flat) {
        const size_t n = flat.size();
        std::vector<size_t> start(n + 1, 0);
        std::vector<size_t> root(n);
        for (size_t k = 0; k < n; ++k)
            ++start[(root[k] = sets.find(k)) + 1];
        for (size_t r = 0; r < n; ++r)
            start[r + 1] += start[r];
        std::vector<size_t> fill(start.begin(), start.end() - 1);
        for (size_t k = 0; k < n; ++k)
            flat[fill[root[k]]++] = k;
        std::vector<std::span<size_t>> result;
        for (size_t r = 0; r < n; ++r)
            if (start[r + 1] - start[r] >= 2)
                result.emplace_back(flat.data() + start[r], start[r + 1] - start[r]);
        return result;
    }

    std::map<std::string, std::string> copiesOfLinkedSets(UnionFind& sets) const {
        std::vector<size_t> flat(photos_.size());
        std::map<std::string, std::string> result;
        for (auto set : linkedSets(sets, flat)) {
            std::stable_sort(set.begin(), set.end(), [this](size_t a, size_t b) {
                return Provenance::preferredOver(*photos_[a], *photos_[b]);
            });
            const size_t original = set.front();
            for (size_t k = 1; k < set.size(); ++k)
                if (looksLikeCopy(traits_[set[k]], traits_[original], policy_.copyPixelRatio) &&
                    printsClose(set[k], original))
                    result[photos_[set[k]]->digest] = photos_[original]->digest;
        }
        return result;
    }

    std::span<const PhotoSignals* const> photos_;
    const GroupingPolicy& policy_;
    std::vector<CopyTraits> traits_;
    std::vector<int> classes_;
    std::vector<double> dates_; // seconds; meaningful for dated photographs only
    std::vector<double> heads_; // the first widened print values of each photograph
    double limitSquare_;
    double farSquare_;
};

} // namespace

std::map<std::string, std::string> scanForCopies(std::span<const PhotoSignals* const> photos,
                                                 const GroupingPolicy& policy) {
    return CopyScan(photos, policy).run();
}

} // namespace keepsift
