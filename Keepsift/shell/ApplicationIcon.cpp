#include "Keepsift/shell/ApplicationIcon.hpp"

#include <QFile>
#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>

namespace keepsift::app {

QByteArray ApplicationIcon::scalable() {
    QFile file(QStringLiteral(":/desktop/com.ambervale.keepsift.svg"));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QImage ApplicationIcon::render(int side) {
    QImage image(side, side, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QSvgRenderer renderer(scalable());
    QPainter painter(&image);
    renderer.render(&painter, QRectF(0, 0, side, side));
    return image;
}

QIcon ApplicationIcon::icon() {
    QIcon icon;
    for (int side : sides)
        icon.addPixmap(QPixmap::fromImage(render(side)));
    return icon;
}

} // namespace keepsift::app
