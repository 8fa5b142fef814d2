#include "platform/library/PhotographPresence.hpp"

#include <filesystem>
#include <sys/stat.h>

#include "platform/library/CatalogueWalk.hpp"
#include "platform/library/MediaKinds.hpp"

namespace keepsift {

bool holdsAnyPhotograph(const std::string& root) {
    namespace fs = std::filesystem;
    std::error_code error;
    fs::recursive_directory_iterator entries(root, fs::directory_options::none, error);
    for (; !error && entries != fs::recursive_directory_iterator(); entries.increment(error)) {
        const std::string name = entries->path().filename().string();
        if (isHiddenName(name)) {
            entries.disable_recursion_pending();
            continue;
        }
        std::error_code ignored;
        if (entries->is_regular_file(ignored) && isImage(mediaKind(name))) return true;
    }
    return static_cast<bool>(error);
}

bool isBareFolder(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) || !holdsAnyPhotograph(path);
}

} // namespace keepsift
