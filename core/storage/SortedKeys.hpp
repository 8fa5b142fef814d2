#pragma once

#include <algorithm>
#include <string>
#include <vector>

#include "core/support/Unicode.hpp"

namespace keepsift {

// The keys of a map in ascending string order: composed forms by code point, which is not
// the byte order of the map when a key is decomposed.
template <class Map> std::vector<std::string> sortedKeys(const Map& map) {
    std::vector<std::string> keys;
    keys.reserve(map.size());
    for (const auto& item : map)
        keys.push_back(item.first);
    std::stable_sort(keys.begin(), keys.end(), [](const std::string& a, const std::string& b) {
        return unicode::less(a, b);
    });
    return keys;
}

} // namespace keepsift
