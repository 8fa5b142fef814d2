#include "Keepsift/views/PhotoBadge.hpp"

#include <QApplication>
#include <QFontMetrics>
#include <QPainterPath>
#include <QPalette>

#include "Keepsift/views/ViewTexts.hpp"

namespace keepsift::app {
namespace {

QFont badgeFont(bool isLarge) {
    return ViewFonts::semibold(isLarge ? ViewFonts::caption() : ViewFonts::caption2());
}

QFont numberFont(bool isLarge) {
    QFont font = badgeFont(isLarge);
    font.setStyleHint(QFont::Monospace);
    font.setFamily(QStringLiteral("DejaVu Sans Mono"));
    return font;
}

QRect capsule(QPoint at, const QFont& font, const QString& text, int padX, int padY) {
    QFontMetrics metrics(font);
    return {at, QSize(metrics.horizontalAdvance(text) + 2 * padX, metrics.height() + 2 * padY)};
}

void paintCapsule(QPainter& painter, const QRect& box, const QColor& fill, const QColor& ink,
                  const QFont& font, const QString& text) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    const double radius = box.height() / 2.0;
    painter.drawRoundedRect(QRectF(box), radius, radius);
    painter.setPen(ink);
    painter.setFont(font);
    painter.drawText(box, Qt::AlignCenter, text);
    painter.restore();
}

QColor material() {
    QColor colour = QApplication::palette().color(QPalette::Window);
    colour.setAlphaF(0.88f);
    return colour;
}

} // namespace

QString PhotoBadge::text(bool isKeeper, std::string_view language) {
    return fixedText(isKeeper ? FixedText::kept : FixedText::discardedState, language);
}

QRect PhotoBadge::bounds(QPoint at, bool isKeeper, std::string_view language, bool isLarge) {
    return capsule(at, badgeFont(isLarge), text(isKeeper, language), isLarge ? 8 : 6,
                   isLarge ? 3 : 2);
}

void PhotoBadge::paint(QPainter& painter, QPoint at, bool isKeeper, std::string_view language,
                       bool isLarge) {
    const QPalette palette = QApplication::palette();
    const QRect box = bounds(at, isKeeper, language, isLarge);
    if (isKeeper)
        paintCapsule(painter, box, palette.color(QPalette::Highlight),
                     palette.color(QPalette::HighlightedText), badgeFont(isLarge),
                     text(isKeeper, language));
    else
        paintCapsule(painter, box, material(), palette.color(QPalette::WindowText),
                     badgeFont(isLarge), text(isKeeper, language));
}

QRect PhotoBadge::numberBounds(QPoint topRight, int position, bool isLarge) {
    if (position < 1 || position > 9) return {};
    QRect box = capsule({}, numberFont(isLarge), QString::number(position), isLarge ? 7 : 6,
                        isLarge ? 3 : 2);
    box.moveTopRight(topRight);
    return box;
}

void PhotoBadge::paintNumber(QPainter& painter, QPoint topRight, int position, bool isLarge) {
    const QRect box = numberBounds(topRight, position, isLarge);
    if (box.isEmpty()) return;
    QColor secondary = QApplication::palette().color(QPalette::WindowText);
    secondary.setAlphaF(0.65f);
    paintCapsule(painter, box, material(), secondary, numberFont(isLarge),
                 QString::number(position));
}

} // namespace keepsift::app
