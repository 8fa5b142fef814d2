#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace keepsift::app {

// The first line of a small kernel attribute file, trailing blanks removed; nothing when
// it cannot be read.
std::optional<std::string> sysfsLine(const std::filesystem::path& file);
std::optional<long long> sysfsNumber(const std::filesystem::path& file);
// The entries of a folder whose names begin with the prefix, in name order; none when the
// folder cannot be listed.
std::vector<std::filesystem::path> sysfsEntries(const std::filesystem::path& folder,
                                                const std::string& prefix = {});

} // namespace keepsift::app
