#pragma once

#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "core/corpus/CorpusMeasurement.hpp"

namespace keepsift::corpustool {

// The recordings of a folder in reading order; BadInput naming a file that does not read.
std::vector<CorpusRecording> readRecordings(const std::filesystem::path& folder);

// The result as text; each flagged winner is told by its line of lostWinners.
std::string measurementText(const CorpusMeasurement::Result& result,
                            const std::vector<std::string>& lostWinners);
// The result's fields with its rates and gates, one JSON object.
Json measurementJson(const CorpusMeasurement::Result& result);

// Measures the recordings with the standard policies and prints the result. Exit status 0
// whatever the result.
int measureCommand(const std::filesystem::path& recordings, bool json, std::ostream& out);

} // namespace keepsift::corpustool
