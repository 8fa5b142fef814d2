#pragma once

#include <algorithm>
#include <optional>
#include <string_view>
#include <vector>

#include "core/model/DateCoding.hpp"
#include "core/support/Unicode.hpp"

namespace keepsift {

// Orders items where "a before b" means: both dated with different dates and a's earlier,
// otherwise a's text first. With dated and undated items mixed that relation can cycle, and
// std::sort must never see it. The dated items are sorted by (date, text), the undated ones
// by text, and the two runs are merged by text: wherever the relation is consistent this is
// exactly its stable sort, and it is a fixed, total order everywhere else.
template <class T, class DateOf, class TextOf>
void sortDatedThenText(std::vector<T>& items, DateOf dateOf, TextOf textOf) {
    struct Entry {
        T item;
        size_t position;
    };
    std::vector<Entry> dated, undated;
    for (size_t i = 0; i < items.size(); ++i)
        (dateOf(items[i]) ? dated : undated).push_back({std::move(items[i]), i});
    const auto textLess = [&](const Entry& a, const Entry& b) {
        return unicode::less(textOf(a.item), textOf(b.item));
    };
    std::stable_sort(dated.begin(), dated.end(), [&](const Entry& a, const Entry& b) {
        const Date x = *dateOf(a.item), y = *dateOf(b.item);
        if (x != y) return x < y;
        return textLess(a, b);
    });
    std::stable_sort(undated.begin(), undated.end(), textLess);
    size_t d = 0, u = 0, out = 0;
    while (d < dated.size() || u < undated.size()) {
        bool takeUndated = d == dated.size();
        if (!takeUndated && u < undated.size()) {
            const int order = unicode::compare(textOf(undated[u].item), textOf(dated[d].item));
            takeUndated = order < 0 || (order == 0 && undated[u].position < dated[d].position);
        }
        items[out++] = std::move(takeUndated ? undated[u++].item : dated[d++].item);
    }
}

} // namespace keepsift
