#pragma once

#include <cstdint>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/library/MountTable.hpp"

namespace keepsift {

struct WalkedFolder;

// A folder of the library that is only a second name of one the library lists already, and
// why it is left out.
struct SecondName {
    std::string relative;
    std::string why;
    bool operator<(const SecondName& other) const {
        return relative != other.relative ? relative < other.relative : why < other.why;
    }
    bool operator==(const SecondName&) const = default;
};

// Folders reachable twice inside the library: a folder mounted again inside it (a bind mount
// shows the same drive and folder number) or a FUSE view of a folder of it. Moving a photograph
// through one name takes it away from the other, so each folder is listed once, under the same
// name at every listing. The mount table is read only where a folder lies on another drive than
// its parent, and then once per change of the table.
class FolderViews {
public:
    explicit FolderViews(std::string root, std::string mountinfo = "/proc/self/mountinfo");
    ~FolderViews();
    FolderViews(const FolderViews&) = delete;
    FolderViews& operator=(const FolderViews&) = delete;

    // Why the folder mounted at `relative` (a drive of its own below the root) shows the library
    // again: a FUSE view whose source is a folder at, below or above the root. Nothing when it
    // does not.
    std::optional<std::string> viewOfLibrary(const std::string& relative);
    // True for a folder a watch must not enter: a drive of its own below the root that is such
    // a view (one of the library itself holds the view again, and so on without end).
    bool leadsBackIn(const std::string& relative);
    // Leaves every folder of the walk that is the same folder as another of it once: the name
    // below the fewest mounts of a sub-folder of a drive wins (those are the views), then the
    // one below the fewest mount points, then the shallower, then the first in path order.
    // Answers those left out, each at the top of what it left out.
    std::vector<SecondName> keepOnce(std::vector<WalkedFolder>& folders);
    // Logs the second names of a whole walk that the walk before did not leave out.
    void tell(std::vector<SecondName> names);
    // True for a folder at or below one the last whole walk left out.
    bool isLeftOut(const std::string& relative) const;

    // Reads of the mount table so far.
    std::uint64_t tableReads() const;

private:
    const std::vector<TableLine>& mountsLocked();
    std::optional<TableLine> topMountAt(const std::string& relative);
    bool mountsFolderOfDrive(const std::string& relative);
    bool isMountRoot(const std::string& relative) const;

    std::string root_;
    std::string mountinfo_;
    mutable std::mutex mutex_;
    MountTableWatch watch_;
    std::uint64_t reads_ = 0;
    std::vector<TableLine> mounts_;
    std::set<SecondName> told_;
};

} // namespace keepsift
