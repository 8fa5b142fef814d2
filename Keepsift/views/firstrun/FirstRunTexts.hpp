#pragma once

#include <QString>
#include <string_view>

namespace keepsift::app {

// The first-run window's own texts, in the language of the applied settings.
struct FirstRunTexts {
    static QString title(std::string_view language);
    static QString intro(std::string_view language);
    static QString nothingDeleted(std::string_view language);
    static QString getStarted(std::string_view language);
};

} // namespace keepsift::app
