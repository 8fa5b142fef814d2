#pragma once

#include <QDBusMessage>
#include <QElapsedTimer>
#include <QObject>
#include <QProcess>
#include <QStringList>
#include <functional>
#include <memory>

namespace keepsift::testing {

// A panel's tray of the test's own: a private session bus on which this process owns
// org.kde.StatusNotifierWatcher and notes every item that registers with it. Qt hands a shown
// QSystemTrayIcon to such a watcher. Its calls are answered only while the caller runs the
// event loop (see `watchFor`).
class PanelWatcher : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(QStringList RegisteredStatusNotifierItems READ registeredItems)
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ isHostRegistered)
    Q_PROPERTY(int ProtocolVersion READ protocolVersion)
public:
    PanelWatcher();
    ~PanelWatcher() override;

    // False without dbus-daemon or when the bus or the name cannot be had.
    bool isRunning() const { return running_; }
    // For the launched program's DBUS_SESSION_BUS_ADDRESS.
    QString address() const { return address_; }
    // Every registration seen so far, with when it was first seen: the items' registration
    // calls, and the item names on the bus, which a registration that raced the watcher's
    // answer still leaves.
    QStringList seen() const { return seen_; }
    // Times in seen() count from here; else from the watcher's start.
    void restartClock() { clock_.start(); }
    // Runs the event loop, looking at the bus every 50 ms, for at most `seconds` or until the
    // condition holds; whether it held.
    bool watchFor(double seconds, const std::function<bool()>& until = {});

    QStringList registeredItems() const { return items_; }
    bool isHostRegistered() const { return true; }
    int protocolVersion() const { return 0; }

public Q_SLOTS:
    void RegisterStatusNotifierItem(const QString& service, const QDBusMessage& message);
    void RegisterStatusNotifierHost(const QString& service);

Q_SIGNALS:
    void StatusNotifierItemRegistered(const QString& service);
    void StatusNotifierItemUnregistered(const QString& service);
    void StatusNotifierHostRegistered();

private:
    void note(const QString& what);
    void lookAtTheBus();

    std::unique_ptr<QProcess> daemon_;
    QString address_;
    QStringList items_;
    QStringList seen_;
    QStringList names_;
    QElapsedTimer clock_;
    bool running_ = false;
};

} // namespace keepsift::testing
