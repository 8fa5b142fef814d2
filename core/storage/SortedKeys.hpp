#pragma once

#include <string>
#include <vector>

namespace keepsift {

// The keys of an ordered map, ascending.
template <class Map> std::vector<std::string> sortedKeys(const Map& map) {
    std::vector<std::string> keys;
    keys.reserve(map.size());
    for (const auto& item : map)
        keys.push_back(item.first);
    return keys;
}

} // namespace keepsift
