#include "telemetry/qt/PortalSettingsWatcher.hpp"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusServiceWatcher>

namespace keepsift::analytics {
namespace {

const QString service = QStringLiteral("org.freedesktop.portal.Desktop");
const QString path = QStringLiteral("/org/freedesktop/portal/desktop");
const QString settingsInterface = QStringLiteral("org.freedesktop.portal.Settings");

} // namespace

PortalSettingsWatcher::PortalSettingsWatcher(QStringList namespaces, Changed changed,
                                             QObject* parent)
    : QObject(parent), namespaces_(std::move(namespaces)), changed_(std::move(changed)) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) return;
    // A portal started after us, or restarted, is asked again.
    auto* watcher =
        new QDBusServiceWatcher(service, bus, QDBusServiceWatcher::WatchForRegistration, this);
    connect(watcher, &QDBusServiceWatcher::serviceRegistered, this, &PortalSettingsWatcher::ask);
    ask();
}

void PortalSettingsWatcher::ask() {
    QDBusMessage call =
        QDBusMessage::createMethodCall(service, path, settingsInterface, QStringLiteral("ReadAll"));
    call << namespaces_;
    QDBusConnection::sessionBus().callWithCallback(call, this, SLOT(answered(QDBusMessage)),
                                                   SLOT(failed(QDBusError)));
}

void PortalSettingsWatcher::answered(const QDBusMessage& reply) {
    if (reply.arguments().size() != 1) return;
    const auto argument = reply.arguments().front().value<QDBusArgument>();
    if (argument.currentSignature() != QStringLiteral("a{sa{sv}}")) return;
    DesktopSettings settings;
    argument >> settings;
    subscribe();
    tell(std::move(settings));
}

// Made in the constructor, on a session bus the process has just opened, the subscription was
// refused; once the portal has answered it holds. Qt refuses a second identical one.
void PortalSettingsWatcher::subscribe() {
    QDBusConnection::sessionBus().connect(service, path, settingsInterface,
                                          QStringLiteral("SettingChanged"), this,
                                          SLOT(settingChanged(QString, QString, QDBusVariant)));
}

// No portal, or one without these settings: the preferences stay unknown.
void PortalSettingsWatcher::failed(const QDBusError&) {}

void PortalSettingsWatcher::settingChanged(const QString& space, const QString& key,
                                           const QDBusVariant& value) {
    if (!namespaces_.contains(space)) return;
    DesktopSettings settings = settings_.value_or(DesktopSettings{});
    settings[space][key] = value.variant();
    tell(std::move(settings));
}

// The portal is asked again when it appears, which may be while the first answer is on its
// way: the same settings come twice, and a setting may be sent again unchanged.
void PortalSettingsWatcher::tell(DesktopSettings settings) {
    if (settings_ == settings) return;
    settings_ = std::move(settings);
    changed_(*settings_);
}

} // namespace keepsift::analytics
