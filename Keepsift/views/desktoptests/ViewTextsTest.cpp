#include <gtest/gtest.h>

#include "Keepsift/views/firstrun/FirstRunTexts.hpp"
#include "Keepsift/views/forms/FormTexts.hpp"
#include "Keepsift/views/popover/PopoverTexts.hpp"
#include "Keepsift/views/settings/SettingsTexts.hpp"

namespace keepsift::app {
namespace {

std::string en(const QString& text) {
    return text.toStdString();
}

TEST(PopoverTexts, ReasonForEveryReadinessInBothLanguages) {
    struct Row {
        QueueReadiness readiness;
        const char* english;
        const char* german;
    };
    const Row rows[] = {
        {QueueReadiness::scanningOff, "Looking through the library is switched off.",
         "Das Durchsehen ist ausgeschaltet."},
        {QueueReadiness::paused, "Paused.", "Pausiert."},
        {QueueReadiness::waitingForMains, "Waiting for mains power.", "Wartet auf Netzstrom."},
        {QueueReadiness::lowPowerMode, "Waiting — the power-saver profile is on.",
         "Wartet — der Stromsparmodus ist eingeschaltet."},
        {QueueReadiness::tooHot, "Paused until the computer is cooler.",
         "Pausiert, bis der Computer wieder kühler ist."},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(en(*PopoverTexts::statusText(row.readiness, "en")), row.english);
        EXPECT_EQ(en(*PopoverTexts::statusText(row.readiness, "de")), row.german);
    }
    EXPECT_FALSE(PopoverTexts::statusText(QueueReadiness::run, "de"));
    EXPECT_FALSE(PopoverTexts::statusText(QueueReadiness::noLibraryAccess, "en"));
}

TEST(ViewTexts, EllipsesAndTheGermanLabelsOfTheWindows) {
    EXPECT_EQ(en(PopoverTexts::settings("en")), "Settings…");
    EXPECT_EQ(en(PopoverTexts::settings("de")), "Einstellungen …");
    EXPECT_EQ(en(FormTexts::checkForUpdates("en")), "Check for Updates…");
    EXPECT_EQ(en(FormTexts::checkForUpdates("de")), "Nach Updates suchen …");
    EXPECT_EQ(en(PopoverTexts::pauseOrResume(true, "de")), "Fortsetzen");
    EXPECT_EQ(en(SettingsTexts::menuBar("en")), "Show in the system tray");
    EXPECT_EQ(en(SettingsTexts::menuBar("de")), "In der Systemleiste anzeigen");
    EXPECT_EQ(en(SettingsTexts::nudgeLabel("en")), "Mark the tray icon at");
    EXPECT_EQ(en(SettingsTexts::nudgeLabel("de")), "Am Symbol in der Systemleiste hinweisen ab");
    EXPECT_EQ(en(PopoverTexts::openAccessSettings("en")), "Open Keepsift Settings");
    EXPECT_EQ(en(PopoverTexts::openAccessSettings("de")), "Keepsift-Einstellungen öffnen");
    EXPECT_EQ(en(SettingsTexts::nudgeEntry(ReviewNudge::never, "de")), "Nie");
    EXPECT_EQ(en(SettingsTexts::nudgeEntry(ReviewNudge::at1000, "de")), "1000");
    EXPECT_EQ(en(SettingsTexts::scanScopeEntry(std::nullopt, "de")), "Noch nicht entschieden");
    EXPECT_EQ(en(SettingsTexts::version()), "Keepsift 0.1.2");
    EXPECT_EQ(en(FirstRunTexts::getStarted("de")), "Los geht’s");
    EXPECT_EQ(en(FormTexts::telemetry("de")), "Anonyme Nutzungszahlen senden");
    // Every language but exactly "de" is English.
    for (const char* language : {"en", "fr", "", "DE", "de-AT"})
        EXPECT_EQ(en(FirstRunTexts::title(language)), "Welcome to Keepsift") << language;
}

} // namespace
} // namespace keepsift::app
