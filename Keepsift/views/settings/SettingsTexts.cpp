#include "Keepsift/views/settings/SettingsTexts.hpp"

#include <QDir>
#include <QStandardPaths>

#include "Keepsift/views/ViewTexts.hpp"
#include "core/settings/Keepsift.hpp"
#include "core/text/Strings.hpp"

namespace keepsift::app {

QString SettingsTexts::reviewSection(std::string_view language) {
    return fixedText(FixedText::reviewPhotos, language);
}

QString SettingsTexts::privacySection(std::string_view language) {
    return fixedText(FixedText::privacy, language);
}

QString SettingsTexts::scanning(std::string_view language) {
    return fixedText(FixedText::scanInBackground, language);
}

QString SettingsTexts::scanningCaption(std::string_view language) {
    return fixedText(FixedText::scanInBackgroundExplanation, language);
}

QString SettingsTexts::mainsOnly(std::string_view language) {
    return fixedText(FixedText::mainsOnly, language);
}

QString SettingsTexts::mainsOnlyCaption(std::string_view language) {
    return fixedText(FixedText::mainsOnlyExplanation, language);
}

QString SettingsTexts::sharedLibrary(std::string_view language) {
    return fixedText(FixedText::sharedLibraryNote, language);
}

QString SettingsTexts::scanScopeLabel(std::string_view language) {
    return fixedText(FixedText::iCloudLibrary, language);
}

QString SettingsTexts::scanScopeEntry(std::optional<ScanScope> scope, std::string_view language) {
    if (!scope) return fixedText(FixedText::notDecidedYet, language);
    if (*scope == ScanScope::batches) return qtext(Strings::workInBatches(200, language));
    return fixedText(FixedText::scanWholeLibrary, language);
}

QString SettingsTexts::scanScopeCaption(std::optional<ScanScope> scope, std::string_view language) {
    return fixedText(scope == ScanScope::wholeLibrary ? FixedText::wholeLibraryExplanation
                                                      : FixedText::batchesExplanation,
                     language);
}

QString SettingsTexts::libraryAccess(std::string_view language) {
    return pick(language, "Library access", "Zugriff auf die Mediathek");
}

QString SettingsTexts::libraryAccessCaption(std::string_view language) {
    return pick(language,
                "Keepsift reads and organises the photographs in the library folder only while "
                "this is on. Turned off, the scan stops and the review is kept.",
                "Keepsift liest und ordnet die Fotos im Mediathek-Ordner nur, solange dies "
                "eingeschaltet ist. Ausgeschaltet ruht der Scan, die Durchsicht bleibt erhalten.");
}

QString SettingsTexts::menuBar(std::string_view language) {
    return fixedText(FixedText::showInMenuBar, language);
}

QString SettingsTexts::menuBarCaption(std::string_view language) {
    return fixedText(FixedText::showInMenuBarExplanation, language);
}

QString SettingsTexts::launchAtLogin(std::string_view language) {
    return fixedText(FixedText::launchAtLogin, language);
}

QString SettingsTexts::loginRefused(std::string_view language) {
    QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    if (folder.isEmpty()) folder = QDir::homePath() + QStringLiteral("/.config");
    folder = QDir::toNativeSeparators(folder + QStringLiteral("/autostart"));
    return pick(language,
                "Keepsift could not change its autostart entry in %1. The switch shows what "
                "really happens at login.",
                "Keepsift konnte seinen Autostart-Eintrag in %1 nicht ändern. Der Schalter zeigt, "
                "was beim Anmelden wirklich geschieht.")
        .arg(folder);
}

QString SettingsTexts::nudgeLabel(std::string_view language) {
    return fixedText(FixedText::menuBarMark, language);
}

QString SettingsTexts::nudgeEntry(ReviewNudge nudge, std::string_view language) {
    if (nudge == ReviewNudge::never) return fixedText(FixedText::never, language);
    return QString::number(rawValue(nudge));
}

QString SettingsTexts::nudgeCaption(std::string_view language) {
    return fixedText(FixedText::menuBarMarkExplanation, language);
}

QString SettingsTexts::languageLabel(std::string_view language) {
    return fixedText(FixedText::language, language);
}

QString SettingsTexts::version() {
    return qtext(std::string(Keepsift::name) + " " + std::string(Keepsift::version));
}

QString SettingsTexts::done(std::string_view language) {
    return fixedText(FixedText::done, language);
}

} // namespace keepsift::app
