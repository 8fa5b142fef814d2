#include "Keepsift/review/TrashTexts.hpp"

#include "core/text/Strings.hpp"

namespace keepsift::app {
namespace {

std::string pick(std::string_view language, std::string_view english, std::string_view german) {
    return std::string(Strings::isGerman(language) ? german : english);
}

} // namespace

std::string TrashTexts::confirmationMessage(std::int64_t count, std::string_view language) {
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

std::string TrashTexts::movedToTrash(std::int64_t count, std::string_view language) {
    return Strings::photoCount(count, language) +
           pick(language, " moved to the Trash.", " in den Papierkorb verschoben.");
}

std::string TrashTexts::deleteOutcome(std::int64_t deleted,
                                      const std::optional<std::string>& notice,
                                      std::string_view language) {
    if (deleted >= 1) return movedToTrash(deleted, language);
    if (notice) return *notice;
    return Strings::text(FixedText::nothingDeleted, language);
}

} // namespace keepsift::app
