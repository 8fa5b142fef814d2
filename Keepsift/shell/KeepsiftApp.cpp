#include "Keepsift/shell/KeepsiftApp.hpp"

#include <QApplication>
#include <QMessageBox>

#include "Keepsift/shell/Announcements.hpp"
#include "Keepsift/shell/AutostartLoginItem.hpp"
#include "Keepsift/shell/LibraryFolders.hpp"
#include "Keepsift/shell/PowerProfilesWatcher.hpp"
#include "Keepsift/shell/QtMainActor.hpp"
#include "Keepsift/shell/QtPlatformDialogs.hpp"
#include "Keepsift/shell/QuitSignals.hpp"
#include "Keepsift/shell/ShellTexts.hpp"
#include "Keepsift/shell/SingleInstance.hpp"
#include "Keepsift/shell/StartupTrayItem.hpp"
#include "Keepsift/shell/StorageSpikeRun.hpp"
#include "Keepsift/shell/StoredIconChoice.hpp"
#include "Keepsift/shell/SystemConditionsProbe.hpp"
#include "Keepsift/shell/UserDesktopEntry.hpp"
#include "Keepsift/shell/WindowTexts.hpp"
#include "Keepsift/shell/Windows.hpp"
#include "core/settings/Keepsift.hpp"
#include "core/support/Logger.hpp"
#include "platform/files/AtomicFile.hpp"
#include "system/bundle/BundleInfo.hpp"
#include "telemetry/client/Analytics.hpp"

namespace keepsift::app {
namespace {

const Logger& shellLogger() {
    static const Logger logger(std::string(Keepsift::identifier), "shell");
    return logger;
}

std::filesystem::path supportFolderOrNothing() {
    try {
        return applicationSupportFolder();
    } catch (const std::exception&) {
        return {};
    }
}

// The analytics client's session and duration clocks run only while the application is active;
// Qt reports changes only, and a tray application usually starts inactive.
void reportApplicationState(Qt::ApplicationState state) {
    if (state == Qt::ApplicationActive)
        analytics::Analytics::applicationDidBecomeActive();
    else
        analytics::Analytics::applicationWillResignActive();
}

// A window the user can bring forward. The icon in an XEmbed tray is a visible top-level widget
// too, one that passes the window manager by: counting it would leave a later launch, as from
// the desktop menu, with nothing to show.
bool isBroughtForward(const QWidget& window) {
    return window.isVisible() && !window.testAttribute(Qt::WA_DontShowOnScreen) &&
           !window.windowFlags().testFlag(Qt::BypassWindowManagerHint) &&
           window.windowType() != Qt::Popup && window.windowType() != Qt::ToolTip;
}

} // namespace

KeepsiftApp::KeepsiftApp(LaunchOptions options, WindowMaker& windowMaker, QObject* parent)
    : QObject(parent), options_(std::move(options)), windowMaker_(windowMaker),
      lowPower_(std::make_shared<LowPowerProbe>()) {
    // The dialogs ask for the language on the GUI thread, where the model is set.
    dialogs_ = std::make_shared<QtPlatformDialogs>(
        this, [this] { return model_ ? model_->settings().language : std::string("en"); },
        options_.testSeam);
}

KeepsiftApp::~KeepsiftApp() {
    dialogs_->shutdown();
    if (builder_.joinable()) builder_.join();
    observation_.cancel();
    model_.reset();
}

AppModel::Services KeepsiftApp::services() {
    AppModel::Services services;
    services.mainActor = std::make_shared<QtMainActor>(this);
    services.loginItem = std::make_shared<AutostartLoginItem>(AutostartLoginItem::standard());
    services.conditions = std::make_shared<SystemConditionsProbe>(lowPower_);
    services.updaters = std::make_shared<AppcastUpdaterFactory>(
        bundleInfoFile(), [this](const UpdateAnswer& answer) { announce(answer); });
    return services;
}

ShellActions KeepsiftApp::actions() {
    ShellActions actions;
    actions.showReview = [this] { showReview(); };
    actions.showSettings = [this] { showSettings(); };
    actions.dismissPopover = [] { dismissMenuBarPopover(); };
    actions.openLibraryAccess = [this] { showSettings(); };
    actions.quit = [] { QCoreApplication::quit(); };
    return actions;
}

void KeepsiftApp::makeWindows(std::shared_ptr<UserDefaults> frames) {
    windows_ = std::make_unique<Windows>(std::move(frames), windowMaker_, actions());
}

void KeepsiftApp::start() {
    qApp->installEventFilter(this);
    quitSignals_ = std::make_unique<QuitSignals>();
    connect(quitSignals_.get(), &QuitSignals::quitRequested, qApp, &QCoreApplication::quit,
            Qt::QueuedConnection);
    connect(qApp, &QCoreApplication::aboutToQuit, this, &KeepsiftApp::willTerminate);
    // The session manager asks before it ends the session (and may still cancel): the
    // pending save is written now, and the quit that follows goes through willTerminate.
    connect(qApp, &QGuiApplication::commitDataRequest, this, [this] {
        if (model_ && !options_.spikeStorage) model_->flushBeforeQuit(quitFlushSeconds);
    });
    new PowerProfilesWatcher(lowPower_, this);
    tray_ = std::make_unique<StartupTrayItem>(
        [this] {
            dismissMenuBarPopover();
            showReview();
        },
        [] { QCoreApplication::quit(); });

    if (options_.startsScenario()) {
        // A scenario's settings are the defaults.
        showStartupItem(Settings{}.showsMenuBarIcon);
        makeWindows(nullptr);
        auto services = this->services();
        auto images = windowMaker_.imageSource(nullptr, services.mainActor);
        model_ = AppModel::makeForScenario(options_.environment, services, std::move(images));
        begin();
        return;
    }
    // A Keepsift run from a build puts itself into the desktop menu, for the binary that runs.
    if (!options_.spikeStorage) UserDesktopEntry::standard().install();
    auto defaults = standardDefaults();
    showStartupItem(storedShowsMenuBarIcon(defaults));
    // The engine reads the index and journal while it is made: off the GUI thread.
    PlatformDialogs dialogs{dialogs_, dialogs_};
    WatcherOptions watcher;
    watcher.useInotify = !options_.watchesByPolling;
    builder_ = std::thread([this, dialogs, defaults, library = options_.library, watcher] {
        auto parts = std::make_shared<ProductionParts>(
            makeProductionParts(defaults, library, dialogs, watcher));
        QMetaObject::invokeMethod(
            this, [this, parts] { adopt(std::move(*parts)); }, Qt::QueuedConnection);
    });
}

// Stands in for the menu-bar item while the model is made, where one is wanted: nobody waits
// for Keepsift at login, and an icon the user hid is never handed to the panel.
void KeepsiftApp::showStartupItem(bool showsMenuBarIcon) {
    tray_->setShown(showsMenuBarIcon && !options_.atLogin);
}

void KeepsiftApp::adopt(ProductionParts parts) {
    if (builder_.joinable()) builder_.join();
    if (terminated_) return;
    makeWindows(parts.defaults);
    library_ = parts.library.root;
    auto services = this->services();
    services.recordLibraryConsent = [port = parts.services.port](bool granted) {
        return port->recordConsent(granted);
    };
    parts.parts.images = windowMaker_.imageSource(parts.services.port, services.mainActor);
    model_ = std::make_unique<AppModel>(parts.parts, services);
    reportApplicationState(QGuiApplication::applicationState());
    connect(qApp, &QGuiApplication::applicationStateChanged, this, &reportApplicationState);
    if (options_.spikeStorage) {
        runSpike(std::move(parts));
        return;
    }
    begin();
}

void KeepsiftApp::runSpike(ProductionParts parts) {
    builder_ = std::thread([this, engine = model_->engine(), port = parts.services.port] {
        runStorageSpike(*engine, *port, supportFolderOrNothing());
        QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
    });
}

void KeepsiftApp::begin() {
    AppModel* model = model_.get();
    model->loadFirstRunState([this, model] {
        showFirstRunIfNeeded();
        ready_ = true;
        for (auto& answer : std::exchange(waiting_, {}))
            answer();
        model->start(
            [this] {
                showFirstRunIfNeeded();
                if (options_.opensSettings) showSettings();
            },
            [this] { showWhatTheSettingsAsk(); });
        Q_EMIT modelStarted();
    });
}

// The item waits for the settings, so that a hidden icon never flashes up; with it hidden, a
// start by the user would show nothing without a window of its own.
void KeepsiftApp::showWhatTheSettingsAsk() {
    startMenuBarItem();
    if (options_.opensWindowAtStart(model_->settings().showsMenuBarIcon)) reopen();
}

void KeepsiftApp::showFirstRunIfNeeded() {
    if (model_) windowMaker_.showFirstRunIfNeeded(*model_);
}

void KeepsiftApp::startMenuBarItem() {
    if (!windowMaker_.startMenuBarItem(*model_, actions())) return followSettings();
    tray_->setShown(false);
}

void KeepsiftApp::followSettings() {
    const auto follow = [this] {
        tray_->setLanguage(model_->settings().language);
        tray_->setShown(model_->settings().showsMenuBarIcon);
    };
    follow();
    observation_ = model_->observe([follow](Property property) {
        if (property == Property::settings) follow();
    });
}

void KeepsiftApp::handleRequest(const std::string& request) {
    if (request == SingleInstance::reopenRequest) return reopen();
    if (request.starts_with(SingleInstance::libraryRequest))
        return reopenFor(request.substr(std::string_view(SingleInstance::libraryRequest).size()));
    if (request == SingleInstance::settingsRequest) return showSettings();
    if (options_.testSeam && model_) handleTestRequest(request);
}

// The interface-test seam: "flag ID" and "keep ID" decide one photograph by hand, "ignore GROUP"
// and "reset GROUP" do what the review window's Ignore and Reset do;
// "delete-all N" confirms the whole review list's N photographs; "launch-at-login" ticks that
// switch; "texts FILE" writes what the visible windows say.
void KeepsiftApp::handleTestRequest(const std::string& request) {
    if (request.starts_with("flag ")) return model_->override(false, request.substr(5));
    if (request.starts_with("keep ")) return model_->override(true, request.substr(5));
    if (request.starts_with("ignore ")) return model_->ignore(request.substr(7));
    if (request.starts_with("reset ")) return model_->reset(request.substr(6));
    if (request.starts_with("texts ")) {
        try {
            return replaceFileAtomically(request.substr(6), visibleWindowTexts());
        } catch (const std::exception& error) {
            return shellLogger().error(std::string("window texts: ") + error.what());
        }
    }
    if (request == "launch-at-login") {
        Settings settings = model_->settings();
        settings.launchAtLogin = true;
        return model_->applySettings(settings);
    }
    if (request.starts_with("delete-all ")) {
        try {
            const std::int64_t expected = std::stoll(request.substr(11));
            model_->confirmDelete(std::nullopt, expected);
        } catch (const std::exception&) {
            shellLogger().error("unreadable test request: " + request);
        }
    }
}

void KeepsiftApp::reopen() {
    whenReady([this] {
        // Without a tray the status window is the way to Settings, Pause and Quit.
        if (windowMaker_.showStatusWindow()) return;
        for (QWidget* window : QApplication::topLevelWidgets())
            if (isBroughtForward(*window)) {
                window->raise();
                window->activateWindow();
                return;
            }
        windows_->showReview(*model_);
    });
}

void KeepsiftApp::reopenFor(const std::string& library) {
    reopen();
    whenReady([this, library] {
        // Switching while running would mix two libraries' decisions: the user is told how.
        if (!library_ || libraryKey(*library_) == libraryKey(library)) return;
        const std::string text =
            ShellTexts::libraryInUse(library_->string(), library, model_->settings().language);
        auto* box = new QMessageBox(QMessageBox::Information, QStringLiteral("Keepsift"),
                                    QString::fromStdString(text));
        box->setObjectName(QStringLiteral("library-in-use"));
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->show();
    });
}

void KeepsiftApp::showReview() {
    whenReady([this] { windows_->showReview(*model_); });
}

void KeepsiftApp::showSettings() {
    whenReady([this] { windows_->showSettings(*model_); });
}

void KeepsiftApp::whenReady(std::function<void()> answer) {
    if (ready_ && model_ && windows_) return answer();
    if (!terminated_) waiting_.push_back(std::move(answer));
}

bool KeepsiftApp::eventFilter(QObject* watched, QEvent* event) {
    // Qt's own quit first asks every window to close and gives up when one refuses, as a sheet
    // waiting for its answer does: the event loop ends instead, and the windows are closed
    // without asking on the way out.
    if (watched == qApp && event->type() == QEvent::Quit) {
        QCoreApplication::exit(0);
        return true;
    }
    return QObject::eventFilter(watched, event);
}

void KeepsiftApp::willTerminate() {
    if (terminated_) return;
    terminated_ = true;
    if (windows_) windows_->closeAll();
    // A worker waiting for a dialog must not hold up the flush.
    dialogs_->shutdown();
    if (model_) model_->flushBeforeQuit(quitFlushSeconds);
    // The analytics client writes its cache of unsent signals; it does not wait for uploads.
    analytics::Analytics::applicationWillTerminate();
}

void KeepsiftApp::announce(const UpdateAnswer& answer) {
    const std::string language = model_ ? model_->settings().language : "en";
    std::string text;
    if (answer.kind == UpdateAnswer::Kind::newer)
        text = ShellTexts::updateAvailable(answer.item->displayVersion, language);
    else if (answer.userInitiated)
        text = answer.kind == UpdateAnswer::Kind::upToDate
                   ? ShellTexts::upToDate(language)
                   : ShellTexts::updateCheckFailed(language);
    if (text.empty()) return;
    if (!answer.userInitiated)
        return announceBesideShownItem(*tray_, windowMaker_, QString::fromStdString(text));
    auto* box = new QMessageBox(QMessageBox::Information, QStringLiteral("Keepsift"),
                                QString::fromStdString(text));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->show();
}

} // namespace keepsift::app
