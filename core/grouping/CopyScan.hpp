#pragma once

#include <map>
#include <span>
#include <string>

#include "core/grouping/GroupingPolicy.hpp"
#include "core/model/PhotoSignals.hpp"

namespace keepsift {

// The linking scan and the choice of originals over photographs by address.
std::map<std::string, std::string> scanForCopies(std::span<const PhotoSignals* const> photos,
                                                 const GroupingPolicy& policy);

} // namespace keepsift
