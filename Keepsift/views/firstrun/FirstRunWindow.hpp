#pragma once

#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <functional>

#include "Keepsift/model/AppModel.hpp"

namespace keepsift::app {

// The notice a new user sees before Keepsift reads anything: what it does, that flagging
// deletes nothing, and the two choices. "Get started" hands the choices to the model and
// closes the window; closing it any other way keeps the notice pending. Main actor only.
class FirstRunWindow : public QWidget {
    Q_OBJECT
public:
    static constexpr int contentWidth = 460;
    // Taller content (a larger font) makes the window taller, never cut.
    static constexpr int minimumHeight = 420;
    static constexpr int margin = 18;

    FirstRunWindow(AppModel& model, std::function<void()> dismiss, QWidget* parent = nullptr);

    // Opens the window while the notice is pending and none is open; otherwise nothing.
    static void showIfNeeded(AppModel& model);
    // The open first-run window, if any.
    static QDialog* window();

    bool telemetryEnabled() const { return telemetry_->isChecked(); }
    bool automaticUpdates() const { return updates_->isChecked(); }
    QPushButton* acceptButton() const { return accept_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void build();
    void syncTexts();
    void takeStoredChoices();
    void accept();

    AppModel& model_;
    std::function<void()> dismiss_;
    ObservationToken observation_;
    bool touched_ = false;
    QLabel* title_;
    QLabel* intro_;
    QLabel* nothingDeleted_;
    QCheckBox* telemetry_;
    QLabel* telemetryCaption_;
    QCheckBox* updates_;
    QLabel* updatesCaption_;
    QLabel* privacy_;
    QLabel* terms_;
    QPushButton* accept_;
};

} // namespace keepsift::app
