#include "Keepsift/views/PhotoTexts.hpp"

#include "Keepsift/views/ViewTexts.hpp"
#include "core/text/Strings.hpp"

namespace keepsift::app {

QString PhotoTexts::reason(const ReviewPhoto& photo, std::string_view language) {
    if (photo.isUsers)
        return fixedText(photo.isKeeper ? FixedText::keptByYou : FixedText::discardedByYou,
                         language);
    if (!photo.reason) return {};
    return qtext(Strings::text(*photo.reason, language));
}

QString PhotoTexts::verdict(bool isKeeper, std::string_view language) {
    return fixedText(isKeeper ? FixedText::kept : FixedText::discardedState, language);
}

QString PhotoTexts::action(bool isKeeper, std::string_view language) {
    return fixedText(isKeeper ? FixedText::discard : FixedText::keep, language);
}

} // namespace keepsift::app
