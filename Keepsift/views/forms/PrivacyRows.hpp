#pragma once

#include <QCheckBox>
#include <QLabel>
#include <string_view>

namespace keepsift::app {

class AppModel;

// The update and usage-count switches with their captions, which the settings and first-run
// windows both offer.
struct PrivacyRows {
    QCheckBox* updates;
    QLabel* updatesCaption;
    QCheckBox* telemetry;
    QLabel* telemetryCaption;

    // Texts in `language`; a switch this build cannot honour is off limits, with the reason
    // as its caption, in every window alike.
    void sync(const AppModel& model, std::string_view language) const;
};

} // namespace keepsift::app
