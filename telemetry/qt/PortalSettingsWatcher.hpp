#pragma once

#include <QDBusVariant>
#include <QObject>
#include <functional>

#include "telemetry/qt/DesktopAccessibility.hpp"

class QDBusError;
class QDBusMessage;

namespace keepsift::analytics {

// Reads some namespaces of the desktop's settings portal on the session bus, without
// waiting on it, and tells the settings each time they change. Without a session bus or a
// portal it tells nothing.
class PortalSettingsWatcher : public QObject {
    Q_OBJECT
public:
    using Changed = std::function<void(const DesktopSettings&)>;

    PortalSettingsWatcher(QStringList namespaces, Changed changed, QObject* parent);

private Q_SLOTS:
    void ask();
    void answered(const QDBusMessage& reply);
    void failed(const QDBusError& error);
    void settingChanged(const QString& space, const QString& key, const QDBusVariant& value);

private:
    void subscribe();

    QStringList namespaces_;
    Changed changed_;
    DesktopSettings settings_;
};

} // namespace keepsift::analytics
