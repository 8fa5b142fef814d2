#pragma once

#include "core/telemetry/Signal.hpp"

namespace keepsift {

// Where the reporter puts a signal it has decided to send. Never fails; may be called from
// any thread.
class TelemetrySink {
public:
    virtual ~TelemetrySink() = default;
    virtual void send(const Signal& signal) = 0;
    // The reporter's permission, so that a sink that sends on its own (the analytics
    // client's session signals, its cached backlog) stays silent while it is off.
    virtual void setEnabled(bool) {}
};

// Drops everything: no analytics identifier, interface tests.
class NoopSink : public TelemetrySink {
public:
    void send(const Signal&) override {}
};

} // namespace keepsift
