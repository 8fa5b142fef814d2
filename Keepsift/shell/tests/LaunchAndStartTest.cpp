#include <QApplication>
#include <QWidget>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <thread>
#include <unistd.h>

#include "Keepsift/shell/KeepsiftApp.hpp"
#include "Keepsift/shell/LaunchOptions.hpp"
#include "Keepsift/shell/LowPrioritySignalSource.hpp"
#include "Keepsift/shell/SingleInstance.hpp"
#include "Keepsift/shell/StartupTrayItem.hpp"
#include "Keepsift/shell/StorageSpikeRun.hpp"
#include "Keepsift/shell/SystemConditionsProbe.hpp"
#include "Keepsift/shell/tests/FakeTree.hpp"
#include "Keepsift/shell/tests/QtEnvironment.hpp"

namespace keepsift::app {
namespace {

TEST(LaunchOptions, FlagsCountOnlyAsExactWholeArguments) {
    auto options = LaunchOptions::parse({"--library", "/p", "-KeepsiftUITestMode"}, {});
    EXPECT_TRUE(options.interfaceTestMode);
    EXPECT_FALSE(options.spikeStorage);
    EXPECT_EQ(options.library, "/p");
    options = LaunchOptions::parse({"-KeepsiftUITestModeX", "--spike-storage", "--library=/q"},
                                   {{"KEEPSIFT_SCENARIO", "x"}, {"KEEPSIFT_TEST_SEAM", "yes"}});
    EXPECT_FALSE(options.interfaceTestMode);
    EXPECT_TRUE(options.spikeStorage);
    EXPECT_FALSE(options.testSeam);
    EXPECT_EQ(options.library, "/q");
    EXPECT_TRUE(LaunchOptions::parse({}, {{"KEEPSIFT_TEST_SEAM", "1"}}).testSeam);
    // Polling is forced for tests only: a user's environment alone never turns it on.
    EXPECT_FALSE(LaunchOptions::parse({}, {{"KEEPSIFT_TEST_POLLING", "1"}}).watchesByPolling);
    EXPECT_TRUE(
        LaunchOptions::parse({}, {{"KEEPSIFT_TEST_SEAM", "1"}, {"KEEPSIFT_TEST_POLLING", "1"}})
            .watchesByPolling);
    EXPECT_EQ(LaunchOptions::parse({"--library"}, {}).library, std::nullopt);
    EXPECT_TRUE(LaunchOptions::parse({"--settings"}, {}).opensSettings);
    EXPECT_FALSE(LaunchOptions::parse({"--settings=yes"}, {}).opensSettings);
}

TEST(LaunchOptions, TheStorageDiagnosticTakesPrecedenceOverTheScenario) {
    EXPECT_TRUE(LaunchOptions::parse({"-KeepsiftUITestMode"}, {}).startsScenario());
    EXPECT_FALSE(LaunchOptions::parse({"-KeepsiftUITestMode", "--spike-storage"},
                                      {{"KEEPSIFT_SCENARIO", "small"}})
                     .startsScenario());
    EXPECT_FALSE(
        LaunchOptions::parse({"--spike-storage", "-KeepsiftUITestMode"}, {}).startsScenario());
    EXPECT_FALSE(LaunchOptions::parse({}, {}).startsScenario());
}

TEST(LaunchOptions, OnlyAStartByTheUserWithTheIconHiddenOpensAWindowOfItsOwn) {
    const auto byUser = LaunchOptions::parse({}, {});
    const auto atLogin = LaunchOptions::parse({"--autostart"}, {});
    EXPECT_FALSE(byUser.atLogin);
    EXPECT_TRUE(atLogin.atLogin);
    EXPECT_FALSE(LaunchOptions::parse({"--autostart=yes"}, {}).atLogin);
    EXPECT_TRUE(byUser.opensWindowAtStart(false));
    EXPECT_FALSE(byUser.opensWindowAtStart(true)) << "the icon is the way in";
    EXPECT_FALSE(atLogin.opensWindowAtStart(false));
    EXPECT_FALSE(LaunchOptions::parse({"--settings"}, {}).opensWindowAtStart(false))
        << "it opens the settings window instead";
}

TEST(StorageSpikeRun, AReportIsAppendedAfterABlankLine) {
    EXPECT_EQ(appendedReport("", "new"), "new");
    EXPECT_EQ(appendedReport("old", "new"), "old\n\nnew");
}

TEST(SystemConditionsProbe, JoinsTheMachineWithTheSwitches) {
    testing::FakeTree tree;
    tree.write("power/BAT0/type", "Battery");
    tree.write("power/BAT0/status", "Discharging");
    tree.write("thermal/thermal_zone0/temp", "90000");
    tree.write("thermal/thermal_zone0/trip_point_0_type", "passive");
    tree.write("thermal/thermal_zone0/trip_point_0_temp", "80000");
    tree.write("profile", "low-power");
    SystemConditionsProbe probe(std::make_shared<LowPowerProbe>(tree.root() / "profile"),
                                {tree.root() / "power", tree.root() / "thermal"});
    Settings settings;
    settings.isPaused = true;
    settings.mainsOnly = false;
    const WorkConditions conditions = probe.current(settings, false);
    EXPECT_EQ(conditions.power, WorkConditions::Power::battery);
    EXPECT_TRUE(conditions.isLowPowerMode);
    EXPECT_TRUE(conditions.isTooHot);
    EXPECT_TRUE(conditions.scanningEnabled);
    EXPECT_TRUE(conditions.isPaused);
    EXPECT_FALSE(conditions.mainsOnly);
    EXPECT_FALSE(conditions.canReadLibrary);
}

struct CountingSource : SignalSource {
    std::optional<PhotoSignals> signals(const AssetReference&) override {
        ++calls;
        return std::nullopt;
    }
    int calls = 0;
};

TEST(LowPrioritySignalSource, TheMeasuringThreadRunsAtNiceTenAndOthersDoNot) {
    auto inner = std::make_shared<CountingSource>();
    LowPrioritySignalSource source(inner);
    const auto ownNiceness = [] {
        return ::getpriority(PRIO_PROCESS, static_cast<id_t>(::syscall(SYS_gettid)));
    };
    // The suite may itself run under nice: what counts is that this thread keeps its own.
    const int before = ownNiceness();
    int niceness = -1;
    std::thread([&] {
        source.signals(AssetReference{});
        source.signals(AssetReference{});
        niceness = ownNiceness();
    }).join();
    EXPECT_EQ(inner->calls, 2);
    EXPECT_EQ(niceness, LowPrioritySignalSource::niceness);
    EXPECT_EQ(ownNiceness(), before);
}

// The application in interface-test mode, in this process.
TEST(KeepsiftApp, StartsTheScenarioModelAndOpensTheReviewWindowOnReopen) {
    testing::TemporaryFolder home;
    ::setenv("XDG_CONFIG_HOME", home.path().c_str(), 1);
    ::setenv("XDG_DATA_HOME", home.path().c_str(), 1);
    {
        NoWindowMaker noViews;
        KeepsiftApp app(LaunchOptions::parse({"-KeepsiftUITestMode"}, {}), noViews);
        app.start();
        ASSERT_TRUE(app.model());
        ASSERT_TRUE(testing::processEventsUntil(
            [&] { return app.model()->hasPumpTask() && app.model()->hasChangesTask(); }));
        EXPECT_FALSE(app.model()->needsFirstRunNotice());
        EXPECT_EQ(app.model()->updater(), nullptr);

        // A review session starts afresh when the review window opens.
        bool overridden = false;
        app.model()->override(true, "no-such-photo", [&] { overridden = true; });
        ASSERT_TRUE(testing::processEventsUntil([&] { return overridden; }));
        ASSERT_EQ(app.model()->overridesThisSession(), 1);
        // An XEmbed tray's icon is a visible top-level widget, but no window to bring forward.
        QWidget trayIcon(nullptr,
                         Qt::Window | Qt::FramelessWindowHint | Qt::BypassWindowManagerHint);
        trayIcon.show();
        app.handleRequest("reopen");
        EXPECT_EQ(app.model()->overridesThisSession(), 0);
        QWidget* review = nullptr;
        for (QWidget* window : QApplication::topLevelWidgets())
            if (window->objectName() == "review" && window->isVisible()) review = window;
        ASSERT_NE(review, nullptr);
        // Asked again while a window is visible, nothing new opens.
        app.handleRequest("reopen");
        EXPECT_EQ(QApplication::topLevelWidgets().count(review), 1);
        // Test commands are refused without the seam.
        app.handleRequest("delete-all 3");
        EXPECT_FALSE(app.model()->isDeleting());
        // A later launch with --settings hands this over: the settings window opens.
        app.handleRequest(SingleInstance::settingsRequest);
        QWidget* settings = nullptr;
        for (QWidget* window : QApplication::topLevelWidgets())
            if (window->objectName() == "settings" && window->isVisible()) settings = window;
        ASSERT_NE(settings, nullptr);
        EXPECT_EQ(settings->windowTitle().toStdString(), "Keepsift Settings");
        settings->close();
        app.willTerminate();
        review->close();
    }
    ::unsetenv("XDG_CONFIG_HOME");
    ::unsetenv("XDG_DATA_HOME");
}

// Without a tray, launching again brings back the status window, not the review window.
TEST(KeepsiftApp, WithoutATrayALaterLaunchBringsBackTheStatusWindow) {
    struct StatusWindowMaker : NoWindowMaker {
        bool showStatusWindow() override { return ++shown, true; }
        int shown = 0;
    };
    testing::TemporaryFolder home;
    ::setenv("XDG_CONFIG_HOME", home.path().c_str(), 1);
    ::setenv("XDG_DATA_HOME", home.path().c_str(), 1);
    {
        StatusWindowMaker views;
        KeepsiftApp app(LaunchOptions::parse({"-KeepsiftUITestMode"}, {}), views);
        app.start();
        ASSERT_TRUE(testing::processEventsUntil([&] { return app.model()->hasPumpTask(); }));
        app.handleRequest(SingleInstance::reopenRequest);
        EXPECT_EQ(views.shown, 1);
        for (QWidget* window : QApplication::topLevelWidgets())
            EXPECT_FALSE(window->objectName() == "review" && window->isVisible());
        app.willTerminate();
    }
    ::unsetenv("XDG_CONFIG_HOME");
    ::unsetenv("XDG_DATA_HOME");
}

// A click on the start-up icon, or a later launch, while the model is still being made: the
// answer comes once the model exists instead of being dropped.
TEST(KeepsiftApp, ARequestBeforeTheModelExistsIsAnsweredOnceItDoes) {
    testing::TemporaryFolder home;
    ::setenv("XDG_CONFIG_HOME", home.path().c_str(), 1);
    ::setenv("XDG_DATA_HOME", home.path().c_str(), 1);
    {
        NoWindowMaker noViews;
        KeepsiftApp app(LaunchOptions::parse({"-KeepsiftUITestMode"}, {}), noViews);
        app.handleRequest(SingleInstance::settingsRequest);
        app.start();
        QWidget* settings = nullptr;
        ASSERT_TRUE(testing::processEventsUntil([&] {
            for (QWidget* window : QApplication::topLevelWidgets())
                if (window->objectName() == "settings" && window->isVisible()) settings = window;
            return settings != nullptr;
        }));
        settings->close();
        app.willTerminate();
    }
    ::unsetenv("XDG_CONFIG_HOME");
    ::unsetenv("XDG_DATA_HOME");
}

// A returning user's home who hid the icon: notice seen, access given, one empty library.
class HomeWithHiddenIcon {
public:
    HomeWithHiddenIcon() {
        for (const char* variable : {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME"})
            ::setenv(variable, (home_.path() / variable).c_str(), 1);
        const auto config = home_.path() / "XDG_CONFIG_HOME" / "com.ambervale.keepsift";
        std::filesystem::create_directories(config);
        std::filesystem::create_directories(library());
        const auto base64 = [](const char* text) {
            return QByteArray(text).toBase64().toStdString();
        };
        std::ofstream(config / "defaults.json")
            << R"({"keepsift.seenFirstRunNotice":")" << base64("true")
            << R"(","keepsift.settings":")" << base64(R"({"showsMenuBarIcon":false})") << "\"}";
        std::ofstream(config / "library-consent.json") << R"({"consent":"granted"})";
    }
    ~HomeWithHiddenIcon() {
        for (const char* variable : {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME"})
            ::unsetenv(variable);
    }
    std::filesystem::path library() const { return home_.path() / "Photos"; }

private:
    testing::TemporaryFolder home_;
};

bool showsWindow(const QString& identifier) {
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window->objectName() == identifier && window->isVisible()) return true;
    return false;
}

// The panel has a tray, but the user hid the icon: a start from the menu or the command line
// would show nothing at all without a window of its own; a start at login stays quiet.
TEST(KeepsiftApp, WithTheIconHiddenAStartByTheUserOpensTheReviewWindowAndOneAtLoginNothing) {
    struct TrayWindowMaker : NoWindowMaker {
        bool startMenuBarItem(AppModel&, const ShellActions&) override { return true; }
    };
    for (const bool atLogin : {false, true}) {
        SCOPED_TRACE(atLogin ? "at login" : "by the user");
        HomeWithHiddenIcon home;
        TrayWindowMaker views;
        std::vector<std::string> arguments{"--library", home.library().string()};
        if (atLogin) arguments.push_back("--autostart");
        KeepsiftApp app(LaunchOptions::parse(arguments, {}), views);
        app.start();
        EXPECT_FALSE(app.tray()->isShown()) << "the icon shown while the model is made";
        ASSERT_TRUE(testing::processEventsUntil(
            [&] { return app.model() && app.model()->hasPumpTask(); }, 60000));
        EXPECT_FALSE(app.model()->settings().showsMenuBarIcon);
        EXPECT_EQ(showsWindow("review"), !atLogin);
        EXPECT_FALSE(app.tray()->isShown());
        app.willTerminate();
    }
}

} // namespace
} // namespace keepsift::app
