#pragma once

#include <QString>
#include <optional>
#include <string_view>

#include "core/settings/QueueReadiness.hpp"

namespace keepsift::app {

class AppModel;

// The popover's own texts, in the language of the applied settings.
struct PopoverTexts {
    // Why the background work waits; nothing when it runs or the access notice explains it.
    static std::optional<QString> statusText(QueueReadiness readiness, std::string_view language);
    // Progress of the first pass, else what is waiting to be discarded.
    static QString statusLine(const AppModel& model);
    static QString working(std::string_view language);
    static QString openAccessSettings(std::string_view language);
    static QString reviewPhotos(std::string_view language);
    static QString settings(std::string_view language);
    static QString pauseOrResume(bool isPaused, std::string_view language);
    // The tray menu's way to the popover.
    static QString showStatus(std::string_view language);
    static QString quit(std::string_view language);
};

} // namespace keepsift::app
