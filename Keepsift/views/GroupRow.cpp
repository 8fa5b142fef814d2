#include "Keepsift/views/GroupRow.hpp"

#include <algorithm>

#include <QContextMenuEvent>
#include <QFontMetrics>
#include <QMenu>
#include <QPainter>
#include <QScrollBar>

#include "Keepsift/views/CaptureDateText.hpp"
#include "Keepsift/views/ViewTexts.hpp"
#include "core/layout/RowLayout.hpp"
#include "core/text/Strings.hpp"

namespace keepsift::app {
namespace {

QColor withAlpha(QColor colour, float alpha) {
    colour.setAlphaF(alpha);
    return colour;
}

} // namespace

GroupRow::GroupRow(std::shared_ptr<ThumbnailRequests> requests, const RowCallbacks& callbacks,
                   QWidget* parent)
    : QWidget(parent), requests_(std::move(requests)), callbacks_(callbacks),
      divider_(new QFrame(this)), select_(new QCheckBox(this)), date_(new QLabel(this)),
      ignore_(linkButton()), reset_(linkButton()), compare_(new QPushButton(this)),
      delete_(new QPushButton(this)), strip_(new QScrollArea(this)),
      stripContent_(new QWidget(strip_)) {
    divider_->setFrameShape(QFrame::HLine);
    divider_->setFrameShadow(QFrame::Plain);
    divider_->setPalette(QPalette(withAlpha(palette().color(QPalette::WindowText), 0.15f)));
    date_->setFont(ViewFonts::callout());
    QPalette secondary = date_->palette();
    secondary.setColor(QPalette::WindowText,
                       withAlpha(secondary.color(QPalette::WindowText), 0.65f));
    date_->setPalette(secondary);
    strip_->setFrameShape(QFrame::NoFrame);
    strip_->setWidget(stripContent_);
    strip_->setWidgetResizable(false);
    strip_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    strip_->viewport()->setAutoFillBackground(false);
    stripContent_->setAutoFillBackground(false);
    for (auto* button : {compare_, delete_})
        button->setFocusPolicy(Qt::TabFocus);
    select_->setFocusPolicy(Qt::TabFocus);

    connect(select_, &QCheckBox::clicked, this, [this](bool checked) {
        callbacks_.onActivate(group_);
        callbacks_.onSelect(group_, checked);
    });
    auto action = [this](const std::function<void(const ReviewGroup&)>& call) {
        return [this, &call] {
            callbacks_.onActivate(group_);
            call(group_);
        };
    };
    connect(ignore_, &QPushButton::clicked, this, action(callbacks_.onIgnore));
    connect(reset_, &QPushButton::clicked, this, action(callbacks_.onReset));
    connect(compare_, &QPushButton::clicked, this, action(callbacks_.onCompare));
    connect(delete_, &QPushButton::clicked, this, action(callbacks_.onDelete));
    setMouseTracking(true);
}

QPushButton* GroupRow::linkButton() {
    auto* button = new QPushButton(this);
    button->setFlat(true);
    button->setFont(ViewFonts::callout());
    button->setCursor(Qt::PointingHandCursor);
    button->setFocusPolicy(Qt::TabFocus);
    QPalette link = button->palette();
    link.setColor(QPalette::ButtonText, withAlpha(link.color(QPalette::ButtonText), 0.65f));
    button->setPalette(link);
    button->setStyleSheet(QStringLiteral("QPushButton { border: none; padding: 2px 4px; }"));
    return button;
}

void GroupRow::applyTexts(const std::string& language) {
    language_ = language;
    ignore_->setText(fixedText(FixedText::ignoreGroup, language));
    reset_->setText(fixedText(FixedText::reset, language));
    compare_->setText(fixedText(FixedText::compareAll, language));
}

void GroupRow::bind(const ReviewGroup& group, int side, double available, Flags flags,
                    RowMetrics& metrics) {
    const bool sameGroup = group == group_ && metrics.language() == language_;
    group_ = group;
    flags_ = flags;
    if (metrics.language() != language_) applyTexts(metrics.language());
    const QString id = qtext(group.id);
    setObjectName(QStringLiteral("group-") + id);
    setAccessibleName(QStringLiteral("group-") + id);
    select_->setObjectName(QStringLiteral("select-") + id);
    ignore_->setObjectName(QStringLiteral("ignore-") + id);
    reset_->setObjectName(QStringLiteral("reset-") + id);
    compare_->setObjectName(QStringLiteral("compare-") + id);
    delete_->setObjectName(QStringLiteral("delete-") + id);

    const bool flagged = group.hasFlagged();
    select_->setVisible(flagged);
    select_->setChecked(flags.isSelected);
    select_->setText(
        fixedText(flags.isSelected ? FixedText::deselectGroup : FixedText::selectGroup, language_));
    delete_->setVisible(flagged);
    if (flagged)
        delete_->setText(qtext(Strings::deleteDiscardedShort(
            static_cast<std::int64_t>(group.flaggedPhotos().size()), language_)));
    date_->setText(captureDateText(group.capturedAt));
    date_->setVisible(group.capturedAt.has_value());

    const int height = metrics.rowHeight(group, side, available);
    if (this->height() != height || width() < 1) resize(width(), height);
    layoutHeader(width(), metrics.headerHeight());
    layoutStrip(side, available, metrics);
    if (!sameGroup) update();
}

void GroupRow::setFlags(Flags flags) {
    if (flags == flags_) return;
    const bool selectionChanged = flags.isSelected != flags_.isSelected;
    flags_ = flags;
    if (selectionChanged) {
        select_->setChecked(flags.isSelected);
        select_->setText(fixedText(
            flags.isSelected ? FixedText::deselectGroup : FixedText::selectGroup, language_));
    }
    update();
}

void GroupRow::retryPictures() {
    for (auto* cell : cells_)
        cell->retryPicture();
}

void GroupRow::layoutHeader(int width, int lineHeight) {
    const int pad = RowMetrics::padding;
    divider_->setGeometry(pad, pad, std::max(0, width - 2 * pad), RowMetrics::divider);
    const int top = pad + RowMetrics::divider + RowMetrics::spacing;
    auto place = [&](QWidget* item, int x) {
        const QSize hint = item->sizeHint();
        const int h = std::min(std::max(hint.height(), 1), lineHeight);
        item->setGeometry(x, top + (lineHeight - h) / 2, hint.width(), h);
        return hint.width();
    };
    int x = pad;
    if (select_->isVisibleTo(this)) {
        // As wide as the wider of its two labels, so it never moves when it toggles.
        QFontMetrics metrics(select_->font());
        const int wider =
            std::max(metrics.horizontalAdvance(fixedText(FixedText::selectGroup, language_)),
                     metrics.horizontalAdvance(fixedText(FixedText::deselectGroup, language_)));
        const int boxWidth =
            select_->sizeHint().width() - metrics.horizontalAdvance(select_->text()) + wider;
        select_->setGeometry(x, top, boxWidth, lineHeight);
        x += boxWidth + RowMetrics::spacing;
    }
    if (date_->isVisibleTo(this)) x += place(date_, x) + RowMetrics::spacing;
    int right = width - pad;
    for (QWidget* item : {static_cast<QWidget*>(delete_), static_cast<QWidget*>(compare_),
                          static_cast<QWidget*>(reset_), static_cast<QWidget*>(ignore_)}) {
        if (!item->isVisibleTo(this)) continue;
        const int w = item->sizeHint().width();
        right -= w;
        place(item, right);
        right -= RowMetrics::spacing;
    }
}

void GroupRow::layoutStrip(int side, double available, RowMetrics& metrics) {
    const int reasonHeight = metrics.reasonHeight(group_, side);
    const auto count = group_.photos.size();
    while (cells_.size() < count) {
        auto* cell = new PhotoCell(requests_, stripContent_);
        const std::size_t index = cells_.size();
        connect(cell, &PhotoCell::toggled, this, [this, index] {
            if (index >= group_.photos.size()) return;
            callbacks_.onActivate(group_);
            callbacks_.onToggle(group_, group_.photos[index]);
        });
        cells_.push_back(cell);
    }
    const int step = side + 2 * RowMetrics::cellPadding + static_cast<int>(RowLayout::spacing);
    for (std::size_t i = 0; i < cells_.size(); ++i) {
        PhotoCell* cell = cells_[i];
        if (i >= count) {
            cell->hide();
            continue;
        }
        const auto& photo = group_.photos[i];
        const auto first = std::find_if(group_.photos.begin(), group_.photos.end(),
                                        [&](const auto& p) { return p.assetID == photo.assetID; });
        const int position = static_cast<int>(first - group_.photos.begin()) + 1;
        cell->bind(photo, position, side, reasonHeight, language_);
        cell->move(static_cast<int>(i) * step, 0);
        cell->show();
    }
    const int n = std::max<int>(1, static_cast<int>(count));
    const int contentWidth = static_cast<int>(RowLayout::rowWidth(n, side));
    const bool scrolls = RowLayout::overflows(n, side, available);
    stripContent_->resize(contentWidth, metrics.cellHeight(group_, side));
    strip_->setHorizontalScrollBarPolicy(scrolls ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    const int pad = RowMetrics::padding;
    strip_->setGeometry(pad, metrics.stripTop(), std::max(0, width() - 2 * pad),
                        metrics.stripHeight(group_, side, available));
}

void GroupRow::paintEvent(QPaintEvent*) {
    QColor fill = Qt::transparent;
    if (flags_.isActive)
        fill = withAlpha(palette().color(QPalette::Highlight), 0.16f);
    else if (flags_.isHovered)
        fill = withAlpha(palette().color(QPalette::WindowText), 0.05f);
    if (fill.alpha() == 0) return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    painter.drawRoundedRect(QRectF(rect()), 12, 12);
}

void GroupRow::mousePressEvent(QMouseEvent* event) {
    // A click passed up from a text is not a click on the row's background.
    if (!qobject_cast<QLabel*>(childAt(event->position().toPoint()))) callbacks_.onActivate(group_);
    QWidget::mousePressEvent(event);
}

void GroupRow::contextMenuEvent(QContextMenuEvent* event) {
    QMenu menu(this);
    auto item = [&](const QString& text, const std::function<void(const ReviewGroup&)>& call) {
        menu.addAction(text, this, [this, &call] {
            callbacks_.onActivate(group_);
            call(group_);
        });
    };
    item(fixedText(FixedText::compareAll, language_), callbacks_.onCompare);
    item(fixedText(FixedText::reset, language_), callbacks_.onReset);
    item(fixedText(FixedText::ignoreGroup, language_), callbacks_.onIgnore);
    if (group_.hasFlagged()) {
        menu.addSeparator();
        item(qtext(Strings::deleteDiscardedShort(
                 static_cast<std::int64_t>(group_.flaggedPhotos().size()), language_)),
             callbacks_.onDelete);
    }
    menu.exec(event->globalPos());
}

void GroupRow::enterEvent(QEnterEvent* event) {
    callbacks_.onHover(group_, true);
    QWidget::enterEvent(event);
}

void GroupRow::leaveEvent(QEvent* event) {
    callbacks_.onHover(group_, false);
    QWidget::leaveEvent(event);
}

} // namespace keepsift::app
