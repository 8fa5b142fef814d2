#pragma once

#include <set>
#include <string>
#include <vector>

namespace keepsift {

// The mount points a filesystem table names (absolute paths, escapes undone); none when it
// cannot be read.
std::set<std::string> tableMountPoints(const std::string& table = "/etc/fstab");

// The folders mounted on now, as the kernel lists them for this process; none when the list
// cannot be read.
std::set<std::string> liveMountPoints(const std::string& mountinfo = "/proc/self/mountinfo");

// One mount as the kernel lists it: the folder mounted on, and the whole line, which differs
// for a mount made again or changed.
struct TableLine {
    std::string path;
    std::string line;
    bool operator==(const TableLine&) const = default;
};
// Every mount of this process, in the kernel's order; none when the list cannot be read.
std::vector<TableLine> liveMounts(const std::string& mountinfo = "/proc/self/mountinfo");
// What a mount of `liveMounts` shows of the drive behind it, the same wherever it is mounted:
// its device numbers and the folder of the drive mounted. Empty when the line does not say.
std::string mountedDrive(const TableLine& mount);

} // namespace keepsift
