#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "core/model/SignalSource.hpp"

namespace keepsift {

// Answers recorded measurements by content digest instead of analysing images, so that
// the engine runs end to end with results independent of the machine. Immutable once
// made; copies answer identically.
class FixtureSignalSource : public SignalSource {
public:
    enum class Miss { refuse, fail };
    // Told about a miss under `fail`, with the digest; by default it is logged as a fault.
    using FaultReporter = std::function<void(const std::string& digest)>;

    // The first of two records sharing a digest wins.
    FixtureSignalSource(const std::vector<PhotoSignals>& signals, Miss onMiss,
                        std::optional<std::int64_t> derivativeLongEdge = std::nullopt,
                        std::set<std::string> derivativeMissing = {},
                        FaultReporter reportFault = nullptr);

    std::optional<PhotoSignals> signals(const AssetReference& reference) override;
    std::optional<PhotoSignals> derivativeSignals(const AssetReference& reference) override;

    // Every record, by file name.
    std::vector<PhotoSignals> recordedSignals() const;

    Miss onMiss() const { return onMiss_; }
    std::optional<std::int64_t> derivativeLongEdge() const { return derivativeLongEdge_; }
    const std::set<std::string>& derivativeMissing() const { return derivativeMissing_; }

private:
    std::optional<PhotoSignals> lookUp(const AssetReference& reference) const;

    std::map<std::string, PhotoSignals> byDigest_;
    Miss onMiss_;
    std::optional<std::int64_t> derivativeLongEdge_;
    std::set<std::string> derivativeMissing_;
    FaultReporter reportFault_;
};

} // namespace keepsift
