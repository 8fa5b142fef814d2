// The review window on a model with 20,000 review groups: time to the first painted row,
// the longest stall of the GUI thread while the keyboard moves through the groups at 60 rows
// a second, and the memory the window holds after it has been through every group.
//
//   review-window-bench [groups] [keyboard rows] [keys-only][,swatches]
//
// Pictures are handed over ready-made, as the library source hands over what it decoded on
// its own threads; "swatches" draws the interface-test tiles on the GUI thread instead.
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <mutex>
#include <string>

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>

#include "Keepsift/views/ReviewWindow.hpp"
#include "Keepsift/views/SwatchImageSource.hpp"

namespace keepsift::app {
namespace {

class GuiMainActor : public MainActor {
public:
    void post(std::function<void()> work) override {
        QMetaObject::invokeMethod(qApp, std::move(work), Qt::QueuedConnection);
    }
};

class WaitingSleeper : public Sleeper {
public:
    bool sleep(double, std::stop_token stop) override {
        std::mutex mutex;
        std::condition_variable_any never;
        std::unique_lock lock(mutex);
        never.wait(lock, stop, [] { return false; });
        return false;
    }
};

// Pictures made off the GUI thread and handed over on it, as the library source does: the
// window pays only for taking them in, not for decoding.
class HandedOverImages : public ImageSource {
public:
    explicit HandedOverImages(std::shared_ptr<MainActor> mainActor)
        : mainActor_(std::move(mainActor)) {}
    void thumbnail(const std::string& id, PixelSize size, ImageHandler done) override {
        auto picture = pictureOf(id, size);
        mainActor_->post([picture, done = std::move(done)] { done(picture); });
    }
    void image(const std::string& id, PixelSize size, ImageHandler done) override {
        thumbnail(id, size, std::move(done));
    }

private:
    // Each request gets its own pixels, as decoding would give.
    static std::shared_ptr<const Image> pictureOf(const std::string& id, PixelSize size) {
        auto image = std::make_shared<Image>();
        image->width = size.width;
        image->height = size.height * 3 / 4;
        image->rgba.assign(static_cast<std::size_t>(image->width * image->height * 4),
                           static_cast<std::uint8_t>(std::hash<std::string>{}(id)));
        return image;
    }
    std::shared_ptr<MainActor> mainActor_;
};

// CPU time of the calling thread: what the GUI thread itself spent, whatever else the
// machine was running.
double threadMilliseconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

long residentKilobytes() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
    return 0;
}

EngineSnapshot bigSnapshot(int groups) {
    EngineSnapshot snapshot;
    snapshot.authorization = LibraryAuthorization::authorized;
    snapshot.hasCompletedFirstPass = true;
    std::vector<ReviewGroup> list;
    list.reserve(static_cast<std::size_t>(groups));
    for (int g = 0; g < groups; ++g) {
        ReviewGroup group;
        group.id = "group-" + std::to_string(g);
        group.capturedAt = Date{800'000'000.0 - g * 600.0};
        const int count = 2 + g % 4;
        for (int p = 0; p < count; ++p) {
            ReviewPhoto photo;
            photo.assetID = "photos/" + std::to_string(g) + "/IMG_" + std::to_string(p) + ".jpg";
            photo.filename = "IMG_" + std::to_string(p) + ".jpg";
            photo.isKeeper = p == 0;
            photo.reason = p == 0 ? Reason::keptSharper : Reason::flaggedCloseSecond;
            photo.pixelWidth = 4000;
            photo.pixelHeight = 3000;
            photo.fileSize = 3'000'000;
            group.photos.push_back(photo);
        }
        list.push_back(std::move(group));
    }
    snapshot.review = ReviewList(std::move(list));
    snapshot.known = snapshot.analysed = groups * 4;
    return snapshot;
}

// Runs the event loop until `done` holds.
void runUntil(const std::function<bool()>& done) {
    while (!done())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

// Notices the first paint of a group row.
class PaintWatch : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && qobject_cast<GroupRow*>(watched)) painted = true;
        return false;
    }
    bool painted = false;
};

int run(int groups, int keyboardRows, bool traverseAll, bool swatches) {
    AppModel::Services services;
    services.mainActor = std::make_shared<GuiMainActor>();
    services.sleeper = std::make_shared<WaitingSleeper>();
    std::shared_ptr<ImageSource> images;
    if (swatches)
        images = std::make_shared<SwatchImageSource>(services.mainActor);
    else
        images = std::make_shared<HandedOverImages>(services.mainActor);
    auto model =
        AppModel::makeForScenario({{"KEEPSIFT_SCENARIO", "family-burst"}}, services, images);
    const EngineSnapshot big = bigSnapshot(groups);
    model->setSnapshot(big);
    QCoreApplication::processEvents();
    const long before = residentKilobytes();

    PaintWatch watch;
    qApp->installEventFilter(&watch);
    QElapsedTimer clock;
    clock.start();
    bool appeared = false;
    ReviewWindow::Hooks hooks;
    hooks.appeared = [&appeared] { appeared = true; };
    ReviewWindow window(*model, nullptr, hooks);
    window.resize(980, 680);
    window.show();
    runUntil([&] { return watch.painted; });
    const double firstPaint = clock.nsecsElapsed() / 1e6;
    qApp->removeEventFilter(&watch);
    std::printf("groups: %d\nfirst paint: %.1f ms\n", groups, firstPaint);
    std::fflush(stdout);
    // The window's own refresh on appearing publishes the (empty) engine's list of this
    // benchmark's model; the groups go back once it is done.
    runUntil([&] { return appeared; });
    model->setSnapshot(big);
    QCoreApplication::processEvents();

    // Keyboard at 60 rows a second; a 1 ms heartbeat measures the longest stall.
    double longestStall = 0;
    double longestBusy = 0;
    qint64 lastBeat = clock.nsecsElapsed();
    double lastCpu = threadMilliseconds();
    QTimer heartbeat;
    heartbeat.setTimerType(Qt::PreciseTimer);
    QObject::connect(&heartbeat, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        const double cpu = threadMilliseconds();
        longestStall = std::max(longestStall, (now - lastBeat) / 1e6);
        longestBusy = std::max(longestBusy, cpu - lastCpu);
        lastBeat = now;
        lastCpu = cpu;
    });
    int pressed = 0;
    QTimer keys;
    keys.setTimerType(Qt::PreciseTimer);
    QObject::connect(&keys, &QTimer::timeout,
                     [&] { window.handle(ReviewKey::of(ReviewKey::Kind::nextGroup)), ++pressed; });
    lastBeat = clock.nsecsElapsed();
    lastCpu = threadMilliseconds();
    heartbeat.start(1);
    keys.start(1000 / 60);
    const qint64 started = clock.nsecsElapsed();
    runUntil([&] { return pressed >= keyboardRows; });
    keys.stop();
    heartbeat.stop();
    std::printf("keyboard: %d rows in %.1f s, longest event-loop stall %.1f ms (GUI-thread CPU "
                "in it at most %.1f ms)\n",
                pressed, (clock.nsecsElapsed() - started) / 1e9, longestStall, longestBusy);
    std::fflush(stdout);

    if (!traverseAll) return 0;
    // Through every group, as fast as the window goes, letting each row's pictures arrive.
    while (window.state().activeGroup != model->snapshot().review.groups.back().id) {
        window.handle(ReviewKey::of(ReviewKey::Kind::nextGroup));
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    }
    runUntil([&] { return true; });
    const long after = residentKilobytes();
    std::printf("memory after every group: %.1f MB above the model's own (%.1f MB before, %.1f "
                "MB after)\nlive rows: %d\n",
                (after - before) / 1024.0, before / 1024.0, after / 1024.0,
                window.groupList()->liveRowCount());
    return 0;
}

} // namespace
} // namespace keepsift::app

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const int groups = argc > 1 ? std::stoi(argv[1]) : 20000;
    const int rows = argc > 2 ? std::stoi(argv[2]) : 600;
    const std::string mode = argc > 3 ? argv[3] : "";
    return keepsift::app::run(groups, rows, mode.find("keys-only") == std::string::npos,
                              mode.find("swatches") != std::string::npos);
}
