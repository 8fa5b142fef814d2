#pragma once

#include <QDBusVariant>
#include <QObject>
#include <QVariantMap>
#include <memory>

#include "Keepsift/shell/LowPowerProbe.hpp"

class QDBusError;

namespace keepsift::app {

// Follows power-profiles-daemon's active profile on the system bus and hands it to the
// probe. Every call is asynchronous, so a slow or absent bus never holds up the GUI thread;
// without a bus or daemon the probe keeps its firmware fallback.
class PowerProfilesWatcher : public QObject {
    Q_OBJECT
public:
    explicit PowerProfilesWatcher(std::shared_ptr<LowPowerProbe> probe, QObject* parent = nullptr);

private Q_SLOTS:
    void propertiesChanged(const QString& interface, const QVariantMap& changed,
                           const QStringList& invalidated);
    void answered(const QDBusVariant& value);
    void failed(const QDBusError& error);
    void daemonLeft();

private:
    void ask();

    std::shared_ptr<LowPowerProbe> probe_;
};

} // namespace keepsift::app
