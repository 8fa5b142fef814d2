// The real keepsift binary in interface-test mode on an Xvfb display of the test's own: the
// windows appear at their sizes, are screenshotted from the display
// itself, and a real click on the popover's Quit ends the process through the quit flush.
#include <gtest/gtest.h>

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QProcess>
#include <QScreen>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <filesystem>
#include <functional>
#include <optional>
#include <stop_token>
#include <sys/prctl.h>
#include <thread>
#include <vector>

#include "Keepsift/shell/SingleInstance.hpp"
#include "Keepsift/shell/acceptance/VirtualDisplay.hpp"
#include "Keepsift/shell/acceptance/XDisplay.hpp"
#include "Keepsift/views/SwatchImageSource.hpp"
#include "Keepsift/views/ViewTexts.hpp"
#include "core/engine/UnsettledAlbum.hpp"
#include "core/index/LibraryIndex.hpp"
#include "core/index/ReviewJournal.hpp"
#include "core/scenarios/Scenario.hpp"
#include "core/support/Json.hpp"
#include "platform/files/AtomicFile.hpp"
#include "platform/files/tests/TemporaryFolder.hpp"

namespace keepsift::testing {
namespace {

// Polls until the condition holds; the guard only keeps a broken run from hanging.
bool eventually(const std::function<bool()>& condition, double guardSeconds = 60) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < guardSeconds * 1000) {
        if (condition()) return true;
        QThread::msleep(50);
    }
    return condition();
}

// The process goes with the test, however that ends.
void endsWithTheTest(QProcess& process) {
    process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
}

class LaunchedKeepsift {
public:
    // `prepare` sees the home's folders before the binary starts.
    LaunchedKeepsift(const QStringList& arguments, const QMap<QString, QString>& scenario,
                     bool interfaceTest = true,
                     const std::function<void(const QDir& root)>& prepare = {}) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char* folder : {"home", "config", "data", "cache", "runtime"})
            QDir(root_.path()).mkpath(QString::fromUtf8(folder));
        if (prepare) prepare(QDir(root_.path()));
        QFile::setPermissions(root_.filePath(QStringLiteral("runtime")),
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                  QFileDevice::ExeOwner);
        environment.insert(QStringLiteral("HOME"), root_.filePath(QStringLiteral("home")));
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"),
                           root_.filePath(QStringLiteral("config")));
        environment.insert(QStringLiteral("XDG_DATA_HOME"), root_.filePath(QStringLiteral("data")));
        environment.insert(QStringLiteral("XDG_CACHE_HOME"),
                           root_.filePath(QStringLiteral("cache")));
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"),
                           root_.filePath(QStringLiteral("runtime")));
        environment.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
        environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
        for (auto it = scenario.begin(); it != scenario.end(); ++it)
            environment.insert(it.key(), it.value());
        environment_ = environment;
        process_.setProcessEnvironment(environment);
        endsWithTheTest(process_);
        process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        arguments_ = interfaceTest ? QStringList{QStringLiteral("-KeepsiftUITestMode")} + arguments
                                   : arguments;
        startAgain();
    }
    ~LaunchedKeepsift() {
        if (process_.state() != QProcess::NotRunning) {
            process_.kill();
            process_.waitForFinished(5000);
        }
    }
    QProcess& process() { return process_; }
    // The process started again in the same home once it has ended, as on the user's next day.
    void startAgain() { process_.start(QStringLiteral(KEEPSIFT_BINARY), arguments_); }
    QString path(const QString& inside) const { return root_.filePath(inside); }
    // A later launch in the same home, as from the desktop menu; its exit code.
    int launchAgain(const QStringList& arguments) {
        QProcess again;
        again.setProcessEnvironment(environment_);
        endsWithTheTest(again);
        again.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        again.start(QStringLiteral(KEEPSIFT_BINARY), arguments);
        if (!again.waitForFinished(60000)) return -1;
        return again.exitCode();
    }

private:
    QTemporaryDir root_;
    QProcessEnvironment environment_;
    QStringList arguments_;
    QProcess process_;
};

std::optional<XWindow> windowOf(const QString& title, int width) {
    for (const XWindow& window : keepsiftWindows())
        if (window.title == title && window.frame.width() == width) return window;
    return std::nullopt;
}

XWindow awaitWindow(const QString& title, int width) {
    std::optional<XWindow> found;
    eventually([&] { return (found = windowOf(title, width)).has_value(); });
    if (!found)
        throw std::runtime_error("no window \"" + title.toStdString() + "\" " +
                                 std::to_string(width) + " wide appeared");
    return *found;
}

// What the display showed when a wait gave up: each window's title and frame, and a picture
// of the whole screen kept beside the build under `name`.
std::string shownWindows(const std::string& name) {
    std::string shown = "windows shown:";
    for (const XWindow& window : keepsiftWindows())
        shown += " \"" + window.title.toStdString() + "\" " + std::to_string(window.frame.width()) +
                 "x" + std::to_string(window.frame.height()) + "+" +
                 std::to_string(window.frame.x()) + "+" + std::to_string(window.frame.y()) + ";";
    QDir().mkpath(QStringLiteral(KEEPSIFT_SCREENSHOTS));
    QGuiApplication::primaryScreen()->grabWindow(0).save(QStringLiteral(KEEPSIFT_SCREENSHOTS "/") +
                                                         QString::fromStdString(name) +
                                                         QStringLiteral(".png"));
    return shown;
}

// The window as the display shows it, kept beside the build; it must show something.
QImage screenshot(const XWindow& window, const std::string& name) {
    // Let the first frames reach the display.
    QImage image;
    eventually([&] {
        image = QGuiApplication::primaryScreen()
                    ->grabWindow(0, window.frame.x(), window.frame.y(), window.frame.width(),
                                 window.frame.height())
                    .toImage();
        QSet<QRgb> colours;
        for (int y = 0; y < image.height(); y += 3)
            for (int x = 0; x < image.width(); x += 3)
                colours.insert(image.pixel(x, y));
        return colours.size() > 8;
    });
    QDir().mkpath(QStringLiteral(KEEPSIFT_SCREENSHOTS));
    image.save(QStringLiteral(KEEPSIFT_SCREENSHOTS "/") + QString::fromStdString(name) +
               QStringLiteral(".png"));
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); y += 3)
        for (int x = 0; x < image.width(); x += 3)
            colours.insert(image.pixel(x, y));
    EXPECT_GT(colours.size(), 8) << name << " shows nothing";
    return image;
}

// Pixels within a small distance of the colour.
int pixelsOf(const QImage& image, QColor colour) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor pixel = image.pixelColor(x, y);
            if (std::abs(pixel.red() - colour.red()) + std::abs(pixel.green() - colour.green()) +
                    std::abs(pixel.blue() - colour.blue()) <
                12)
                ++count;
        }
    return count;
}

// What a person checks first in the review window: every photograph of the scenario's groups
// is there as its picture, not as a grey placeholder. The names of those missing.
std::vector<std::string> missingPictures(const QImage& review, const std::string& scenario) {
    std::vector<std::string> missing;
    const auto definition = keepsift::Scenario::named(scenario);
    for (const auto& photo : definition->photos) {
        const std::string id = keepsift::Scenario::signals(photo).digest;
        const QColor swatch =
            QColor::fromHsvF(app::SwatchImageSource::hueDegrees(id) / 360.0f, 0.32f, 0.78f, 1.0f);
        if (pixelsOf(review, swatch) < 100 * 100) missing.push_back(photo.name);
    }
    return missing;
}

constexpr int popoverWidth = 300, firstRunWidth = 460, settingsWidth = 480, settingsHeight = 640;
constexpr int reviewWidth = 980;
// The popover's or the status window's "Review photos" row: the first below the two header
// lines when it shows no notice.
constexpr int reviewRowY = 66;

// Without a window manager windows may overlap; a screenshot of one covered by another would
// show the wrong window.
void expectUncovered(const XWindow& window) {
    for (const XWindow& other : keepsiftWindows()) {
        if (other.id == window.id) continue;
        EXPECT_FALSE(other.frame.intersects(window.frame)) << other.title.toStdString();
    }
}

TEST(DesktopAcceptance, NewUserSeesTheFirstRunWindowAndThePopoverInGerman) {
    LaunchedKeepsift app({}, {{QStringLiteral("KEEPSIFT_SCENARIO"), QStringLiteral("family-burst")},
                              {QStringLiteral("KEEPSIFT_LANGUAGE"), QStringLiteral("de")},
                              {QStringLiteral("KEEPSIFT_FIRST_RUN"), QStringLiteral("1")}});
    ASSERT_TRUE(app.process().waitForStarted(10000));
    const XWindow popover = awaitWindow(QStringLiteral("Keepsift"), popoverWidth);
    const XWindow firstRun = awaitWindow(QStringLiteral("Keepsift"), firstRunWidth);
    expectUncovered(firstRun);
    screenshot(popover, "real-popover-de");
    screenshot(firstRun, "real-first-run-de");
}

TEST(DesktopAcceptance, SettingsLaunchOpensTheSettingsWindowInGerman) {
    LaunchedKeepsift app({QStringLiteral("--settings")},
                         {{QStringLiteral("KEEPSIFT_SCENARIO"), QStringLiteral("low-power")},
                          {QStringLiteral("KEEPSIFT_LANGUAGE"), QStringLiteral("de")},
                          {QStringLiteral("KEEPSIFT_STORAGE"), QStringLiteral("optimised")}});
    ASSERT_TRUE(app.process().waitForStarted(10000));
    const XWindow settings = awaitWindow(QStringLiteral("Keepsift Einstellungen"), settingsWidth);
    EXPECT_EQ(settings.frame.height(), settingsHeight);
    awaitWindow(QStringLiteral("Keepsift"), popoverWidth);
    expectUncovered(settings);
    screenshot(settings, "real-settings-de");
}

// The review window of the real binary, opened from the popover's "Review photos" row, in both
// languages.
TEST(DesktopAcceptance, ReviewPhotosOpensTheReviewWindowInBothLanguages) {
    for (const QString& language : {QStringLiteral("en"), QStringLiteral("de")}) {
        SCOPED_TRACE(language.toStdString());
        LaunchedKeepsift app({},
                             {{QStringLiteral("KEEPSIFT_SCENARIO"), QStringLiteral("family-burst")},
                              {QStringLiteral("KEEPSIFT_LANGUAGE"), language}});
        ASSERT_TRUE(app.process().waitForStarted(10000));
        const XWindow popover = awaitWindow(QStringLiteral("Keepsift"), popoverWidth);
        ASSERT_TRUE(clickAt(popover.frame.left() + 60, popover.frame.top() + reviewRowY));
        const XWindow review = awaitWindow(QStringLiteral("Keepsift"), reviewWidth);
        QImage shot;
        // The pictures arrive after the window appears.
        eventually([&] {
            shot = screenshot(review, "real-review-family-burst-" + language.toStdString());
            return missingPictures(shot, "family-burst").empty();
        });
        EXPECT_EQ(missingPictures(shot, "family-burst"), std::vector<std::string>{});
    }
}

// Production mode on an empty temporary library, as a new user whose desktop speaks English or
// German: the popover's stand-in and the first-run window appear.
TEST(DesktopAcceptance, ProductionModeGreetsANewUserInTheDesktopsLanguage) {
    for (const QString& language : {QStringLiteral("en"), QStringLiteral("de")}) {
        SCOPED_TRACE(language.toStdString());
        QTemporaryDir library;
        const QString locale = language == QStringLiteral("de") ? QStringLiteral("de_DE.UTF-8")
                                                                : QStringLiteral("en_GB.UTF-8");
        LaunchedKeepsift app({QStringLiteral("--library"), library.path()},
                             {{QStringLiteral("LANGUAGE"), language},
                              {QStringLiteral("LANG"), locale},
                              {QStringLiteral("LC_ALL"), locale}},
                             false);
        ASSERT_TRUE(app.process().waitForStarted(10000));
        const XWindow popover = awaitWindow(QStringLiteral("Keepsift"), popoverWidth);
        const XWindow firstRun = awaitWindow(QStringLiteral("Keepsift"), firstRunWidth);
        expectUncovered(firstRun);
        screenshot(popover, "real-production-popover-" + language.toStdString());
        screenshot(firstRun, "real-production-first-run-" + language.toStdString());
    }
}

// Without a tray: the status window closed by the user comes back when Keepsift is launched
// again (as from the desktop menu), and the later launch opens no review window instead.
TEST(DesktopAcceptance, WithoutATrayLaunchingAgainBringsBackTheStatusWindow) {
    QTemporaryDir library;
    LaunchedKeepsift app({QStringLiteral("--library"), library.path()}, {}, false);
    ASSERT_TRUE(app.process().waitForStarted(10000));
    const XWindow status = awaitWindow(QStringLiteral("Keepsift"), popoverWidth);
    const XWindow firstRun = awaitWindow(QStringLiteral("Keepsift"), firstRunWidth);
    EXPECT_FALSE(status.frame.intersects(firstRun.frame)) << "the status window is covered";
    ASSERT_TRUE(closeWindow(status.id));
    ASSERT_TRUE(eventually([&] { return !windowOf(QStringLiteral("Keepsift"), popoverWidth); }));
    EXPECT_EQ(app.launchAgain({}), 0);
    awaitWindow(QStringLiteral("Keepsift"), popoverWidth);
    EXPECT_FALSE(windowOf(QStringLiteral("Keepsift"), reviewWidth));
}

// A returning user who hid the icon and lets Keepsift start at login.
void hiddenIconUser(const QDir& root) {
    root.mkpath(QStringLiteral("config/com.ambervale.keepsift"));
    QFile defaults(root.filePath(QStringLiteral("config/com.ambervale.keepsift/defaults.json")));
    QFile consent(
        root.filePath(QStringLiteral("config/com.ambervale.keepsift/library-consent.json")));
    const QByteArray settings =
        QByteArray(R"({"showsMenuBarIcon":false,"launchAtLogin":true})").toBase64();
    if (defaults.open(QIODevice::WriteOnly))
        defaults.write(R"({"keepsift.seenFirstRunNotice":"dHJ1ZQ==","keepsift.settings":")" +
                       settings + "\"}");
    if (consent.open(QIODevice::WriteOnly)) consent.write(R"({"consent":"granted"})");
}

// What the application's visible windows say, asked through the test seam; nothing when it
// does not answer.
std::optional<std::string> visibleTexts(LaunchedKeepsift& app, const QString& name) {
    const QString file = app.path(name);
    const app::SingleInstance instance(
        app.path(QStringLiteral("data/com.ambervale.keepsift")).toStdString());
    if (!instance.handOver("texts " + file.toStdString())) return std::nullopt;
    if (!eventually([&] { return QFileInfo::exists(file); })) return std::nullopt;
    QFile texts(file);
    if (!texts.open(QIODevice::ReadOnly)) return std::nullopt;
    return texts.readAll().toStdString();
}

// With the icon hidden, a start from the menu shows the status window (without a tray it is
// the way to Settings and Quit); a start at login shows nothing, nor does one while Keepsift
// already runs.
TEST(DesktopAcceptance, WithTheIconHiddenOnlyAStartByTheUserShowsAWindow) {
    QTemporaryDir library;
    const QString autostart = QStringLiteral("config/autostart/com.ambervale.keepsift.desktop");
    {
        LaunchedKeepsift byUser({QStringLiteral("--library"), library.path()}, {}, false,
                                hiddenIconUser);
        ASSERT_TRUE(byUser.process().waitForStarted(10000));
        awaitWindow(QStringLiteral("Keepsift"), popoverWidth);
    }
    LaunchedKeepsift atLogin(
        {QStringLiteral("--library"), library.path(), QStringLiteral("--autostart")},
        {{QStringLiteral("KEEPSIFT_TEST_SEAM"), QStringLiteral("1")}}, false, hiddenIconUser);
    ASSERT_TRUE(atLogin.process().waitForStarted(10000));
    // The login item is brought in line after the settings are read.
    ASSERT_TRUE(eventually([&] { return QFileInfo::exists(atLogin.path(autostart)); }));
    EXPECT_EQ(visibleTexts(atLogin, QStringLiteral("quiet.txt")), "");
    EXPECT_EQ(atLogin.launchAgain({QStringLiteral("--autostart")}), 0);
    EXPECT_EQ(visibleTexts(atLogin, QStringLiteral("still-quiet.txt")), "");
    EXPECT_EQ(atLogin.launchAgain({}), 0);
    awaitWindow(QStringLiteral("Keepsift"), popoverWidth);
}

// Where the application keeps its one library's index and journal, once it has saved them.
std::optional<std::filesystem::path> indexFolder(const LaunchedKeepsift& app) {
    QDirIterator files(app.path(QStringLiteral("data")), {QStringLiteral("library-index.json")},
                       QDir::Files, QDirIterator::Subdirectories);
    if (!files.hasNext()) return std::nullopt;
    return std::filesystem::path(files.next().toStdString()).parent_path();
}

// The library's index as the application last saved it, wherever its folder is; empty when
// none was saved yet.
QByteArray savedIndex(const LaunchedKeepsift& app) {
    const auto folder = indexFolder(app);
    if (!folder) return {};
    QFile file(QString::fromStdString((*folder / "library-index.json").string()));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A picture of coloured shapes, unlike that of any other number.
QImage picture(int photo) {
    QImage image(640, 480, QImage::Format_RGB32);
    image.fill(QColor::fromHsv(photo * 3 % 360, 120, 200));
    QPainter painter(&image);
    for (int shape = 0; shape < 12; ++shape) {
        painter.setBrush(QColor::fromHsv((photo * 7 + shape * 40) % 360, 200, 150));
        painter.drawEllipse(QPoint((photo * 37 + shape * 53) % 640, (shape * 71) % 480),
                            20 + shape * 3, 30);
    }
    return image;
}

// Pictures p0.jpg onwards, each unlike the others.
bool writePictures(const QTemporaryDir& library, int count) {
    for (int photo = 0; photo < count; ++photo)
        if (!picture(photo).save(library.filePath(QStringLiteral("p%1.jpg").arg(photo)), "JPG"))
            return false;
    return true;
}

// The saved index and journal of the application's one library; nothing while either is
// missing or caught between two writes.
std::optional<std::pair<LibraryIndex, ReviewJournal>> savedDecisions(const LaunchedKeepsift& app) {
    const auto folder = indexFolder(app);
    if (!folder) return std::nullopt;
    const auto index = readWholeFile(*folder / "library-index.json");
    const auto journal = readWholeFile(*folder / "review-journal.json");
    if (!index || !journal) return std::nullopt;
    try {
        return std::pair(LibraryIndex::fromJson(Json::parse(*index), DateForm::iso8601),
                         ReviewJournal::fromJson(Json::parse(*journal), DateForm::iso8601));
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

// A returning user who has seen the first-run window and let Keepsift read the library.
void returningUser(const QDir& root) {
    root.mkpath(QStringLiteral("config/com.ambervale.keepsift"));
    QFile seen(root.filePath(QStringLiteral("config/com.ambervale.keepsift/defaults.json")));
    QFile consent(
        root.filePath(QStringLiteral("config/com.ambervale.keepsift/library-consent.json")));
    if (seen.open(QIODevice::WriteOnly))
        seen.write(R"({"keepsift.seenFirstRunNotice":"dHJ1ZQ=="})");
    if (consent.open(QIODevice::WriteOnly)) consent.write(R"({"consent":"granted"})");
}

// A returning user quits from the status window right after a decision by hand: the process
// ends by itself, cleanly, and its quit flush has put the decision in the index and journal.
TEST(DesktopAcceptance, QuitFromTheStatusWindowEndsTheProcessAfterItsQuitFlush) {
    QTemporaryDir library;
    ASSERT_TRUE(writePictures(library, 12));
    LaunchedKeepsift app({QStringLiteral("--library"), library.path()},
                         {{QStringLiteral("KEEPSIFT_TEST_SEAM"), QStringLiteral("1")}}, false,
                         returningUser);
    ASSERT_TRUE(app.process().waitForStarted(10000));
    const XWindow status = awaitWindow(QStringLiteral("Keepsift"), popoverWidth);
    std::string kept;
    ASSERT_TRUE(eventually(
        [&] {
            const auto saved = savedDecisions(app);
            if (!saved) return false;
            for (const auto& [id, entry] : saved->first.entries)
                if (entry.state == ReviewState::keeper) kept = id;
            return !kept.empty();
        },
        600))
        << "nothing was decided";
    const app::SingleInstance instance(
        app.path(QStringLiteral("data/com.ambervale.keepsift")).toStdString());
    ASSERT_TRUE(instance.handOver("flag " + kept));
    // The album follows the decision at once; the index is saved later, or by the quit flush.
    const QString link =
        library.filePath(QStringLiteral("Keepsift \u2014 Rejects/") + QString::fromStdString(kept));
    ASSERT_TRUE(eventually([&] { return QFileInfo(link).isSymLink(); }));

    // "Quit Keepsift" is the status window's last row, above its 12-pixel margin.
    ASSERT_TRUE(clickAt(status.frame.left() + 60, status.frame.bottom() - 12 - 10));
    ASSERT_TRUE(app.process().waitForFinished(60000)) << "Quit did not end the process";
    EXPECT_EQ(app.process().exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(app.process().exitCode(), 0);
    const auto saved = savedDecisions(app);
    ASSERT_TRUE(saved);
    EXPECT_EQ(saved->first.entries.at(kept).state, ReviewState::flaggedByHand);
    const auto journal = saved->second.entries();
    EXPECT_TRUE(std::any_of(journal.begin(), journal.end(), [&](const auto& entry) {
        return entry.assetID == kept && entry.event == ReviewJournal::Event::overriddenToFlag;
    })) << "the hand decision is not in the journal";
}

// Other programs keeping cores busy for as long as it lives.
class BusyCores {
public:
    explicit BusyCores(int count) {
        for (int core = 0; core < count; ++core)
            loops_.emplace_back([](const std::stop_token& stop) {
                while (!stop.stop_requested()) {
                }
            });
    }

private:
    std::vector<std::jthread> loops_;
};

// One burst of two frames, the same scene saved at two qualities. The frames' names in the
// order the review window numbers them: written one after the other, they are in that order by
// time and by name.
std::optional<QStringList> writeBurst(const QTemporaryDir& library) {
    const QStringList frames{QStringLiteral("burst-1.jpg"), QStringLiteral("burst-2.jpg")};
    const QImage scene = picture(40);
    if (!scene.save(library.filePath(frames[0]), "JPG", 92) ||
        !scene.save(library.filePath(frames[1]), "JPG", 80))
        return std::nullopt;
    return frames;
}

// The text of the visible widget so named, as the test seam writes it; nothing when no visible
// window holds it.
std::optional<QString> shownText(LaunchedKeepsift& app, const QString& objectName) {
    static int asked = 0;
    const auto texts = visibleTexts(app, QStringLiteral("texts-%1.txt").arg(++asked));
    if (!texts) return std::nullopt;
    for (const QString& line : QString::fromStdString(*texts).split(QLatin1Char('\n'))) {
        const QStringList columns = line.split(QLatin1Char('\t'));
        if (columns.size() == 3 && columns[1] == objectName) return columns[2];
    }
    return std::nullopt;
}

// Whether the review window's comparison shows the photograph kept (its button offers to
// discard it) or discarded; nothing while it does not show it.
std::optional<bool> comparisonKeeps(LaunchedKeepsift& app, const QString& photo) {
    const auto offer = shownText(app, QStringLiteral("compare-toggle-") + photo);
    if (offer == app::fixedText(FixedText::discard, "en")) return true;
    if (offer == app::fixedText(FixedText::keep, "en")) return false;
    return std::nullopt;
}

// Whether the comparison has closed.
bool comparisonClosed(LaunchedKeepsift& app) {
    return !shownText(app, QStringLiteral("close-compare"));
}

// The review window opened from the status window's "Review photos" row, once it lists the
// photographs.
std::optional<XWindow> openReview(LaunchedKeepsift& app, const QStringList& photos) {
    const XWindow status = awaitWindow(QStringLiteral("Keepsift"), popoverWidth);
    if (!clickAt(status.frame.left() + 60, status.frame.top() + reviewRowY)) return std::nullopt;
    const XWindow review = awaitWindow(QStringLiteral("Keepsift"), reviewWidth);
    // The start's first pass, or its reading of the index, lists them.
    const bool listed = eventually(
        [&] {
            return std::all_of(photos.begin(), photos.end(), [&](const QString& photo) {
                return shownText(app, QStringLiteral("photo-") + photo).has_value();
            });
        },
        600);
    if (!listed) return std::nullopt;
    return review;
}

// What the user finds after the quit: the photograph discarded by hand in the saved index, a
// link to it in the rejects album, and no album write on it left unsettled.
void expectDiscardSaved(const LaunchedKeepsift& app, const QTemporaryDir& library,
                        const QString& photo) {
    const auto saved = savedDecisions(app);
    ASSERT_TRUE(saved);
    const std::string id = photo.toStdString();
    EXPECT_EQ(saved->first.entries.at(id).state, ReviewState::flaggedByHand);
    EXPECT_TRUE(
        QFileInfo(library.filePath(QStringLiteral("Keepsift \u2014 Rejects/") + photo)).isSymLink())
        << "the album does not link the discard";
    const auto folder = indexFolder(app);
    ASSERT_TRUE(folder);
    const auto unsettled =
        UnsettledAlbum::decode(readWholeFile(*folder / std::string(UnsettledAlbum::fileName))
                                   .value_or(R"({"unsettled":[]})"));
    ASSERT_TRUE(unsettled);
    EXPECT_FALSE(unsettled->ids.contains(id)) << "the album write is left unsettled";
}

// In the review window the number key of a burst's keeper discards it and Ctrl+Q follows with
// no gap, while other programs keep the cores busy. After the quit the index holds the discard
// by hand, the rejects album links it and the list of unsettled album writes does not name it;
// the next start shows it discarded, and its number key keeps it again for the next round.
// Six rounds take about a minute; a sanitized start takes several times as long, so that build
// does three.
TEST(DesktopAcceptance, ADiscardByItsNumberKeyAndCtrlQAtOnceAreBothKeptUnderLoad) {
    constexpr int rounds = KEEPSIFT_SANITIZED ? 3 : 6;
    QTemporaryDir library;
    const auto frames = writeBurst(library);
    ASSERT_TRUE(frames);
    const BusyCores busy(3);
    LaunchedKeepsift app({QStringLiteral("--library"), library.path()},
                         {{QStringLiteral("KEEPSIFT_TEST_SEAM"), QStringLiteral("1")},
                          {QStringLiteral("LANGUAGE"), QStringLiteral("en")},
                          {QStringLiteral("LANG"), QStringLiteral("en_GB.UTF-8")},
                          {QStringLiteral("LC_ALL"), QStringLiteral("en_GB.UTF-8")}},
                         false, returningUser);
    QString keeper;
    for (int round = 0; round < rounds; ++round) {
        SCOPED_TRACE(round);
        if (round > 0) app.startAgain();
        ASSERT_TRUE(app.process().waitForStarted(10000));
        const auto review = openReview(app, *frames);
        ASSERT_TRUE(review) << shownWindows("review-without-the-burst");
        // Space compares the burst's frames; the comparison says which one is kept.
        ASSERT_TRUE(pressKeys({QStringLiteral("space")}));
        if (round == 0) {
            ASSERT_TRUE(eventually([&] {
                for (const QString& frame : *frames)
                    if (comparisonKeeps(app, frame) == true) keeper = frame;
                return !keeper.isEmpty();
            })) << shownWindows("review-without-a-keeper");
            screenshot(*review, "real-review-comparing-before-a-discard-and-quit");
        }
        const QString number = QString::number(frames->indexOf(keeper) + 1);
        std::optional<bool> kept;
        ASSERT_TRUE(eventually([&] { return (kept = comparisonKeeps(app, keeper)).has_value(); }))
            << shownWindows("review-without-the-keeper");
        if (round > 0) {
            EXPECT_FALSE(*kept) << "the last round's discard is gone after the start";
            // Its number key keeps it again, for this round's discard.
            if (!*kept) {
                ASSERT_TRUE(pressKeys({number}));
            }
            ASSERT_TRUE(eventually([&] { return comparisonKeeps(app, keeper) == true; }))
                << shownWindows("review-without-the-keep");
        }
        ASSERT_TRUE(pressKeys({QStringLiteral("Escape")}));
        ASSERT_TRUE(eventually([&] { return comparisonClosed(app); }));

        ASSERT_TRUE(pressKeys({number, QStringLiteral("Control_L+q")}));
        ASSERT_TRUE(app.process().waitForFinished(60000)) << "Ctrl+Q did not end the process";
        EXPECT_EQ(app.process().exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(app.process().exitCode(), 0);
        expectDiscardSaved(app, library, keeper);
    }
}

// A new user's first day: "Get started" (the test seam answers the access question with yes)
// closes the first-run window at once; the first pass over the library goes on behind it.
TEST(DesktopAcceptance, TheFirstRunWindowClosesWhileTheFirstPassGoesOn) {
    constexpr int pictures = 120;
    QTemporaryDir library;
    ASSERT_TRUE(writePictures(library, pictures));
    LaunchedKeepsift app({QStringLiteral("--library"), library.path()},
                         {{QStringLiteral("KEEPSIFT_TEST_SEAM"), QStringLiteral("1")}}, false);
    ASSERT_TRUE(app.process().waitForStarted(10000));
    awaitWindow(QStringLiteral("Keepsift"), firstRunWidth);
    // The index is read before the window is looked for: a whole pass saved while the window
    // still shows was saved before it closed, however late this test looks.
    bool stayedForThePass = false;
    // Photographs measured in the index saved last; none before the first save.
    const auto measured = [&](const QByteArray& index) {
        return index.contains("p0.jpg") ? pictures - index.count("\"pending\"") : 0;
    };
    int measuredAsItClosed = 0;
    const auto closed = [&] {
        const QByteArray index = savedIndex(app);
        const bool open = windowOf(QStringLiteral("Keepsift"), firstRunWidth).has_value();
        stayedForThePass |= open && measured(index) == pictures;
        if (!open) measuredAsItClosed = measured(index);
        return !open;
    };
    // "Get started" sits at the bottom right, inside the window's margin; a click the window
    // was not ready for is made again, where the window is now (it may be placed or grow after
    // it first showed).
    ASSERT_TRUE(eventually([&] {
        if (!closed())
            if (const auto now = windowOf(QStringLiteral("Keepsift"), firstRunWidth))
                clickAt(now->frame.right() - 60, now->frame.bottom() - 30);
        return eventually(closed, 3);
    })) << shownWindows("first-run-not-closed");
    EXPECT_FALSE(stayedForThePass) << "the window stayed until the whole library was measured";
    // However slow the machine, more photographs are measured and saved once it closed.
    EXPECT_TRUE(eventually(
        [&] {
            const int now = measured(savedIndex(app));
            return now == pictures || now > measuredAsItClosed;
        },
        600))
        << "the first pass did not go on behind the window";
}

// A later launch naming another folder does not switch the running Keepsift (that would mix
// two libraries' decisions): a message says which folder is in use and how to switch.
TEST(DesktopAcceptance, ALaterLaunchNamingAnotherFolderIsToldHowToSwitch) {
    QTemporaryDir library, other;
    LaunchedKeepsift app({QStringLiteral("--library"), library.path()}, {}, false);
    ASSERT_TRUE(app.process().waitForStarted(10000));
    awaitWindow(QStringLiteral("Keepsift"), popoverWidth);
    awaitWindow(QStringLiteral("Keepsift"), firstRunWidth);
    const auto count = [] { return keepsiftWindows().size(); };
    const size_t before = count();
    EXPECT_EQ(app.launchAgain({QStringLiteral("--library"), library.path()}), 0);
    EXPECT_EQ(count(), before) << "the same folder needs no word";
    EXPECT_EQ(app.launchAgain({QStringLiteral("--library"), other.path()}), 0);
    EXPECT_TRUE(eventually([&] { return count() == before + 1; }));
}

// Every interface-test scenario in both languages: the popover's stand-in and the first-run
// window in one launch, the settings window in another (without a window manager they would
// cover each other), each on the display and uncovered.
TEST(DesktopAcceptance, EveryScenarioShowsItsWindowsInBothLanguages) {
    for (const std::string& scenario : keepsift::Scenario::names())
        for (const QString& language : {QStringLiteral("en"), QStringLiteral("de")}) {
            const std::string name = scenario + "-" + language.toStdString();
            SCOPED_TRACE(name);
            const QMap<QString, QString> environment{
                {QStringLiteral("KEEPSIFT_SCENARIO"), QString::fromStdString(scenario)},
                {QStringLiteral("KEEPSIFT_LANGUAGE"), language}};
            {
                QMap<QString, QString> newUser = environment;
                newUser.insert(QStringLiteral("KEEPSIFT_FIRST_RUN"), QStringLiteral("1"));
                LaunchedKeepsift app({}, newUser);
                ASSERT_TRUE(app.process().waitForStarted(10000));
                const XWindow popover = awaitWindow(QStringLiteral("Keepsift"), popoverWidth);
                const XWindow firstRun = awaitWindow(QStringLiteral("Keepsift"), firstRunWidth);
                expectUncovered(firstRun);
                screenshot(popover, "real-popover-" + name);
                screenshot(firstRun, "real-first-run-" + name);
            }
            LaunchedKeepsift app({QStringLiteral("--settings")}, environment);
            ASSERT_TRUE(app.process().waitForStarted(10000));
            const XWindow settings = awaitWindow(language == QStringLiteral("de")
                                                     ? QStringLiteral("Keepsift Einstellungen")
                                                     : QStringLiteral("Keepsift Settings"),
                                                 settingsWidth);
            awaitWindow(QStringLiteral("Keepsift"), popoverWidth);
            expectUncovered(settings);
            screenshot(settings, "real-settings-" + name);
        }
}

} // namespace
} // namespace keepsift::testing

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (!keepsift::testing::VirtualDisplay::canStart()) {
        std::printf("[  SKIPPED ] no Xvfb\n");
        return 0;
    }
    const keepsift::testing::TemporaryFolder folder;
    const keepsift::testing::VirtualDisplay display(folder.path());
    display.useIt();
    QGuiApplication application(argc, argv);
    return RUN_ALL_TESTS();
}
