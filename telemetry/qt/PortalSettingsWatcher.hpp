#pragma once

#include <QDBusVariant>
#include <QObject>
#include <functional>
#include <optional>

#include "telemetry/qt/DesktopAccessibility.hpp"

class QDBusError;
class QDBusMessage;

namespace keepsift::analytics {

// Reads some namespaces of the desktop's settings portal on the session bus, without
// waiting on it, and tells the settings each time they change, and only then. Without a
// session bus or a portal it tells nothing.
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
    void tell(DesktopSettings settings);

    QStringList namespaces_;
    Changed changed_;
    // Nothing until the portal has answered or told a setting.
    std::optional<DesktopSettings> settings_;
};

} // namespace keepsift::analytics
