#include "core/grouping/Provenance.hpp"

#include <algorithm>

#include "core/grouping/CopyScan.hpp"
#include "core/grouping/CopyTraits.hpp"
#include "core/grouping/PhotoAddresses.hpp"
#include "core/support/Unicode.hpp"

namespace keepsift::Provenance {

CopyMap copies(std::span<const PhotoSignals* const> photos, const GroupingPolicy& policy) {
    if (photos.size() < 2) return {};
    return scanForCopies(photos, policy);
}

CopyMap copies(const std::vector<PhotoSignals>& photos, const GroupingPolicy& policy) {
    return copies(addressesOf(photos), policy);
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
