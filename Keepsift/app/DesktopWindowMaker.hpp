#pragma once

#include <QPointer>

#include "Keepsift/shell/WindowMaker.hpp"

namespace keepsift::app {

class MenuBarItem;

// The desktop's windows for the shell: the review window, the settings view, the first-run
// window and the menu-bar item with its popover. Pictures: labelled colour tiles in
// interface-test mode, the folder library's photographs decoded on a few threads in
// production. Main actor only.
class DesktopWindowMaker : public WindowMaker {
public:
    std::shared_ptr<ImageSource> imageSource(std::shared_ptr<PhotoLibraryPort> port,
                                             std::shared_ptr<MainActor> mainActor) override;
    QWidget* reviewContent(AppModel& model, const ShellActions& actions) override;
    QWidget* settingsContent(AppModel& model, const ShellActions& actions) override;
    void showFirstRunIfNeeded(AppModel& model) override;
    bool startMenuBarItem(AppModel& model, const ShellActions& actions) override;
    void announce(const QString& message) override;
    bool showStatusWindow() override;

private:
    QPointer<MenuBarItem> item_;
};

} // namespace keepsift::app
