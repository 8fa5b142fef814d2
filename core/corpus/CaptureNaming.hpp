#pragma once

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "core/corpus/CorpusCapture.hpp"

namespace keepsift::CorpusCapture {

// The capture number of a "capture-NNNN" folder name.
std::optional<std::int64_t> folderNumber(std::string_view name);
// Throws std::overflow_error when the largest number present cannot be followed.
std::string nextFolderName(const std::vector<std::string>& existing);

// The exported name of a photograph, not yet in `taken`; the caller adds it.
std::string uniqueFilename(std::string_view stem, std::string_view extension, bool isWinner,
                           std::string_view hint, const std::set<std::string>& taken);
std::string exportedFilename(std::string_view stem, std::string_view extension, bool isWinner,
                             std::string_view hint);

std::string sanitisedStem(std::string_view stem);
std::string extensionSlug(std::string_view extension);
std::string sanitisedHint(std::string_view hint);
// Whole characters from the start within the byte limit; never empty.
std::string truncated(std::string_view text, size_t bytes);

} // namespace keepsift::CorpusCapture
