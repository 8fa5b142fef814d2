#include "platform/library/ChangeWatcher.hpp"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <unistd.h>

#include "core/support/Logger.hpp"
#include "platform/library/CatalogueWalk.hpp"
#include "platform/library/FolderViews.hpp"

namespace keepsift {
namespace {

constexpr std::uint32_t watchedEvents = IN_CREATE | IN_DELETE | IN_CLOSE_WRITE | IN_MODIFY |
                                        IN_MOVED_FROM | IN_MOVED_TO | IN_ATTRIB | IN_DELETE_SELF |
                                        IN_MOVE_SELF | IN_ONLYDIR;

const Logger& log() {
    static Logger logger("com.ambervale.keepsift", "library-watch");
    return logger;
}

std::string joined(const std::string& folder, const std::string& name) {
    return folder.empty() ? name : folder + "/" + name;
}

// The tree as polling compares it: every entry of every visible folder with its stamp, each
// folder under one name, and no view of the library entered (one holds itself again).
std::vector<std::pair<std::string, FileStamp>> treeOf(FileSystemOps& ops, const std::string& root,
                                                      FolderViews* views) {
    std::vector<std::pair<std::string, FileStamp>> tree;
    try {
        for (const WalkedFolder& folder :
             walkLibrary(ops, root, ListingDetail::stamps, nullptr, views))
            for (const FolderEntry& entry : folder.entries)
                tree.emplace_back(joined(folder.relative, entry.name), entry.stamp);
    } catch (const std::exception&) {
        tree.emplace_back("\n unreadable", FileStamp{});
    }
    std::sort(tree.begin(), tree.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    return tree;
}

} // namespace

ChangeWatcher::ChangeWatcher(std::string root, std::shared_ptr<FileSystemOps> ops,
                             std::function<void()> onChange, WatcherOptions options,
                             FolderViews* views)
    : root_(std::move(root)), ops_(std::move(ops)), onChange_(std::move(onChange)),
      options_(options), views_(views) {
    wake_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    // A card mounted below the library, as when it comes back, shows no event in a folder: the
    // table is watched from before its first read.
    mounts_ = FolderMounts::of(root_);
    if (!options_.useInotify || !startInotify()) {
        log().notice("watching the library by polling");
        polling_ = true;
        lastTree_ = treeOf(*ops_, root_, views_);
    }
    thread_ = std::jthread([this](std::stop_token stop) { run(stop); });
}

ChangeWatcher::~ChangeWatcher() {
    thread_.request_stop();
    std::uint64_t one = 1;
    [[maybe_unused]] ssize_t written = wake_ >= 0 ? ::write(wake_, &one, sizeof one) : 0;
    if (thread_.joinable()) thread_.join();
    if (inotify_ >= 0) ::close(inotify_);
    if (wake_ >= 0) ::close(wake_);
}

bool ChangeWatcher::startInotify() {
    inotify_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (inotify_ >= 0 && watchTree("")) return true;
    if (inotify_ >= 0) ::close(inotify_);
    inotify_ = -1;
    watches_.clear();
    return false;
}

// False when a watch could not be added for a reason other than the folder vanishing.
bool ChangeWatcher::watchTree(const std::string& relative) {
    std::vector<std::string> pending{relative};
    while (!pending.empty()) {
        std::string folder = std::move(pending.back());
        pending.pop_back();
        if (options_.watchLimit && watches_.size() >= *options_.watchLimit) return false;
        if (views_ && !folder.empty() && views_->leadsBackIn(folder)) continue;
        std::string path = folder.empty() ? root_ : root_ + "/" + folder;
        // Below the root a link in place of a folder is not followed.
        int wd =
            ::inotify_add_watch(inotify_, path.c_str(),
                                folder.empty() ? watchedEvents : watchedEvents | IN_DONT_FOLLOW);
        bool gone = wd < 0 && (errno == ENOENT || errno == ENOTDIR);
        bool denied = wd < 0 && errno == EACCES;
        // A vanished subfolder needs no watch, and one the user may not read shows nothing
        // that could change until its permissions do (its parent sees that); a missing root
        // is watched by polling until it is back.
        if ((gone || denied) && !folder.empty()) continue;
        if (wd < 0) return rootMissing_ = gone && folder.empty(), false;
        watches_[wd] = folder;
        for (const FolderEntry& entry :
             listFolder(*ops_, {root_, folder}, ListingDetail::kindsOnly).entries)
            if (entry.kind == FolderEntry::Kind::directory && !isHiddenName(entry.name))
                pending.push_back(joined(folder, entry.name));
    }
    return true;
}

void ChangeWatcher::markChanged() {
    if (!firstPending_) firstPending_ = Clock::now();
}

void ChangeWatcher::readEvents() {
    alignas(inotify_event) char buffer[64 * 1024];
    for (;;) {
        ssize_t length = ::read(inotify_, buffer, sizeof buffer);
        if (length <= 0) return;
        for (char* at = buffer; at < buffer + length;) {
            auto* event = reinterpret_cast<inotify_event*>(at);
            at += sizeof(inotify_event) + event->len;
            markChanged();
            auto folder = watches_.find(event->wd);
            if (lostRoot(*event, folder))
                return fallBackToPolling("the library folder went away", true);
            if (event->mask & IN_IGNORED) {
                watches_.erase(event->wd);
                continue;
            }
            bool newFolder = (event->mask & IN_ISDIR) && (event->mask & (IN_CREATE | IN_MOVED_TO));
            // A folder whose permissions changed may have become readable.
            bool touchedFolder = (event->mask & IN_ISDIR) && (event->mask & IN_ATTRIB);
            if (!(newFolder || touchedFolder) || folder == watches_.end() || event->len == 0)
                continue;
            std::string name = event->name;
            if (isHiddenName(name)) continue;
            std::string path = joined(folder->second, name);
            if (!newFolder && isWatched(path)) continue;
            if (!watchTree(path)) return fallBackToPolling("watch limit reached", false);
        }
    }
}

bool ChangeWatcher::isWatched(const std::string& folder) const {
    return std::any_of(watches_.begin(), watches_.end(),
                       [&](const auto& watch) { return watch.second == folder; });
}

// The root's own watch ends when the folder is deleted, moved away or unmounted: a folder
// made again in its place would never be watched.
bool ChangeWatcher::lostRoot(const inotify_event& event,
                             std::unordered_map<int, std::string>::iterator folder) const {
    if (event.mask & IN_UNMOUNT) return true;
    bool root = folder != watches_.end() && folder->second.empty();
    return root && (event.mask & (IN_DELETE_SELF | IN_MOVE_SELF | IN_IGNORED));
}

void ChangeWatcher::fallBackToPolling(const std::string& why, bool rootGone) {
    ::close(inotify_);
    inotify_ = -1;
    watches_.clear();
    polling_ = true;
    rootMissing_ = rootGone;
    lastTree_ = treeOf(*ops_, root_, views_);
    log().notice(why + ": watching the library by polling");
}

// Polling that stands in for a lost root hands back to inotify once the root holds something
// again: an unmounted drive leaves its empty mount point behind, and a watch on that would see
// nothing of the drive when it is mounted over it again.
bool ChangeWatcher::rearm() {
    if (!rootMissing_ || !options_.useInotify) return false;
    if (listFolder(*ops_, {root_, ""}, ListingDetail::kindsOnly).entries.empty()) return false;
    rootMissing_ = false;
    if (!startInotify()) return false;
    polling_ = false;
    markChanged();
    log().notice("watching the library folder again");
    return true;
}

void ChangeWatcher::pollOnce() {
    nextPoll_ = Clock::now() + options_.pollInterval;
    if (rearm()) return;
    auto tree = treeOf(*ops_, root_, views_);
    if (tree != lastTree_) markChanged();
    lastTree_ = std::move(tree);
}

void ChangeWatcher::deliverIfDue() {
    if (!firstPending_) return;
    auto due = std::max(*firstPending_ + options_.settle, lastDelivered_ + options_.interval);
    if (Clock::now() < due) return;
    firstPending_.reset();
    lastDelivered_ = Clock::now();
    onChange_();
}

void ChangeWatcher::waitForWork(std::stop_token stop, Clock::time_point deadline) {
    auto now = Clock::now();
    int timeout =
        deadline <= now
            ? 0
            : static_cast<int>(
                  std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now).count() +
                  1);
    // A negative descriptor is left out of the poll.
    pollfd fds[3] = {{wake_, POLLIN, 0}, mountTable_.waitable(), {inotify_, POLLIN, 0}};
    if (stop.stop_requested()) return;
    if (::poll(fds, 3, timeout) > 0 && MountTableWatch::reportsChange(fds[1])) followMounts();
}

// A watch on a mount point sees the folder below the drive, not the drive: every folder is
// watched afresh once a drive comes or goes where the library is. The table changes with
// every mount on the machine (a container, a snap, a share), and those cost nothing.
void ChangeWatcher::followMounts() {
    ++mountChangesSeen_;
    auto mounts = FolderMounts::of(root_);
    if (mounts == mounts_) return;
    mounts_ = std::move(mounts);
    markChanged();
    if (inotify_ < 0) return;
    ++rewatches_;
    ::close(inotify_);
    watches_.clear();
    if (!startInotify()) fallBackToPolling("the library cannot be watched", rootMissing_);
}

void ChangeWatcher::run(std::stop_token stop) {
    nextPoll_ = Clock::now() + options_.pollInterval;
    while (!stop.stop_requested()) {
        Clock::time_point deadline = Clock::now() + options_.interval;
        if (polling_) deadline = std::min(deadline, nextPoll_);
        if (firstPending_)
            deadline = std::min(deadline, std::max(*firstPending_ + options_.settle,
                                                   lastDelivered_ + options_.interval));
        waitForWork(stop, deadline);
        if (stop.stop_requested()) return;
        if (inotify_ >= 0) readEvents();
        if (polling_ && Clock::now() >= nextPoll_) pollOnce();
        deliverIfDue();
    }
}

} // namespace keepsift
