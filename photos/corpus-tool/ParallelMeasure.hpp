#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/model/SignalSource.hpp"

namespace keepsift::corpustool {

struct MeasureOutcome {
    std::optional<PhotoSignals> signals;
    std::string failure; // why there are no signals
};

// Measures one file: its digest is the SHA-256 of its bytes.
MeasureOutcome measureFile(const std::filesystem::path& file, SignalSource& source);

// Measures the files on `workers` threads; outcomes in file order. `progress` is called on
// the calling thread with the count done so far, now and then and once at the end.
std::vector<MeasureOutcome> measureAll(const std::vector<std::filesystem::path>& files,
                                       SignalSource& source, unsigned workers,
                                       const std::function<void(size_t)>& progress);

} // namespace keepsift::corpustool
