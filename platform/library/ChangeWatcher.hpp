#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

#include <sys/inotify.h>

#include "platform/library/FileSystemOps.hpp"
#include "platform/library/FolderMounts.hpp"
#include "platform/library/MountTable.hpp"

namespace keepsift {

class FolderViews;

struct WatcherOptions {
    // At most one notification per interval; a burst is gathered for `settle` first.
    std::chrono::milliseconds interval{1000};
    std::chrono::milliseconds settle{150};
    std::chrono::milliseconds pollInterval{1000};
    // Watches this watcher may hold before it falls back to polling; the kernel's own
    // limit (ENOSPC) has the same effect.
    std::optional<std::size_t> watchLimit;
    bool useInotify = true;
};

// Tells when anything in the library folder tree changes: inotify on every visible folder,
// or, where that is not possible, a periodic comparison of the whole tree.
class ChangeWatcher {
public:
    ChangeWatcher(std::string root, std::shared_ptr<FileSystemOps> ops,
                  std::function<void()> onChange, WatcherOptions options = {},
                  FolderViews* views = nullptr);
    ~ChangeWatcher();
    ChangeWatcher(const ChangeWatcher&) = delete;
    ChangeWatcher& operator=(const ChangeWatcher&) = delete;

    bool isPolling() const { return polling_; }
    // Changes of the mount table seen, and the times every folder was watched afresh after one.
    std::uint64_t mountChangesSeen() const { return mountChangesSeen_; }
    std::uint64_t rewatches() const { return rewatches_; }
    std::thread::id threadId() const { return thread_.get_id(); }

private:
    using Clock = std::chrono::steady_clock;
    struct Snapshot;

    void run(std::stop_token stop);
    bool startInotify();
    bool watchTree(const std::string& relative);
    void readEvents();
    bool isWatched(const std::string& folder) const;
    bool lostRoot(const inotify_event& event,
                  std::unordered_map<int, std::string>::iterator folder) const;
    void fallBackToPolling(const std::string& why, bool rootGone);
    bool rearm();
    void pollOnce();
    void waitForWork(std::stop_token stop, Clock::time_point deadline);
    void followMounts();
    void deliverIfDue();
    void markChanged();

    std::string root_;
    std::shared_ptr<FileSystemOps> ops_;
    std::function<void()> onChange_;
    WatcherOptions options_;
    // Tells the views of the library inside it, which are not watched; may be null.
    FolderViews* views_;
    int inotify_ = -1;
    int wake_ = -1;
    // Waited on with the other descriptors: a drive mounted or unmounted changes the table.
    MountTableWatch mountTable_;
    // The mounts that bear on the library as last read: only a change to them is followed.
    FolderMounts mounts_;
    std::atomic<std::uint64_t> mountChangesSeen_{0};
    std::atomic<std::uint64_t> rewatches_{0};
    std::unordered_map<int, std::string> watches_;
    std::atomic<bool> polling_{false};
    // Polling because the root could not be watched: inotify is tried again.
    bool rootMissing_ = false;
    std::vector<std::pair<std::string, FileStamp>> lastTree_;
    std::optional<Clock::time_point> firstPending_;
    Clock::time_point lastDelivered_{};
    Clock::time_point nextPoll_{};
    std::jthread thread_;
};

} // namespace keepsift
