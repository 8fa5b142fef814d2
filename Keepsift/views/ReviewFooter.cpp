#include "Keepsift/views/ReviewFooter.hpp"

#include <QHBoxLayout>
#include <QVBoxLayout>

#include "Keepsift/views/SecondaryText.hpp"
#include "Keepsift/views/ViewTexts.hpp"
#include "core/text/Strings.hpp"

namespace keepsift::app {

ReviewFooter::ReviewFooter(QWidget* parent)
    : QWidget(parent), nothingMoved_(wrappingLabel(ViewFonts::caption(), this)),
      outcome_(wrappingLabel(ViewFonts::caption(), this)),
      hint_(wrappingLabel(ViewFonts::caption2(), this, 0.45f)), selectAll_(new QPushButton(this)),
      deleteSelected_(new QPushButton(this)), deleteAll_(new QPushButton(this)) {
    setObjectName(QStringLiteral("review-footer"));
    nothingMoved_->setObjectName(QStringLiteral("nothing-moved"));
    outcome_->setObjectName(QStringLiteral("delete-outcome"));
    hint_->setObjectName(QStringLiteral("shortcut-hint"));
    selectAll_->setObjectName(QStringLiteral("toggle-select-all"));
    deleteSelected_->setObjectName(QStringLiteral("delete-selected"));
    deleteAll_->setObjectName(QStringLiteral("delete-all"));
    for (auto* button : {selectAll_, deleteSelected_, deleteAll_}) {
        button->setMinimumHeight(button->sizeHint().height() + 6);
        button->setFocusPolicy(Qt::TabFocus);
    }
    deleteAll_->setStyleSheet(
        QStringLiteral("QPushButton { background-color: #d9372b; color: white; border-radius: 6px;"
                       " padding: 4px 14px; font-weight: 600; }"
                       "QPushButton:disabled { background-color: rgba(217, 55, 43, 0.35);"
                       " color: rgba(255, 255, 255, 0.7); }"));

    auto* notes = new QVBoxLayout;
    notes->setSpacing(2);
    notes->addWidget(nothingMoved_);
    notes->addWidget(outcome_);
    notes->addWidget(hint_);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(16, 16, 16, 16);
    row->setSpacing(12);
    row->addLayout(notes, 1);
    row->addSpacing(12);
    row->addWidget(selectAll_, 0, Qt::AlignVCenter);
    row->addWidget(deleteSelected_, 0, Qt::AlignVCenter);
    row->addWidget(deleteAll_, 0, Qt::AlignVCenter);

    connect(selectAll_, &QPushButton::clicked, this, &ReviewFooter::toggleSelectAll);
    connect(deleteSelected_, &QPushButton::clicked, this, &ReviewFooter::deleteSelected);
    connect(deleteAll_, &QPushButton::clicked, this, &ReviewFooter::deleteAll);
}

void ReviewFooter::update(const ReviewList& list, const ReviewWindowState& state,
                          std::size_t discards, bool isDeleting,
                          const std::optional<std::string>& statusNotice,
                          const std::string& language) {
    nothingMoved_->setText(fixedText(FixedText::nothingMovedNotice, language));
    // Untrue beside a delete that moved photographs.
    nothingMoved_->setVisible(!state.outcomeMoved);
    const auto& line = state.outcome ? state.outcome : statusNotice;
    outcome_->setVisible(line.has_value());
    outcome_->setText(line ? qtext(*line) : QString());
    hint_->setText(fixedText(FixedText::keyboardHint, language));

    const bool anyVisible = discards > 0;
    selectAll_->setVisible(anyVisible);
    deleteSelected_->setVisible(anyVisible);
    const auto selectedCount = static_cast<std::int64_t>(state.selectedDiscardCount(list));
    // Groups whose photographs went to the Trash stay in the set but are no selection.
    selectAll_->setText(selectedCount == 0 ? fixedText(FixedText::selectAll, language)
                                           : pick(language, "Deselect all", "Auswahl aufheben"));
    deleteSelected_->setText(qtext(Strings::deleteInSelectedGroups(selectedCount, language)));
    deleteSelected_->setEnabled(selectedCount > 0 && !isDeleting);
    const auto allCount = static_cast<std::int64_t>(discards);
    deleteAll_->setText(qtext(Strings::deleteDiscarded(allCount, language)));
    deleteAll_->setEnabled(allCount > 0 && !isDeleting);
}

} // namespace keepsift::app
