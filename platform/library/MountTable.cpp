#include "platform/library/MountTable.hpp"

#include <fcntl.h>
#include <fstream>
#include <optional>
#include <poll.h>
#include <sstream>
#include <sys/sysmacros.h>
#include <sys/vfs.h>
#include <unistd.h>

namespace keepsift {
namespace {

// mountinfo: mount id, parent id, major:minor, root, mount point, ...
constexpr int mountPointField = 4;

bool isOctalDigit(char c) {
    return c >= '0' && c <= '7';
}

// Both tables write a space as \040, a tab as \011 and a backslash as \134.
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

// Each line whose field (counted from 0) is an absolute path, with that path; lines starting
// with '#' are comments.
std::vector<TableLine> linesWithPath(const std::string& table, int wanted) {
    std::vector<TableLine> lines;
    std::ifstream file(table);
    std::string line;
    while (std::getline(file, line)) {
        std::istringstream fields(line);
        std::string field;
        int at = 0;
        bool comment = false;
        while (fields >> field) {
            if (at == 0 && field.starts_with('#')) comment = true;
            if (at++ == wanted) break;
        }
        if (!comment && at > wanted && field.starts_with('/'))
            lines.push_back({unescaped(field), std::move(line)});
    }
    return lines;
}

std::set<std::string> pathsInField(const std::string& table, int wanted) {
    std::set<std::string> points;
    for (auto& line : linesWithPath(table, wanted))
        points.insert(std::move(line.path));
    return points;
}

// "major:minor" as a device number; 0 when it is not one.
std::uint64_t deviceOf(const std::string& field) {
    unsigned int major = 0, minor = 0;
    char colon = 0;
    std::istringstream text(field);
    if (!(text >> major >> colon >> minor) || colon != ':') return 0;
    return makedev(major, minor);
}

// The fields of a mountinfo line a caller reads, escapes kept as the table writes them: the
// device as "major:minor", the root and mount point, and past the "-" separator the type and
// source. Callers undo the escapes where they compare paths, and keep them where the text
// stands for the drive in what is saved (a drive key must read the same in every run).
struct MountFields {
    std::string device;
    std::string root;
    std::string point;
    std::string type;
    std::string source;
};

// id, parent, major:minor, root, mount point, options, optional fields, "-", type, source,
// super options. Type and source stay empty when the line has no separator after the options.
std::optional<MountFields> fieldsOf(const std::string& line) {
    std::istringstream text(line);
    std::vector<std::string> field;
    for (std::string f; text >> f;)
        field.push_back(std::move(f));
    const std::size_t point = mountPointField;
    if (field.size() <= point) return std::nullopt;
    MountFields fields{field[2], field[3], field[point], {}, {}};
    for (std::size_t i = point + 2; i + 2 < field.size(); ++i)
        if (field[i] == "-") {
            fields.type = field[i + 1];
            fields.source = field[i + 2];
            break;
        }
    return fields;
}

constexpr long procFileSystem = 0x9fa0;

bool sameStatus(const struct stat& a, const struct stat& b) {
    return a.st_ino == b.st_ino && a.st_dev == b.st_dev && a.st_size == b.st_size &&
           a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec;
}

} // namespace

std::string mountedDrive(const TableLine& mount) {
    const auto fields = fieldsOf(mount.line);
    return fields ? fields->device + " " + fields->root : std::string();
}

bool mountsTopOfDrive(const TableLine& mount) {
    const auto fields = fieldsOf(mount.line);
    return !fields || fields->root == "/";
}

std::set<std::string> tableMountPoints(const std::string& table) {
    return pathsInField(table, 1);
}

std::set<std::string> liveMountPoints(const std::string& mountinfo) {
    return pathsInField(mountinfo, mountPointField);
}

std::vector<TableLine> liveMounts(const std::string& mountinfo) {
    return linesWithPath(mountinfo, mountPointField);
}

MountOrigin originOf(const TableLine& mount) {
    const auto fields = fieldsOf(mount.line);
    if (!fields) return {};
    return {fields->type, unescaped(fields->source)};
}

std::vector<MountedDevice> liveDevices(const std::string& mountinfo) {
    std::vector<MountedDevice> mounts;
    std::ifstream file(mountinfo);
    for (std::string line; std::getline(file, line);)
        if (auto fields = fieldsOf(line))
            mounts.push_back({deviceOf(fields->device), std::move(fields->root),
                              std::move(fields->point), std::move(fields->type),
                              std::move(fields->source)});
    return mounts;
}

MountTableWatch::MountTableWatch(std::string mountinfo) : path_(std::move(mountinfo)) {
    polled_ = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
    struct statfs kind {};
    if (polled_ >= 0 && (::fstatfs(polled_, &kind) != 0 || kind.f_type != procFileSystem)) {
        ::close(polled_);
        polled_ = -1;
    }
    struct stat space {};
    if (::stat("/proc/self/ns/mnt", &space) == 0) namespace_ = space.st_ino;
}

MountTableWatch::~MountTableWatch() {
    if (polled_ >= 0) ::close(polled_);
}

// An open table shows the mounts of the namespace it was opened in: after the process moved
// to another, the table is opened again, on the same descriptor, and counts as changed.
bool MountTableWatch::reopenedInAnotherNamespace() {
    struct stat now {};
    if (::stat("/proc/self/ns/mnt", &now) != 0 || now.st_ino == namespace_) return false;
    namespace_ = now.st_ino;
    const int fresh = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
    if (fresh < 0) return true;
    ::dup3(fresh, polled_, O_CLOEXEC);
    ::close(fresh);
    return true;
}

// The kernel marks the open table once for each change; the first poll just takes the mark
// an open table starts with.
bool MountTableWatch::changed() {
    const bool first = !looked_;
    looked_ = true;
    if (polled_ >= 0 && reopenedInAnotherNamespace()) return true;
    if (polled_ >= 0) {
        pollfd table{polled_, POLLPRI, 0};
        const int ready = ::poll(&table, 1, 0);
        return first || ready != 0;
    }
    struct stat now {};
    if (::stat(path_.c_str(), &now) != 0) return true;
    const bool same = !first && sameStatus(now, status_);
    status_ = now;
    return !same;
}

} // namespace keepsift
