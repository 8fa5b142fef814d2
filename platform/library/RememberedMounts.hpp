#pragma once

#include <filesystem>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>

#include "platform/library/VanishedStorage.hpp"

namespace keepsift {

// By mount point, the drive last seen mounted there; empty where it is not known.
using MountPoints = std::map<std::string, std::string>;
// Mount points whose drive is mounted at another folder now: old to new, relative to the root.
using MountMoves = std::map<std::string, std::string>;

// The mount points below a library that were seen mounted on, with the drive seen at each,
// kept in a file of their own beside the user's decisions: once a drive is unmounted the live
// table no longer names its folder, it may be unmounted and mounted elsewhere while Keepsift
// does not run, and the catalogue cache may be cleared meanwhile.
class RememberedMounts {
public:
    struct Tables {
        std::string live = "/proc/self/mountinfo";
        std::string declared = "/etc/fstab";
    };

    explicit RememberedMounts(std::filesystem::path file);
    RememberedMounts(std::filesystem::path file, Tables tables)
        : file_(std::move(file)), tables_(std::move(tables)) {}

    // After a listing: remembers the mount points below the root mounted on now, and forgets
    // those below it no longer mounted on whose folder holds photographs again (a plain
    // folder now), or whose drive, last seen there by this run or an earlier one, is mounted
    // at another of them now: its photographs moved with it. The file is written back
    // whenever it holds anything else: only its head is read, and what is neither a mount
    // point nor the drive seen at one is dropped.
    void note(const std::string& root);
    // Mounted on now, and declared or remembered.
    StorageMounts now();
    // The remembered mount points below the root not mounted on now whose drive is mounted
    // at another folder below it, as the next listing finds them, and those a listing of this
    // run forgot so.
    MountMoves moves(const std::string& root);

private:
    // What is mounted on now: every mount point, and those below the root with their drives.
    struct Live {
        std::set<std::string> points;
        MountPoints below;
        // By drive, the mount point below the root it is mounted at.
        std::map<std::string, std::string> drivesBelow;
        bool movedAway(const std::string& point, const std::string& drive) const {
            return !points.contains(point) && drivesBelow.contains(drive);
        }
    };
    Live liveBelow(const std::string& realRoot) const;
    MountPoints& rememberedLocked();

    std::filesystem::path file_;
    Tables tables_;
    std::mutex mutex_;
    std::optional<MountPoints> remembered_;
    // Forgotten by this run as their drive was found mounted elsewhere, with that drive.
    MountPoints movedThisRun_;
    // The file holds just what is remembered (or is absent with nothing remembered).
    bool fileIsTidy_ = false;
};

// $XDG_DATA_HOME/com.ambervale.keepsift/library-mounts
std::filesystem::path defaultMountsFile();

} // namespace keepsift
