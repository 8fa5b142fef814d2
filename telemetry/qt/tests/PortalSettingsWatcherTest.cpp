#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMetaType>
#include <QDeadlineTimer>
#include <QProcess>
#include <QStandardPaths>
#include <csignal>
#include <functional>
#include <gtest/gtest.h>
#include <sys/prctl.h>
#include <utility>

#include "telemetry/qt/PortalSettingsWatcher.hpp"

namespace keepsift::analytics {
namespace {

const QString appearance = "org.freedesktop.appearance";

// A settings portal of our own on a private session bus.
class FakePortal : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Settings")
public:
    QMap<QString, QVariantMap> settings;
    int reads = 0;

public Q_SLOTS:
    QMap<QString, QVariantMap> ReadAll(const QStringList& namespaces) {
        ++reads;
        QMap<QString, QVariantMap> asked;
        for (const QString& space : namespaces)
            if (settings.contains(space)) asked[space] = settings[space];
        return asked;
    }

Q_SIGNALS:
    void SettingChanged(const QString& space, const QString& key, const QDBusVariant& value);
};

struct PortalSettingsWatcherTest : ::testing::Test {
    static inline QProcess* daemon = nullptr;
    FakePortal portal;
    QList<DesktopSettings> told;
    QString connectionName = "fake-portal";

    static void SetUpTestSuite() {
        if (QStandardPaths::findExecutable("dbus-daemon").isEmpty()) return;
        daemon = new QProcess;
        // The bus goes with the test process, however that ends.
        daemon->setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
        daemon->start("dbus-daemon", {"--session", "--nofork", "--print-address=1"});
        ASSERT_TRUE(daemon->waitForReadyRead(60'000));
        const QByteArray address = daemon->readLine().trimmed();
        // Before the process's first use of the session bus, which keeps its address.
        qputenv("DBUS_SESSION_BUS_ADDRESS", address);
        qDBusRegisterMetaType<QMap<QString, QVariantMap>>();
    }
    void SetUp() override {
        if (daemon == nullptr) GTEST_SKIP() << "no dbus-daemon to run a private session bus";
    }
    static void TearDownTestSuite() {
        if (daemon == nullptr) return;
        daemon->terminate();
        daemon->waitForFinished(60'000);
        delete std::exchange(daemon, nullptr);
    }
    ~PortalSettingsWatcherTest() override { QDBusConnection::disconnectFromBus(connectionName); }

    void publish() {
        auto bus =
            QDBusConnection::connectToBus(qgetenv("DBUS_SESSION_BUS_ADDRESS"), connectionName);
        ASSERT_TRUE(bus.registerObject("/org/freedesktop/portal/desktop", &portal,
                                       QDBusConnection::ExportAllSlots |
                                           QDBusConnection::ExportAllSignals));
        ASSERT_TRUE(bus.registerService("org.freedesktop.portal.Desktop"));
    }
    PortalSettingsWatcher* watch() {
        return new PortalSettingsWatcher(
            {appearance}, [this](const DesktopSettings& s) { told.push_back(s); }, nullptr);
    }
    // Runs the event loop until the condition holds, a minute at most.
    static bool waitUntil(const std::function<bool()>& condition) {
        const QDeadlineTimer deadline(60'000);
        while (!condition() && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        return condition();
    }
    void waitUntilTold(qsizetype count) {
        waitUntil([&] { return told.size() >= count; });
        ASSERT_EQ(told.size(), count);
    }
};

TEST_F(PortalSettingsWatcherTest, ReadsItsNamespacesThenFollowsTheirChanges) {
    portal.settings = {{appearance, {{"contrast", 1u}}},
                       {"org.gnome.desktop.interface", {{"enable-animations", false}}}};
    publish();
    std::unique_ptr<PortalSettingsWatcher> watcher(watch());
    waitUntilTold(1);
    EXPECT_EQ(told[0], (DesktopSettings{{appearance, {{"contrast", 1u}}}}));

    Q_EMIT portal.SettingChanged("org.gnome.desktop.interface", "enable-animations",
                                 QDBusVariant(true));
    Q_EMIT portal.SettingChanged(appearance, "reduced-motion", QDBusVariant(1u));
    waitUntilTold(2);
    EXPECT_EQ(told[1], (DesktopSettings{{appearance, {{"contrast", 1u}, {"reduced-motion", 1u}}}}));
}

TEST_F(PortalSettingsWatcherTest, APortalStartedLaterIsAskedThen) {
    std::unique_ptr<PortalSettingsWatcher> watcher(watch());
    portal.settings = {{appearance, {{"contrast", 0u}}}};
    publish();
    waitUntilTold(1);
    EXPECT_EQ(told[0], (DesktopSettings{{appearance, {{"contrast", 0u}}}}));
}

// A restarted portal is asked again and answers as before; a setting changed to the value it
// has is no change either.
TEST_F(PortalSettingsWatcherTest, TellsOnlyAChange) {
    portal.settings = {{appearance, {{"contrast", 0u}}}};
    publish();
    std::unique_ptr<PortalSettingsWatcher> watcher(watch());
    waitUntilTold(1);
    auto bus = QDBusConnection(connectionName);
    ASSERT_TRUE(bus.unregisterService("org.freedesktop.portal.Desktop"));
    ASSERT_TRUE(bus.registerService("org.freedesktop.portal.Desktop"));
    ASSERT_TRUE(waitUntil([&] { return portal.reads == 2; }));

    // Sent after the second answer on the same connection, so they arrive after it.
    Q_EMIT portal.SettingChanged(appearance, "contrast", QDBusVariant(0u));
    Q_EMIT portal.SettingChanged(appearance, "contrast", QDBusVariant(1u));
    const DesktopSettings changed{{appearance, {{"contrast", 1u}}}};
    EXPECT_TRUE(waitUntil([&] { return told.contains(changed); }));
    EXPECT_EQ(told, (QList<DesktopSettings>{portal.settings, changed}));
}

} // namespace
} // namespace keepsift::analytics

#include "PortalSettingsWatcherTest.moc"
