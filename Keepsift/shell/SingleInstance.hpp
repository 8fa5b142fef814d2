#pragma once

#include <QLocalServer>
#include <QObject>
#include <filesystem>
#include <functional>
#include <string>

namespace keepsift::app {

// One running Keepsift per user: the first launch holds an exclusive lock in the
// application-support folder for its whole life and listens on a local socket beside it;
// a later launch hands its request to the first over that socket and leaves, so the index
// and journal are never opened twice. The lock dies with its process, so a crash never
// blocks the next start.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    static constexpr const char* lockName = "instance.lock";
    static constexpr const char* socketName = "instance.socket";
    static constexpr const char* reopenRequest = "reopen";
    static constexpr const char* settingsRequest = "settings";

    explicit SingleInstance(std::filesystem::path folder, QObject* parent = nullptr);
    ~SingleInstance() override;

    // True when this process now holds the lock (also when the folder cannot be made: then
    // nothing can be shared and the start goes on).
    bool acquire();
    // Starts listening; requests arrive through the handler, one line each.
    bool listen(std::function<void(const std::string&)> handler);
    // From a later launch: hands the request to the running one. False when no one answered.
    bool handOver(const std::string& request, int timeoutMs = 2000) const;

    std::string socketPath() const;

private:
    void accept();

    std::filesystem::path folder_;
    int lockFile_ = -1;
    QLocalServer server_;
    std::function<void(const std::string&)> handler_;
};

} // namespace keepsift::app
