#pragma once

#include <memory>

#include "core/store/KeepsiftStore.hpp"
#include "core/telemetry/TelemetryReporter.hpp"

namespace keepsift::app {

// The reporter's persist closure: every changed memory is saved through the store.
TelemetryReporter::Persist persistTelemetryMemory(std::shared_ptr<KeepsiftStore> store);

// The reporter of interface-test mode: enabled, a fresh memory, signals dropped, nothing kept.
std::shared_ptr<TelemetryReporter> makeNoopTelemetryReporter();

} // namespace keepsift::app
