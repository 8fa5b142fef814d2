#include "Keepsift/views/KeyMonitor.hpp"

#include <QApplication>
#include <QKeyEvent>

namespace keepsift::app {
namespace {

NamedKey namedKey(int key) {
    switch (key) {
    case Qt::Key_Return:
        return NamedKey::returnKey;
    case Qt::Key_Enter:
        return NamedKey::enter;
    case Qt::Key_Space:
        return NamedKey::space;
    case Qt::Key_Escape:
        return NamedKey::escape;
    case Qt::Key_Down:
        return NamedKey::down;
    case Qt::Key_Up:
        return NamedKey::up;
    default:
        return NamedKey::other;
    }
}

} // namespace

KeyMonitor::KeyMonitor(QWidget* window, Handler handler)
    : QObject(window), window_(window), handler_(std::move(handler)) {
    qApp->installEventFilter(this);
}

KeyMonitor::~KeyMonitor() {
    if (qApp) qApp->removeEventFilter(this);
}

std::optional<ReviewKey> KeyMonitor::keyFor(const QKeyEvent& event) {
    const NamedKey named = namedKey(event.key());
    const QString lowered = event.text().toLower();
    if (named != NamedKey::other || lowered.isEmpty()) return reviewKeyFor(named, 0, -1);
    const QChar first = lowered.front();
    return reviewKeyFor(named, first.unicode(), first.digitValue());
}

bool KeyMonitor::belongsToWindow(QObject* watched) const {
    auto* widget = qobject_cast<QWidget*>(watched);
    // The review content sits inside the presenter's window: keys for that window are ours.
    if (!widget || !window_ || widget->window() != window_->window()) return false;
    // One event reaches the filter once per widget it travels through; take it where it
    // starts, at the focus widget or, without one, at the window itself.
    QWidget* focus = QApplication::focusWidget();
    return focus ? widget == focus : widget == window_->window();
}

bool KeyMonitor::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress || !handler_ || !belongsToWindow(watched)) return false;
    if (QApplication::activeModalWidget()) return false;
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) return false;
    const auto reviewKey = keyFor(*key);
    if (!reviewKey) return false;
    return handler_(*reviewKey);
}

} // namespace keepsift::app
