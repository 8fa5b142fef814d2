#pragma once

#include <QMessageBox>
#include <QPushButton>
#include <QString>

namespace keepsift::app {

struct Question {
    QString headline;
    // Below the headline; may be empty.
    QString details;
    QString confirm;
    QString cancel;
};

struct QuestionButtons {
    QPushButton* confirm;
    QPushButton* cancel;
};

// Sets up `box` to ask `question` the way the desktop asks: the answers carry the accept and
// reject roles, so the desktop's own button layout orders them and every question of Keepsift
// has them in the same places; the whole question is the box's headline, because a window
// manager cuts long titles (and a sheet has none), and the title is the product name. Escape
// answers Cancel; which answer is the default is the caller's.
QuestionButtons askIn(QMessageBox& box, const Question& question);

} // namespace keepsift::app
