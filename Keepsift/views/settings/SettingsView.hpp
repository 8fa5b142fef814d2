#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <functional>
#include <optional>

#include "Keepsift/model/AppModel.hpp"
#include "Keepsift/views/forms/WindowActions.hpp"

namespace keepsift::app {

// The settings window's content. The controls edit a copy of the applied settings and every
// change hands the whole copy to the model at once; changes made elsewhere come back into the
// copy. There is no Apply or Cancel: Done only closes the window. Main actor only.
class SettingsView : public QWidget {
    Q_OBJECT
public:
    static constexpr int contentWidth = 480;
    static constexpr int formMinimumHeight = 540;

    SettingsView(AppModel& model, WindowActions actions, QWidget* parent = nullptr);

    // Told when the refresh asked for on showing has finished (tests wait for it).
    std::function<void()> appeared;
    const Settings& draft() const { return draft_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    struct Picker {
        QLabel* label;
        QComboBox* box;
    };

    void build();
    QGroupBox* section(QWidget* parent);
    Picker picker(const char* identifier, QWidget* parent);
    void buildScanning(QWidget* form);
    void buildBehaviour(QWidget* form);
    void buildPrivacy(QWidget* form);
    QWidget* buildFooter();
    void connectControls();

    void modelChanged(Property property);
    // The controls show the draft in the applied language.
    void sync();
    void syncTexts(const std::string& language);
    void syncPickers(const std::string& language);
    void syncRows();
    void syncLibraryAccess();
    // A control changed the draft: hand it to the model when it differs.
    void edit(const std::function<void(Settings&)>& change);

    AppModel& model_;
    WindowActions actions_;
    Settings draft_;
    ObservationToken observation_;
    bool syncing_ = false;
    std::optional<bool> loginWanted_;

    QScrollArea* scroll_;
    QGroupBox* scanningSection_;
    QGroupBox* behaviourSection_;
    QGroupBox* privacySection_;
    QCheckBox* scanning_;
    QLabel* scanningCaption_;
    QCheckBox* mainsOnly_;
    QLabel* mainsOnlyCaption_;
    QLabel* sharedLibrary_;
    Picker scope_;
    QLabel* scopeCaption_;
    QLabel* permission_;
    QCheckBox* libraryAccess_;
    QLabel* libraryAccessCaption_;
    QCheckBox* menuBar_;
    QLabel* menuBarCaption_;
    QCheckBox* login_;
    QLabel* loginNotice_;
    Picker nudge_;
    QLabel* nudgeCaption_;
    Picker language_;
    QCheckBox* updates_;
    QLabel* updatesCaption_;
    QPushButton* checkUpdates_;
    QCheckBox* telemetry_;
    QLabel* telemetryCaption_;
    QLabel* privacyLink_;
    QLabel* termsLink_;
    QLabel* version_;
    QPushButton* done_;
};

} // namespace keepsift::app
