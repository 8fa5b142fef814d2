#include "platform/library/XdgPaths.hpp"

#include <cstdlib>
#include <fstream>
#include <pwd.h>
#include <unistd.h>

namespace keepsift::xdg {
namespace {

std::optional<std::filesystem::path> absoluteFromEnv(const char* name) {
    const char* value = std::getenv(name);
    if (value == nullptr || value[0] != '/') return std::nullopt;
    return std::filesystem::path(value);
}

std::filesystem::path fromEnvOr(const char* name, const char* fallback) {
    if (auto value = absoluteFromEnv(name)) return *value;
    return home() / fallback;
}

// One line of user-dirs.dirs: XDG_PICTURES_DIR="$HOME/Pictures".
std::optional<std::filesystem::path> picturesFromLine(const std::string& line) {
    const std::string key = "XDG_PICTURES_DIR=\"";
    if (line.rfind(key, 0) != 0) return std::nullopt;
    auto end = line.rfind('"');
    if (end <= key.size()) return std::nullopt;
    std::string value = line.substr(key.size(), end - key.size());
    if (value.rfind("$HOME", 0) == 0) return home().string() + value.substr(5);
    if (!value.empty() && value[0] == '/') return std::filesystem::path(value);
    return std::nullopt;
}

} // namespace

std::filesystem::path home() {
    if (auto value = absoluteFromEnv("HOME")) return *value;
    if (const passwd* entry = getpwuid(getuid()); entry != nullptr && entry->pw_dir != nullptr)
        return entry->pw_dir;
    return "/";
}

std::filesystem::path cacheHome() {
    return fromEnvOr("XDG_CACHE_HOME", ".cache");
}
std::filesystem::path configHome() {
    return fromEnvOr("XDG_CONFIG_HOME", ".config");
}
std::filesystem::path dataHome() {
    return fromEnvOr("XDG_DATA_HOME", ".local/share");
}

std::filesystem::path picturesDir() {
    std::ifstream file(configHome() / "user-dirs.dirs");
    for (std::string line; std::getline(file, line);)
        if (auto path = picturesFromLine(line)) return *path;
    return home() / "Pictures";
}

} // namespace keepsift::xdg

namespace keepsift {

std::filesystem::path libraryRoot(const std::optional<std::string>& argument) {
    if (argument && !argument->empty()) return *argument;
    if (const char* value = std::getenv("KEEPSIFT_LIBRARY"); value != nullptr && value[0] != 0)
        return value;
    return xdg::picturesDir();
}

} // namespace keepsift
