#pragma once

#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/library/CatalogueWalk.hpp"

namespace keepsift {

// Identifiers given to photographs whose names share their NFC form with a neighbour's, or
// are not in NFC, by on-disk relative path of the primary file.
using GivenIdentifiers = std::unordered_map<std::string, std::string>;

// Gives the photographs of one folder the identifiers they were given before, so that none
// passes from one file to another when a neighbour spelt in another normal form comes or
// goes; a name whose identifier another file kept takes its byte-for-byte form instead.
// Answers the identifiers newly given, which `given` then holds.
std::vector<std::pair<std::string, std::string>> keepIdentifiers(std::vector<CatalogueItem>& items,
                                                                 GivenIdentifiers& given);

} // namespace keepsift
