#include "platform/library/XdgPaths.hpp"

#include "platform/files/XdgFolders.hpp"

#include <cstdlib>
#include <fstream>

namespace keepsift::xdg {
namespace {

// One line of user-dirs.dirs: XDG_PICTURES_DIR="$HOME/Pictures".
std::optional<std::filesystem::path> picturesFromLine(const std::string& line) {
    const std::string key = "XDG_PICTURES_DIR=\"";
    if (line.rfind(key, 0) != 0) return std::nullopt;
    auto end = line.rfind('"');
    if (end <= key.size()) return std::nullopt;
    std::string value = line.substr(key.size(), end - key.size());
    if (value.rfind("$HOME", 0) == 0) return homeFolder().string() + value.substr(5);
    if (!value.empty() && value[0] == '/') return std::filesystem::path(value);
    return std::nullopt;
}

} // namespace

std::filesystem::path picturesDir() {
    std::ifstream file(xdgConfigHome() / "user-dirs.dirs");
    for (std::string line; std::getline(file, line);)
        if (auto path = picturesFromLine(line)) return *path;
    return homeFolder() / "Pictures";
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
