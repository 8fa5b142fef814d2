#pragma once

#include <string>

#include <QMessageBox>

#include "Keepsift/review/DeleteRequest.hpp"

namespace keepsift::app {

// The window-modal alert that stands before every deletion: its Delete button is the only way
// to the model's confirmed delete. Cancel, Escape and closing it delete nothing.
class DeleteConfirmation : public QMessageBox {
    Q_OBJECT
public:
    DeleteConfirmation(const DeleteRequest& request, const std::string& language, QWidget* parent);

    QAbstractButton* confirmButton() const { return confirm_; }
    QAbstractButton* cancelButton() const { return cancel_; }

Q_SIGNALS:
    void confirmed();
    void cancelled();

private:
    QAbstractButton* confirm_;
    QAbstractButton* cancel_;
};

} // namespace keepsift::app
