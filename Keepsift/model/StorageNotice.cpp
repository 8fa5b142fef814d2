#include "Keepsift/model/StorageNotice.hpp"

namespace keepsift::app {

std::string storageUnavailableNotice(const std::string& reason, const std::string& language) {
    if (language == "de")
        return "Keepsift kann deine Durchsicht gerade nicht sichern (" + reason +
               "). Bis das wieder geht, wird nichts markiert; Keepsift versucht es weiter.";
    return "Keepsift cannot save your review right now (" + reason +
           "). Nothing is flagged until it can; Keepsift keeps trying.";
}

std::string decisionNotKeptNotice(const std::string& reason, const std::string& language) {
    if (language == "de")
        return "Diese Entscheidung wurde nicht \u00FCbernommen: Keepsift kann deine Durchsicht "
               "gerade nicht sichern (" +
               reason + "). Versuche es noch einmal, sobald das wieder geht.";
    return "That decision was not kept: Keepsift cannot save your review right now (" + reason +
           "). Try again once it can.";
}

std::string deleteRefusedNotice(const std::string& reason, const std::string& language) {
    if (language == "de")
        return "Nichts wurde gel\u00F6scht: Keepsift kann deine Durchsicht gerade nicht sichern (" +
               reason + "). Versuche es noch einmal, sobald das wieder geht.";
    return "Nothing was deleted: Keepsift cannot save your review right now (" + reason +
           "). Try again once it can.";
}

} // namespace keepsift::app
