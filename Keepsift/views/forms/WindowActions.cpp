#include "Keepsift/views/forms/WindowActions.hpp"

#include <QPointer>
#include <QWidget>

#include "Keepsift/model/AppModel.hpp"

namespace keepsift::app {

void refreshOnAppearance(QWidget* widget, AppModel& model, std::function<void()> appeared) {
    QPointer<QWidget> self(widget);
    AppModel* target = &model;
    model.refreshAuthorization([self, target, appeared] {
        if (!self || !self->isVisible()) return;
        target->refresh([self, appeared] {
            if (self && appeared) appeared();
        });
    });
}

} // namespace keepsift::app
