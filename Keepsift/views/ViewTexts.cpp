#include "Keepsift/views/ViewTexts.hpp"

#include <QApplication>

#include "core/text/Strings.hpp"

namespace keepsift::app {
namespace {

QFont scaled(double factor) {
    QFont font = QApplication::font();
    font.setPointSizeF(std::max(6.0, font.pointSizeF() * factor));
    return font;
}

} // namespace

QString pick(std::string_view language, const char* english, const char* german) {
    return QString::fromUtf8(Strings::isGerman(language) ? german : english);
}

QString fixedText(FixedText entry, std::string_view language) {
    return qtext(Strings::text(entry, language));
}

QString qtext(const std::string& utf8) {
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

std::string utf8(const QString& text) {
    return text.toUtf8().toStdString();
}

QFont ViewFonts::caption() {
    return scaled(0.85);
}

QFont ViewFonts::caption2() {
    return scaled(0.78);
}

QFont ViewFonts::callout() {
    return scaled(0.93);
}

QFont ViewFonts::title3() {
    return semibold(scaled(1.2));
}

QFont ViewFonts::semibold(QFont font) {
    font.setWeight(QFont::DemiBold);
    return font;
}

} // namespace keepsift::app
