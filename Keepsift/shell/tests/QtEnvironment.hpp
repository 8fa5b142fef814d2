#pragma once

#include <QApplication>
#include <QEventLoop>
#include <QTimer>
#include <functional>

namespace keepsift::testing {

// Runs the event loop until the condition holds; the guard only keeps a broken test from
// hanging, it times nothing.
inline bool processEventsUntil(const std::function<bool()>& condition, int guardMs = 20000) {
    QEventLoop loop;
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, &loop, &QEventLoop::quit);
    guard.start(guardMs);
    while (!condition() && guard.isActive())
        loop.processEvents(QEventLoop::WaitForMoreEvents);
    return condition();
}

} // namespace keepsift::testing
