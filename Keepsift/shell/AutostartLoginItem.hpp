#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "Keepsift/model/LoginItem.hpp"

namespace keepsift::app {

// Starting at login through an XDG autostart entry.
class AutostartLoginItem : public LoginItem {
public:
    // The entry lives in the autostart folder and starts the given program.
    AutostartLoginItem(std::filesystem::path autostartFolder, std::filesystem::path program);
    // $XDG_CONFIG_HOME/autostart, starting the running binary.
    static AutostartLoginItem standard();

    static constexpr const char* entryName = "com.ambervale.keepsift.desktop";

    bool isEnabled() const;
    // Whether the application starts at login after the call. Never throws: a folder that
    // cannot be written is logged and the real state returned, so the switch goes back.
    // The entry passes the autostart argument; one of ours that is already there is pointed
    // at the running binary and given that argument when an older build wrote it without.
    bool setLaunchAtLogin(bool enabled) override;

    std::filesystem::path entryFile() const { return folder_ / entryName; }

private:
    void followRunningProgram() const;
    std::optional<std::string> ownEntryForRunningProgram(const std::string& existing) const;

    std::filesystem::path folder_;
    std::filesystem::path program_;
};

} // namespace keepsift::app
