#include "core/grouping/PhotoOrders.hpp"

#include <algorithm>

#include "core/grouping/DatedOrder.hpp"
#include "core/support/Unicode.hpp"

namespace keepsift {

void sortIntoCaptureOrder(std::vector<const PhotoSignals*>& photos) {
    std::stable_sort(photos.begin(), photos.end(),
                     [](const PhotoSignals* a, const PhotoSignals* b) {
                         if (a->capturedAt.has_value() != b->capturedAt.has_value())
                             return a->capturedAt.has_value();
                         if (a->capturedAt && *a->capturedAt != *b->capturedAt)
                             return *a->capturedAt < *b->capturedAt;
                         return unicode::less(a->filename, b->filename);
                     });
}

void sortIntoGroupPhotoOrder(std::vector<const PhotoSignals*>& photos) {
    sortDatedThenText(
        photos, [](const PhotoSignals* p) { return p->capturedAt; },
        [](const PhotoSignals* p) -> const std::string& { return p->filename; });
}

} // namespace keepsift
