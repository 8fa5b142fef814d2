#pragma once

#include <QWidget>
#include <functional>
#include <memory>

#include "Keepsift/model/ImageSource.hpp"
#include "Keepsift/model/MainActor.hpp"

namespace keepsift {
class PhotoLibraryPort;
}

namespace keepsift::app {

class AppModel;

// Where the windows' views plug into the shell, so the shell builds without them. Each view
// module sets its hook once at start-up; an unset hook shows an empty window (or nothing).
struct WindowHooks {
    // The content of the review and settings windows, made once per process.
    std::function<QWidget*(AppModel&)> reviewContent;
    std::function<QWidget*(AppModel&)> settingsContent;
    // Shows the first-run window while the notice is pending and it is not open yet.
    std::function<void(AppModel&)> showFirstRunIfNeeded;
    // Starts the views' menu-bar item for the model; it replaces the shell's start-up item.
    // Its actions are the free functions of Windows.hpp and QCoreApplication::quit.
    std::function<void(AppModel&)> startMenuBarItem;
    // A passing message beside the views' menu-bar item; set by the item that was started.
    std::function<void(const QString&)> announce;
    // The pictures the windows show: the folder library's photographs in production,
    // stand-ins in interface-test mode (no library port). Unset: the model has none.
    std::function<std::shared_ptr<ImageSource>(std::shared_ptr<PhotoLibraryPort>,
                                               std::shared_ptr<MainActor>)>
        makeImageSource;
};

WindowHooks& windowHooks();

} // namespace keepsift::app
