#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace keepsift::app {

// What the launch arguments and the environment ask of this run.
struct LaunchOptions {
    static constexpr const char* interfaceTestArgument = "-KeepsiftUITestMode";
    static constexpr const char* spikeStorageArgument = "--spike-storage";
    static constexpr const char* libraryArgument = "--library";
    // Names the library like --library when the argument is not given.
    static constexpr const char* libraryVariable = "KEEPSIFT_LIBRARY";
    // The desktop entry's "Settings" action.
    static constexpr const char* settingsArgument = "--settings";
    // The autostart entry's own argument: a start at login shows nothing of its own.
    static constexpr const char* autostartArgument = "--autostart";
    // The interface-test seam of the real application: the library's questions are answered
    // yes and the instance socket takes test commands. Never set by a user's launch.
    static constexpr const char* testSeamVariable = "KEEPSIFT_TEST_SEAM";
    // With the seam only: the library is watched by polling, as where inotify is exhausted.
    static constexpr const char* pollingSeamVariable = "KEEPSIFT_TEST_POLLING";

    bool interfaceTestMode = false;
    bool spikeStorage = false;
    bool testSeam = false;
    bool watchesByPolling = false;
    bool opensSettings = false;
    bool atLogin = false;
    std::optional<std::string> library; // --library DIR, else KEEPSIFT_LIBRARY
    std::map<std::string, std::string> environment;

    // The diagnostic runs instead of any start, the interface-test one too: it measures what
    // the real library holds on disk, which a scenario's library has none of.
    bool startsScenario() const { return interfaceTestMode && !spikeStorage; }

    // A start by the user with the icon hidden would show nothing at all: it opens a window
    // once the settings are known.
    bool opensWindowAtStart(bool showsMenuBarIcon) const {
        return !showsMenuBarIcon && !atLogin && !opensSettings && !spikeStorage;
    }

    // Arguments without the program name; flags count only as exact whole arguments.
    static LaunchOptions parse(const std::vector<std::string>& arguments,
                               std::map<std::string, std::string> environment);
    static std::map<std::string, std::string> processEnvironment();
};

} // namespace keepsift::app
