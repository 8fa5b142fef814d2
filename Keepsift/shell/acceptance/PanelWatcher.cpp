#include "PanelWatcher.hpp"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QStandardPaths>
#include <QTimer>
#include <csignal>
#include <sys/prctl.h>

namespace keepsift::testing {
namespace {

const QString connectionName = QStringLiteral("panel-watcher");
const QString itemPrefix = QStringLiteral("org.kde.StatusNotifierItem-");

} // namespace

PanelWatcher::PanelWatcher() {
    clock_.start();
    if (QStandardPaths::findExecutable(QStringLiteral("dbus-daemon")).isEmpty()) return;
    daemon_ = std::make_unique<QProcess>();
    // The bus goes with the test, however that ends.
    daemon_->setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
    daemon_->start(QStringLiteral("dbus-daemon"),
                   {QStringLiteral("--session"), QStringLiteral("--nofork"),
                    QStringLiteral("--print-address=1")});
    if (!daemon_->waitForReadyRead(60'000)) return;
    address_ = QString::fromUtf8(daemon_->readLine().trimmed());
    auto bus = QDBusConnection::connectToBus(address_, connectionName);
    running_ =
        bus.isConnected() &&
        bus.registerObject(QStringLiteral("/StatusNotifierWatcher"), this,
                           QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllProperties |
                               QDBusConnection::ExportAllSignals) &&
        bus.registerService(QStringLiteral("org.kde.StatusNotifierWatcher"));
}

PanelWatcher::~PanelWatcher() {
    QDBusConnection::disconnectFromBus(connectionName);
    if (!daemon_) return;
    daemon_->terminate();
    daemon_->waitForFinished(60'000);
}

void PanelWatcher::RegisterStatusNotifierItem(const QString& service, const QDBusMessage& message) {
    // An item names either its bus name or only its object path.
    const QString item = service.startsWith(u'/') ? message.service() + service : service;
    items_.append(item);
    note(item);
    Q_EMIT StatusNotifierItemRegistered(item);
}

void PanelWatcher::RegisterStatusNotifierHost(const QString&) {
    Q_EMIT StatusNotifierHostRegistered();
}

void PanelWatcher::note(const QString& what) {
    if (names_.contains(what)) return;
    names_.append(what);
    seen_.append(
        QStringLiteral("%1 after %2 s").arg(what).arg(clock_.elapsed() / 1000.0, 0, 'f', 2));
}

void PanelWatcher::lookAtTheBus() {
    auto bus = QDBusConnection(connectionName);
    const QStringList names = bus.interface()->registeredServiceNames().value();
    for (const QString& name : names)
        if (name.startsWith(itemPrefix)) note(name);
}

bool PanelWatcher::watchFor(double seconds, const std::function<bool()>& until) {
    const QDeadlineTimer deadline(static_cast<qint64>(seconds * 1000));
    while (true) {
        lookAtTheBus();
        if (until && until()) return true;
        if (deadline.hasExpired()) return false;
        QEventLoop tick;
        QTimer::singleShot(50, &tick, &QEventLoop::quit);
        tick.exec();
    }
}

} // namespace keepsift::testing
