#pragma once

#include <memory>

#include "core/model/SignalSource.hpp"

namespace keepsift::app {

// Measures through another source on threads that yield to everything else: the first
// measurement on a thread lowers that thread to nice 10 and the idle I/O class, so a first
// scan takes only what the machine does not need. Threads it starts inherit this.
class LowPrioritySignalSource : public SignalSource {
public:
    static constexpr int niceness = 10;

    explicit LowPrioritySignalSource(std::shared_ptr<SignalSource> inner)
        : inner_(std::move(inner)) {}

    std::optional<PhotoSignals> signals(const AssetReference& reference) override;
    std::optional<PhotoSignals> derivativeSignals(const AssetReference& reference) override;

private:
    std::shared_ptr<SignalSource> inner_;
};

// Lowers the calling thread's CPU and I/O priority; false when the system refused.
bool lowerCurrentThreadPriority(int niceness);

} // namespace keepsift::app
