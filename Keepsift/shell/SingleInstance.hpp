#pragma once

#include <QLocalServer>
#include <QObject>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "Keepsift/shell/InstanceLock.hpp"

namespace keepsift::app {

// One running Keepsift per user: the first launch holds an exclusive lock in the
// application-support folder for its whole life and listens on a local socket beside it;
// a later launch hands its request to the first over that socket and leaves, so the index
// and journal are never opened twice. It holds a second lock in the user's runtime folder
// (else in a private folder of the temporary folder) and a third on the home folder itself,
// which needs no room, so that a launch that cannot use the support folder (no room, no
// permission) still never runs beside another. The locks die with their process, so a crash
// never blocks the next start.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    static constexpr const char* lockName = "instance.lock";
    static constexpr const char* runtimeLockName = "com.ambervale.keepsift.lock";
    static constexpr const char* socketName = "instance.socket";
    static constexpr const char* reopenRequest = "reopen";
    static constexpr const char* settingsRequest = "settings";
    // Followed by a folder: a later launch that named a library.
    static constexpr const char* libraryRequest = "library ";

    explicit SingleInstance(std::filesystem::path folder, QObject* parent = nullptr);
    ~SingleInstance() override;

    // True when no other instance holds any of the locks: this process then holds each it
    // could take, and removes what saves of a killed one left in the support folder. Where
    // none can be taken the start goes on, and nothing is saved or flagged until the support
    // folder can be used.
    bool acquire();
    // Starts listening; requests arrive through the handler, one line each.
    bool listen(std::function<void(const std::string&)> handler);
    // From a later launch: hands the request to the running one. False when no one answered.
    bool handOver(const std::string& request, int timeoutMs = 2000) const;

    std::string socketPath() const;

private:
    static std::optional<std::filesystem::path> sessionFolder();
    InstanceLock::Claim claimSession();
    InstanceLock::Claim claimHome();
    void accept();

    std::filesystem::path folder_;
    InstanceLock ownLock_;
    InstanceLock sessionLock_;
    InstanceLock homeLock_;
    QLocalServer server_;
    std::function<void(const std::string&)> handler_;
};

} // namespace keepsift::app
