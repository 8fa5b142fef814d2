#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "core/telemetry/TelemetrySink.hpp"

namespace keepsift {

// Keeps every signal in the order received, for inspection.
class RecordingSink : public TelemetrySink {
public:
    void send(const Signal& signal) override;

    std::vector<Signal> signals() const;
    void setSignals(std::vector<Signal> signals);
    std::vector<std::string> signalNames() const;
    void reset();

private:
    mutable std::mutex lock_;
    std::vector<Signal> signals_;
};

} // namespace keepsift
