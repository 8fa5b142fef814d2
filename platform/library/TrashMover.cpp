#include "platform/library/TrashMover.hpp"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/files/XdgFolders.hpp"
#include "platform/library/MediaKinds.hpp"

namespace keepsift {
namespace {

constexpr int maximumNameAttempts = 10000;

bool deviceOf(const std::string& path, dev_t& device) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0) return false;
    device = info.st_dev;
    return true;
}

std::string parentOf(const std::string& path) {
    auto slash = path.rfind('/');
    return slash == 0 || slash == std::string::npos ? "/" : path.substr(0, slash);
}

// The highest folder above the path that is still on its filesystem.
std::string mountTopOf(const std::string& path, dev_t device) {
    std::string top = parentOf(path);
    while (top != "/") {
        dev_t parentDevice;
        std::string parent = parentOf(top);
        if (!deviceOf(parent, parentDevice) || parentDevice != device) break;
        top = parent;
    }
    return top;
}

// A shared $topdir/.Trash is only trusted when it is a real sticky folder.
bool isSharedTrash(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode) &&
           (info.st_mode & S_ISVTX) != 0;
}

std::string localTimestamp() {
    std::time_t now = std::time(nullptr);
    std::tm parts{};
    ::localtime_r(&now, &parts);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &parts);
    return text;
}

std::string baseNameOf(const std::string& path) {
    return path.substr(path.rfind('/') + 1);
}

// The longest extension kept when a name must be shortened.
constexpr size_t keptExtension = 16;
constexpr const char* infoSuffix = ".trashinfo";

// Cuts a UTF-8 text to at most `size` bytes without splitting a character.
std::string truncatedText(const std::string& text, size_t size) {
    if (text.size() <= size) return text;
    while (size > 0 && (static_cast<unsigned char>(text[size]) & 0xC0) == 0x80)
        --size;
    return text.substr(0, size);
}

// The longest name the info folder takes, less the ".trashinfo" it adds.
size_t nameLimitIn(const std::string& infoFolder) {
    long longest = ::pathconf(infoFolder.c_str(), _PC_NAME_MAX);
    if (longest <= 0) longest = NAME_MAX;
    return static_cast<size_t>(longest) - std::strlen(infoSuffix);
}

} // namespace

std::filesystem::path defaultHomeTrash() {
    return xdgDataHome() / "Trash";
}

// name, then name.2.ext, name.3.ext, ...
std::string trashCandidateName(const std::string& base, int attempt, size_t limit) {
    std::string stem(stemOf(base));
    std::string extension(extensionOf(base));
    if (extension.size() > keptExtension || stem.empty()) stem = base, extension.clear();
    std::string tail = attempt == 1 ? "" : "." + std::to_string(attempt);
    if (!extension.empty()) tail += "." + extension;
    size_t room = limit > tail.size() ? limit - tail.size() : 1;
    return truncatedText(stem, room) + tail;
}

std::string trashPathEscaped(const std::string& path) {
    std::string escaped;
    for (unsigned char c : path) {
        bool keep = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                    c == '-' || c == '_' || c == '.' || c == '~' || c == '/';
        if (keep) {
            escaped += static_cast<char>(c);
            continue;
        }
        char code[4];
        std::snprintf(code, sizeof code, "%%%02X", c);
        escaped += code;
    }
    return escaped;
}

TrashMover::TrashMover(std::shared_ptr<FileSystemOps> ops, std::filesystem::path homeTrash)
    : ops_(std::move(ops)), homeTrash_(homeTrash.lexically_normal().string()) {}

int TrashMover::prepare(const std::string& trash) {
    std::error_code error;
    std::filesystem::create_directories(trash + "/files", error);
    if (!error) std::filesystem::create_directories(trash + "/info", error);
    return error ? error.value() : 0;
}

int TrashMover::targetFor(const std::string& absolutePath, Target& target) {
    dev_t fileDevice, homeDevice;
    if (!deviceOf(absolutePath, fileDevice)) return errno;
    if (int error = prepare(homeTrash_);
        error == 0 && deviceOf(homeTrash_, homeDevice) && homeDevice == fileDevice) {
        target = {homeTrash_, absolutePath};
        return 0;
    }
    std::string top = mountTopOf(absolutePath, fileDevice);
    std::string relative = absolutePath.substr(top == "/" ? 1 : top.size() + 1);
    std::string uid = std::to_string(::getuid());
    std::string shared = (top == "/" ? "" : top) + "/.Trash";
    std::string directory =
        isSharedTrash(shared) ? shared + "/" + uid : (top == "/" ? "" : top) + "/.Trash-" + uid;
    if (int error = prepare(directory); error != 0) return error;
    target = {directory, relative};
    return 0;
}

int TrashMover::moveInto(const Place& file, const Target& target,
                         const std::optional<FileStamp>& expected) {
    std::string info = "[Trash Info]\nPath=" + trashPathEscaped(target.pathInInfo) +
                       "\nDeletionDate=" + localTimestamp() + "\n";
    std::string base = baseNameOf(file.relative);
    size_t limit = nameLimitIn(target.directory + "/info");
    for (int attempt = 1; attempt <= maximumNameAttempts; ++attempt) {
        std::string name = trashCandidateName(base, attempt, limit);
        Place infoFile{target.directory, "info/" + name + infoSuffix};
        Place trashed{target.directory, "files/" + name};
        FileStamp now;
        if (stampOf(trashed, now)) continue;
        int error = ops_->writeNewFile(infoFile, info);
        if (error == EEXIST) continue;
        if (error != 0) return error;
        if (expected && stampOf(file, now) && !sameFile(*expected, now))
            error = ESTALE;
        else
            error = ops_->renamePath(file, trashed);
        if (error != 0) ops_->removeFile(infoFile);
        return error;
    }
    return EEXIST;
}

int TrashMover::moveToTrash(const Place& file, const std::optional<FileStamp>& expected) {
    Target target;
    if (int error = targetFor(file.path(), target); error != 0) return error;
    return moveInto(file, target, expected);
}

} // namespace keepsift
