#include "Keepsift/views/ReviewHeader.hpp"

#include <QHBoxLayout>
#include <QPainter>

#include "Keepsift/review/ReviewWindowState.hpp"
#include "Keepsift/views/SecondaryText.hpp"
#include "Keepsift/views/ViewTexts.hpp"
#include "core/settings/Keepsift.hpp"
#include "core/text/Strings.hpp"

namespace keepsift::app {
namespace {

// The small and large picture symbols either side of the slider.
class PictureSymbol : public QWidget {
public:
    PictureSymbol(bool filled, int side, QWidget* parent)
        : QWidget(parent), filled_(filled), side_(side) {
        setFixedSize(side + 2, side + 2);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        QColor ink = palette().color(QPalette::WindowText);
        ink.setAlphaF(0.65f);
        const QRectF frame(1.5, 1.5 + side_ * 0.1, side_ - 1, side_ * 0.8 - 1);
        painter.setPen(QPen(ink, 1.2));
        painter.setBrush(filled_ ? QBrush(ink) : QBrush(Qt::NoBrush));
        painter.drawRoundedRect(frame, 2, 2);
    }

private:
    bool filled_;
    int side_;
};

} // namespace

ReviewHeader::ReviewHeader(QWidget* parent)
    : QWidget(parent), summary_(secondaryLabel(ViewFonts::callout(), this)),
      slider_(new QSlider(Qt::Horizontal, this)) {
    setObjectName(QStringLiteral("review-header"));
    auto* title = new QLabel(QString::fromUtf8(Keepsift::name.data(), Keepsift::name.size()), this);
    title->setObjectName(QStringLiteral("review-title"));
    title->setFont(ViewFonts::title3());
    summary_->setObjectName(QStringLiteral("flagged-summary"));
    slider_->setObjectName(QStringLiteral("thumbnail-size"));
    slider_->setRange(static_cast<int>(ReviewWindowState::minimumSlider),
                      static_cast<int>(ReviewWindowState::maximumSlider));
    slider_->setFixedWidth(120);
    slider_->setFocusPolicy(Qt::NoFocus);
    connect(slider_, &QSlider::valueChanged, this,
            [this](int value) { Q_EMIT maximumCellChanged(value); });

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(20, 10, 20, 10);
    row->setSpacing(8);
    row->addWidget(title, 0, Qt::AlignBaseline);
    row->addWidget(summary_, 0, Qt::AlignBaseline);
    row->addStretch(1);
    row->addSpacing(12);
    row->addWidget(new PictureSymbol(false, 11, this), 0, Qt::AlignVCenter);
    row->addWidget(slider_, 0, Qt::AlignVCenter);
    row->addWidget(new PictureSymbol(true, 15, this), 0, Qt::AlignVCenter);
}

void ReviewHeader::update(const ReviewList& list, const std::string& language, double maximumCell) {
    summary_->setText(
        qtext(Strings::toDiscard(list.flaggedCount, list.reclaimableBytes, language)));
    slider_->setAccessibleName(pick(language, "Thumbnail size", "Grösse der Vorschaubilder"));
    const QSignalBlocker quiet(slider_);
    slider_->setValue(static_cast<int>(maximumCell));
}

} // namespace keepsift::app
