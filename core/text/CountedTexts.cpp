#include "core/text/Strings.hpp"

namespace keepsift {
namespace {

std::string pick(std::string_view language, std::string english, std::string german) {
    return Strings::isGerman(language) ? std::move(german) : std::move(english);
}

std::string number(std::int64_t value) {
    return std::to_string(value);
}

} // namespace

std::string Strings::toDiscard(std::int64_t count, std::int64_t bytes, std::string_view language) {
    if (count < 1) return pick(language, "Nothing to discard.", "Nichts zu verwerfen.");
    std::string text =
        photoCount(count, language) + pick(language, " to discard", " zum Verwerfen");
    if (bytes >= 1) text += ", " + byteSize(bytes, language);
    return text;
}

std::string Strings::scanProgress(std::int64_t done, std::int64_t total,
                                  std::string_view language) {
    return pick(language, "Looking through your library — " + number(done) + " of ",
                "Durchsieht deine Mediathek — " + number(done) + " von ") +
           number(total);
}

std::string Strings::waiting(std::int64_t count, std::string_view language) {
    return photoCount(count, language) + pick(language, " waiting", " warten");
}

std::string Strings::deleteDiscarded(std::int64_t count, std::string_view language) {
    if (count == 1)
        return pick(language, "Delete the 1 discarded photo", "Das eine verworfene Foto löschen");
    return pick(language, "Delete all " + number(count) + " discarded photos",
                "Alle " + number(count) + " verworfenen Fotos löschen");
}

std::string Strings::deleteInSelectedGroups(std::int64_t count, std::string_view language) {
    return pick(language, "Delete " + number(count) + " in selected groups",
                number(count) + " in gewählten Gruppen löschen");
}

std::string Strings::deleteDiscardedShort(std::int64_t count, std::string_view language) {
    if (count == 1) return pick(language, "Delete 1 discarded", "1 verworfenes löschen");
    return pick(language, "Delete " + number(count) + " discarded",
                number(count) + " verworfene löschen");
}

std::string Strings::deleteButton(std::int64_t count, std::string_view language) {
    return pick(language, "Delete " + photoCount(count, language) + "?",
                photoCount(count, language) + " löschen?");
}

std::string Strings::recentlyDeletedNote(std::int64_t count, std::string_view language) {
    // The desktop Trash keeps them until it is emptied; there is no 30-day folder.
    if (count == 1)
        return pick(language,
                    "Keepsift moves it to the Trash, where it stays until the Trash is emptied. "
                    "You will be asked once more after this.",
                    "Keepsift verschiebt es in den Papierkorb, wo es bleibt, bis der Papierkorb "
                    "geleert wird. Danach wirst du noch einmal gefragt.");
    return pick(language,
                "Keepsift moves them to the Trash, where they stay until the Trash is emptied. "
                "You will be asked once more after this.",
                "Keepsift verschiebt sie in den Papierkorb, wo sie bleiben, bis der Papierkorb "
                "geleert wird. Danach wirst du noch einmal gefragt.");
}

std::string Strings::handedToRecentlyDeleted(std::int64_t count, std::string_view language) {
    return photoCount(count, language) +
           pick(language, " moved to the Trash.", " in den Papierkorb verschoben.");
}

std::string Strings::libraryPreviewNote(std::int64_t count, std::string_view language) {
    return pick(language,
                "Keepsift sorts this library from the previews already on this computer. Only "
                "photos that belong together need their originals read — and where a sync client "
                "keeps a photograph's bytes elsewhere, reading it means fetching it over the "
                "network. This library holds ",
                "Keepsift sortiert die Mediathek anhand der Vorschauen, die schon auf diesem "
                "Computer liegen. Nur Fotos, die zusammengehören, brauchen ihr Original — und wo "
                "ein Sync-Client die Daten eines Fotos anderswo aufbewahrt, muss es dafür über das "
                "Netz geholt werden. Die Mediathek umfasst ") +
           photoCount(count, language) + ".";
}

std::string Strings::workInBatches(std::int64_t groups, std::string_view language) {
    return pick(language, "Work in batches (", "In Etappen arbeiten (") + number(groups) +
           pick(language, " groups)", " Gruppen)");
}

std::string Strings::fetchNextGroups(std::int64_t count, std::string_view language) {
    return pick(language,
                "Fetches the originals for the next " + number(count) +
                    " groups from where your sync client keeps them and looks at them. How "
                    "long that takes depends on your connection.",
                "Holt die Originale für die nächsten " + number(count) +
                    " Gruppen von dort, wo dein Sync-Client sie aufbewahrt, und prüft sie. Das "
                    "kann je nach Verbindung dauern.");
}

std::string Strings::downloadsPaused(std::int64_t groups, std::string_view language) {
    return pick(language,
                "Downloads paused — " + number(groups) +
                    " groups ready to review. Looking through the library carries on.",
                "Downloads pausiert — " + number(groups) +
                    " Gruppen liegen zur Prüfung bereit. Das Durchsehen läuft weiter.");
}

std::string Strings::addGroupsToCorpus(std::int64_t count, std::string_view language) {
    if (count == 1)
        return pick(language, "Add 1 selected group to corpus",
                    "1 gewählte Gruppe zum Korpus hinzufügen");
    return pick(language, "Add " + number(count) + " selected groups to corpus",
                number(count) + " gewählte Gruppen zum Korpus hinzufügen");
}

std::string Strings::corpusWritten(std::string_view folder, std::int64_t count,
                                   std::string_view language) {
    const std::string photos = photoCount(count, language);
    return pick(language, photos + " written to " + std::string(folder) + ".",
                photos + " nach " + std::string(folder) + " geschrieben.");
}

std::string Strings::corpusUnreadable(std::string_view filename, std::string_view language) {
    return std::string(filename) +
           pick(language, " could not be read. Nothing was written and the group is still here.",
                " konnte nicht gelesen werden. Es wurde nichts geschrieben, die Gruppe bleibt "
                "stehen.");
}

} // namespace keepsift
