#pragma once

#include <QFrame>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <functional>

#include "Keepsift/model/AppModel.hpp"
#include "Keepsift/views/forms/WindowActions.hpp"

namespace keepsift::app {

// The small window the menu-bar item opens: the product name, one status line, why the
// background work waits and how much is queued, the library-access notice, and the actions.
// It has no state of its own: every sync reads the model afresh. Main actor only.
class MenuBarPopover : public QWidget {
    Q_OBJECT
public:
    static constexpr int contentWidth = 300;
    static constexpr int margin = 12;

    MenuBarPopover(AppModel& model, WindowActions actions, QWidget* parent = nullptr);

    // Told when the refresh asked for on showing has finished (tests wait for it).
    std::function<void()> appeared;

    void sync();
    // Fits the height to the content at the fixed width.
    void fitHeight();
    // Pauses or resumes, as the setting is when the work runs.
    void togglePause();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void build();
    void syncStatus(const std::string& language);
    void syncPermission(const std::string& language);
    void syncActions(const std::string& language);
    void closeThenOpen(const std::function<void()>& open);
    void checkForUpdates();

    AppModel& model_;
    WindowActions actions_;
    ObservationToken observation_;
    QLabel* title_;
    QLabel* statusLine_;
    QProgressBar* working_;
    QLabel* reason_;
    QLabel* waiting_;
    QWidget* permission_;
    QLabel* notice_;
    QPushButton* openSettings_;
    QPushButton* review_;
    QPushButton* settings_;
    QPushButton* pause_;
    QPushButton* updates_;
    QPushButton* quit_;
};

} // namespace keepsift::app
