#include <fstream>
#include <gtest/gtest.h>

#include "core/text/Strings.hpp"

namespace keepsift {
namespace {

TEST(PreferredLanguageTest, FirstSupportedPrefixWins) {
    EXPECT_EQ(Strings::preferredLanguage({}), "en");
    EXPECT_EQ(Strings::preferredLanguage({"fr-FR", "it"}), "en");
    EXPECT_EQ(Strings::preferredLanguage({"zh-Hans", "de-AT"}), "de");
    EXPECT_EQ(Strings::preferredLanguage({"fr-FR", "de-DE"}), "de");
    EXPECT_EQ(Strings::preferredLanguage({"EN-GB", "de"}), "en");
    EXPECT_EQ(Strings::preferredLanguage({"DE-CH"}), "de");
    EXPECT_EQ(Strings::preferredLanguage({"E"}), "en");
    EXPECT_EQ(Strings::preferredLanguage({"", "d", "de"}), "de");
}

TEST(LanguageNameTest, NamesInTheInterfaceLanguage) {
    EXPECT_EQ(Strings::languageName("de", "de"), "Deutsch");
    EXPECT_EQ(Strings::languageName("de", "en"), "German");
    EXPECT_EQ(Strings::languageName("fr", "en"), "English");
    EXPECT_EQ(Strings::languageName("fr", "de"), "Englisch");
}

TEST(AllTextsTest, EveryEntryInBothLanguages) {
    const auto english = Strings::allTexts("en");
    const auto german = Strings::allTexts("de");
    ASSERT_EQ(english.size(), Strings::allTextsCount);
    ASSERT_EQ(german.size(), Strings::allTextsCount);
    for (const auto& text : german)
        EXPECT_FALSE(text.empty());
    EXPECT_EQ(english[0], "Everyone smiling, eyes open");
    EXPECT_EQ(english[20],
              "Nothing has been moved or changed — these are only set aside to discard.");
    EXPECT_EQ(english[23], Strings::libraryPreviewNote(48000, "en"));
    EXPECT_EQ(english[44], "Nothing to discard.");
    EXPECT_EQ(english[72], "German");
    EXPECT_EQ(german[72], "Deutsch");
    EXPECT_EQ(english[97], "Delete the 1 discarded photo");
    EXPECT_EQ(english[117], "why? e.g. eyes, face expression, gaze, framing");
}

std::vector<std::string> recordedTexts(const std::string& language) {
    std::ifstream file(std::string(KEEPSIFT_TEST_DATA) + "/all-texts." + language + ".txt");
    std::vector<std::string> texts;
    for (std::string line; std::getline(file, line);)
        texts.push_back(line);
    return texts;
}

TEST(AllTextsTest, EveryTextReadsAsRecorded) {
    EXPECT_EQ(Strings::allTexts("en"), recordedTexts("en"));
    EXPECT_EQ(Strings::allTexts("de"), recordedTexts("de"));
}

TEST(AllTextsTest, OnlyExactlyDeSelectsGerman) {
    const auto english = Strings::allTexts("en");
    for (const char* code : {"DE", "de-DE", "", "fr", " de"})
        EXPECT_EQ(Strings::allTexts(code), english) << code;
    EXPECT_NE(Strings::allTexts("de"), english);
}

TEST(AllTextsTest, SentencesHaveTheirOwnGermanText) {
    const auto english = Strings::allTexts("en");
    const auto german = Strings::allTexts("de");
    size_t same = 0;
    for (size_t i = 0; i < english.size(); ++i)
        same += english[i] == german[i];
    // A forgotten translation shows up as an English text in the German list.
    EXPECT_EQ(same, 0u);
}

TEST(FixedTextTest, UpdateExplanationNamesTheUpdateServer) {
    const auto english = Strings::text(FixedText::automaticUpdatesExplanation, "en");
    EXPECT_EQ(english, "Asks updates.ambervale.com whether there is a newer version, sending "
                       "Keepsift's version and the operating system's along with the question.");
    EXPECT_EQ(Strings::text(FixedText::automaticUpdatesExplanation, "de"),
              "Fragt updates.ambervale.com nach einer neueren Version und übermittelt dabei die "
              "Version von Keepsift und des Betriebssystems.");
    EXPECT_NE(Strings::text(FixedText::automaticUpdatesExplanation, "de").find(Strings::updateHost),
              std::string::npos);
}

// What Linux really has: a sync client rather than iCloud, Keepsift's own settings rather than
// the system's, a system tray rather than a menu bar, the power-saver profile, the desktop's
// application menu, a library folder, and a rejects folder named alike in every language.
TEST(FixedTextTest, TextsSayWhatLinuxHas) {
    auto expectTexts = [](FixedText entry, const char* english, const char* german) {
        EXPECT_EQ(Strings::text(entry, "en"), english);
        EXPECT_EQ(Strings::text(entry, "de"), german);
    };
    expectTexts(FixedText::originalsInICloud, "A sync client keeps your originals elsewhere",
                "Ein Sync-Client bewahrt deine Originale anderswo auf");
    expectTexts(FixedText::openSystemSettings, "Open Keepsift Settings",
                "Keepsift-Einstellungen öffnen");
    expectTexts(FixedText::showInMenuBar, "Show in the system tray",
                "In der Systemleiste anzeigen");
    expectTexts(FixedText::menuBarMark, "Mark the tray icon at",
                "Am Symbol in der Systemleiste hinweisen ab");
    expectTexts(FixedText::iCloudLibrary, "Originals in the cloud", "Originale in der Cloud");
    expectTexts(FixedText::lowPowerMode, "Waiting — the power-saver profile is on.",
                "Wartet — der Stromsparmodus ist eingeschaltet.");
    expectTexts(FixedText::tooHot, "Paused until the computer is cooler.",
                "Pausiert, bis der Computer wieder kühler ist.");
    expectTexts(FixedText::showInMenuBarExplanation,
                "With no icon Keepsift keeps running. The way back is to open it again from your "
                "desktop's application menu: its window then offers Settings… and Quit Keepsift "
                "in the Keepsift menu.",
                "Ohne Symbol läuft Keepsift weiter. Zurück kommst du, indem du es erneut über das "
                "Anwendungsmenü deiner Arbeitsumgebung öffnest: Sein Fenster bietet dann im Menü "
                "„Keepsift“ „Einstellungen …“ und „Keepsift beenden“ an.");
    // The review window's menu names its commands as the tray's menu does.
    expectTexts(FixedText::settingsEllipsis, "Settings…", "Einstellungen …");
    expectTexts(FixedText::quitKeepsift, "Quit Keepsift", "Keepsift beenden");
    expectTexts(FixedText::sharedLibraryNote,
                "Keepsift sees every photograph in the library folder, whoever put it there — "
                "shared and synced folders inside it included.",
                "Keepsift sieht jedes Foto im Mediathek-Ordner, egal wer es dort abgelegt hat — "
                "geteilte und synchronisierte Ordner darin eingeschlossen.");
    EXPECT_EQ(Strings::libraryPreviewNote(3, "en"),
              "Keepsift sorts this library from the previews already on this computer. Only "
              "photos that belong together need their originals read — and where a sync client "
              "keeps a photograph's bytes elsewhere, reading it means fetching it over the "
              "network. This library holds 3 photos.");
    EXPECT_EQ(Strings::libraryPreviewNote(3, "de"),
              "Keepsift sortiert die Mediathek anhand der Vorschauen, die schon auf diesem "
              "Computer liegen. Nur Fotos, die zusammengehören, brauchen ihr Original — und wo "
              "ein Sync-Client die Daten eines Fotos anderswo aufbewahrt, muss es dafür über das "
              "Netz geholt werden. Die Mediathek umfasst 3 Fotos.");
    EXPECT_EQ(Strings::fetchNextGroups(200, "en"),
              "Fetches the originals for the next 200 groups from where your sync client keeps "
              "them and looks at them. How long that takes depends on your connection.");
    EXPECT_EQ(Strings::fetchNextGroups(200, "de"),
              "Holt die Originale für die nächsten 200 Gruppen von dort, wo dein Sync-Client sie "
              "aufbewahrt, und prüft sie. Das kann je nach Verbindung dauern.");
    for (const char* code : {"en", "de"})
        for (const std::string& text : Strings::allTexts(code)) {
            EXPECT_EQ(text.find("menu bar"), std::string::npos) << text;
            EXPECT_EQ(text.find("Menüleiste"), std::string::npos) << text;
            EXPECT_EQ(text.find("Aussortiert"), std::string::npos) << text;
            for (const char* macWord : {"iCloud", "macOS", "Mac ", "Spotlight", "Recently Deleted",
                                        "Zuletzt gelöscht", "Low Power Mode"})
                EXPECT_EQ(text.find(macWord), std::string::npos) << text;
        }
    EXPECT_NE(Strings::firstRunNothingDeleted("de").find("„Keepsift — Rejects“"),
              std::string::npos);
    EXPECT_NE(Strings::firstRunNothingDeleted("en").find("“Keepsift — Rejects”"),
              std::string::npos);
}

TEST(FixedTextTest, DiscardIsTheSameForActionAndState) {
    for (const char* code : {"en", "de"})
        EXPECT_EQ(Strings::text(FixedText::discard, code),
                  Strings::text(FixedText::discardedState, code));
}

} // namespace
} // namespace keepsift
