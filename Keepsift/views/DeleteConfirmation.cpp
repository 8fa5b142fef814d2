#include "Keepsift/views/DeleteConfirmation.hpp"

#include <QPushButton>

#include "Keepsift/dialogs/QuestionBox.hpp"
#include "Keepsift/review/TrashTexts.hpp"
#include "Keepsift/views/ViewTexts.hpp"
#include "core/text/Strings.hpp"

namespace keepsift::app {

DeleteConfirmation::DeleteConfirmation(const DeleteRequest& request, const std::string& language,
                                       QWidget* parent)
    : QMessageBox(parent) {
    const auto count = static_cast<std::int64_t>(request.photos.size());
    setObjectName(QStringLiteral("delete-confirmation"));
    setWindowModality(Qt::WindowModal);
    setIcon(QMessageBox::Warning);
    const QuestionButtons buttons =
        askIn(*this, {qtext(Strings::deleteButton(count, language)),
                      qtext(TrashTexts::confirmationMessage(count, language)),
                      fixedText(FixedText::deleteAction, language),
                      fixedText(FixedText::cancel, language)});
    confirm_ = buttons.confirm;
    cancel_ = buttons.cancel;
    cancel_->setObjectName(QStringLiteral("cancel-delete"));
    confirm_->setObjectName(QStringLiteral("confirm-delete"));
    setDefaultButton(buttons.cancel);
    connect(this, &QMessageBox::finished, this, [this] {
        if (clickedButton() == confirm_)
            Q_EMIT confirmed();
        else
            Q_EMIT cancelled();
    });
}

} // namespace keepsift::app
