#pragma once

#include <filesystem>

#include "core/settings/AppConfig.hpp"

namespace keepsift {

// The information keys live in Info.json beside the running binary.
std::filesystem::path bundleInfoFile();
AppConfig loadAppConfig();
AppConfig loadAppConfig(const std::filesystem::path& infoFile);

} // namespace keepsift
