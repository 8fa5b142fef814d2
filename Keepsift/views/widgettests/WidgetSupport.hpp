#pragma once

#include <memory>
#include <string>

#include <QImage>
#include <QWidget>

#include "Keepsift/model/AppModel.hpp"
#include "Keepsift/model/MainActor.hpp"
#include "Keepsift/views/ReviewWindow.hpp"

namespace keepsift::app::widgettest {

// Work posted to the GUI thread's event loop, as the application's main actor does.
class GuiMainActor : public MainActor {
public:
    void post(std::function<void()> work) override;
};

// A pump that waits until it is cancelled: the tests step the model themselves.
class WaitingSleeper : public Sleeper {
public:
    bool sleep(double seconds, std::stop_token stop) override;
};

AppModel::Services testServices();

// A started interface-test model for this scenario (environment variables besides the
// scenario name may be added), with swatch pictures.
std::unique_ptr<AppModel> startedScenario(const std::string& scenario,
                                          AppModel::Environment extra = {},
                                          std::shared_ptr<ImageSource> images = nullptr);

// Hooks that note when a review window finished its appearance refresh, and the wait for it.
ReviewWindow::Hooks appearing();
void waitUntilAppeared();
// Shows the window at the size the presenter gives it (made active when asked, as a click on
// it would), and waits for its appearance refresh.
void showAtUsualSize(ReviewWindow& window, bool activate = false);

// Runs the event loop until the model's operation calls back.
void waitFor(const std::function<void(AppModel::Done)>& operation);
// Runs the event loop until nothing is left to do right now.
void settle();

// The widget as a person would see it, kept as a PNG under the screenshots folder.
QImage screenshot(QWidget& widget, const std::string& name);

// Presses a key where the application would deliver it: the focus widget, else the active
// window, else `fallback`.
void pressKey(QWidget* fallback, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);

// Every visible label or button whose text needs more room than it was given.
std::vector<std::string> cutTexts(const QWidget& widget);
// The visible text of the visible child with this object name ("" when there is none).
std::string textOf(const QWidget& widget, const char* identifier);

// Every visible child of `widget` whose rectangles overlap another visible sibling's.
std::vector<std::string> overlappingControls(const QWidget& parent);

} // namespace keepsift::app::widgettest
