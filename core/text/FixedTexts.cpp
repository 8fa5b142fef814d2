#include <array>

#include "core/text/Strings.hpp"

namespace keepsift {
namespace {

struct Pair {
    std::string_view english, german;
};

#define KEEPSIFT_UPDATE_HOST "updates.ambervale.com"

constexpr std::array<Pair, fixedTextCount> pairs{{
    {"Nothing has been moved or changed — these are only set aside to discard.",
     "Nichts wurde verschoben oder verändert — diese Fotos sind nur zum Verwerfen vorgemerkt."},
    {"Nothing to review.", "Nichts zu prüfen."},
    {"A sync client keeps your originals elsewhere",
     "Ein Sync-Client bewahrt deine Originale anderswo auf"},
    {"Starts with the newest photos and downloads only what the review screen is about to show. "
     "As groups are finished, more are fetched.",
     "Beginnt bei den neuesten Fotos und lädt nur, was die Prüfung als Nächstes zeigt. Sobald "
     "Gruppen erledigt sind, wird nachgeladen."},
    {"Scan the whole library", "Ganze Mediathek laden"},
    {"Downloads the originals of every group of lookalikes, a few at a time. It takes longer and "
     "uses bandwidth, and it is the only way to end up with the complete figure.",
     "Lädt nach und nach die Originale aller zusammengehörigen Fotos. Dauert länger und braucht "
     "Bandbreite — dafür steht am Ende die vollständige Zahl."},
    {"Decide later", "Später entscheiden"},
    {"Originals in the cloud", "Originale in der Cloud"},
    {"Keep looking", "Weiter suchen"},
    {"Review photos", "Fotos prüfen"},
    {"Settings…", "Einstellungen …"},
    {"Settings", "Einstellungen"},
    {"Pause", "Pausieren"},
    {"Resume", "Fortsetzen"},
    {"Check for Updates…", "Nach Updates suchen…"},
    {"Quit Keepsift", "Keepsift beenden"},
    {"Done", "Fertig"},
    {"Privacy", "Datenschutz"},
    {"Terms", "Nutzungsbedingungen"},
    {"Looking at photos", "Sieht sich Fotos an"},
    {"Paused.", "Pausiert."},
    {"Looking through the library is switched off.", "Das Durchsehen ist ausgeschaltet."},
    {"Waiting for mains power.", "Wartet auf Netzstrom."},
    {"Waiting — the power-saver profile is on.", "Wartet — der Stromsparmodus ist eingeschaltet."},
    {"Paused until the computer is cooler.", "Pausiert, bis der Computer wieder kühler ist."},
    {"Keepsift has no access to your photo library. Keepsift's library access settings are "
     "where that is granted.",
     "Keepsift hat keinen Zugriff auf deine Fotomediathek. In Keepsifts Einstellungen zum "
     "Mediathekzugriff lässt sich das ändern."},
    {"The photo library folder is missing or cannot be read. Keepsift cannot change that.",
     "Der Ordner der Fotomediathek fehlt oder ist nicht lesbar. Das lässt sich in Keepsift nicht "
     "ändern."},
    {"Keepsift can read the photo library folder but not write to it.",
     "Keepsift kann den Ordner der Fotomediathek lesen, aber nicht darin schreiben."},
    {"Open Keepsift Settings", "Keepsift-Einstellungen öffnen"},
    {"Look through the library in the background", "Mediathek im Hintergrund durchsehen"},
    {"Switched off, nothing happens at all: no reading, no analysis, no flags. Photographs "
     "already flagged stay flagged.",
     "Ausgeschaltet passiert gar nichts: kein Lesen, keine Analyse, keine Markierungen. Bereits "
     "markierte Fotos bleiben markiert."},
    {"Analyse only on mains power", "Nur am Netzstrom analysieren"},
    {"Looking at a photograph costs processor time. On battery the queue waits rather than "
     "draining.",
     "Das Ansehen eines Fotos kostet Rechenzeit. Am Akku wartet die Warteschlange, statt sie zu "
     "leeren."},
    {"Mark the tray icon at", "Am Symbol in der Systemleiste hinweisen ab"},
    {"A dot beside the icon once this many photographs are waiting to be discarded. Otherwise "
     "Keepsift never speaks up on its own.",
     "Ein Punkt neben dem Symbol, sobald so viele Fotos zum Verwerfen bereitliegen. Sonst meldet "
     "sich Keepsift nie von selbst."},
    {"Never", "Nie"},
    {"Show in the system tray", "In der Systemleiste anzeigen"},
    {"With no icon Keepsift keeps running. The way back is to open it again from your desktop's "
     "application menu: its window then offers Settings… and Quit Keepsift in the Keepsift menu.",
     "Ohne Symbol läuft Keepsift weiter. Zurück kommst du, indem du es erneut über das "
     "Anwendungsmenü deiner Arbeitsumgebung öffnest: Sein Fenster bietet dann im Menü "
     "„Keepsift“ „Einstellungen …“ und „Keepsift beenden“ an."},
    {"Launch at login", "Beim Anmelden starten"},
    {"Check for updates automatically", "Automatisch nach Updates suchen"},
    {"Asks " KEEPSIFT_UPDATE_HOST " whether there is a newer version, sending Keepsift's version "
     "and the operating system's along with the question.",
     "Fragt " KEEPSIFT_UPDATE_HOST " nach einer neueren Version und übermittelt dabei die Version "
     "von Keepsift und des Betriebssystems."},
    {"Send anonymous usage counts", "Anonyme Nutzungszahlen senden"},
    {"Rounded counts only — how many groups, how many flags. No names, no album titles, no "
     "filenames, no images.",
     "Nur gerundete Zahlen — wie viele Gruppen, wie viele Markierungen. Keine Namen, keine "
     "Albumtitel, keine Dateinamen, keine Bilder."},
    {"Language", "Sprache"},
    {"Keepsift sees every photograph in the library folder, whoever put it there — shared and "
     "synced folders inside it included.",
     "Keepsift sieht jedes Foto im Mediathek-Ordner, egal wer es dort abgelegt hat — geteilte "
     "und synchronisierte Ordner darin eingeschlossen."},
    {"Welcome to Keepsift", "Willkommen bei Keepsift"},
    {"Keepsift looks through your photo library in the background, gathers near-identical shots "
     "into sets, and suggests which one you would keep. The looking happens on this computer.",
     "Keepsift sieht sich im Hintergrund deine Fotomediathek an, fasst fast gleiche Aufnahmen zu "
     "Serien zusammen und schlägt vor, welche du behalten würdest. Das Ansehen geschieht auf "
     "diesem Computer."},
    {"Flagging changes nothing: a flagged photograph also appears in the “Keepsift — Rejects” "
     "album and stays in your library. Deleting happens when you ask for it — Keepsift asks you "
     "once more, and deleted photographs go to the Trash.",
     "Markieren verändert nichts: Ein markiertes Foto liegt zusätzlich im Album „Keepsift — "
     "Rejects“ und bleibt in deiner Mediathek. Gelöscht wird erst, wenn du es auslöst — Keepsift "
     "fragt noch einmal nach, und gelöschte Fotos landen im Papierkorb."},
    {"Get started", "Los geht’s"},
    {"Keep", "Behalten"},
    {"Discard", "Verwerfen"},
    {"Kept", "Behalten"},
    {"Discard", "Verwerfen"},
    {"Kept by you", "Von dir behalten"},
    {"Discarded by you", "Von dir verworfen"},
    {"Up and down change group, space compares them all side by side",
     "Auf und ab wechseln die Gruppe, Leertaste vergleicht alle nebeneinander"},
    {"↑ ↓ group · space compare all · 1–9 keep or discard · return (or S) select group",
     "↑ ↓ Gruppe · Leertaste alle vergleichen · 1–9 behalten oder verwerfen · Eingabetaste (oder "
     "S) Gruppe auswählen"},
    {"Keepsift is still looking through the library — more will appear here.",
     "Keepsift sieht sich die Mediathek noch an — hier kommt mehr dazu."},
    {"Compare all", "Alle vergleichen"},
    {"Select all", "Alle auswählen"},
    {"Deselect all", "Alle abwählen"},
    {"Thumbnail size", "Miniaturgröße"},
    {"Select group", "Gruppe auswählen"},
    {"Deselect group", "Gruppe abwählen"},
    {"Ignore group", "Gruppe ignorieren"},
    {"Reset", "Zurücksetzen"},
    {"Close", "Schließen"},
    {"Delete", "Löschen"},
    {"Cancel", "Abbrechen"},
    {"Nothing deleted. The flags are unchanged.",
     "Nichts gelöscht. Die Markierungen sind unverändert."},
    {"The batch changed while you were confirming — nothing was deleted. Please look again.",
     "Die Auswahl hat sich geändert — nichts gelöscht. Bitte neu prüfen."},
    {"The photo library refused that. Access may have been withdrawn.",
     "Die Fotomediathek hat das abgelehnt. Der Zugriff wurde eventuell entzogen."},
    {"Not decided yet", "Noch nicht entschieden"},
    {"Add to corpus", "Zum Korpus hinzufügen"},
    {"Corpus capture — this build files photographs away and deletes nothing.",
     "Korpus-Aufnahme — dieser Build legt Fotos ab und löscht nichts."},
    {"why? e.g. eyes, face expression, gaze, framing",
     "warum? z. B. Augen, Gesichtsausdruck, Blick, Bildausschnitt"},
}};

static_assert(std::string_view(KEEPSIFT_UPDATE_HOST) == Strings::updateHost);
#undef KEEPSIFT_UPDATE_HOST

} // namespace

std::string Strings::text(FixedText entry, std::string_view language) {
    const Pair& pair = pairs[static_cast<size_t>(entry)];
    return std::string(isGerman(language) ? pair.german : pair.english);
}

std::string Strings::firstRunIntro(std::string_view language) {
    return text(FixedText::firstRunIntro, language);
}

std::string Strings::firstRunNothingDeleted(std::string_view language) {
    return text(FixedText::firstRunNothingDeleted, language);
}

} // namespace keepsift
