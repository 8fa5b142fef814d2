#pragma once

#include <filesystem>
#include <ostream>

#include "core/model/SignalSource.hpp"

namespace keepsift::corpustool {

struct RecordOptions {
    unsigned workers = 1;
    bool showProgress = false; // on `err`, redrawn in place
};

// Measures every photograph of every corpus folder and writes one recording per folder.
// Unreadable photographs are skipped and named on `err`. Returns the exit status.
int recordCommand(const std::filesystem::path& corpus, const std::filesystem::path& recordings,
                  SignalSource& source, const RecordOptions& options, std::ostream& out,
                  std::ostream& err);

} // namespace keepsift::corpustool
