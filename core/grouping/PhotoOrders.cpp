#include "core/grouping/PhotoOrders.hpp"

#include <algorithm>

#include "core/grouping/DatedOrder.hpp"
#include "core/support/Unicode.hpp"

namespace keepsift {

// The dates are gathered side by side first, so that sorting a large library does not reach
// into every photograph's signals at each comparison.
void sortIntoCaptureOrder(std::vector<const PhotoSignals*>& photos) {
    struct Keyed {
        bool undated;
        Date date;
        const PhotoSignals* photo;
    };
    std::vector<Keyed> keyed;
    keyed.reserve(photos.size());
    for (const auto* photo : photos)
        keyed.push_back({!photo->capturedAt, photo->capturedAt.value_or(Date{}), photo});
    std::stable_sort(keyed.begin(), keyed.end(), [](const Keyed& a, const Keyed& b) {
        if (a.undated != b.undated) return b.undated;
        if (!a.undated && a.date != b.date) return a.date < b.date;
        return unicode::less(a.photo->filename, b.photo->filename);
    });
    for (size_t i = 0; i < keyed.size(); ++i)
        photos[i] = keyed[i].photo;
}

void sortIntoGroupPhotoOrder(std::vector<const PhotoSignals*>& photos) {
    sortDatedThenText(
        photos, [](const PhotoSignals* p) { return p->capturedAt; },
        [](const PhotoSignals* p) -> const std::string& { return p->filename; });
}

} // namespace keepsift
