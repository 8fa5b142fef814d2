#include "Keepsift/views/BatchBanner.hpp"

#include <QVBoxLayout>

#include "Keepsift/views/SecondaryText.hpp"
#include "Keepsift/views/ViewTexts.hpp"

namespace keepsift::app {

BatchBanner::BatchBanner(QWidget* parent)
    : QWidget(parent), paused_(wrappingLabel(ViewFonts::callout(), this)),
      button_(new QPushButton(this)), detail_(wrappingLabel(ViewFonts::caption(), this, 0.45f)) {
    setObjectName(QStringLiteral("batch-banner"));
    paused_->setObjectName(QStringLiteral("batch-paused"));
    button_->setObjectName(QStringLiteral("keep-looking"));
    detail_->setObjectName(QStringLiteral("keep-looking-detail"));
    for (QLabel* label : {paused_, detail_})
        label->setAlignment(Qt::AlignCenter);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 28, 0, 12);
    column->setSpacing(10);
    column->addWidget(paused_, 0, Qt::AlignHCenter);
    column->addWidget(button_, 0, Qt::AlignHCenter);
    column->addWidget(detail_, 0, Qt::AlignHCenter);
    connect(button_, &QPushButton::clicked, this, &BatchBanner::keepLooking);
}

void BatchBanner::setTexts(const QString& paused, const QString& button, const QString& detail) {
    paused_->setText(paused);
    button_->setText(button);
    detail_->setText(detail);
    fitLabels(width());
}

int BatchBanner::labelWidth(int width) {
    return std::max(1, std::min(maximumTextWidth, width));
}

// The texts wrap within 420 points and take their full height, so they are never cut.
void BatchBanner::fitLabels(int width) {
    const int w = labelWidth(width);
    for (QLabel* label : {paused_, detail_}) {
        label->setFixedWidth(w);
        label->setFixedHeight(label->heightForWidth(w));
    }
}

void BatchBanner::resizeEvent(QResizeEvent* event) {
    fitLabels(width());
    QWidget::resizeEvent(event);
}

int BatchBanner::heightForWidth(int width) const {
    const int w = labelWidth(width);
    const auto margins = layout()->contentsMargins();
    const int spacing = layout()->spacing();
    return margins.top() + paused_->heightForWidth(w) + spacing + button_->sizeHint().height() +
           spacing + detail_->heightForWidth(w) + margins.bottom();
}

} // namespace keepsift::app
