#include "Keepsift/shell/ShellTexts.hpp"

#include "core/text/Strings.hpp"

namespace keepsift::app {
namespace {

std::string pick(std::string_view language, std::string english, std::string german) {
    return Strings::isGerman(language) ? std::move(german) : std::move(english);
}

} // namespace

std::string ShellTexts::reviewPhotos(std::string_view language) {
    return pick(language, "Review photos", "Fotos prüfen");
}

std::string ShellTexts::quit(std::string_view language) {
    return pick(language, "Quit Keepsift", "Keepsift beenden");
}

std::string ShellTexts::consentTitle(std::string_view language) {
    return pick(language, "Keepsift would like to access your photos",
                "Keepsift möchte auf deine Fotos zugreifen");
}

std::string ShellTexts::consentQuestion(const std::string& folder, std::string_view language) {
    return pick(language,
                "Keepsift looks through the photos in " + folder +
                    " to find similar shots and links the ones to discard into the folder "
                    "“Keepsift — Rejects”. Nothing is deleted unless you confirm it.",
                "Keepsift sieht die Fotos in " + folder +
                    " durch, findet ähnliche Aufnahmen und verlinkt die zu verwerfenden im "
                    "Ordner „Keepsift — Rejects“. Gelöscht wird nur, was du bestätigst.");
}

std::string ShellTexts::allow(std::string_view language) {
    return pick(language, "Allow", "Erlauben");
}

std::string ShellTexts::dontAllow(std::string_view language) {
    return pick(language, "Don’t Allow", "Nicht erlauben");
}

std::string ShellTexts::trashQuestion(std::int64_t count, std::string_view language) {
    return pick(language, "Move " + Strings::photoCount(count, language) + " to the Trash?",
                Strings::photoCount(count, language) + " in den Papierkorb verschieben?");
}

std::string ShellTexts::moveToTrash(std::string_view language) {
    return pick(language, "Move to Trash", "In den Papierkorb");
}

std::string ShellTexts::cancel(std::string_view language) {
    return pick(language, "Cancel", "Abbrechen");
}

std::string ShellTexts::updateAvailable(const std::string& version, std::string_view language) {
    return pick(language, "Keepsift " + version + " is available.",
                "Keepsift " + version + " ist verfügbar.");
}

std::string ShellTexts::upToDate(std::string_view language) {
    return pick(language, "Keepsift is up to date.", "Keepsift ist auf dem neuesten Stand.");
}

std::string ShellTexts::updateCheckFailed(std::string_view language) {
    return pick(language, "Keepsift could not check for updates.",
                "Keepsift konnte nicht nach Updates suchen.");
}

std::string ShellTexts::libraryInUse(const std::string& running, const std::string& asked,
                                     std::string_view language) {
    return pick(language,
                "Keepsift is tidying \u201C" + running + "\u201D. To tidy \u201C" + asked +
                    "\u201D instead, quit Keepsift and start it again with that folder.",
                "Keepsift r\u00E4umt gerade \u201E" + running +
                    "\u201C auf. Um stattdessen \u201E" + asked +
                    "\u201C aufzur\u00E4umen, beende Keepsift und starte es mit diesem "
                    "Ordner neu.");
}

} // namespace keepsift::app
