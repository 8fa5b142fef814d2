#include "platform/files/XdgFolders.hpp"

#include <cstdlib>
#include <pwd.h>
#include <stdexcept>
#include <unistd.h>

namespace keepsift {

std::filesystem::path homeFolder() {
    if (const char* home = std::getenv("HOME"); home != nullptr && home[0] == '/') return home;
    if (const passwd* user = ::getpwuid(::getuid()); user != nullptr && user->pw_dir != nullptr)
        return user->pw_dir;
    throw std::runtime_error("no home folder");
}

std::filesystem::path xdgBaseFolder(const char* variable, std::string_view homeFallback) {
    if (const char* value = std::getenv(variable); value != nullptr && value[0] == '/')
        return value;
    return homeFolder() / homeFallback;
}

} // namespace keepsift
