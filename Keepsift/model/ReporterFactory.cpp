#include "Keepsift/model/ReporterFactory.hpp"

namespace keepsift::app {

TelemetryReporter::Persist persistTelemetryMemory(std::shared_ptr<KeepsiftStore> store) {
    return [store = std::move(store)](const TelemetryMemory& memory) {
        store->saveTelemetryMemory(memory);
    };
}

std::shared_ptr<TelemetryReporter> makeNoopTelemetryReporter() {
    return std::make_shared<TelemetryReporter>(
        std::make_shared<NoopSink>(), std::make_shared<SystemClock>(), true, TelemetryMemory{});
}

} // namespace keepsift::app
