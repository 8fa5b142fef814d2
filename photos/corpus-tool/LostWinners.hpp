#pragma once

#include <string>
#include <vector>

#include "core/corpus/CorpusMeasurement.hpp"

namespace keepsift::corpustool {

// One line for each winner that the decisions over the whole corpus flag, in the order of the
// result's winnersFlagged: which rule flagged it (its group's kind and its reason), its
// sharpness beside the sharpest of its group, and what was kept instead.
std::vector<std::string> lostWinnerLines(const CorpusMeasurement::Prepared& prepared,
                                         const ScoringPolicy& policy);

} // namespace keepsift::corpustool
