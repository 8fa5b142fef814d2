// The menu-bar item on a model whose snapshot holds 100,000 photographs:
// - the time from the click on the icon to the popover's first paint (first open, then the
//   median and worst of later opens);
// - the GUI thread's CPU time per tray-icon refresh as counts change, both when the picture
//   stays (most count changes) and when it changes (work starts or stops, the dot appears).
//
//   popover-bench [photographs] [refreshes]
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

#include <QApplication>
#include <QElapsedTimer>

#include "Keepsift/views/popover/MenuBarItem.hpp"
#include "WidgetSupport.hpp"

namespace keepsift::app {
namespace {

double threadMilliseconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

// Four photographs a group, one kept and three flagged.
EngineSnapshot bigSnapshot(int photographs) {
    EngineSnapshot snapshot;
    snapshot.authorization = LibraryAuthorization::authorized;
    snapshot.hasCompletedFirstPass = true;
    std::vector<ReviewGroup> list;
    const int groups = photographs / 4;
    list.reserve(static_cast<std::size_t>(groups));
    for (int g = 0; g < groups; ++g) {
        ReviewGroup group;
        group.id = "group-" + std::to_string(g);
        group.capturedAt = Date{800'000'000.0 - g * 600.0};
        for (int p = 0; p < 4; ++p) {
            ReviewPhoto photo;
            photo.assetID = "photos/" + std::to_string(g) + "/IMG_" + std::to_string(p) + ".jpg";
            photo.filename = "IMG_" + std::to_string(p) + ".jpg";
            photo.isKeeper = p == 0;
            photo.reason = p == 0 ? Reason::keptSharper : Reason::flaggedCloseSecond;
            photo.fileSize = 3'000'000;
            group.photos.push_back(photo);
        }
        list.push_back(std::move(group));
    }
    snapshot.review = ReviewList(std::move(list));
    snapshot.known = snapshot.analysed = photographs;
    return snapshot;
}

// Notes the first paint after it was armed.
class PaintWatch : public QObject {
public:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint && armed) {
            armed = false;
            painted = timer.nsecsElapsed() / 1e6;
        }
        return false;
    }
    void arm() {
        armed = true;
        painted = -1;
        timer.start();
    }
    bool armed = false;
    double painted = -1;
    QElapsedTimer timer;
};

// The appearance refresh puts the scenario engine's own small snapshot in place afterwards, so
// the big one is set again before each open.
double openToPainted(AppModel& model, const EngineSnapshot& big, MenuBarItem& item,
                     PaintWatch& watch) {
    model.setSnapshot(big);
    bool refreshed = false;
    item.popover()->appeared = [&refreshed] { refreshed = true; };
    watch.arm();
    item.togglePopover();
    while (watch.painted < 0 || !refreshed)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    const double elapsed = watch.painted;
    item.popover()->appeared = nullptr;
    item.hidePopover();
    QCoreApplication::processEvents();
    return elapsed;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

int run(int photographs, int refreshes) {
    const AppModel::Services services = widgettest::testServices();
    auto model =
        AppModel::makeForScenario({{"KEEPSIFT_SCENARIO", "family-burst"}}, services, nullptr);
    const EngineSnapshot big = bigSnapshot(photographs);

    MenuBarItem item(*model, {}, MenuBarItem::Platform{[] { return true; }, 0, true});
    item.start();
    PaintWatch watch;
    item.popover()->installEventFilter(&watch);
    const double first = openToPainted(*model, big, item, watch);
    std::vector<double> opens;
    for (int i = 0; i < 30; ++i)
        opens.push_back(openToPainted(*model, big, item, watch));
    std::printf("photographs in the snapshot: %lld (flagged %lld)\n",
                static_cast<long long>(big.known), static_cast<long long>(big.review.flaggedCount));
    model->setSnapshot(big);
    std::printf("popover open to painted: first %.2f ms, then median %.2f ms, worst %.2f ms\n",
                first, median(opens), *std::max_element(opens.begin(), opens.end()));

    // Counts that change without changing the picture.
    const double sameStart = threadMilliseconds();
    for (int i = 0; i < refreshes; ++i)
        item.refreshIcon();
    const double same = (threadMilliseconds() - sameStart) / refreshes;
    // Work starting and stopping: a new picture each time, announced through the model.
    const int replacedBefore = item.iconReplacements();
    const double changeStart = threadMilliseconds();
    for (int i = 0; i < refreshes; ++i)
        model->setIsWorking(i % 2 == 0);
    const double changed = (threadMilliseconds() - changeStart) / refreshes;
    std::printf("tray icon refresh, picture unchanged: %.4f ms of GUI time\n", same);
    std::printf("tray icon refresh, picture changed (%d replacements): %.4f ms of GUI time\n",
                item.iconReplacements() - replacedBefore, changed);
    return 0;
}

} // namespace
} // namespace keepsift::app

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const int photographs = argc > 1 ? std::max(4, std::atoi(argv[1])) : 100'000;
    const int refreshes = argc > 2 ? std::max(2, std::atoi(argv[2])) : 2'000;
    return keepsift::app::run(photographs, refreshes);
}
