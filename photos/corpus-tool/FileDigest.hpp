#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace keepsift::corpustool {

// Lower-case hex SHA-256 of the file's bytes; absent when the file cannot be read.
std::optional<std::string> fileDigest(const std::filesystem::path& file);

} // namespace keepsift::corpustool
