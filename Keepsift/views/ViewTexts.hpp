#pragma once

#include <string>
#include <string_view>

#include <QFont>
#include <QString>

#include "core/text/FixedText.hpp"

namespace keepsift::app {

// One view's English and German pair: German exactly for "de".
QString pick(std::string_view language, const char* english, const char* german);
QString fixedText(FixedText entry, std::string_view language);
QString qtext(const std::string& utf8);
std::string utf8(const QString& text);

// The platform's text styles, scaled from the application font.
struct ViewFonts {
    static QFont caption();
    static QFont caption2();
    static QFont callout();
    static QFont title3();
    static QFont semibold(QFont font);
};

} // namespace keepsift::app
