#pragma once

#include "core/telemetry/Signal.hpp"

namespace keepsift {

// Where the reporter puts a signal it has decided to send. Never fails; may be called from
// any thread.
class TelemetrySink {
public:
    virtual ~TelemetrySink() = default;
    virtual void send(const Signal& signal) = 0;
};

// Drops everything: no analytics identifier, interface tests.
class NoopSink : public TelemetrySink {
public:
    void send(const Signal&) override {}
};

} // namespace keepsift
