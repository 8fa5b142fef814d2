#include "core/telemetry/RecordingSink.hpp"

namespace keepsift {

void RecordingSink::send(const Signal& signal) {
    std::lock_guard guard(lock_);
    signals_.push_back(signal);
}

std::vector<Signal> RecordingSink::signals() const {
    std::lock_guard guard(lock_);
    return signals_;
}

void RecordingSink::setSignals(std::vector<Signal> signals) {
    std::lock_guard guard(lock_);
    signals_ = std::move(signals);
}

std::vector<std::string> RecordingSink::signalNames() const {
    std::lock_guard guard(lock_);
    std::vector<std::string> names;
    names.reserve(signals_.size());
    for (const Signal& signal : signals_)
        names.emplace_back(signal.name());
    return names;
}

void RecordingSink::reset() {
    std::lock_guard guard(lock_);
    signals_.clear();
}

} // namespace keepsift
