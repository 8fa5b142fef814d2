#pragma once

#include <QObject>
#include <QTimer>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "Keepsift/model/Updater.hpp"
#include "Keepsift/shell/Appcast.hpp"
#include "Keepsift/shell/UpdaterKeys.hpp"

class QNetworkAccessManager;
class QNetworkReply;

namespace keepsift::app {

// The outcome of one check.
struct UpdateAnswer {
    enum class Kind { newer, upToDate, failed };
    Kind kind = Kind::failed;
    std::optional<AppcastItem> item; // set for newer
    bool userInitiated = false;
};

// A check-only updater: fetches the appcast and its detached signature (the feed address
// with ".sig"), accepts the feed only when the signature verifies under the bundle's
// public key, and announces a newer version. It never downloads or installs anything.
class AppcastUpdater : public QObject, public Updater {
    Q_OBJECT
public:
    static constexpr int checkIntervalMs = 24 * 60 * 60 * 1000;
    static constexpr int firstAutomaticCheckMs = 60 * 1000;
    static constexpr qint64 feedLimitBytes = 1 << 20;
    // The longest a check may take, however the server sends its bytes.
    static constexpr int checkTimeLimitMs = 60 * 1000;

    AppcastUpdater(UpdaterKeys keys, std::string currentVersion,
                   std::function<void(const UpdateAnswer&)> announce, QObject* parent = nullptr);

    bool automaticallyChecksForUpdates() const override { return automatic_; }
    void setAutomaticallyChecksForUpdates(bool on) override;
    // False without a feed address or while a check runs.
    bool canCheckForUpdates() const override;
    void checkForUpdates() override { check(true); }
    // Shortens the time a check may take, for tests.
    void setCheckTimeLimit(int milliseconds) { checkTimeLimitMs_ = milliseconds; }

private:
    void check(bool userInitiated);
    QNetworkReply* fetch(const QString& address);
    void replied();
    UpdateAnswer answerFor(bool userInitiated);

    UpdaterKeys keys_;
    std::string currentVersion_;
    std::function<void(const UpdateAnswer&)> announce_;
    QNetworkAccessManager* network_;
    QTimer timer_;
    int checkTimeLimitMs_ = checkTimeLimitMs;
    bool automatic_ = false;
    bool userInitiated_ = false;
    QNetworkReply* feed_ = nullptr;
    QNetworkReply* signature_ = nullptr;
};

// Makes the updater when the bundle's public key is configured.
class AppcastUpdaterFactory : public UpdaterFactory {
public:
    AppcastUpdaterFactory(std::filesystem::path infoFile,
                          std::function<void(const UpdateAnswer&)> announce)
        : infoFile_(std::move(infoFile)), announce_(std::move(announce)) {}
    bool isConfigured() const override;
    std::shared_ptr<Updater> make() override;

private:
    std::filesystem::path infoFile_;
    std::function<void(const UpdateAnswer&)> announce_;
};

} // namespace keepsift::app
