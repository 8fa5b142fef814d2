#pragma once

#include <QObject>
#include <QPointer>
#include <functional>

#include "Keepsift/model/MainActor.hpp"

namespace keepsift::app {

// Runs work on the GUI thread, in the order it was posted, from any thread. Never waits.
class QtMainActor : public MainActor {
public:
    explicit QtMainActor(QObject* context) : context_(context) {}
    // Work posted after the context is gone is dropped.
    void post(std::function<void()> work) override;

private:
    QPointer<QObject> context_;
};

} // namespace keepsift::app
