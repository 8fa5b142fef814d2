#include "platform/library/StrayLinks.hpp"

#include <filesystem>

#include "core/support/Logger.hpp"

namespace keepsift {
namespace {

const Logger& log() {
    static Logger logger("com.ambervale.keepsift", "folder-library");
    return logger;
}

std::string textOf(const Place& link) {
    std::error_code error;
    return std::filesystem::read_symlink(link.path(), error).string();
}

} // namespace

void StrayLinks::tell(const std::string& albumFolder, const std::vector<Place>& stray) {
    std::map<std::string, std::string> now;
    for (const Place& link : stray)
        now.emplace(link.relative, textOf(link));
    std::vector<std::pair<std::string, std::string>> untold;
    {
        std::lock_guard lock(mutex_);
        auto& told = told_[albumFolder];
        for (const auto& [path, text] : now)
            if (auto found = told.find(path); found == told.end() || found->second != text)
                untold.emplace_back(path, text);
        told = std::move(now);
    }
    for (const auto& [path, text] : untold)
        log().notice("the album link \u201C" + path +
                     "\u201D names no photograph of the library (" + text +
                     "); it is not counted as a member");
}

} // namespace keepsift
