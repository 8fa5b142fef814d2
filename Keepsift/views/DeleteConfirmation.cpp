#include "Keepsift/views/DeleteConfirmation.hpp"

#include <QPushButton>

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
    setWindowTitle(qtext(Strings::deleteButton(count, language)));
    setText(qtext(Strings::deleteButton(count, language)));
    setInformativeText(qtext(TrashTexts::confirmationMessage(count, language)));
    cancel_ = addButton(fixedText(FixedText::cancel, language), QMessageBox::RejectRole);
    confirm_ =
        addButton(fixedText(FixedText::deleteAction, language), QMessageBox::DestructiveRole);
    cancel_->setObjectName(QStringLiteral("cancel-delete"));
    confirm_->setObjectName(QStringLiteral("confirm-delete"));
    setEscapeButton(cancel_);
    setDefaultButton(qobject_cast<QPushButton*>(cancel_));
    connect(this, &QMessageBox::finished, this, [this] {
        if (clickedButton() == confirm_)
            Q_EMIT confirmed();
        else
            Q_EMIT cancelled();
    });
}

} // namespace keepsift::app
