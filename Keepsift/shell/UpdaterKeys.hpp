#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace keepsift::app {

// What the updater reads from the bundle's information keys.
struct UpdaterKeys {
    static constexpr const char* publicKeyName = "SUPublicEDKey";
    static constexpr const char* feedName = "SUFeedURL";

    std::string publicKey; // Ed25519, base64
    std::string feedURL;   // may be empty: then no check can run

    // A key counts only as a non-empty text that is not an unexpanded build variable.
    static bool isConfigured(const std::optional<std::string>& publicKey);
    // Nothing when the key is not configured, so no updater is made.
    static std::optional<UpdaterKeys> read(const std::filesystem::path& infoFile);
};

} // namespace keepsift::app
