#include "XDisplay.hpp"

#include <QProcess>
#include <QRegularExpression>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <cstdlib>
#include <dlfcn.h>
#include <functional>
#include <type_traits>

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

// The calls that fake input through the XTEST extension, from libX11 and libXtst loaded at
// run time (the test links neither).
struct XTest {
    Display* (*open)(const char*) = nullptr;
    int (*flush)(Display*) = nullptr;
    int (*close)(Display*) = nullptr;
    KeySym (*keysym)(const char*) = nullptr;
    KeyCode (*keycode)(Display*, KeySym) = nullptr;
    int (*motion)(Display*, int, int, int, unsigned long) = nullptr;
    int (*button)(Display*, unsigned, Bool, unsigned long) = nullptr;
    int (*key)(Display*, unsigned, Bool, unsigned long) = nullptr;

    static std::optional<XTest> load() {
        void* x11 = dlopen("libX11.so.6", RTLD_NOW);
        void* xtst = dlopen("libXtst.so.6", RTLD_NOW);
        if (!x11 || !xtst) return std::nullopt;
        XTest xtest;
        const auto bind = [](void* library, const char* name, auto& function) {
            function =
                reinterpret_cast<std::remove_reference_t<decltype(function)>>(dlsym(library, name));
            return function != nullptr;
        };
        if (!bind(x11, "XOpenDisplay", xtest.open) || !bind(x11, "XFlush", xtest.flush) ||
            !bind(x11, "XCloseDisplay", xtest.close) ||
            !bind(x11, "XStringToKeysym", xtest.keysym) ||
            !bind(x11, "XKeysymToKeycode", xtest.keycode) ||
            !bind(xtst, "XTestFakeMotionEvent", xtest.motion) ||
            !bind(xtst, "XTestFakeButtonEvent", xtest.button) ||
            !bind(xtst, "XTestFakeKeyEvent", xtest.key))
            return std::nullopt;
        return xtest;
    }
};

// What `input` fakes (false when it could fake nothing) reaches the server in one flush, so
// nothing else lands between its events.
bool fakeInput(const std::function<bool(const XTest&, Display*)>& input) {
    const auto xtest = XTest::load();
    if (!xtest) return false;
    Display* display = xtest->open(nullptr);
    if (!display) return false;
    const bool faked = input(*xtest, display);
    xtest->flush(display);
    xtest->close(display);
    return faked;
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
    return fakeInput([&](const XTest& xtest, Display* display) {
        xtest.motion(display, -1, x, y, 0);
        xtest.button(display, 1, True, 0);
        xtest.button(display, 1, False, 0);
        return true;
    });
}

bool pressKeys(const QStringList& chords) {
    return fakeInput([&](const XTest& xtest, Display* display) {
        std::vector<std::vector<unsigned>> codes;
        for (const QString& chord : chords) {
            codes.emplace_back();
            for (const QString& name : chord.split(QLatin1Char('+'))) {
                const KeyCode code =
                    xtest.keycode(display, xtest.keysym(name.toLatin1().constData()));
                if (code == 0) return false;
                codes.back().push_back(code);
            }
        }
        for (const auto& keys : codes) {
            for (const unsigned key : keys)
                xtest.key(display, key, True, 0);
            for (auto key = keys.rbegin(); key != keys.rend(); ++key)
                xtest.key(display, *key, False, 0);
        }
        return true;
    });
}

QImage grabScreen(const QRect& area) {
    using OpenDisplay = Display* (*)(const char*);
    using CloseDisplay = int (*)(Display*);
    using RootWindow = Window (*)(Display*);
    using GetImage =
        XImage* (*)(Display*, Drawable, int, int, unsigned, unsigned, unsigned long, int);
    void* x11 = dlopen("libX11.so.6", RTLD_NOW);
    if (!x11) return {};
    auto open = reinterpret_cast<OpenDisplay>(dlsym(x11, "XOpenDisplay"));
    auto close = reinterpret_cast<CloseDisplay>(dlsym(x11, "XCloseDisplay"));
    auto root = reinterpret_cast<RootWindow>(dlsym(x11, "XDefaultRootWindow"));
    auto grab = reinterpret_cast<GetImage>(dlsym(x11, "XGetImage"));
    if (!open || !close || !root || !grab) return {};
    Display* display = open(nullptr);
    if (!display) return {};
    XImage* image =
        grab(display, root(display), area.x(), area.y(), static_cast<unsigned>(area.width()),
             static_cast<unsigned>(area.height()), AllPlanes, ZPixmap);
    QImage grabbed;
    if (image) {
        grabbed = QImage(image->width, image->height, QImage::Format_RGB32);
        for (int y = 0; y < image->height; ++y)
            for (int x = 0; x < image->width; ++x)
                grabbed.setPixel(x, y, static_cast<QRgb>(XGetPixel(image, x, y)) | 0xff000000u);
        XDestroyImage(image);
    }
    close(display);
    return grabbed;
}

std::optional<QPoint> findColour(const QRect& area, QRgb colour) {
    const QImage image = grabScreen(area);
    const auto near = [](int a, int b) { return std::abs(a - b) <= 8; };
    QRect found;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb pixel = image.pixel(x, y);
            if (near(qRed(pixel), qRed(colour)) && near(qGreen(pixel), qGreen(colour)) &&
                near(qBlue(pixel), qBlue(colour)))
                found |= QRect(x, y, 1, 1);
        }
    if (found.isEmpty()) return std::nullopt;
    return found.center() + area.topLeft();
}

bool closeWindow(const QString& id) {
    using OpenDisplay = Display* (*)(const char*);
    using InternAtom = Atom (*)(Display*, const char*, Bool);
    using SendEvent = Status (*)(Display*, Window, Bool, long, XEvent*);
    using Flush = int (*)(Display*);
    void* x11 = dlopen("libX11.so.6", RTLD_NOW);
    if (!x11) return false;
    auto open = reinterpret_cast<OpenDisplay>(dlsym(x11, "XOpenDisplay"));
    auto intern = reinterpret_cast<InternAtom>(dlsym(x11, "XInternAtom"));
    auto send = reinterpret_cast<SendEvent>(dlsym(x11, "XSendEvent"));
    auto flush = reinterpret_cast<Flush>(dlsym(x11, "XFlush"));
    auto close = reinterpret_cast<Flush>(dlsym(x11, "XCloseDisplay"));
    if (!open || !intern || !send || !flush || !close) return false;
    Display* display = open(nullptr);
    if (!display) return false;
    bool ok = false;
    const Window window = id.toULong(&ok, 16);
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = intern(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(intern(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    const bool sent = ok && send(display, window, False, NoEventMask, &event) != 0;
    flush(display);
    close(display);
    return sent;
}

} // namespace keepsift::testing
