#include "Keepsift/shell/QtMainActor.hpp"

#include <QMetaObject>

namespace keepsift::app {

void QtMainActor::post(std::function<void()> work) {
    if (!context_) return;
    QMetaObject::invokeMethod(context_, std::move(work), Qt::QueuedConnection);
}

} // namespace keepsift::app
