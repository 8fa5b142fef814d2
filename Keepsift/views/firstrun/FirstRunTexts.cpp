#include "Keepsift/views/firstrun/FirstRunTexts.hpp"

#include "Keepsift/views/ViewTexts.hpp"

namespace keepsift::app {

QString FirstRunTexts::title(std::string_view language) {
    return fixedText(FixedText::welcome, language);
}

QString FirstRunTexts::intro(std::string_view language) {
    return pick(language,
                "Keepsift looks through your photo library in the background, gathers "
                "near-identical shots into sets, and suggests which one you would keep. The "
                "looking happens on this computer.",
                "Keepsift sieht sich im Hintergrund deine Fotomediathek an, fasst fast gleiche "
                "Aufnahmen zu Serien zusammen und schlägt vor, welche du behalten würdest. Das "
                "Ansehen geschieht auf diesem Computer.");
}

QString FirstRunTexts::nothingDeleted(std::string_view language) {
    // Keepsift itself asks before deleting, and deleted photographs go to the desktop's Trash.
    return pick(language,
                "Flagging changes nothing: a flagged photograph also appears in the “Keepsift — "
                "Rejects” album and stays in your library. Deleting happens when you ask for it — "
                "Keepsift asks you once more, and deleted photographs go to the Trash.",
                "Markieren verändert nichts: Ein markiertes Foto liegt zusätzlich im Album "
                "„Keepsift — Aussortiert“ und bleibt in deiner Mediathek. Gelöscht wird erst, "
                "wenn du es auslöst — Keepsift fragt noch einmal nach, und gelöschte Fotos landen "
                "im Papierkorb.");
}

QString FirstRunTexts::getStarted(std::string_view language) {
    return fixedText(FixedText::getStarted, language);
}

} // namespace keepsift::app
