#include "Keepsift/review/TrashTexts.hpp"

#include "core/text/Strings.hpp"

namespace keepsift::app {

std::string TrashTexts::confirmationMessage(std::int64_t count, std::string_view language) {
    return Strings::recentlyDeletedNote(count, language);
}

std::string TrashTexts::movedToTrash(std::int64_t count, std::string_view language) {
    return Strings::handedToRecentlyDeleted(count, language);
}

std::string TrashTexts::deleteOutcome(std::int64_t deleted,
                                      const std::optional<std::string>& notice,
                                      std::string_view language) {
    if (notice) return *notice;
    if (deleted >= 1) return movedToTrash(deleted, language);
    return Strings::text(FixedText::nothingDeleted, language);
}

} // namespace keepsift::app
