#include "platform/renditions/CacheHome.hpp"

#include <cstdlib>

namespace keepsift {

std::filesystem::path cacheHome() {
    const char* xdg = std::getenv("XDG_CACHE_HOME");
    if (xdg && *xdg && std::filesystem::path(xdg).is_absolute()) return xdg;
    const char* home = std::getenv("HOME");
    return std::filesystem::path(home && *home ? home : "/") / ".cache";
}

} // namespace keepsift
