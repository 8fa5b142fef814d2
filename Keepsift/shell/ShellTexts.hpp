#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace keepsift::app {

// Texts of the shell's own dialogs and menu, English and German ("de" selects German).
struct ShellTexts {
    ShellTexts() = delete;
    static std::string reviewPhotos(std::string_view language);
    static std::string quit(std::string_view language);
    static std::string consentTitle(std::string_view language);
    static std::string consentQuestion(const std::string& folder, std::string_view language);
    static std::string allow(std::string_view language);
    static std::string dontAllow(std::string_view language);
    static std::string trashQuestion(std::int64_t count, std::string_view language);
    static std::string moveToTrash(std::string_view language);
    static std::string cancel(std::string_view language);
    static std::string updateAvailable(const std::string& version, std::string_view language);
    static std::string upToDate(std::string_view language);
    static std::string updateCheckFailed(std::string_view language);
    // A later launch names another folder while Keepsift runs on one.
    static std::string libraryInUse(const std::string& running, const std::string& asked,
                                    std::string_view language);
};

} // namespace keepsift::app
