#pragma once

#include <filesystem>
#include <mutex>
#include <optional>
#include <string>

namespace keepsift::app {

// Low Power Mode: power-profiles-daemon's active profile when the daemon has answered,
// else the firmware's platform profile. Safe from any thread.
class LowPowerProbe {
public:
    explicit LowPowerProbe(
        std::filesystem::path platformProfile = "/sys/firmware/acpi/platform_profile")
        : platformProfile_(std::move(platformProfile)) {}

    // Nothing when the daemon is gone or never answered.
    void setDaemonProfile(std::optional<std::string> profile);
    bool isLowPowerMode() const;

private:
    const std::filesystem::path platformProfile_;
    mutable std::mutex lock_;
    std::optional<std::string> daemonProfile_;
};

} // namespace keepsift::app
