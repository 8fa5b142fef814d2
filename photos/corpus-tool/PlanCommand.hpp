#pragma once

#include <filesystem>
#include <ostream>

namespace keepsift::corpustool {

// Plans the import of the capture folders in `staging` into `corpus`, prints the report or
// the refusals and, when asked, moves the folders. Returns the exit status: 1 with refusals.
int planCommand(const std::filesystem::path& staging, const std::filesystem::path& corpus,
                bool apply, std::ostream& out, std::ostream& err);

} // namespace keepsift::corpustool
