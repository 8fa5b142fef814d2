#include "XDisplay.hpp"

#include <QProcess>
#include <QRegularExpression>
#include <dlfcn.h>

namespace keepsift::testing {
namespace {

QString run(const QStringList& arguments) {
    QProcess process;
    process.start(QStringLiteral("xwininfo"), arguments);
    process.waitForFinished(10000);
    return QString::fromUtf8(process.readAllStandardOutput());
}

bool isViewable(const QString& id) {
    return run({QStringLiteral("-id"), id}).contains(QStringLiteral("Map State: IsViewable"));
}

} // namespace

std::vector<XWindow> keepsiftWindows() {
    // 0x400007 "Keepsift Settings": ("keepsift" "keepsift")  480x640+0+0  +400+192
    static const char* pattern =
        R"re((0x[0-9a-f]+) "([^"]*)": \(("[^)]*)\)\s+(\d+)x(\d+)\+-?\d+\+-?\d+\s+\+(-?\d+)\+(-?\d+))re";
    static const QRegularExpression line(QString::fromUtf8(pattern));
    std::vector<XWindow> windows;
    const QString tree = run({QStringLiteral("-root"), QStringLiteral("-children")});
    for (const auto& match : line.globalMatch(tree)) {
        if (!match.captured(3).contains(QStringLiteral("keepsift"), Qt::CaseInsensitive)) continue;
        if (!isViewable(match.captured(1))) continue;
        windows.push_back({match.captured(1), match.captured(2),
                           QRect(match.captured(6).toInt(), match.captured(7).toInt(),
                                 match.captured(4).toInt(), match.captured(5).toInt())});
    }
    return windows;
}

bool clickAt(int x, int y) {
    using OpenDisplay = void* (*)(const char*);
    using Motion = int (*)(void*, int, int, int, unsigned long);
    using Button = int (*)(void*, unsigned, int, unsigned long);
    using Flush = int (*)(void*);
    void* x11 = dlopen("libX11.so.6", RTLD_NOW);
    void* xtst = dlopen("libXtst.so.6", RTLD_NOW);
    if (!x11 || !xtst) return false;
    auto open = reinterpret_cast<OpenDisplay>(dlsym(x11, "XOpenDisplay"));
    auto flush = reinterpret_cast<Flush>(dlsym(x11, "XFlush"));
    auto close = reinterpret_cast<Flush>(dlsym(x11, "XCloseDisplay"));
    auto motion = reinterpret_cast<Motion>(dlsym(xtst, "XTestFakeMotionEvent"));
    auto button = reinterpret_cast<Button>(dlsym(xtst, "XTestFakeButtonEvent"));
    if (!open || !flush || !close || !motion || !button) return false;
    void* display = open(nullptr);
    if (!display) return false;
    motion(display, -1, x, y, 0);
    button(display, 1, 1, 0);
    button(display, 1, 0, 0);
    flush(display);
    close(display);
    return true;
}

} // namespace keepsift::testing
