#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "core/settings/AppConfig.hpp"

namespace keepsift {

// The information keys live in Info.json beside the running binary.
std::filesystem::path bundleInfoFile();
AppConfig loadAppConfig();
AppConfig loadAppConfig(const std::filesystem::path& infoFile);
// One text value of the information file as written; nothing when the file, the key or a
// text under it is missing.
std::optional<std::string> bundleInfoText(const std::filesystem::path& infoFile,
                                          std::string_view key);

} // namespace keepsift
