#pragma once

#include <functional>
#include <optional>

#include <QObject>
#include <QPointer>
#include <QWidget>

#include "Keepsift/review/ReviewKey.hpp"

class QKeyEvent;

namespace keepsift::app {

// Drives the review window from the keyboard without any control having focus: an
// application-wide filter that turns each key press meant for its window into a review key
// and hands it to the handler. A used key is swallowed; every other one goes on as usual.
// Keys for other windows, keys while a dialog is up, and keys with Control, Alt or Meta pass.
class KeyMonitor : public QObject {
    Q_OBJECT
public:
    using Handler = std::function<bool(ReviewKey)>;

    // Installs itself on the application for as long as it lives. `window` may be the
    // content of a top-level window; keys for that window are its keys.
    KeyMonitor(QWidget* window, Handler handler);
    ~KeyMonitor() override;

    // The review key of a key press, whatever window it is for.
    static std::optional<ReviewKey> keyFor(const QKeyEvent& event);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool belongsToWindow(QObject* watched) const;

    QPointer<QWidget> window_;
    Handler handler_;
};

} // namespace keepsift::app
