#include "platform/library/MountTable.hpp"

#include <fstream>
#include <sstream>

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

} // namespace

std::string mountedDrive(const TableLine& mount) {
    std::istringstream fields(mount.line);
    std::string id, parent, device, root;
    if (!(fields >> id >> parent >> device >> root)) return {};
    return device + " " + root;
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

} // namespace keepsift
