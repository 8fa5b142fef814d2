#include "Keepsift/dialogs/QuestionBox.hpp"

#include "core/settings/Keepsift.hpp"

namespace keepsift::app {

QuestionButtons askIn(QMessageBox& box, const Question& question) {
    box.setWindowTitle(
        QString::fromUtf8(Keepsift::name.data(), static_cast<qsizetype>(Keepsift::name.size())));
    box.setTextFormat(Qt::PlainText);
    box.setText(question.headline);
    box.setInformativeText(question.details);
    QuestionButtons buttons{box.addButton(question.confirm, QMessageBox::AcceptRole),
                            box.addButton(question.cancel, QMessageBox::RejectRole)};
    box.setEscapeButton(buttons.cancel);
    return buttons;
}

} // namespace keepsift::app
