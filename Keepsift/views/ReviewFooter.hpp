#pragma once

#include <optional>
#include <string>

#include <QLabel>
#include <QPushButton>
#include <QWidget>

#include "Keepsift/review/ReviewWindowState.hpp"

namespace keepsift::app {

// The review window's bottom bar: what flagging means, the last delete's outcome, the keys,
// and the selection and delete buttons. None of the buttons deletes anything: each asks for
// the confirmation.
class ReviewFooter : public QWidget {
    Q_OBJECT
public:
    explicit ReviewFooter(QWidget* parent);

    // `discards` is the number of photographs to discard in the whole list, counted once per
    // list rather than on every key. The model's status notice (a library folder that cannot
    // be read, files that cannot be saved) takes the outcome line while there is no outcome.
    void update(const ReviewList& list, const ReviewWindowState& state, std::size_t discards,
                bool isDeleting, const std::optional<std::string>& statusNotice,
                const std::string& language);

Q_SIGNALS:
    void toggleSelectAll();
    void deleteSelected();
    void deleteAll();

private:
    QLabel* nothingMoved_;
    QLabel* outcome_;
    QLabel* hint_;
    QPushButton* selectAll_;
    QPushButton* deleteSelected_;
    QPushButton* deleteAll_;
};

} // namespace keepsift::app
