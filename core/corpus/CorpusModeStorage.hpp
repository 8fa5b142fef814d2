#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/storage/KeyValueStorage.hpp"

// Corpus mode keeps its own storage so that capturing ground truth leaves the everyday
// state alone.
namespace keepsift::CorpusModeStorage {

inline constexpr std::string_view namespaceName = "corpus-mode";
inline constexpr std::string_view capturesFolder = "captures";

// Copies each key the destination lacks from the source, once; returns the copied keys in
// the order given. The source is only read.
std::vector<std::string> seed(const KeyValueStorage& source, KeyValueStorage& destination,
                              const std::vector<std::string>& keys);

} // namespace keepsift::CorpusModeStorage
