#include "platform/library/VanishedStorage.hpp"

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <sys/stat.h>

#include "platform/library/CatalogueWalk.hpp"
#include "platform/library/PhotographPresence.hpp"

namespace keepsift {
namespace {

// More than a person deletes from one folder while leaving the folder itself behind.
constexpr size_t manyPhotographs = 10;

std::string parentOf(const std::string& relative) {
    auto slash = relative.rfind('/');
    return slash == std::string::npos ? std::string() : relative.substr(0, slash);
}

bool isFolder(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool isMountPoint(const std::string& path, const std::set<std::string>& mountPoints) {
    std::error_code error;
    auto real = std::filesystem::weakly_canonical(path, error);
    return !error && mountPoints.contains(real.string());
}

bool isOctalDigit(char c) {
    return c >= '0' && c <= '7';
}

// fstab writes a space as \040, a tab as \011 and a backslash as \134.
std::string unescaped(const std::string& field) {
    std::string text;
    for (size_t i = 0; i < field.size(); ++i) {
        bool escape = field[i] == '\\' && i + 3 < field.size() && isOctalDigit(field[i + 1]) &&
                      isOctalDigit(field[i + 2]) && isOctalDigit(field[i + 3]);
        if (!escape) {
            text += field[i];
            continue;
        }
        text += static_cast<char>((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 +
                                  (field[i + 3] - '0'));
        i += 3;
    }
    return text;
}

} // namespace

std::vector<std::string> vanishedStorage(const std::string& root,
                                         const std::vector<MissingPhotograph>& missing,
                                         const std::set<std::string>& mountPoints) {
    std::map<std::string, std::vector<const std::string*>> byFolder;
    for (const MissingPhotograph& photograph : missing) {
        if (!photograph.folder.empty() && !isVisibleRelative(photograph.folder)) continue;
        std::string folder = photograph.folder;
        while (!folder.empty() && !isFolder(root + "/" + folder))
            folder = parentOf(folder);
        byFolder[folder].push_back(&photograph.id);
    }
    std::vector<std::string> vanished;
    for (const auto& [folder, ids] : byFolder) {
        const std::string path = folder.empty() ? root : root + "/" + folder;
        const bool wentAway =
            folder.empty() || ids.size() >= manyPhotographs || isMountPoint(path, mountPoints);
        if (!wentAway || holdsAnyPhotograph(path)) continue;
        for (const std::string* id : ids)
            vanished.push_back(*id);
    }
    return vanished;
}

std::set<std::string> tableMountPoints(const std::string& table) {
    std::set<std::string> points;
    std::ifstream file(table);
    std::string line;
    while (std::getline(file, line)) {
        std::istringstream fields(line);
        std::string device, point;
        if (!(fields >> device >> point) || device.starts_with('#') || !point.starts_with('/'))
            continue;
        points.insert(unescaped(point));
    }
    return points;
}

} // namespace keepsift
