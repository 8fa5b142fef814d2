#include "platform/library/TrashMover.hpp"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/files/XdgFolders.hpp"
#include "platform/library/ChangeTimeKept.hpp"
#include "platform/library/MediaKinds.hpp"
#include "platform/library/MountPoint.hpp"

namespace keepsift {
namespace {

constexpr int maximumNameAttempts = 10000;

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

// The longest name the Trash takes, less the ".trashinfo" it adds.
size_t nameLimitIn(int trash) {
    long longest = ::fpathconf(trash, _PC_NAME_MAX);
    if (longest <= 0) longest = NAME_MAX;
    return static_cast<size_t>(longest) - std::strlen(infoSuffix);
}

// An info file without its file, naming this same path: a move of it was cut short (a kill
// between the two steps), and it is taken up rather than left behind.
bool leftByInterruptedMove(const Place& infoFile, const std::string& escapedPath) {
    int fd = openFileBelow(infoFile);
    if (fd < 0) return false;
    char buffer[8192];
    ssize_t size = ::read(fd, buffer, sizeof buffer);
    ::close(fd);
    if (size <= 0) return false;
    std::string text(buffer, static_cast<size_t>(size));
    return text.starts_with("[Trash Info]\n") &&
           text.find("\nPath=" + escapedPath + "\n") != std::string::npos;
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

namespace {

// Said where no Trash could be had and nothing more precise is known; a drive that is
// read-only as a whole is said as such.
TrashRefusal describedAt(TrashRefusal refusal, const std::string& place) {
    if (refusal.error != 0 && refusal.error != EROFS && refusal.reason.empty())
        refusal.reason = "no Trash can be made at " + place + ": " + std::strerror(refusal.error);
    return refusal;
}

bool onDrive(const TrashFolder& trash, dev_t drive) {
    struct stat info {};
    return trash.isOpen() && ::fstat(trash.fd(), &info) == 0 && info.st_dev == drive;
}

} // namespace

// The home Trash for a file on its drive, else the Trash at the top of the file's own mount,
// found from its real path: a library reached through a link onto another drive trashes onto
// that drive, with a path relative to that drive's top.
TrashRefusal TrashMover::targetFor(const Place& file, Target& target) {
    std::string folder = realPathOf(file.anchor);
    if (folder.empty()) return {errno, ""};
    std::string path = file.relative.empty() ? folder : folder + "/" + file.relative;
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0) return {errno, ""};
    HomeTrash home = openHomeTrash(homeTrash_, ::getuid());
    if (home.drive == info.st_dev || onDrive(home.trash, info.st_dev))
        return homeTarget(std::move(home), path, info.st_dev, target);
    std::string top = mountPointOf(path);
    if (top.empty()) return {errno, ""};
    target.pathInInfo = path.substr(top == "/" ? 1 : top.size() + 1);
    // No Trash of the user's own can be had on that drive (its top may not be written to).
    return describedAt(openTopTrash(top, ::getuid(), target.trash), top);
}

// On the home drive the home Trash is the only one, as the freedesktop.org Trash specification
// keeps the Trash at a drive's top for the other drives: where it cannot be used, nothing of
// that drive goes to a Trash anywhere else.
TrashRefusal TrashMover::homeTarget(HomeTrash home, const std::string& path, dev_t drive,
                                    Target& target) {
    if (home.refusal.error != 0) return describedAt(home.refusal, homeTrash_);
    // The user keeps the Trash on another drive, where nothing can be moved without a copy.
    if (!onDrive(home.trash, drive)) return {EXDEV, ""};
    target = {std::move(home.trash), path};
    return {};
}

int TrashMover::moveInto(const Place& file, const Target& target,
                         const std::optional<ReviewedFile>& expected, std::string& moved) {
    const std::string escapedPath = trashPathEscaped(target.pathInInfo);
    std::string info =
        "[Trash Info]\nPath=" + escapedPath + "\nDeletionDate=" + localTimestamp() + "\n";
    std::string base = baseNameOf(file.relative);
    size_t limit = nameLimitIn(target.trash.fd());
    for (int attempt = 1; attempt <= maximumNameAttempts; ++attempt) {
        std::string name = trashCandidateName(base, attempt, limit);
        Place infoFile = target.trash.place("info/" + name + infoSuffix);
        Place trashed = target.trash.place("files/" + name);
        FileStamp now;
        if (stampOf(trashed, now)) continue;
        int error = ops_->writeNewFile(infoFile, info);
        if (error == EEXIST && leftByInterruptedMove(infoFile, escapedPath) &&
            ops_->removeFile(infoFile) == 0)
            error = ops_->writeNewFile(infoFile, info);
        if (error == EEXIST) continue;
        if (error != 0) return error;
        if (expected && stampOf(file, now) && !stillReviewed(file, {expected->stamp}, now))
            error = ESTALE;
        else
            error = ops_->renamePath(file, trashed);
        if (error != 0) ops_->removeFile(infoFile);
        if (error == 0) moved = name;
        return error;
    }
    return EEXIST;
}

TrashRefusal TrashMover::refusalFor(const Place& file) {
    Target target;
    return targetFor(file, target);
}

namespace {

// The status checked right before the move cannot tell a rewrite with the times put back in
// between there; the bytes that arrived can.
bool arrivedAsReviewed(const TrashedFile& moved, const std::optional<ReviewedFile>& expected) {
    if (!expected || !expected->bytes || changeTimeKeptFor(moved.trash.fd())) return true;
    const Place arrived = moved.trash.place("files/" + moved.name);
    FileStamp now;
    return stampOf(arrived, now) && stillReviewed(arrived, {{}, expected->bytes}, now);
}

} // namespace

TrashRefusal TrashMover::moveToTrash(const Place& file, const std::optional<ReviewedFile>& expected,
                                     TrashedFile* moved) {
    Target target;
    if (TrashRefusal refusal = targetFor(file, target); refusal.error != 0) return refusal;
    std::string name;
    if (int error = moveInto(file, target, expected, name); error != 0) return {error, ""};
    TrashedFile arrived{file, std::move(target.trash), std::move(name)};
    int error = 0;
    if (!arrivedAsReviewed(arrived, expected)) {
        error = ESTALE;
        arrived.putBackError = putBack(arrived);
    }
    if (moved != nullptr) *moved = std::move(arrived);
    return {error, ""};
}

// The file first, then its info: a kill in between leaves an info without its file, which
// the next move to that name takes up.
int TrashMover::putBack(TrashedFile& moved) {
    const int error =
        ops_->renameWithoutReplacing(moved.trash.place("files/" + moved.name), moved.original);
    if (error != 0) return error;
    ops_->removeFile(moved.trash.place("info/" + moved.name + infoSuffix));
    moved.name.clear();
    return 0;
}

} // namespace keepsift
