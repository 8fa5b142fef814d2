#include "Keepsift/shell/AppcastUpdater.hpp"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

#include "Keepsift/shell/FeedSignature.hpp"
#include "core/settings/Keepsift.hpp"
#include "core/support/Logger.hpp"

namespace keepsift::app {
namespace {

const Logger& updaterLogger() {
    static const Logger logger(std::string(Keepsift::identifier), "updater");
    return logger;
}

bool succeeded(QNetworkReply* reply) {
    return reply->error() == QNetworkReply::NoError &&
           reply->size() <= AppcastUpdater::feedLimitBytes;
}

} // namespace

AppcastUpdater::AppcastUpdater(UpdaterKeys keys, std::string currentVersion,
                               std::function<void(const UpdateAnswer&)> announce, QObject* parent)
    : QObject(parent), keys_(std::move(keys)), currentVersion_(std::move(currentVersion)),
      announce_(std::move(announce)), network_(new QNetworkAccessManager(this)) {
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, [this] {
        if (automatic_) check(false);
        timer_.start(checkIntervalMs);
    });
}

void AppcastUpdater::setAutomaticallyChecksForUpdates(bool on) {
    if (on == automatic_) return;
    automatic_ = on;
    if (on)
        timer_.start(firstAutomaticCheckMs);
    else
        timer_.stop();
}

bool AppcastUpdater::canCheckForUpdates() const {
    return !keys_.feedURL.empty() && feed_ == nullptr && signature_ == nullptr;
}

void AppcastUpdater::check(bool userInitiated) {
    if (!canCheckForUpdates()) return;
    userInitiated_ = userInitiated;
    const QString address = QString::fromStdString(keys_.feedURL);
    feed_ = fetch(address);
    signature_ = fetch(address + QStringLiteral(".sig"));
}

QNetworkReply* AppcastUpdater::fetch(const QString& address) {
    QNetworkRequest request{QUrl(address)};
    request.setTransferTimeout(30000);
    QNetworkReply* reply = network_->get(request);
    // A feed far larger than any appcast is cut off rather than held in memory.
    connect(reply, &QNetworkReply::downloadProgress, reply, [reply](qint64 received, qint64) {
        if (received > feedLimitBytes) reply->abort();
    });
    // The transfer timeout restarts with every byte, so a server that trickles one now and
    // then would keep the check open for the whole session.
    QTimer::singleShot(checkTimeLimitMs_, reply, [reply] {
        if (!reply->isFinished()) reply->abort();
    });
    connect(reply, &QNetworkReply::finished, this, &AppcastUpdater::replied);
    return reply;
}

void AppcastUpdater::replied() {
    if (!feed_->isFinished() || !signature_->isFinished()) return;
    const UpdateAnswer answer = answerFor(userInitiated_);
    feed_->deleteLater();
    signature_->deleteLater();
    feed_ = signature_ = nullptr;
    if (announce_) announce_(answer);
}

UpdateAnswer AppcastUpdater::answerFor(bool userInitiated) {
    UpdateAnswer answer;
    answer.userInitiated = userInitiated;
    if (!succeeded(feed_) || !succeeded(signature_)) {
        updaterLogger().error("update check failed: " + feed_->errorString().toStdString());
        return answer;
    }
    const QByteArray feed = feed_->readAll();
    const QByteArray signature = signature_->readAll();
    if (!isSignedFeed(
            std::string_view(feed.constData(), static_cast<size_t>(feed.size())),
            std::string_view(signature.constData(), static_cast<size_t>(signature.size())),
            keys_.publicKey)) {
        updaterLogger().error("update check failed: the appcast's signature does not verify");
        return answer;
    }
    answer.item = newestAfter(
        parseAppcast(std::string_view(feed.constData(), static_cast<size_t>(feed.size()))),
        currentVersion_);
    answer.kind = answer.item ? UpdateAnswer::Kind::newer : UpdateAnswer::Kind::upToDate;
    return answer;
}

bool AppcastUpdaterFactory::isConfigured() const {
    return UpdaterKeys::read(infoFile_).has_value();
}

std::shared_ptr<Updater> AppcastUpdaterFactory::make() {
    auto keys = UpdaterKeys::read(infoFile_);
    if (!keys) return nullptr;
    return std::make_shared<AppcastUpdater>(std::move(*keys), std::string(Keepsift::version),
                                            announce_);
}

} // namespace keepsift::app
