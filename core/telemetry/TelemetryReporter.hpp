#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "core/model/Clock.hpp"
#include "core/settings/Settings.hpp"
#include "core/store/TelemetryMemory.hpp"
#include "core/telemetry/TelemetrySink.hpp"

namespace keepsift {

// Decides when a usage signal goes out and remembers, across launches, what was due: the
// daily heartbeat, the last permission answer and the first completed scan. Every
// operation is a blocking call safe from any thread; the lock is never held while the
// persist closure or the sink runs, and the memory is changed before either is called, so
// overlapping calls report a due event at most once.
class TelemetryReporter {
public:
    using Persist = std::function<void(const TelemetryMemory&)>;

    TelemetryReporter(std::shared_ptr<TelemetrySink> sink, std::shared_ptr<Clock> clock,
                      bool enabled, TelemetryMemory memory, Persist persist = {});

    // Replaces the memory; persists nothing, sends nothing.
    void restore(const TelemetryMemory& memory);
    // Also tells the sink.
    void setEnabled(bool enabled);
    bool isEnabled() const;
    TelemetryMemory memory() const;

    // Hands the signal to the sink when enabled.
    void send(const Signal& signal);
    void permissionAnswered(LibraryAuthorization authorization);
    // True for the one call that handled the first scan, sent or not.
    bool reportFirstScan(std::int64_t library, std::int64_t groups, std::int64_t flagged);
    // True when a heartbeat was sent. A heartbeat that falls due while disabled is spent.
    bool sendHeartbeatIfDue(const Settings& settings, std::int64_t library, std::int64_t groups,
                            std::int64_t flagged, double interval);
    void settingsChanged(const Settings& from, const Settings& to);

    static std::vector<SettingName> changedSettings(const Settings& from, const Settings& to);

private:
    // Calls the persist closure (when set) with the memory copy, then tells whether the
    // flag is on: a setEnabled that ran during the persist call decides.
    bool persistThenReadEnabled(const TelemetryMemory& copy);

    const std::shared_ptr<TelemetrySink> sink_;
    const std::shared_ptr<Clock> clock_;
    const Persist persist_;
    mutable std::mutex lock_;
    std::mutex enabling_; // taken before lock_, never inside it
    bool enabled_;
    TelemetryMemory memory_;
};

} // namespace keepsift
