#pragma once

#include <memory>

#include "telemetry/client/SessionManaging.hpp"

namespace keepsift::analytics {

class SessionManager;

// The process's one session manager, on the client's suite, clock, scheduler and log. It is
// made on its first use, not when this handle is taken, so that a configuration made before
// the client is initialised still loads the installed client's history.
std::shared_ptr<SessionManaging> sharedSessionManagerHandle();
std::shared_ptr<SessionManager> sharedSessionManager();

} // namespace keepsift::analytics
