#pragma once

#include <functional>
#include <optional>
#include <string>

namespace keepsift::analytics {

// Reads one environment variable; tests hand in their own.
using Environment = std::function<std::optional<std::string>(const char* name)>;
Environment processEnvironment();

// The user's locale as the environment gives it (LC_ALL, then LC_MESSAGES, then LANG),
// canonicalised by ICU: "de_DE.UTF-8" becomes de_DE; "C", "POSIX" or nothing become
// en_US_POSIX as ICU has it.
struct LocaleFacts {
    std::string identifier;        // "de_DE"
    std::string language;          // "de"
    std::string region;            // "DE"
    std::string preferredLanguage; // first of LANGUAGE, else the locale's, "zz" when none

    bool operator==(const LocaleFacts&) const = default;
};

LocaleFacts readLocaleFacts(const Environment& environment);

} // namespace keepsift::analytics
