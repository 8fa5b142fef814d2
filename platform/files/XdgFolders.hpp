#pragma once

#include <filesystem>
#include <string_view>

namespace keepsift {

// $HOME when it is an absolute path, else the user's entry in the password database.
// Throws std::runtime_error when there is no home folder.
std::filesystem::path homeFolder();

// An XDG base folder: the variable when it holds an absolute path, else the fallback
// under the home folder. Read on every call, so a changed environment takes effect.
// Throws std::runtime_error when there is no home folder.
std::filesystem::path xdgBaseFolder(const char* variable, std::string_view homeFallback);
inline std::filesystem::path xdgCacheHome() {
    return xdgBaseFolder("XDG_CACHE_HOME", ".cache");
}
inline std::filesystem::path xdgConfigHome() {
    return xdgBaseFolder("XDG_CONFIG_HOME", ".config");
}
inline std::filesystem::path xdgDataHome() {
    return xdgBaseFolder("XDG_DATA_HOME", ".local/share");
}

} // namespace keepsift
