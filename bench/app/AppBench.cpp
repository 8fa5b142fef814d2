// app-bench                                 all four below in a temporary folder, each step its
//                                           own process, with the default counts
// app-bench prepare-measured ROOT [COUNT]  a measured library of COUNT (100000) small photos
// app-bench start ROOT [IDLE_SECONDS]      start-up, longest GUI stall, idle CPU/writes, memory
// app-bench prepare-fresh ROOT [COUNT]     COUNT (200) 12-megapixel photos, nothing measured
// app-bench scan ROOT [COUNT]              first-scan speed through the application's own pump
#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sys/resource.h>
#include <time.h>
#include <unistd.h>

#include "BenchLibrary.hpp"
#include "Keepsift/shell/KeepsiftApp.hpp"
#include "Keepsift/shell/StartupTrayItem.hpp"
#include "bench/scratch/ScratchFolder.hpp"

using namespace keepsift;
using namespace keepsift::app;

namespace {

double cpuSeconds() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

long long procValue(const char* file, const std::string& key) {
    std::ifstream in(file);
    std::string name;
    long long value = 0;
    while (in >> name) {
        if (name == key) {
            in >> value;
            return value;
        }
        in.ignore(1 << 20, '\n');
    }
    return -1;
}

void printMemory(const char* when) {
    std::printf("resident memory %s: %lld MB now, %lld MB at peak\n", when,
                procValue("/proc/self/status", "VmRSS:") / 1024,
                procValue("/proc/self/status", "VmHWM:") / 1024);
}

// The longest time the event loop did not get round to a 2 ms timer.
class StallMonitor {
public:
    StallMonitor() {
        timer_.setTimerType(Qt::PreciseTimer);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            const qint64 now = clock_.nsecsElapsed();
            const qint64 cpu = threadCpu();
            if (now - last_ > longest_) {
                longest_ = now - last_;
                longestCpu_ = cpu - lastCpu_;
            }
            last_ = now;
            lastCpu_ = cpu;
        });
    }
    void start() {
        clock_.start();
        last_ = 0;
        longest_ = 0;
        longestCpu_ = 0;
        lastCpu_ = threadCpu();
        timer_.start(2);
    }
    void stop() { timer_.stop(); }
    double longestMs() const { return static_cast<double>(longest_) / 1e6; }
    // How much of the longest stall the GUI thread spent working rather than waiting for a core.
    double longestCpuMs() const { return static_cast<double>(longestCpu_) / 1e6; }

private:
    QTimer timer_;
    QElapsedTimer clock_;
    qint64 last_ = 0;
    qint64 longest_ = 0;
    qint64 lastCpu_ = 0;
    qint64 longestCpu_ = 0;

    static qint64 threadCpu() {
        timespec now{};
        ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
        return static_cast<qint64>(now.tv_sec) * 1000000000 + now.tv_nsec;
    }
};

void runFor(int milliseconds) {
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
}

bool runUntil(const std::function<bool()>& condition, int guardSeconds) {
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
        if (clock.elapsed() > guardSeconds * 1000) return false;
        runFor(20);
    }
    return true;
}

LaunchOptions optionsFor(const std::filesystem::path& root) {
    LaunchOptions options = LaunchOptions::parse({}, LaunchOptions::processEnvironment());
    options.library = (root / "Pictures").string();
    return options;
}

int start(const std::filesystem::path& root, int idleSeconds, int argc, char** argv) {
    bench::useHome(root);
    QElapsedTimer clock;
    clock.start();
    QApplication application(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    StallMonitor stalls;
    stalls.start();
    NoWindowMaker noViews;
    KeepsiftApp app(optionsFor(root), noViews);
    app.start();
    const double trayMs = static_cast<double>(clock.nsecsElapsed()) / 1e6;
    const bool trayShown = app.tray() && app.tray()->isShown();
    if (!runUntil([&] { return app.model() && app.model()->hasPumpTask(); }, 600)) return 1;
    const double startedMs = static_cast<double>(clock.nsecsElapsed()) / 1e6;
    // Past the first pump step.
    runFor(5000);
    stalls.stop();
    const auto snapshot = app.model()->snapshot();
    std::printf("index entries known: %lld, analysed: %lld, waiting: %lld\n",
                static_cast<long long>(snapshot.known), static_cast<long long>(snapshot.analysed),
                static_cast<long long>(snapshot.waiting));
    std::printf("start to tray icon asked for (its visibility flag set as start() returns; "
                "whether a tray host draws it is not measured): %.1f ms (flag set: %s, tray "
                "available: %s)\n",
                trayMs, trayShown ? "yes" : "no",
                QSystemTrayIcon::isSystemTrayAvailable() ? "yes" : "no");
    std::printf("start to model ready (index loaded, library reconciled, pump running): "
                "%.1f ms\n",
                startedMs);
    std::printf("longest GUI-thread stall from start to 5 s after: %.1f ms (%.1f ms working)\n",
                stalls.longestMs(), stalls.longestCpuMs());

    const double cpuBefore = cpuSeconds();
    const long long writesBefore = procValue("/proc/self/io", "write_bytes:");
    runFor(idleSeconds * 1000);
    const double cpu = cpuSeconds() - cpuBefore;
    const long long writes = procValue("/proc/self/io", "write_bytes:") - writesBefore;
    std::printf("idle %d s: %.2f %% of one core (process CPU, all threads), %lld bytes written "
                "to disk\n",
                idleSeconds, 100.0 * cpu / idleSeconds, writes);
    // One idle pump step (every 30 s) falls into this window.
    stalls.start();
    runFor(35000);
    stalls.stop();
    std::printf("longest GUI-thread stall over 35 s of idle pumping: %.1f ms (%.1f ms working)\n",
                stalls.longestMs(), stalls.longestCpuMs());
    printMemory("idle");
    std::fflush(stdout);
    app.willTerminate();
    std::_Exit(0);
}

int scan(const std::filesystem::path& root, int count, int argc, char** argv) {
    bench::useHome(root);
    QApplication application(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    NoWindowMaker noViews;
    KeepsiftApp app(optionsFor(root), noViews);
    app.start();
    if (!runUntil([&] { return app.model() != nullptr; }, 600)) return 1;
    QElapsedTimer clock;
    clock.start();
    const double cpuBefore = cpuSeconds();
    std::int64_t analysed = 0;
    runUntil(
        [&] {
            analysed = app.model()->snapshot().analysed;
            return analysed >= count;
        },
        3600);
    const double minutes = static_cast<double>(clock.elapsed()) / 60000.0;
    const double cpuMinutes = (cpuSeconds() - cpuBefore) / 60;
    std::printf("first scan: %lld of %d photos in %.2f min = %.0f photos per minute, "
                "%.2f cores busy on average (process CPU), %.0f photos per CPU-minute\n",
                static_cast<long long>(analysed), count, minutes,
                static_cast<double>(analysed) / minutes, cpuMinutes / minutes,
                static_cast<double>(analysed) / cpuMinutes);
    // The step that measured them ends with a regroup and a save.
    runUntil([&] { return !app.model()->isPumping(); }, 600);
    printMemory("after the scan step");
    std::fflush(stdout);
    app.willTerminate();
    std::_Exit(0);
}

} // namespace

int runStep(const std::string& self, const std::string& arguments) {
    std::printf("== app-bench %s\n", arguments.c_str());
    std::fflush(stdout);
    return std::system((self + " " + arguments).c_str()) == 0 ? 0 : 1;
}

// Every figure with the default counts, each step in a process of its own: the start is
// measured in a process that has not built the library.
int all() {
    const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
    const bench::ScratchFolder root("keepsift-app-bench");
    const std::string measured = (root / "measured").string(), fresh = (root / "fresh").string();
    const int failed = runStep(self, "prepare-measured " + measured) ||
                       runStep(self, "start " + measured) ||
                       runStep(self, "prepare-fresh " + fresh) || runStep(self, "scan " + fresh);
    return failed;
}

int main(int argc, char** argv) {
    if (argc == 1) return all();
    if (argc < 3) {
        std::fprintf(stderr,
                     "usage: app-bench [prepare-measured|start|prepare-fresh|scan ROOT [N]]\n");
        return 2;
    }
    const std::string mode = argv[1];
    const std::filesystem::path root = argv[2];
    const auto number = [&](int fallback) { return argc > 3 ? std::atoi(argv[3]) : fallback; };
    if (mode == "prepare-measured") return bench::makeMeasuredLibrary(root, number(100000)), 0;
    if (mode == "prepare-fresh") return bench::makeFreshLibrary(root, number(200)), 0;
    if (mode == "start") return start(root, number(60), argc, argv);
    if (mode == "scan") return scan(root, number(200), argc, argv);
    return 2;
}
