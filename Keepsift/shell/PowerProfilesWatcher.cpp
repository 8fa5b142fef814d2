#include "Keepsift/shell/PowerProfilesWatcher.hpp"

#include <QDBusConnection>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusServiceWatcher>

namespace keepsift::app {
namespace {

// The daemon's current name; it also answers under its older one, which we do not need.
const QString service = QStringLiteral("org.freedesktop.UPower.PowerProfiles");
const QString path = QStringLiteral("/org/freedesktop/UPower/PowerProfiles");
const QString interfaceName = QStringLiteral("org.freedesktop.UPower.PowerProfiles");
const QString propertiesInterface = QStringLiteral("org.freedesktop.DBus.Properties");
const QString activeProfile = QStringLiteral("ActiveProfile");

} // namespace

PowerProfilesWatcher::PowerProfilesWatcher(std::shared_ptr<LowPowerProbe> probe, QObject* parent)
    : QObject(parent), probe_(std::move(probe)) {
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected()) return;
    bus.connect(service, path, propertiesInterface, QStringLiteral("PropertiesChanged"), this,
                SLOT(propertiesChanged(QString, QVariantMap, QStringList)));
    auto* watcher =
        new QDBusServiceWatcher(service, bus, QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(watcher, &QDBusServiceWatcher::serviceRegistered, this, &PowerProfilesWatcher::ask);
    connect(watcher, &QDBusServiceWatcher::serviceUnregistered, this,
            &PowerProfilesWatcher::daemonLeft);
    ask();
}

void PowerProfilesWatcher::ask() {
    QDBusMessage call =
        QDBusMessage::createMethodCall(service, path, propertiesInterface, QStringLiteral("Get"));
    call << interfaceName << activeProfile;
    QDBusConnection::systemBus().callWithCallback(call, this, SLOT(answered(QDBusVariant)),
                                                  SLOT(failed(QDBusError)));
}

void PowerProfilesWatcher::propertiesChanged(const QString& interface, const QVariantMap& changed,
                                             const QStringList& invalidated) {
    if (interface != interfaceName) return;
    if (changed.contains(activeProfile))
        probe_->setDaemonProfile(changed.value(activeProfile).toString().toStdString());
    else if (invalidated.contains(activeProfile))
        ask();
}

void PowerProfilesWatcher::answered(const QDBusVariant& value) {
    probe_->setDaemonProfile(value.variant().toString().toStdString());
}

void PowerProfilesWatcher::failed(const QDBusError&) {
    probe_->setDaemonProfile(std::nullopt);
}

void PowerProfilesWatcher::daemonLeft() {
    probe_->setDaemonProfile(std::nullopt);
}

} // namespace keepsift::app
