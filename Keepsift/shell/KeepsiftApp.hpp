#pragma once

#include <QObject>
#include <functional>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

#include "Keepsift/model/AppModel.hpp"
#include "Keepsift/shell/AppcastUpdater.hpp"
#include "Keepsift/shell/LaunchOptions.hpp"
#include "Keepsift/shell/ProductionFactory.hpp"
#include "Keepsift/shell/WindowMaker.hpp"

namespace keepsift::app {

class LowPowerProbe;
class QtPlatformDialogs;
class QuitSignals;
class StartupTrayItem;
class Windows;

// The application: builds the one model and starts it, shows the menu-bar item, reopens the
// review window when asked again, and runs every way of quitting (menu, SIGTERM, SIGINT,
// the session's end) through one will-terminate path with the bounded quit flush, whatever
// sheet or dialog is open.
class KeepsiftApp : public QObject {
    Q_OBJECT
public:
    static constexpr double quitFlushSeconds = 2.0;

    // The windows' contents come from the maker, which outlives the application.
    KeepsiftApp(LaunchOptions options, WindowMaker& windowMaker, QObject* parent = nullptr);
    ~KeepsiftApp() override;

    // Shows the item and starts building the model; returns at once.
    void start();
    // A request from a later launch or from the interface-test seam.
    void handleRequest(const std::string& request);
    // Without a tray, the status window comes back; else a visible window comes to the
    // front, and with none visible the review window opens.
    void reopen();
    // A later launch that named a library: reopened, and told when it is not the one in use.
    void reopenFor(const std::string& library);
    void showReview();
    void showSettings();
    // The flush before the process ends; runs once.
    void willTerminate();

    AppModel* model() const { return model_.get(); }
    // Every quit ends the event loop, whatever a window says (see the filter).
    bool eventFilter(QObject* watched, QEvent* event) override;
    StartupTrayItem* tray() const { return tray_.get(); }

Q_SIGNALS:
    // The model exists and its start has been asked for.
    void modelStarted();

private:
    AppModel::Services services();
    ShellActions actions();
    void makeWindows(std::shared_ptr<UserDefaults> frames);
    void showStartupItem(bool showsMenuBarIcon);
    void showFirstRunIfNeeded();
    void adopt(ProductionParts parts);
    void begin();
    void showWhatTheSettingsAsk();
    void runSpike(ProductionParts parts);
    void startMenuBarItem();
    void followSettings();
    void handleTestRequest(const std::string& request);
    void announce(const UpdateAnswer& answer);
    // A click or a later launch's request that comes while the model is still being made
    // (reading a large index takes a while) is answered once it exists, not dropped.
    void whenReady(std::function<void()> answer);

    LaunchOptions options_;
    WindowMaker& windowMaker_;
    std::shared_ptr<LowPowerProbe> lowPower_;
    std::shared_ptr<QtPlatformDialogs> dialogs_;
    std::unique_ptr<QuitSignals> quitSignals_;
    std::unique_ptr<StartupTrayItem> tray_;
    std::unique_ptr<Windows> windows_;
    std::unique_ptr<AppModel> model_;
    ObservationToken observation_;
    std::thread builder_;
    bool terminated_ = false;
    bool ready_ = false;
    std::optional<std::filesystem::path> library_; // the folder tidied in production
    std::vector<std::function<void()>> waiting_;
};

} // namespace keepsift::app
