#include "core/grouping/Provenance.hpp"

#include <algorithm>
#include <utility>

#include "core/grouping/PrintComparison.hpp"
#include "core/support/Unicode.hpp"

namespace keepsift::Provenance {
namespace {

// What the copy test reads of one photograph, laid out for the linking scan.
struct CopyTraits {
    std::int64_t area = 0;
    bool hasCamera = false;
};

bool looksLikeCopy(CopyTraits copy, CopyTraits original, double ratio) {
    const bool metadataLost = original.hasCamera && !copy.hasCamera;
    if (original.area < 1 || metadataLost) return metadataLost;
    // A copy at least as large has a ratio of at least 1; skip the division then.
    if (ratio < 1 && copy.area >= original.area) return false;
    return static_cast<double>(copy.area) / static_cast<double>(original.area) <= ratio;
}

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

class CopyScan {
public:
    CopyScan(std::span<const PhotoSignals* const> photos, const GroupingPolicy& policy)
        : photos_(photos), policy_(policy), traits_(photos.size()), classes_(photos.size()),
          limitSquare_(largestSquareWithin(policy.duplicateDistance)) {
        PrintClasses classes;
        for (size_t i = 0; i < photos.size(); ++i) {
            traits_[i] = {photos[i]->pixelCount(), photos[i]->hasCameraMetadata};
            classes_[i] = classes.classOf(*photos[i]);
        }
    }

    CopyMap run() {
        UnionFind sets(photos_.size());
        linkNeighbours(sets);
        return copiesOfLinkedSets(sets);
    }

private:
    bool printsClose(size_t a, size_t b) const {
        if (classes_[a] == PrintClasses::noComparison || classes_[a] != classes_[b]) return false;
        const auto& x = photos_[a]->storedPrint.quanta();
        const auto& y = photos_[b]->storedPrint.quanta();
        return printsWithin(x.data(), y.data(), x.size(), limitSquare_);
    }

    bool linkable(size_t i, size_t j) const {
        const double ratio = policy_.copyPixelRatio;
        return (looksLikeCopy(traits_[i], traits_[j], ratio) ||
                looksLikeCopy(traits_[j], traits_[i], ratio)) &&
               printsClose(i, j);
    }

    void linkNeighbours(UnionFind& sets) const {
        const size_t n = photos_.size();
        // The scan of a photograph ends at the next undated one.
        std::vector<size_t> nextUndated(n + 1, n);
        for (size_t k = n; k-- > 0;)
            nextUndated[k] = photos_[k]->capturedAt ? nextUndated[k + 1] : k;
        for (size_t i = 0; i < n; ++i) {
            if (!photos_[i]->capturedAt) continue;
            const Date start = *photos_[i]->capturedAt;
            for (size_t j = i + 1; j < nextUndated[i + 1]; ++j) {
                if (photos_[j]->capturedAt->since(start) > policy_.copyWindow) break;
                if (linkable(i, j)) sets.link(i, j);
            }
        }
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

    CopyMap copiesOfLinkedSets(UnionFind& sets) const {
        std::vector<size_t> flat(photos_.size());
        CopyMap result;
        for (auto set : linkedSets(sets, flat)) {
            std::stable_sort(set.begin(), set.end(), [this](size_t a, size_t b) {
                return preferredOver(*photos_[a], *photos_[b]);
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
    double limitSquare_;
};

} // namespace

CopyMap copies(std::span<const PhotoSignals* const> photos, const GroupingPolicy& policy) {
    if (photos.size() < 2) return {};
    return CopyScan(photos, policy).run();
}

CopyMap copies(const std::vector<PhotoSignals>& photos, const GroupingPolicy& policy) {
    std::vector<const PhotoSignals*> pointers;
    pointers.reserve(photos.size());
    for (const auto& photo : photos)
        pointers.push_back(&photo);
    return copies(pointers, policy);
}

bool looksLikeCopy(const PhotoSignals& copy, const PhotoSignals& original,
                   const GroupingPolicy& policy) {
    return looksLikeCopy(CopyTraits{copy.pixelCount(), copy.hasCameraMetadata},
                         CopyTraits{original.pixelCount(), original.hasCameraMetadata},
                         policy.copyPixelRatio);
}

bool isCopy(const PhotoSignals& copy, const PhotoSignals& original, const GroupingPolicy& policy) {
    if (!looksLikeCopy(copy, original, policy)) return false;
    const auto distance = original.printDistance(copy);
    return distance && *distance <= policy.duplicateDistance;
}

bool preferredOver(const PhotoSignals& a, const PhotoSignals& b) {
    if (a.hasCameraMetadata != b.hasCameraMetadata) return a.hasCameraMetadata;
    const auto areaA = a.pixelCount(), areaB = b.pixelCount();
    if (areaA != areaB) return areaA > areaB;
    if (a.capturedAt.has_value() != b.capturedAt.has_value()) return a.capturedAt.has_value();
    if (a.capturedAt && *a.capturedAt != *b.capturedAt) return *a.capturedAt < *b.capturedAt;
    if (a.fileSize != b.fileSize) return a.fileSize > b.fileSize;
    return unicode::less(a.filename, b.filename);
}

void sortByPreference(std::vector<PhotoSignals>& photos) {
    std::stable_sort(photos.begin(), photos.end(), preferredOver);
}

void sortByPreference(std::vector<const PhotoSignals*>& photos) {
    std::stable_sort(
        photos.begin(), photos.end(),
        [](const PhotoSignals* a, const PhotoSignals* b) { return preferredOver(*a, *b); });
}

std::vector<PhotoSignals> sortedByPreference(std::vector<PhotoSignals> photos) {
    sortByPreference(photos);
    return photos;
}

} // namespace keepsift::Provenance
