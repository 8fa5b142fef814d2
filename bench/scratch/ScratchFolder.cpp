#include "bench/scratch/ScratchFolder.hpp"

#include <array>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <signal.h>
#include <stdexcept>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace keepsift::bench {
namespace {

// Held in fixed storage so that a signal handler may read it without taking a lock.
struct Slot {
    std::atomic<int> state{0};
    char path[PATH_MAX]{};
};
constexpr int vacant = 0, filling = 1, held = 2;
std::array<Slot, 64> slots;

struct DirectoryEntry {
    std::uint64_t inode;
    std::int64_t offset;
    unsigned short length;
    unsigned char type;
    char name[1];
};

bool isDotOrDotDot(const char* name) {
    return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

// Only system calls a signal handler may make: no allocation, no locks. Files other threads
// still write meanwhile are met by the next round; a drive mounted inside is left alone.
void removeBelow(int folder, dev_t drive) {
    for (bool removed = true; removed;) {
        removed = false;
        ::lseek(folder, 0, SEEK_SET);
        alignas(8) char buffer[4096];
        long read;
        while ((read = ::syscall(SYS_getdents64, folder, buffer, sizeof buffer)) > 0)
            for (long at = 0; at < read;) {
                const auto* entry = reinterpret_cast<const DirectoryEntry*>(buffer + at);
                at += entry->length;
                if (isDotOrDotDot(entry->name)) continue;
                if (::unlinkat(folder, entry->name, 0) == 0) {
                    removed = true;
                    continue;
                }
                const int below =
                    ::openat(folder, entry->name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
                struct stat status {};
                if (below < 0) continue;
                if (::fstat(below, &status) == 0 && status.st_dev == drive)
                    removeBelow(below, drive);
                ::close(below);
                removed = ::unlinkat(folder, entry->name, AT_REMOVEDIR) == 0 || removed;
            }
    }
}

void removeTree(const char* path) {
    const int folder = ::open(path, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    struct stat status {};
    if (folder < 0) return;
    if (::fstat(folder, &status) == 0) removeBelow(folder, status.st_dev);
    ::close(folder);
    ::rmdir(path);
}

void removeEveryHeld() {
    for (Slot& slot : slots)
        if (slot.state.load() == held) removeTree(slot.path);
}

void onSignal(int signal) {
    const int saved = errno;
    removeEveryHeld();
    struct sigaction standard {};
    standard.sa_handler = SIG_DFL;
    ::sigaction(signal, &standard, nullptr);
    // Blocked while this handler runs, it ends the process as it would have on return.
    ::raise(signal);
    errno = saved;
}

void removeOnSignal(int signal) {
    struct sigaction before {};
    ::sigaction(signal, nullptr, &before);
    if (before.sa_handler == SIG_IGN) return;
    struct sigaction handler {};
    handler.sa_handler = onSignal;
    ::sigemptyset(&handler.sa_mask);
    ::sigaction(signal, &handler, nullptr);
}

void removeOnSignalsAndExit() {
    static std::once_flag once;
    std::call_once(once, [] {
        for (int signal : {SIGINT, SIGTERM, SIGHUP})
            removeOnSignal(signal);
        std::atexit(removeEveryHeld);
    });
}

int hold(const std::string& path) {
    if (path.size() >= PATH_MAX) return -1;
    for (int i = 0; i < static_cast<int>(slots.size()); ++i) {
        int expected = vacant;
        if (!slots[i].state.compare_exchange_strong(expected, filling)) continue;
        std::memcpy(slots[i].path, path.c_str(), path.size() + 1);
        slots[i].state.store(held);
        return i;
    }
    return -1;
}

} // namespace

ScratchFolder::ScratchFolder(const std::string& prefix) {
    removeOnSignalsAndExit();
    std::string pattern = (std::filesystem::temp_directory_path() / (prefix + "-XXXXXX")).string();
    if (::mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("cannot make a folder in " +
                                 std::filesystem::temp_directory_path().string());
    path_ = pattern;
    slot_ = hold(pattern);
}

ScratchFolder::~ScratchFolder() {
    if (slot_ >= 0) slots[static_cast<std::size_t>(slot_)].state.store(filling);
    removeTree(path_.c_str());
    if (slot_ >= 0) slots[static_cast<std::size_t>(slot_)].state.store(vacant);
}

} // namespace keepsift::bench
