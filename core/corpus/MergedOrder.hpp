#pragma once

#include <algorithm>
#include <vector>

namespace keepsift {

// Some orders compare two items by a key when both have one and by text otherwise; on
// mixed input that is not a strict weak order, so std::sort could misbehave. Sorting the
// keyed items and the others apart and merging them by text gives one total order that
// agrees with the described one wherever that one is consistent.
template <class T, class HasKey, class KeyedLess, class TextLess>
std::vector<T> mergedOrder(std::vector<T> items, HasKey hasKey, KeyedLess keyedLess,
                           TextLess textLess) {
    const auto split = std::stable_partition(items.begin(), items.end(), hasKey);
    std::vector<T> keyed(std::make_move_iterator(items.begin()), std::make_move_iterator(split));
    std::vector<T> others(std::make_move_iterator(split), std::make_move_iterator(items.end()));
    std::stable_sort(keyed.begin(), keyed.end(), keyedLess);
    std::stable_sort(others.begin(), others.end(), textLess);
    std::vector<T> out;
    out.reserve(keyed.size() + others.size());
    size_t k = 0, o = 0;
    while (k < keyed.size() || o < others.size()) {
        const bool takeOther =
            k == keyed.size() || (o < others.size() && textLess(others[o], keyed[k]));
        out.push_back(std::move(takeOther ? others[o++] : keyed[k++]));
    }
    return out;
}

} // namespace keepsift
