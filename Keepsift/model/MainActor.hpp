#pragma once

#include <functional>

namespace keepsift::app {

// The one thread that owns the application model and the views: the GUI thread in the
// application, a serial thread in tests. Work posted runs there later, in posting order.
class MainActor {
public:
    virtual ~MainActor() = default;
    // Work posted after the actor stopped is destroyed without running.
    virtual void post(std::function<void()> work) = 0;
};

} // namespace keepsift::app
