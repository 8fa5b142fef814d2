#include "core/model/Reason.hpp"

#include "core/model/PhotoSignals.hpp"

namespace keepsift {
namespace {

struct Texts {
    std::string_view english, german;
};

constexpr std::array<Texts, 20> texts{{
    {"Everyone smiling, eyes open", "Alle lächeln, Augen offen"},
    {"The best faces in the set", "Beste Gesichter der Serie"},
    {"More faces clearly visible", "Mehr Gesichter gut sichtbar"},
    {"Better framed", "Besser aufgebaut"},
    {"Sharper", "Schärfer"},
    {"The first of several identical shots", "Die erste von mehreren gleichen Aufnahmen"},
    {"You already marked this one", "Von dir als wichtig markiert"},
    {"Rated four stars or more", "Mit vier oder mehr Sternen bewertet"},
    {"A sidecar file holds edits for this one", "Eine Begleitdatei enthält Bearbeitungen dazu"},
    {"Already in one of your albums", "Liegt in einem deiner Alben"},
    {"The original, at full size", "Das Original in voller Grösse"},
    {"No similar shot found", "Keine ähnliche Aufnahme gefunden"},
    {"Eyes closed", "Augen geschlossen"},
    {"Nobody smiling", "Niemand lächelt"},
    {"Looking away", "Blick abgewandt"},
    {"Fewer faces visible", "Weniger Gesichter sichtbar"},
    {"Blurred", "Unscharf"},
    {"Near-identical shot", "Fast identische Aufnahme"},
    {"A smaller copy of the one kept", "Verkleinerte Kopie der behaltenen Aufnahme"},
    {"Just behind the one kept", "Knapp hinter der behaltenen Aufnahme"},
}};

} // namespace

std::string_view text(Reason reason, std::string_view language) {
    const Texts& t = texts[static_cast<size_t>(reason)];
    return language == "de" ? t.german : t.english;
}

std::optional<Reason> userMarkReason(const PhotoSignals& signals) {
    if (signals.isFavourite) return Reason::keptFavourite;
    if (signals.isInUserAlbum) return Reason::keptInAlbum;
    return std::nullopt;
}

} // namespace keepsift
