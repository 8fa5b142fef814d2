#pragma once

#include <map>
#include <string>
#include <vector>

#include "core/model/PhotoSignals.hpp"
#include "core/support/RawEnum.hpp"

namespace keepsift {

// One result of grouping.
struct PhotoGroup {
    enum class Kind { moment, identical, solitary };

    std::string id;
    Kind kind = Kind::solitary;
    std::vector<PhotoSignals> photos;
    std::map<std::string, std::string> copies; // copy digest -> original digest

    size_t count() const { return photos.size(); }
    bool operator==(const PhotoGroup&) const = default;
};

template <> struct RawValues<PhotoGroup::Kind> {
    static constexpr std::array<std::string_view, 3> names{"moment", "identical", "solitary"};
};

} // namespace keepsift
