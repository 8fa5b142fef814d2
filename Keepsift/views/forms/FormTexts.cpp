#include "Keepsift/views/forms/FormTexts.hpp"

#include "Keepsift/views/ViewTexts.hpp"
#include "core/text/Strings.hpp"

namespace keepsift::app {

QString FormTexts::updates(std::string_view language) {
    return fixedText(FixedText::automaticUpdates, language);
}

QString FormTexts::telemetry(std::string_view language) {
    return fixedText(FixedText::sendUsageCounts, language);
}

QString FormTexts::telemetryCaption(std::string_view language) {
    return fixedText(FixedText::sendUsageCountsExplanation, language);
}

QString FormTexts::updateExplanation(std::string_view language) {
    return fixedText(FixedText::automaticUpdatesExplanation, language);
}

QString FormTexts::updatesUnavailable(std::string_view language) {
    return pick(language,
                "This build of Keepsift has no update key, so it never checks for updates.",
                "Diese Ausgabe von Keepsift hat keinen Update-Schlüssel und sucht daher nie nach "
                "Updates.");
}

QString FormTexts::telemetryUnavailable(std::string_view language) {
    return pick(language,
                "This build of Keepsift has no analytics identifier, so it never sends usage "
                "counts.",
                "Diese Ausgabe von Keepsift hat keine Analyse-Kennung und sendet daher nie "
                "Nutzungszahlen.");
}

QString FormTexts::checkForUpdates(std::string_view language) {
    return pick(language, "Check for Updates…", "Nach Updates suchen …");
}

QString FormTexts::privacy(std::string_view language) {
    return fixedText(FixedText::privacy, language);
}

QString FormTexts::terms(std::string_view language) {
    return fixedText(FixedText::terms, language);
}

QUrl FormTexts::privacyPage() {
    return QUrl(QStringLiteral("https://ambervale.com/keepsift/privacy"));
}

QUrl FormTexts::termsPage() {
    return QUrl(QStringLiteral("https://ambervale.com/keepsift/terms"));
}

} // namespace keepsift::app
