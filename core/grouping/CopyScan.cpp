#include "core/grouping/CopyScan.hpp"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <optional>
#include <tuple>
#include <utility>
#include <vector>

#include "core/grouping/CentreSquares.hpp"
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
          farSquare_(limitSquare_ * (1 + 1e-12)), widened_(widenedQuanta()) {
        PrintClasses classes;
        for (size_t i = 0; i < photos.size(); ++i) {
            const auto& photo = *photos[i];
            traits_[i] = {photo.pixelCount(), photo.hasCameraMetadata};
            classes_[i] = classes.classOf(photo);
            dates_[i] = photo.capturedAt ? photo.capturedAt->seconds : 0;
            const auto& quanta = photo.storedPrint.quanta();
            for (size_t k = 0; k < headLength && k < quanta.size(); ++k)
                heads_[i * headLength + k] = widened_[static_cast<std::uint16_t>(quanta[k])];
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
        // Runs of members whose heads lie near the run's first (a burst of one scene): where
        // each run starts (with the end last), each member's run, and for the run the mean of
        // its members' first centreLength values, with how far each member lies from it.
        std::vector<size_t> runStart;
        std::vector<size_t> runOf;
        std::vector<float> centres; // centreLength values per run
        std::vector<double> radius; // per member, rounded up
        std::vector<double> runRadius;

        const float* head(size_t m) const { return &heads[m * kindHeadLength]; }
        const float* centre(size_t run) const { return &centres[run * centreLength]; }
    };
    // How far from a run's first member a head may lie and still join the run.
    static constexpr double runSpan = 0.2;
    // Short runs keep their centres close to every member.
    static constexpr size_t longestRun = 32;
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

    // The widened print value k of photograph i, zero beyond its print.
    double valueAt(size_t i, size_t k) const {
        const auto& quanta = photos_[i]->storedPrint.quanta();
        return k < quanta.size() ? widened_[static_cast<std::uint16_t>(quanta[k])] : 0.0;
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
            kinds[at->second].members.push_back(i);
        }
        // A kind without a partner kind holds neither copies nor originals: nothing reads it.
        for (auto& kind : kinds)
            if (hasPartner(kind, kinds)) measure(kind);
        return kinds;
    }

    bool partners(const Kind& a, const Kind& b) const {
        const double ratio = policy_.copyPixelRatio;
        return a.printClass == b.printClass && (looksLikeCopy(a.traits, b.traits, ratio) ||
                                                looksLikeCopy(b.traits, a.traits, ratio));
    }

    bool hasPartner(const Kind& kind, const std::vector<Kind>& kinds) const {
        return std::any_of(kinds.begin(), kinds.end(),
                           [&](const Kind& other) { return partners(kind, other); });
    }

    // The float sum of the squared differences of the head of values that are floats themselves
    // is within 1e-5 of the exact sum (see kindHeadsFar).
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
    static double rootBelow(double square) { return std::sqrt(square) * (1 - 1e-12); }

    // Reads the first values of each member once, in member order: its head, the run it
    // joins, and each run's centre with the radii around it.
    void measure(Kind& kind) const {
        static_assert(kindHeadLength <= centreLength);
        const size_t count = kind.members.size();
        kind.heads.resize(count * kindHeadLength);
        kind.runOf.resize(count);
        kind.radius.resize(count);
        std::vector<double> values(longestRun * centreLength); // the open run's members
        for (size_t m = 0; m < count; ++m) {
            double row[centreLength];
            for (size_t k = 0; k < centreLength; ++k)
                row[k] = valueAt(kind.members[m], k);
            for (size_t k = 0; k < kindHeadLength; ++k)
                kind.heads[m * kindHeadLength + k] = static_cast<float>(row[k]);
            if (kind.runStart.empty() || m - kind.runStart.back() == longestRun ||
                headDistanceAbove(kind.head(m), kind.head(kind.runStart.back())) > runSpan) {
                if (!kind.runStart.empty()) closeRun(kind, m, values);
                kind.runStart.push_back(m);
            }
            std::copy(row, row + centreLength, &values[(m - kind.runStart.back()) * centreLength]);
            kind.runOf[m] = kind.runStart.size() - 1;
        }
        if (count > 0) closeRun(kind, count, values);
        kind.runStart.push_back(count);
    }

    // Any vector serves as a run's centre; the radii are measured exactly to it, in doubles,
    // and rounded up.
    static void closeRun(Kind& kind, size_t to, const std::vector<double>& values) {
        const size_t from = kind.runStart.back(), size = to - from;
        kind.centres.resize(kind.centres.size() + centreLength);
        float* centre = &kind.centres[kind.centres.size() - centreLength];
        for (size_t k = 0; k < centreLength; ++k) {
            double sum = 0;
            for (size_t m = 0; m < size; ++m)
                sum += values[m * centreLength + k];
            centre[k] = static_cast<float>(sum / static_cast<double>(size));
        }
        double runRadius = 0;
        for (size_t m = 0; m < size; ++m) {
            const double* value = &values[m * centreLength];
            double square = 0;
            for (size_t k = 0; k < centreLength; ++k)
                square += (value[k] - centre[k]) * (value[k] - centre[k]);
            kind.radius[from + m] = std::sqrt(square) * (1 + 1e-12);
            runRadius = std::max(runRadius, kind.radius[from + m]);
        }
        kind.runRadius.push_back(runRadius);
    }

    // The widened print values are floats held in doubles, so their float differences are
    // exact to half a unit and the float sum of the head's squares is within 1e-5 of the exact
    // one: a head that far beyond the limit puts the whole print beyond it.
    bool kindHeadsFar(const float* a, const float* b) const {
        return headSquareSum(a, b) * (1 - 1e-5) > farSquare_;
    }

    // The members of a kind after each member of another (by index) and inside its window,
    // as ranges [from, to); both ends only move forward.
    struct Window {
        size_t from = 0, to = 0;
    };
    Window advance(Window window, size_t i, const Kind& kind) const {
        const auto& members = kind.members;
        while (window.from < members.size() && members[window.from] <= i)
            ++window.from;
        window.to = std::max(window.to, window.from);
        while (window.to < members.size() &&
               dates_[members[window.to]] - dates_[i] <= policy_.copyWindow)
            ++window.to;
        return window;
    }

    // Links the members of one run of a kind with those of a partner kind inside their
    // windows. Two prints within the limit have first centreLength values within it too, so
    // by the triangle inequality their centres lie at most the limit plus both radii apart:
    // runs, and members, whose centres lie farther apart hold no pair.
    void linkRun(const Kind& mine, size_t run, const Kind& other, std::span<const Window> windows,
                 std::vector<double>& squares, UnionFind& sets) const {
        const double beyond = std::sqrt(limitSquare_) * (1 + 1e-9);
        const size_t from = mine.runStart[run];
        const size_t low = windows.front().from, high = windows.back().to;
        if (low >= high) return;
        const size_t first = other.runOf[low], count = other.runOf[high - 1] + 1 - first;
        squares.resize(count);
        centreSquaresBelow(mine.centre(run), other.centre(first), count, squares.data());
        for (size_t theirs = first; theirs < first + count; ++theirs) {
            const double square = squares[theirs - first];
            const double reach = beyond + mine.runRadius[run] + other.runRadius[theirs];
            if (square > reach * reach * (1 + 1e-12)) continue;
            const double apart = rootBelow(square) - beyond;
            const size_t start = other.runStart[theirs], end = other.runStart[theirs + 1];
            for (size_t w = 0; w < windows.size(); ++w) {
                const size_t m = from + w;
                if (apart > mine.radius[m] + other.runRadius[theirs]) continue;
                const size_t i = mine.members[m];
                const size_t last = std::min(end, windows[w].to);
                for (size_t q = std::max(start, windows[w].from); q < last; ++q) {
                    const size_t j = other.members[q];
                    if (apart <= mine.radius[m] + other.radius[q] &&
                        !kindHeadsFar(mine.head(m), other.head(q)) &&
                        sets.find(i) != sets.find(j) && printsClose(i, j))
                        sets.link(i, j);
                }
            }
        }
    }

    void linkKinds(const Kind& mine, const Kind& other, UnionFind& sets) const {
        Window window;
        std::vector<Window> windows;
        std::vector<double> squares;
        for (size_t run = 0; run + 1 < mine.runStart.size(); ++run) {
            windows.clear();
            for (size_t m = mine.runStart[run]; m < mine.runStart[run + 1]; ++m)
                windows.push_back(window = advance(window, mine.members[m], other));
            linkRun(mine, run, other, windows, squares, sets);
        }
    }

    // Compares each dated photograph only with the later photographs of the kinds that can
    // hold its copy or its original, inside its window. Needs the dated photographs first, in
    // ascending capture time; false when they are not, or when there are too many kinds.
    bool linkByKind(UnionFind& sets) {
        // A window that is not a number never ends a scan; the plain scan handles it.
        if (!(policy_.copyWindow >= 0)) return false;
        const auto dated = datedPrefix();
        if (!dated) return false;
        const auto kinds = kindsOf(*dated);
        if (!kinds) return false;
        for (const auto& mine : *kinds)
            for (const auto& other : *kinds)
                if (partners(mine, other)) linkKinds(mine, other, sets);
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
    const double* widened_;
};

} // namespace

std::map<std::string, std::string> scanForCopies(std::span<const PhotoSignals* const> photos,
                                                 const GroupingPolicy& policy) {
    return CopyScan(photos, policy).run();
}

} // namespace keepsift
