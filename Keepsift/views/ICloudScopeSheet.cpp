#include "Keepsift/views/ICloudScopeSheet.hpp"

#include <QHBoxLayout>
#include <QVBoxLayout>

#include "Keepsift/views/SecondaryText.hpp"
#include "Keepsift/views/ViewTexts.hpp"
#include "core/text/Strings.hpp"

namespace keepsift::app {
namespace {

constexpr std::int64_t batchGroups = 200;

} // namespace

ICloudScopeSheet::ICloudScopeSheet(QWidget* parent)
    : QDialog(parent), title_(new QLabel(this)), explanation_(new QLabel(this)),
      batches_(new QPushButton(this)), batchesDetail_(wrappingLabel(ViewFonts::caption(), this)),
      whole_(new QPushButton(this)), wholeDetail_(wrappingLabel(ViewFonts::caption(), this)),
      later_(new QPushButton(this)) {
    setObjectName(QStringLiteral("icloud-scope-sheet"));
    setWindowModality(Qt::WindowModal);
    setFixedWidth(480);
    title_->setObjectName(QStringLiteral("icloud-title"));
    title_->setFont(ViewFonts::title3());
    title_->setWordWrap(true);
    explanation_->setObjectName(QStringLiteral("icloud-explanation"));
    explanation_->setFont(ViewFonts::callout());
    explanation_->setWordWrap(true);
    batches_->setObjectName(QStringLiteral("icloud-batches"));
    whole_->setObjectName(QStringLiteral("icloud-whole-library"));
    later_->setObjectName(QStringLiteral("icloud-later"));
    batches_->setDefault(false);
    batches_->setAutoDefault(false);
    whole_->setAutoDefault(false);
    later_->setAutoDefault(false);
    batches_->setStyleSheet(QStringLiteral(
        "QPushButton { background-color: palette(highlight); color: palette(highlighted-text);"
        " border-radius: 6px; padding: 6px 14px; font-weight: 600; }"));
    for (auto* button : {batches_, whole_})
        button->setMinimumHeight(button->sizeHint().height() + 8);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(24, 24, 24, 24);
    column->setSpacing(16);
    column->setSizeConstraint(QLayout::SetFixedSize);
    column->addWidget(title_);
    column->addWidget(explanation_);
    auto* options = new QVBoxLayout;
    options->setSpacing(12);
    for (auto [button, detail] :
         {std::pair{batches_, batchesDetail_}, std::pair{whole_, wholeDetail_}}) {
        auto* option = new QVBoxLayout;
        option->setSpacing(4);
        option->addWidget(button, 0, Qt::AlignLeft);
        option->addWidget(detail);
        options->addLayout(option);
    }
    column->addLayout(options);
    auto* bottom = new QHBoxLayout;
    bottom->addStretch(1);
    bottom->addWidget(later_);
    column->addLayout(bottom);
    for (QLabel* label : {title_, explanation_, batchesDetail_, wholeDetail_})
        label->setFixedWidth(480 - 48);

    connect(batches_, &QPushButton::clicked, this, [this] { Q_EMIT choose(ScanScope::batches); });
    connect(whole_, &QPushButton::clicked, this,
            [this] { Q_EMIT choose(ScanScope::wholeLibrary); });
    connect(later_, &QPushButton::clicked, this, &ICloudScopeSheet::later);
}

void ICloudScopeSheet::update(std::int64_t known, const std::string& language) {
    title_->setText(fixedText(FixedText::originalsInICloud, language));
    explanation_->setText(qtext(Strings::libraryPreviewNote(known, language)));
    batches_->setText(qtext(Strings::workInBatches(batchGroups, language)));
    batchesDetail_->setText(fixedText(FixedText::batchesExplanation, language));
    whole_->setText(fixedText(FixedText::scanWholeLibrary, language));
    wholeDetail_->setText(fixedText(FixedText::wholeLibraryExplanation, language));
    later_->setText(fixedText(FixedText::decideLater, language));
}

void ICloudScopeSheet::reject() {
    // The host hides the sheet once the choice is put off; Escape never closes it by itself.
    Q_EMIT later();
}

} // namespace keepsift::app
