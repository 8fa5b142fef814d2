#pragma once

#include <QString>
#include <functional>
#include <memory>

#include "Keepsift/model/ImageSource.hpp"
#include "Keepsift/model/MainActor.hpp"

class QWidget;

namespace keepsift {
class PhotoLibraryPort;
}

namespace keepsift::app {

class AppModel;

// What the shell lets the windows do beyond the model. An unset action does nothing.
struct ShellActions {
    std::function<void()> showReview;
    std::function<void()> showSettings;
    std::function<void()> dismissPopover;
    // Keepsift's own library-access settings live in its settings window.
    std::function<void()> openLibraryAccess;
    std::function<void()> quit;
};

// How the shell gets the windows' contents and the pictures they show. The application hands
// one to the shell when it builds it; the shell itself knows no view.
class WindowMaker {
public:
    virtual ~WindowMaker() = default;

    // The pictures the windows show: the folder library's photographs in production,
    // stand-ins in interface-test mode (no library port). Null: the model has none.
    virtual std::shared_ptr<ImageSource> imageSource(std::shared_ptr<PhotoLibraryPort> port,
                                                     std::shared_ptr<MainActor> mainActor) = 0;
    // The content of the review and settings windows, made once per process.
    virtual QWidget* reviewContent(AppModel& model, const ShellActions& actions) = 0;
    virtual QWidget* settingsContent(AppModel& model, const ShellActions& actions) = 0;
    // Shows the first-run window while the notice is pending and it is not open yet.
    virtual void showFirstRunIfNeeded(AppModel& model) = 0;
    // Starts a menu-bar item for the model in place of the shell's start-up item; false when
    // there is none, and the start-up item stays.
    virtual bool startMenuBarItem(AppModel& model, const ShellActions& actions) = 0;
    // A passing message beside the item that was started.
    virtual void announce(const QString& message) = 0;
    // Where no tray holds the status, brings its stand-in window back; false otherwise.
    virtual bool showStatusWindow() = 0;
};

// No views at all: empty windows, no pictures, the start-up item stays.
class NoWindowMaker : public WindowMaker {
public:
    std::shared_ptr<ImageSource> imageSource(std::shared_ptr<PhotoLibraryPort>,
                                             std::shared_ptr<MainActor>) override {
        return nullptr;
    }
    QWidget* reviewContent(AppModel&, const ShellActions&) override { return nullptr; }
    QWidget* settingsContent(AppModel&, const ShellActions&) override { return nullptr; }
    void showFirstRunIfNeeded(AppModel&) override {}
    bool startMenuBarItem(AppModel&, const ShellActions&) override { return false; }
    void announce(const QString&) override {}
    bool showStatusWindow() override { return false; }
};

} // namespace keepsift::app
