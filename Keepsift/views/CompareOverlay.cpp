#include "Keepsift/views/CompareOverlay.hpp"

#include <QMouseEvent>
#include <QScrollBar>
#include <QVBoxLayout>

#include "Keepsift/views/CaptureDateText.hpp"
#include "Keepsift/views/PhotoTexts.hpp"
#include "Keepsift/views/SecondaryText.hpp"
#include "Keepsift/views/ViewTexts.hpp"
#include "core/layout/CompareLayout.hpp"

namespace keepsift::app {
namespace {

constexpr int contentPadding = 28;
constexpr int extraTop = 12;

} // namespace

CompareTile::CompareTile(std::shared_ptr<ThumbnailRequests> requests, QWidget* parent)
    : QWidget(parent),
      picture_(new ThumbnailButton(
          std::move(requests),
          {.fits = true, .largeBadge = true, .cornerRadius = 6, .keeperBorder = 4, .badgeInset = 8},
          this)),
      caption_(wrappingLabel(ViewFonts::callout(), this)), decision_(new QPushButton(this)) {
    caption_->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    picture_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    decision_->setFocusPolicy(Qt::TabFocus);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(10, 10, 10, 10);
    column->setSpacing(10);
    column->addWidget(picture_, 1);
    column->addWidget(caption_, 0);
    column->addWidget(decision_, 0, Qt::AlignHCenter);
    connect(picture_, &QAbstractButton::clicked, this, &CompareTile::toggled);
    connect(decision_, &QPushButton::clicked, this, &CompareTile::toggled);
}

void CompareTile::bind(const ReviewPhoto& photo, int number, bool compact,
                       const std::string& language) {
    const QString id = qtext(photo.assetID);
    picture_->setObjectName(QStringLiteral("compare-") + id);
    picture_->setAccessibleName(qtext(photo.filename));
    picture_->setAccessibleDescription(PhotoTexts::verdict(photo.isKeeper, language));
    picture_->setVerdict(photo.isKeeper, number, language);
    picture_->setPhoto(photo.assetID);
    caption_->setFont(compact ? ViewFonts::caption() : ViewFonts::callout());
    caption_->setText(PhotoTexts::reason(photo, language));
    decision_->setObjectName(QStringLiteral("compare-toggle-") + id);
    decision_->setText(PhotoTexts::action(photo.isKeeper, language));
    decision_->setMinimumHeight(decision_->sizeHint().height() + (compact ? 0 : 8));
}

void CompareTile::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) Q_EMIT toggled();
}

CompareOverlay::CompareOverlay(std::shared_ptr<ThumbnailRequests> requests, QWidget* parent)
    : QWidget(parent), requests_(std::move(requests)),
      date_(secondaryLabel(ViewFonts::callout(), this)), strip_(new QScrollArea(this)),
      content_(new QWidget(strip_)), close_(new QToolButton(this)) {
    setObjectName(QStringLiteral("compare-overlay"));
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Window);
    date_->setAlignment(Qt::AlignHCenter);
    strip_->setFrameShape(QFrame::NoFrame);
    strip_->setWidget(content_);
    strip_->setWidgetResizable(false);
    strip_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    close_->setObjectName(QStringLiteral("close-compare"));
    close_->setText(QStringLiteral("✕"));
    close_->setAutoRaise(true);
    close_->setFont(ViewFonts::title3());
    close_->setFocusPolicy(Qt::NoFocus);
    connect(close_, &QToolButton::clicked, this, &CompareOverlay::closeRequested);
}

void CompareOverlay::setGroup(const ReviewGroup& group, const std::string& language) {
    const bool rebuilt = group.photos.size() != tiles_.size();
    group_ = group;
    language_ = language;
    const QString closeText = pick(language, "Close", "Schliessen");
    close_->setToolTip(closeText);
    close_->setAccessibleName(closeText);
    date_->setText(captureDateText(group.capturedAt));
    date_->setVisible(group.capturedAt.has_value());
    while (tiles_.size() < group.photos.size()) {
        auto* tile = new CompareTile(requests_, content_);
        const std::size_t index = tiles_.size();
        connect(tile, &CompareTile::toggled, this, [this, index] {
            if (index < group_.photos.size()) Q_EMIT toggle(group_.photos[index]);
        });
        tiles_.push_back(tile);
    }
    while (tiles_.size() > group.photos.size()) {
        delete tiles_.back();
        tiles_.pop_back();
    }
    if (rebuilt) strip_->horizontalScrollBar()->setValue(0);
    layoutTiles();
}

void CompareOverlay::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    layoutTiles();
}

void CompareOverlay::layoutTiles() {
    const int top = contentPadding + extraTop;
    const int width = std::max(0, this->width() - 2 * contentPadding);
    int y = top;
    if (date_->isVisibleTo(this)) {
        date_->setGeometry(contentPadding, y, width, date_->sizeHint().height());
        y += date_->sizeHint().height() + 12;
    }
    const int height = std::max(0, this->height() - y - contentPadding);
    const int count = static_cast<int>(group_.photos.size());
    columns_ =
        CompareLayout::columns(count, group_.isMostlyPortrait(), width, CompareLayout::minimumCell);
    const double cell = CompareLayout::cellWidth(columns_, width);
    const bool scrolls = count > columns_;
    strip_->setHorizontalScrollBarPolicy(scrolls ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    strip_->setGeometry(contentPadding, y, width, height);
    const int tileHeight =
        std::max(0, height - (scrolls ? strip_->horizontalScrollBar()->sizeHint().height() : 0));
    const bool compact = cell < 240;
    const double gap = CompareLayout::gap;
    for (int i = 0; i < count; ++i) {
        CompareTile* tile = tiles_[static_cast<std::size_t>(i)];
        tile->bind(group_.photos[static_cast<std::size_t>(i)], i + 1, compact, language_);
        tile->setGeometry(static_cast<int>(i * (cell + gap)), 0, static_cast<int>(cell),
                          tileHeight);
        tile->show();
    }
    const int contentWidth =
        count > 0 ? static_cast<int>(count * cell + (count - 1) * gap) : static_cast<int>(cell);
    const int offset = contentWidth < width ? (width - contentWidth) / 2 : 0;
    content_->resize(std::max(contentWidth, width), tileHeight);
    for (auto* tile : tiles_)
        tile->move(tile->x() + offset, 0);
    close_->adjustSize();
    close_->move(this->width() - close_->width() - 16, 16);
    close_->raise();
}

} // namespace keepsift::app
