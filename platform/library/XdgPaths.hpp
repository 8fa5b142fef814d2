#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace keepsift::xdg {

// XDG_PICTURES_DIR from user-dirs.dirs, else ~/Pictures.
std::filesystem::path picturesDir();

inline constexpr const char* appFolder = "com.ambervale.keepsift";

} // namespace keepsift::xdg

namespace keepsift {

// The photo library's root: the --library argument, else KEEPSIFT_LIBRARY, else Pictures.
std::filesystem::path libraryRoot(const std::optional<std::string>& argument);

} // namespace keepsift
