#pragma once

#include <filesystem>
#include <memory>

#include "Keepsift/model/ConditionsProbe.hpp"
#include "Keepsift/shell/LowPowerProbe.hpp"

namespace keepsift::app {

// The machine's state from the kernel and the power-profiles daemon, sampled on every call.
// Safe from any thread.
class SystemConditionsProbe : public ConditionsProbe {
public:
    struct Roots {
        std::filesystem::path powerSupply = "/sys/class/power_supply";
        std::filesystem::path thermal = "/sys/class/thermal";
    };

    explicit SystemConditionsProbe(std::shared_ptr<LowPowerProbe> lowPower)
        : SystemConditionsProbe(std::move(lowPower), Roots()) {}
    SystemConditionsProbe(std::shared_ptr<LowPowerProbe> lowPower, Roots roots)
        : lowPower_(std::move(lowPower)), roots_(std::move(roots)) {}

    WorkConditions current(const Settings& settings, bool canReadLibrary) override;

private:
    std::shared_ptr<LowPowerProbe> lowPower_;
    Roots roots_;
};

} // namespace keepsift::app
