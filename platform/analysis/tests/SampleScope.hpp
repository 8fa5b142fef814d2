#pragma once

// How much of its sample a quality measurement reads. The optimised build reads all of it.
// The sanitizer build reads a few items of every kind: it checks memory and undefined
// behaviour, which needs every path of a measure walked, not every photograph, and it runs the
// measures several times slower. Shares and quantiles are bars on the whole sample, so they are
// checked only where it is read; bounds that every item must meet are checked in both builds.

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#ifndef KEEPSIFT_SANITIZED
#error "KEEPSIFT_SANITIZED is set by the build for every test binary"
#endif

namespace keepsift::samples {

inline constexpr bool wholeSample = !KEEPSIFT_SANITIZED;

// The items whose name is among the few, in their order, when the sample is not read whole.
template <typename Item, typename NameOf>
std::vector<Item> sampled(std::vector<Item> all, const std::set<std::string>& few, NameOf nameOf) {
    if (!wholeSample)
        std::erase_if(all, [&](const Item& item) { return !few.contains(nameOf(item)); });
    return all;
}

} // namespace keepsift::samples
