#include "Keepsift/views/SwatchImageSource.hpp"

#include <algorithm>

#include <QFont>
#include <QFontMetricsF>
#include <QImage>
#include <QPainter>

#include "Keepsift/views/ViewTexts.hpp"

namespace keepsift::app {

SwatchImageSource::SwatchImageSource(std::shared_ptr<MainActor> mainActor)
    : mainActor_(std::move(mainActor)) {}

void SwatchImageSource::thumbnail(const std::string& identifier, PixelSize size,
                                  ImageHandler done) {
    mainActor_->post(
        [identifier, size, done = std::move(done)] { done(swatch(identifier, size)); });
}

void SwatchImageSource::image(const std::string& identifier, PixelSize size, ImageHandler done) {
    thumbnail(identifier, size, std::move(done));
}

int SwatchImageSource::hueDegrees(const std::string& identifier) {
    std::uint64_t hash = 0xcbf29ce484222325ULL;
    for (unsigned char byte : identifier) {
        hash ^= byte;
        hash *= 0x100000001b3ULL;
    }
    return static_cast<int>(hash % 360);
}

std::string SwatchImageSource::label(const std::string& identifier) {
    static const std::string piece = "scenario-";
    std::string text = identifier;
    for (auto at = text.find(piece); at != std::string::npos; at = text.find(piece, at))
        text.erase(at, piece.size());
    return text;
}

std::shared_ptr<const Image> SwatchImageSource::swatch(const std::string& identifier,
                                                       PixelSize size) {
    if (size.width < 1 || size.height < 1) return nullptr;
    QImage canvas(size.width, size.height, QImage::Format_RGBA8888);
    canvas.fill(QColor::fromHsvF(hueDegrees(identifier) / 360.0f, 0.32f, 0.78f, 1.0f));
    QPainter painter(&canvas);
    QFont font;
    font.setPixelSize(std::max(1, static_cast<int>(std::max(size.height / 12.0, 8.0))));
    painter.setFont(font);
    painter.setPen(QColor::fromRgbF(0, 0, 0, 0.65f));
    const QString text = qtext(label(identifier));
    const QSizeF measured = QFontMetricsF(font).size(Qt::TextSingleLine, text);
    painter.drawText(
        QPointF((size.width - measured.width()) * 0.5,
                (size.height - measured.height()) * 0.5 + QFontMetricsF(font).ascent()),
        text);
    painter.end();
    auto image = std::make_shared<Image>();
    image->width = size.width;
    image->height = size.height;
    image->rgba.assign(canvas.constBits(), canvas.constBits() + canvas.sizeInBytes());
    return image;
}

} // namespace keepsift::app
