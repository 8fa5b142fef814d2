#include "Keepsift/views/popover/MenuBarIcon.hpp"

#include <QPainter>
#include <QPainterPath>
#include <QPalette>
#include <QStringList>

namespace keepsift::app {
namespace {

// The symbol is 16 x 14 units; the dot of 4 sits one unit clear of it, on a 21 x 14 canvas
// centred in the square icon.
constexpr qreal symbolWidth = 16, symbolHeight = 14, dotSide = 4;

// Opaque: a see-through outline takes on the panel's colour and vanishes on the very panel
// it is meant for.
QColor opposite(const QColor& ink) {
    return ink.lightness() < 128 ? QColor(0xf2, 0xf2, 0xf2) : QColor(0x20, 0x20, 0x20);
}

bool panelIsDark(const QString& desktop) {
    return desktop.split(QLatin1Char(':')).contains(QStringLiteral("GNOME"));
}

QPainterPath backCard() {
    QPainterPath path;
    path.addRoundedRect(QRectF(3.5, 0.5, 12, 9), 1.5, 1.5);
    return path;
}

QPainterPath frontCard() {
    QPainterPath path;
    path.addRoundedRect(QRectF(0.5, 3.5, 12, 10), 1.5, 1.5);
    return path;
}

// A hill and a sun inside the front card.
QPainterPath scene() {
    QPainterPath path;
    path.moveTo(2, 12);
    path.lineTo(5.5, 8);
    path.lineTo(8, 10.5);
    path.lineTo(9.5, 9);
    path.lineTo(11.5, 12);
    path.closeSubpath();
    path.addEllipse(QPointF(9.5, 6.3), 1.1, 1.1);
    return path;
}

void drawSymbol(QPainter& painter, bool filled, const QColor& ink, const QColor& halo) {
    const QPainterPath back = backCard().subtracted(frontCard());
    const QPainterPath front = frontCard();
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(halo, 3.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawPath(back);
    painter.drawPath(front);
    painter.setPen(QPen(ink, 1.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawPath(back);
    if (filled) {
        // A filled card with the scene cut out of it.
        painter.setBrush(ink);
        painter.drawPath(front.subtracted(scene()));
        painter.setBrush(Qt::NoBrush);
    } else {
        painter.drawPath(front);
        painter.setPen(Qt::NoPen);
        painter.setBrush(ink);
        painter.drawPath(scene());
    }
}

void drawDot(QPainter& painter, const QColor& ink, const QColor& halo) {
    const QRectF dot(symbolWidth + 1, 0, dotSide, dotSide);
    painter.setPen(QPen(halo, 1.2));
    painter.setBrush(ink);
    painter.drawEllipse(dot);
}

} // namespace

QImage MenuBarIcon::paint(bool isWorking, bool nudges, const QColor& ink, qreal pixelRatio) {
    const int pixels = qRound(side * pixelRatio);
    QImage image(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    image.setDevicePixelRatio(pixelRatio);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor halo = opposite(ink);
    const qreal canvasWidth = symbolWidth + 1 + dotSide;
    // Whole logical pixels keep the strokes on the pixel grid at 1x and 2x.
    painter.translate(qFloor((side - canvasWidth) / 2), qFloor((side - symbolHeight) / 2));
    drawSymbol(painter, isWorking, ink, halo);
    if (nudges) drawDot(painter, ink, halo);
    return image;
}

QIcon MenuBarIcon::make(bool isWorking, bool nudges, const QColor& ink) {
    QIcon icon;
    for (qreal ratio : {1.0, 2.0})
        icon.addPixmap(QPixmap::fromImage(paint(isWorking, nudges, ink, ratio)));
    return icon;
}

QColor MenuBarIcon::panelInk(const QPalette& palette, const QString& desktop) {
    const QColor light(0xf2, 0xf2, 0xf2);
    if (panelIsDark(desktop)) return light;
    return palette.color(QPalette::Window).lightness() < 128 ? light : opposite(light);
}

} // namespace keepsift::app
