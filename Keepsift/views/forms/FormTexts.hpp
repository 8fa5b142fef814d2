#pragma once

#include <QString>
#include <QUrl>
#include <string_view>

namespace keepsift::app {

// Texts the settings and first-run windows share, in the language of the applied settings.
struct FormTexts {
    static QString updates(std::string_view language);
    static QString updateExplanation(std::string_view language);
    static QString telemetry(std::string_view language);
    static QString telemetryCaption(std::string_view language);
    // Beside the switches of a build that cannot do what they promise.
    static QString updatesUnavailable(std::string_view language);
    static QString telemetryUnavailable(std::string_view language);
    // The German text has a space before the ellipsis, the English none.
    static QString checkForUpdates(std::string_view language);
    static QString privacy(std::string_view language);
    static QString terms(std::string_view language);
    static QUrl privacyPage();
    static QUrl termsPage();
};

} // namespace keepsift::app
