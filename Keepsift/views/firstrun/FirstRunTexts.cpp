#include "Keepsift/views/firstrun/FirstRunTexts.hpp"

#include "Keepsift/views/ViewTexts.hpp"
#include "core/text/Strings.hpp"

namespace keepsift::app {

QString FirstRunTexts::title(std::string_view language) {
    return fixedText(FixedText::welcome, language);
}

QString FirstRunTexts::intro(std::string_view language) {
    return qtext(Strings::firstRunIntro(language));
}

QString FirstRunTexts::nothingDeleted(std::string_view language) {
    return qtext(Strings::firstRunNothingDeleted(language));
}

QString FirstRunTexts::getStarted(std::string_view language) {
    return fixedText(FixedText::getStarted, language);
}

} // namespace keepsift::app
