#pragma once

#include <set>
#include <string>

namespace keepsift {

// The mount points a filesystem table names (absolute paths, escapes undone); none when it
// cannot be read.
std::set<std::string> tableMountPoints(const std::string& table = "/etc/fstab");

// The folders mounted on now, as the kernel lists them for this process; none when the list
// cannot be read.
std::set<std::string> liveMountPoints(const std::string& mountinfo = "/proc/self/mountinfo");

} // namespace keepsift
