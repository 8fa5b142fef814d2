#include "platform/files/AtomicFile.hpp"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

#include "platform/files/OpenedFile.hpp"
#include "platform/files/ReplacedPlace.hpp"

namespace keepsift {
namespace {

[[noreturn]] void fail(const std::string& what, const std::filesystem::path& path) {
    std::string message = what;
    message.append(" ").append(path.string());
    throw std::system_error(errno, std::generic_category(), message);
}

constexpr std::string_view uniqueTail = "XXXXXX";

bool isUniqueCharacter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

void syncFolderOf(const std::filesystem::path& file) {
    const auto folder = file.parent_path().empty() ? "." : file.parent_path();
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) fail("cannot open folder", folder);
    const int result = ::fsync(fd);
    const int error = errno;
    ::close(fd);
    errno = error;
    if (result != 0) fail("cannot flush folder", folder);
}

// Closes the descriptor and removes the temporary file unless it was renamed into place.
class TemporaryFile {
public:
    explicit TemporaryFile(const std::filesystem::path& target) {
        std::string name = ".";
        name.append(target.filename().string()).append(".").append(uniqueTail);
        std::string pattern = (target.parent_path() / name).string();
        fd_ = ::mkstemp(pattern.data());
        if (fd_ < 0) fail("cannot create a temporary file for", target);
        path_ = pattern;
    }
    ~TemporaryFile() {
        if (fd_ >= 0) ::close(fd_);
        if (!renamed_) ::unlink(path_.c_str());
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    void write(std::string_view data) {
        while (!data.empty()) {
            const ssize_t written = ::write(fd_, data.data(), data.size());
            if (written < 0 && errno == EINTR) continue;
            if (written <= 0) fail("cannot write", path_);
            data.remove_prefix(static_cast<size_t>(written));
        }
    }
    void sync() {
        if (::fsync(fd_) != 0) fail("cannot flush", path_);
        const int fd = fd_;
        fd_ = -1;
        if (::close(fd) != 0) fail("cannot close", path_);
    }
    void renameTo(const std::filesystem::path& target) {
        renameFile(path_, target);
        renamed_ = true;
    }
    // The target takes the temporary file's name, for the caller to remove.
    const std::filesystem::path& exchangeWith(const std::filesystem::path& target) {
        if (::renameat2(AT_FDCWD, path_.c_str(), AT_FDCWD, target.c_str(), RENAME_EXCHANGE) != 0)
            fail("cannot exchange", target);
        renamed_ = true;
        syncFolderOf(target);
        return path_;
    }

private:
    std::filesystem::path path_;
    int fd_ = -1;
    bool renamed_ = false;
};

std::optional<std::string> readAll(int fd, off_t expectedSize, size_t limit) {
    std::string content(std::min(static_cast<size_t>(expectedSize) + 1, limit), '\0');
    size_t filled = 0;
    while (filled < limit) {
        if (filled == content.size()) content.resize(std::min(content.size() * 2 + 4096, limit));
        const ssize_t got = ::read(fd, content.data() + filled, content.size() - filled);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return std::nullopt;
        if (got == 0) break;
        filled += static_cast<size_t>(got);
    }
    content.resize(filled);
    return content;
}

// At most `limit` bytes of it; nothing for anything but a regular file.
std::optional<std::string> headOf(const OpenedFile& file, size_t limit) {
    if (!file.isRegular()) return std::nullopt;
    return readAll(file.fd, file.info.st_size, limit);
}

std::string sizeProblem(size_t limit) {
    return "larger than " + std::to_string(limit) + " bytes";
}

} // namespace

// mkstemp fills the tail with letters and digits.
bool isTemporaryFileName(std::string_view name) {
    const size_t tail = uniqueTail.size();
    if (name.size() < tail + 3 || name.front() != '.' || name[name.size() - tail - 1] != '.')
        return false;
    const std::string_view unique = name.substr(name.size() - tail);
    return std::all_of(unique.begin(), unique.end(), isUniqueCharacter);
}

void replaceFileAtomically(const std::filesystem::path& path, std::string_view data) {
    replaceFileAtomically(path, [data](const auto& write) { write(data); });
}

void replaceFileAtomically(
    const std::filesystem::path& path,
    const std::function<void(const std::function<void(std::string_view)>&)>& parts) {
    const auto place = replacedPlace(path);
    if (!place) {
        errno = ENOLINK;
        fail("cannot follow the link", path);
    }
    TemporaryFile temporary(*place);
    parts([&temporary](std::string_view part) { temporary.write(part); });
    temporary.sync();
    temporary.renameTo(*place);
}

void replaceFileOrFolderAtomically(const std::filesystem::path& path, std::string_view data) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0 || !S_ISDIR(info.st_mode))
        return replaceFileAtomically(path, data);
    TemporaryFile temporary(path);
    temporary.write(data);
    temporary.sync();
    std::error_code ignored;
    std::filesystem::remove_all(temporary.exchangeWith(path), ignored);
}

void renameFile(const std::filesystem::path& from, const std::filesystem::path& to) {
    if (::rename(from.c_str(), to.c_str()) != 0) fail("cannot rename", from);
    syncFolderOf(to);
}

std::optional<std::string> readWholeFile(const std::filesystem::path& path) {
    return headOf(OpenedFile(path), std::numeric_limits<size_t>::max());
}

std::optional<std::string> readFileHead(const std::filesystem::path& path, std::size_t limit) {
    return headOf(OpenedFile(path), limit);
}

// A file larger than the bound is not read at all, and one that grows past it while it is read
// is dropped.
PrivateFileRead readPrivateFile(const std::filesystem::path& path, std::size_t limit) {
    const OpenedFile file(path);
    if (file.error == ENOENT || file.error == ENOTDIR) return {};
    if (file.error != 0) return {std::nullopt, std::strerror(file.error)};
    if (!file.isRegular()) return {std::nullopt, "not a regular file"};
    if (static_cast<std::uintmax_t>(file.info.st_size) > limit)
        return {std::nullopt, sizeProblem(limit)};
    auto content = headOf(file, limit == std::numeric_limits<size_t>::max() ? limit : limit + 1);
    if (!content) return {std::nullopt, std::strerror(errno)};
    if (content->size() > limit) return {std::nullopt, sizeProblem(limit)};
    return {std::move(content), {}};
}

} // namespace keepsift
