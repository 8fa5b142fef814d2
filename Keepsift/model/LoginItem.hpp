#pragma once

namespace keepsift::app {

// Starting the application at login. Called on the main actor.
class LoginItem {
public:
    virtual ~LoginItem() = default;
    // Whether the application is registered after the call; failures are logged, not thrown.
    virtual bool setLaunchAtLogin(bool enabled) = 0;
};

} // namespace keepsift::app
