#include "Keepsift/views/ThumbnailButton.hpp"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>

#include "Keepsift/views/PhotoBadge.hpp"

namespace keepsift::app {
namespace {

QImage wrapped(const Image& image) {
    return QImage(image.rgba.data(), image.width, image.height, image.width * 4,
                  QImage::Format_RGBA8888);
}

} // namespace

ThumbnailButton::ThumbnailButton(std::shared_ptr<ThumbnailRequests> requests, Look look,
                                 QWidget* parent)
    : QAbstractButton(parent), requests_(std::move(requests)), look_(look) {
    setFocusPolicy(Qt::NoFocus);
    setCursor(Qt::PointingHandCursor);
}

double ThumbnailButton::screenScale() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->devicePixelRatio() : 2.0;
}

void ThumbnailButton::setPhoto(const std::string& assetID) {
    if (assetID == assetID_) return;
    assetID_ = assetID;
    state_ = ThumbnailState();
    token_ = std::make_shared<const int>(0);
    requested_ = 0;
    failedFor_ = 0;
    scaled_ = QPixmap();
    update();
    load();
}

void ThumbnailButton::setSide(double side) {
    if (side == side_) return;
    side_ = side;
    load();
}

void ThumbnailButton::setVerdict(bool isKeeper, int position, const std::string& language) {
    if (isKeeper == isKeeper_ && position == position_ && language == language_) return;
    isKeeper_ = isKeeper;
    position_ = position;
    language_ = language;
    scaled_ = QPixmap();
    update();
}

void ThumbnailButton::retry() {
    failedFor_ = 0;
    load();
}

int ThumbnailButton::wantedPixels() const {
    const double side = look_.fits ? side_ : std::max(side_, 0.0);
    return ThumbnailState::pixelSize(width(), height(), side, screenScale());
}

void ThumbnailButton::load() {
    if (assetID_.empty() || !isVisible()) return;
    const int p = wantedPixels();
    if (p < 1 || !state_.needs(p) || requested_ >= p || failedFor_ >= p) return;
    requested_ = p;
    if (look_.fits && state_.wantsPreview())
        loadPreview(p);
    else
        loadFull(p);
}

ImageHandler ThumbnailButton::whileSamePhoto(ImageHandler then) const {
    return [token = std::weak_ptr<const void>(token_),
            then = std::move(then)](std::shared_ptr<const Image> picture) {
        if (!token.expired()) then(std::move(picture));
    };
}

// The quick preview comes first; the full picture is asked for once it is here.
void ThumbnailButton::loadPreview(int p) {
    const int preview = ThumbnailState::previewSize;
    requests_->thumbnail(assetID_, {preview, preview}, token_,
                         whileSamePhoto([this, p](std::shared_ptr<const Image> picture) {
                             if (state_.acceptPreview(std::move(picture)))
                                 scaled_ = QPixmap(), update();
                             // A later run, for another size, asks for itself.
                             if (requested_ == p) loadFull(p);
                         }));
}

void ThumbnailButton::loadFull(int p) {
    auto done = whileSamePhoto(
        [this, p](std::shared_ptr<const Image> picture) { answered(p, std::move(picture)); });
    if (look_.fits)
        requests_->image(assetID_, {p, p}, token_, std::move(done));
    else
        requests_->thumbnail(assetID_, {p, p}, token_, std::move(done));
}

void ThumbnailButton::answered(int p, std::shared_ptr<const Image> picture) {
    if (requested_ == p) requested_ = 0;
    if (!picture) {
        failedFor_ = std::max(failedFor_, p);
        return;
    }
    if (state_.acceptFull(p, std::move(picture))) {
        scaled_ = QPixmap();
        update();
    }
    load();
}

void ThumbnailButton::resizeEvent(QResizeEvent* event) {
    QAbstractButton::resizeEvent(event);
    scaled_ = QPixmap();
    load();
}

void ThumbnailButton::showEvent(QShowEvent* event) {
    QAbstractButton::showEvent(event);
    load();
}

void ThumbnailButton::paintPicture(QPainter& painter, const QRect& area) {
    const auto& image = state_.image();
    if (!image || image->width < 1 || image->height < 1) {
        QColor placeholder = palette().color(QPalette::WindowText);
        placeholder.setAlphaF(0.08f);
        painter.fillRect(area, placeholder);
        return;
    }
    const QSize device = area.size() * devicePixelRatioF();
    const auto mode = look_.fits ? Qt::KeepAspectRatio : Qt::KeepAspectRatioByExpanding;
    QImage fitted = wrapped(*image).scaled(device, mode, Qt::SmoothTransformation);
    fitted.setDevicePixelRatio(devicePixelRatioF());
    const QSizeF shown = fitted.deviceIndependentSize();
    painter.drawImage(QPointF(area.x() + (area.width() - shown.width()) / 2,
                              area.y() + (area.height() - shown.height()) / 2),
                      fitted);
}

void ThumbnailButton::paintDecoration(QPainter& painter, const QRect& area) {
    const int inset = static_cast<int>(look_.badgeInset);
    PhotoBadge::paint(painter, area.topLeft() + QPoint(inset, inset), isKeeper_, language_,
                      look_.largeBadge);
    PhotoBadge::paintNumber(painter, area.topRight() + QPoint(-inset, inset), position_,
                            look_.largeBadge);
}

void ThumbnailButton::paintBorder(QPainter& painter, const QRect& area) {
    painter.setRenderHint(QPainter::Antialiasing);
    QColor border = palette().color(QPalette::Highlight);
    double width = look_.keeperBorder;
    if (!isKeeper_) {
        border = palette().color(QPalette::WindowText);
        border.setAlphaF(look_.fits ? 0.4f : 0.35f);
        width = 1;
    }
    painter.setPen(QPen(border, width));
    painter.setBrush(Qt::NoBrush);
    const double half = width / 2;
    painter.drawRoundedRect(QRectF(area).adjusted(half, half, -half, -half), look_.cornerRadius,
                            look_.cornerRadius);
}

// The whole look is drawn once into a pixmap and blitted on every later paint, so scrolling
// past a row costs a copy, not a resample, a rounded clip and three antialiased shapes.
void ThumbnailButton::paintEvent(QPaintEvent*) {
    const double ratio = devicePixelRatioF();
    const QSize device(std::max(1, qRound(width() * ratio)), std::max(1, qRound(height() * ratio)));
    if (scaled_.isNull() || scaled_.size() != device) {
        QPixmap canvas(device);
        canvas.setDevicePixelRatio(ratio);
        canvas.fill(Qt::transparent);
        QPainter painter(&canvas);
        const QRect area = rect();
        QPainterPath rounded;
        rounded.addRoundedRect(QRectF(area), look_.cornerRadius, look_.cornerRadius);
        painter.save();
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setClipPath(rounded);
        paintPicture(painter, area);
        paintDecoration(painter, area);
        painter.restore();
        paintBorder(painter, area);
        painter.end();
        scaled_ = std::move(canvas);
    }
    QPainter(this).drawPixmap(0, 0, scaled_);
}

} // namespace keepsift::app
