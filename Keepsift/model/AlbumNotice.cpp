#include "Keepsift/model/AlbumNotice.hpp"

namespace keepsift::app {

std::string albumNotUpdatedNotice(const std::string& reason, const std::string& language) {
    if (language == "de")
        return "Deine Durchsicht bleibt erhalten, aber das Album \u201EKeepsift \u2014 "
               "Rejects\u201C lie\u00DF sich nicht aktualisieren (" +
               reason + "). Keepsift versucht es weiter, solange es l\u00E4uft.";
    return "Your review is kept, but the album \u201CKeepsift \u2014 Rejects\u201D could not be "
           "updated (" +
           reason + "). Keepsift tries again while it runs.";
}

} // namespace keepsift::app
