#include "Keepsift/views/EmptyState.hpp"

#include <QHBoxLayout>
#include <QVBoxLayout>

#include "Keepsift/views/SecondaryText.hpp"
#include "Keepsift/views/ViewTexts.hpp"

namespace keepsift::app {

QProgressBar* busyIndicator(QWidget* parent) {
    auto* bar = new QProgressBar(parent);
    bar->setRange(0, 0);
    bar->setTextVisible(false);
    bar->setFixedSize(48, 8);
    return bar;
}

EmptyState::EmptyState(QWidget* parent)
    : QWidget(parent), progress_(busyIndicator(this)),
      text_(wrappingLabel(ViewFonts::callout(), this)), settings_(new QPushButton(this)) {
    setObjectName(QStringLiteral("empty-state-view"));
    text_->setObjectName(QStringLiteral("empty-state"));
    text_->setAlignment(Qt::AlignCenter);
    text_->setFixedWidth(380);
    settings_->setObjectName(QStringLiteral("open-system-settings"));
    auto* column = new QVBoxLayout(this);
    column->setSpacing(12);
    column->addStretch(1);
    column->addWidget(progress_, 0, Qt::AlignHCenter);
    column->addWidget(text_, 0, Qt::AlignHCenter);
    column->addWidget(settings_, 0, Qt::AlignHCenter);
    column->addStretch(1);
    connect(settings_, &QPushButton::clicked, this, &EmptyState::openSettings);
}

void EmptyState::show(bool showsProgress, const QString& text, bool showsSettingsButton,
                      const QString& settingsLabel) {
    progress_->setVisible(showsProgress);
    text_->setText(text);
    text_->setAccessibleName(text);
    // Its full height, so a long notice wraps and is never cut.
    text_->setFixedHeight(text_->heightForWidth(text_->width()));
    settings_->setVisible(showsSettingsButton);
    settings_->setText(settingsLabel);
}

ScanProgressLine::ScanProgressLine(QWidget* parent)
    : QWidget(parent), text_(secondaryLabel(ViewFonts::callout(), this)) {
    setObjectName(QStringLiteral("scan-progress"));
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 6);
    row->setSpacing(8);
    row->addWidget(busyIndicator(this), 0, Qt::AlignVCenter);
    row->addWidget(text_, 1, Qt::AlignVCenter);
}

void ScanProgressLine::setText(const QString& text) {
    text_->setText(text);
    setAccessibleName(text);
}

} // namespace keepsift::app
