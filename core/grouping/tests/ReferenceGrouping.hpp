#pragma once

#include <map>
#include <string>
#include <vector>

#include "core/grouping/GroupingPolicy.hpp"
#include "core/model/PhotoGroup.hpp"

namespace keepsift::reference {

// Word-for-word implementations of copy detection and grouping: whole PhotoSignals values,
// printDistance for every pair, nested vectors, no shortcuts. The fast path must match them.
std::map<std::string, std::string> copies(const std::vector<PhotoSignals>& photos,
                                          const GroupingPolicy& policy);
std::vector<PhotoGroup> build(const std::vector<PhotoSignals>& photos,
                              const GroupingPolicy& policy);

} // namespace keepsift::reference
