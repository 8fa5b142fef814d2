#pragma once

#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>
#include <string>

namespace keepsift {

// The user's answer to the library-access question, kept in the config folder and
// combined with what the filesystem allows into the platform's raw authorization status.
class ConsentStore {
public:
    // access(2)-shaped check, replaceable because permission bits do not stop root.
    using AccessCheck = std::function<bool(const std::string& path, int mode)>;

    ConsentStore(std::filesystem::path file, std::filesystem::path libraryRoot,
                 AccessCheck access = {});

    std::optional<bool> consent() const;
    // False when the answer could not be stored.
    bool record(bool granted);
    // port_authorization values.
    int status() const;

private:
    void noteProblem(const std::string& problem) const;

    std::filesystem::path file_;
    std::filesystem::path root_;
    AccessCheck access_;
    mutable std::mutex problemMutex_;
    mutable std::string loggedProblem_;
};

// $XDG_CONFIG_HOME/com.ambervale.keepsift/library-consent.json
std::filesystem::path defaultConsentFile();

} // namespace keepsift
