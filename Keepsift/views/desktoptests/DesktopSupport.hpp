#pragma once

#include <QWidget>
#include <functional>
#include <string>
#include <vector>

#include "Keepsift/model/AppModel.hpp"
#include "Keepsift/views/forms/WindowActions.hpp"

namespace keepsift::app::widgettest {

// Object names of every visible child widget of `widget`.
std::vector<std::string> visibleIdentifiers(const QWidget& widget);
bool showsControl(const QWidget& widget, const char* identifier);

// Shows the widget and runs the event loop until its appearance refresh has told `appeared`.
void showAndAwait(QWidget& widget, std::function<void()>& appeared);

// Window actions that count what was asked for.
struct ActionLog {
    int reviews = 0, settings = 0, dismissals = 0, privacy = 0, quits = 0;
    std::vector<std::string> order;
    WindowActions actions();
};

// Updater and login item doubles.
class FakeUpdater : public Updater {
public:
    bool canCheck = true;
    int checks = 0;
    bool automatic = true;
    void setAutomaticallyChecksForUpdates(bool checks) override { automatic = checks; }
    bool automaticallyChecksForUpdates() const override { return automatic; }
    bool canCheckForUpdates() const override { return canCheck; }
    void checkForUpdates() override { ++checks; }
};

// A started scenario model as the shipped build makes it: no update key, no analytics
// identifier.
std::unique_ptr<AppModel> unconfiguredBuild(AppModel::Environment environment);
// What a window of that build says beside its update and usage-count switches.
std::pair<std::string, std::string> unconfiguredCaptions(const std::string& language);
// Whether a visible label inside `widget` shows exactly `text`.
bool showsLabel(const QWidget& widget, const std::string& text);

} // namespace keepsift::app::widgettest
