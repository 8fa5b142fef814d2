#pragma once

#include <QObject>
#include <functional>

namespace keepsift::app {

// Runs work on the GUI thread, in the order it was posted, from any thread. Never waits.
class QtMainActor {
public:
    explicit QtMainActor(QObject* context) : context_(context) {}
    void post(std::function<void()> work) const;

private:
    QObject* context_;
};

} // namespace keepsift::app
