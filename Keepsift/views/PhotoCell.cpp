#include "Keepsift/views/PhotoCell.hpp"

#include "Keepsift/views/PhotoTexts.hpp"
#include "Keepsift/views/RowMetrics.hpp"
#include "Keepsift/views/ViewTexts.hpp"

namespace keepsift::app {

PhotoCell::PhotoCell(std::shared_ptr<ThumbnailRequests> requests, QWidget* parent)
    : QWidget(parent), thumbnail_(new ThumbnailButton(std::move(requests), {}, this)),
      reason_(new QLabel(this)) {
    reason_->setFont(ViewFonts::caption());
    reason_->setWordWrap(true);
    reason_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    QPalette secondary = reason_->palette();
    QColor ink = secondary.color(QPalette::WindowText);
    ink.setAlphaF(0.65f);
    secondary.setColor(QPalette::WindowText, ink);
    reason_->setPalette(secondary);
    connect(thumbnail_, &QAbstractButton::clicked, this, &PhotoCell::toggled);
}

void PhotoCell::bind(const ReviewPhoto& photo, int position, int side, int reasonHeight,
                     const std::string& language) {
    const QString id = qtext(photo.assetID);
    const int pad = RowMetrics::cellPadding;
    setFixedSize(side + 2 * pad, pad + side + RowMetrics::cellSpacing + reasonHeight + pad);
    thumbnail_->setGeometry(pad, pad, side, side);
    thumbnail_->setObjectName(QStringLiteral("photo-") + id);
    thumbnail_->setAccessibleName(qtext(photo.filename));
    thumbnail_->setAccessibleDescription(PhotoTexts::verdict(photo.isKeeper, language));
    thumbnail_->setToolTip(PhotoTexts::action(photo.isKeeper, language));
    thumbnail_->setVerdict(photo.isKeeper, position, language);
    thumbnail_->setPhoto(photo.assetID);
    thumbnail_->setSide(side);
    reason_->setObjectName(QStringLiteral("reason-") + id);
    reason_->setGeometry(pad, pad + side + RowMetrics::cellSpacing, side, reasonHeight);
    const QString text = PhotoTexts::reason(photo, language);
    if (reason_->text() != text) reason_->setText(text);
    reason_->setAccessibleName(text);
}

} // namespace keepsift::app
