#pragma once

#include <filesystem>

namespace keepsift {

// $XDG_CACHE_HOME when it is an absolute path, else ~/.cache; read on every call so a
// changed environment takes effect.
std::filesystem::path cacheHome();

} // namespace keepsift
