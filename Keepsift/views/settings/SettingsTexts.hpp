#pragma once

#include <QString>
#include <optional>
#include <string_view>

#include "core/settings/ReviewNudge.hpp"
#include "core/settings/ScanScope.hpp"

namespace keepsift::app {

// The settings window's own texts, in the language of the applied settings.
struct SettingsTexts {
    static QString reviewSection(std::string_view language);
    static QString privacySection(std::string_view language);
    static QString scanning(std::string_view language);
    static QString scanningCaption(std::string_view language);
    static QString mainsOnly(std::string_view language);
    static QString mainsOnlyCaption(std::string_view language);
    static QString sharedLibrary(std::string_view language);
    static QString scanScopeLabel(std::string_view language);
    static QString scanScopeEntry(std::optional<ScanScope> scope, std::string_view language);
    static QString scanScopeCaption(std::optional<ScanScope> scope, std::string_view language);
    static QString libraryAccess(std::string_view language);
    static QString libraryAccessCaption(std::string_view language);
    static QString menuBar(std::string_view language);
    static QString menuBarCaption(std::string_view language);
    static QString launchAtLogin(std::string_view language);
    static QString loginRefused(std::string_view language);
    static QString nudgeLabel(std::string_view language);
    static QString nudgeEntry(ReviewNudge nudge, std::string_view language);
    static QString nudgeCaption(std::string_view language);
    static QString languageLabel(std::string_view language);
    static QString version();
    static QString done(std::string_view language);
};

} // namespace keepsift::app
