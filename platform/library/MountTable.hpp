#pragma once

#include <cstdint>
#include <poll.h>
#include <set>
#include <string>
#include <sys/stat.h>
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
// False for a mount of a folder below the top of its drive (as a bind mount of a sub-folder
// shows it): a second name of that folder, not the drive itself.
bool mountsTopOfDrive(const TableLine& mount);

// What a mountinfo line tells past its separator: the filesystem type and the source as the
// mount was made (a FUSE view names the folder it shows), escapes undone; empty when the
// line has no separator.
struct MountOrigin {
    std::string type;
    std::string source;
};
MountOrigin originOf(const TableLine& mount);

// One mount by the fields a drive is told by, escapes kept as the table writes them.
struct MountedDevice {
    std::uint64_t device = 0;
    std::string root;
    std::string point;
    std::string type;
    std::string source;
    bool operator==(const MountedDevice&) const = default;
};
// Every mount of this process with its device number, in the kernel's order; none when the
// list cannot be read.
std::vector<MountedDevice> liveDevices(const std::string& mountinfo = "/proc/self/mountinfo");

// Whether the table changed since the last look, without reading it: the kernel's table is
// polled (one system call), any other file (a test's table) is known by its status.
class MountTableWatch {
public:
    explicit MountTableWatch(std::string mountinfo = "/proc/self/mountinfo");
    ~MountTableWatch();
    MountTableWatch(const MountTableWatch&) = delete;
    MountTableWatch& operator=(const MountTableWatch&) = delete;

    // True at the first look, and after a mount came, went or changed; also whenever the
    // table cannot be watched.
    bool changed();
    // The table to wait on beside other descriptors with poll(); a wait that reports a change
    // takes the mark, as a look does. Waits on nothing for a table that is not the kernel's.
    pollfd waitable() const { return {polled_, POLLPRI, 0}; }
    static bool reportsChange(const pollfd& waited) {
        return (waited.revents & (POLLPRI | POLLERR)) != 0;
    }

private:
    bool reopenedInAnotherNamespace();

    std::string path_;
    int polled_ = -1;
    ino_t namespace_ = 0;
    bool looked_ = false;
    struct stat status_ {};
};

} // namespace keepsift
