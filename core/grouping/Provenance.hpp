#pragma once

#include <map>
#include <span>
#include <string>
#include <vector>

#include "core/grouping/GroupingPolicy.hpp"
#include "core/model/PhotoSignals.hpp"

namespace keepsift::Provenance {

using CopyMap = std::map<std::string, std::string>; // copy digest -> original digest

// Copies among the photographs, which are expected in capture order (the scan relies on it
// to stop early and stops at the first undated or out-of-window photograph whatever the order).
CopyMap copies(const std::vector<PhotoSignals>& photos, const GroupingPolicy& policy);
CopyMap copies(std::span<const PhotoSignals* const> photos, const GroupingPolicy& policy);

// The size-or-metadata test and the print test against that original.
bool isCopy(const PhotoSignals& copy, const PhotoSignals& original, const GroupingPolicy& policy);
// The size-or-metadata half alone.
bool looksLikeCopy(const PhotoSignals& copy, const PhotoSignals& original,
                   const GroupingPolicy& policy);

// Original-preference order: camera metadata, larger area, dated and earlier, larger file,
// file name. A strict weak order.
bool preferredOver(const PhotoSignals& a, const PhotoSignals& b);
std::vector<PhotoSignals> sortedByPreference(std::vector<PhotoSignals> photos);
void sortByPreference(std::vector<PhotoSignals>& photos);
void sortByPreference(std::vector<const PhotoSignals*>& photos);

} // namespace keepsift::Provenance
