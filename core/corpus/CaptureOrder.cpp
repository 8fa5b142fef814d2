#include "core/corpus/CaptureOrder.hpp"

#include "core/corpus/MergedOrder.hpp"
#include "core/support/Unicode.hpp"

namespace keepsift {

std::vector<PhotoSignals> inCaptureOrder(std::vector<PhotoSignals> photos) {
    const auto byName = [](const PhotoSignals& a, const PhotoSignals& b) {
        return unicode::less(a.filename, b.filename);
    };
    return mergedOrder(
        std::move(photos), [](const PhotoSignals& p) { return p.capturedAt.has_value(); },
        [&](const PhotoSignals& a, const PhotoSignals& b) {
            if (*a.capturedAt != *b.capturedAt) return *a.capturedAt < *b.capturedAt;
            return byName(a, b);
        },
        byName);
}

} // namespace keepsift
