// Desktop notifications over a private session bus of the test's own: a
// small notification service records what it receives; without it, the
// message falls back (offscreen has no tray) to the caller's own way.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QElapsedTimer>
#include <QProcess>
#include <QStringList>
#include <QVariantMap>

#include "platform/QtUiServices.h"

namespace velmora {
namespace {

class NotificationService : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    QStringList received;  // application, summary, body, for each notification

public slots:
    uint Notify(const QString& application, uint, const QString&, const QString& summary, const QString& body,
                const QStringList&, const QVariantMap&, int) {
        received << application << summary << body;
        return uint(received.size());
    }
};

template <typename Done>
bool WaitFor(Done done) {
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < 5000) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

// The bus daemon lives as long as the test; it prints its address when ready.
class PrivateSessionBus {
public:
    PrivateSessionBus() {
        daemon_.start(QStringLiteral("dbus-daemon"), {QStringLiteral("--session"), QStringLiteral("--nofork"),
                                                      QStringLiteral("--print-address=1")});
        if (daemon_.waitForStarted() && daemon_.waitForReadyRead(5000)) {
            address_ = QString::fromUtf8(daemon_.readLine()).trimmed();
        }
    }
    ~PrivateSessionBus() {
        daemon_.kill();
        daemon_.waitForFinished();
    }
    const QString& Address() const { return address_; }

private:
    QProcess daemon_;
    QString address_;
};

TEST(NotificationTest, GoesToTheSessionBusServiceElseToTheCallersFallback) {
    PrivateSessionBus bus;
    ASSERT_FALSE(bus.Address().isEmpty()) << "dbus-daemon did not start";
    // Before the first use of the session bus in this process.
    qputenv("DBUS_SESSION_BUS_ADDRESS", bus.Address().toUtf8());
    QtUiServices ui;

    bool fellBack = false;
    ui.Notify("Velmora", "10.0.0.5 is down", [&] { fellBack = true; });
    EXPECT_TRUE(fellBack) << "no notification service and no tray";

    QDBusConnection service = QDBusConnection::connectToBus(bus.Address(), QStringLiteral("service"));
    NotificationService notifications;
    ASSERT_TRUE(service.registerObject(QStringLiteral("/org/freedesktop/Notifications"), &notifications,
                                       QDBusConnection::ExportAllSlots));
    ASSERT_TRUE(service.registerService(QStringLiteral("org.freedesktop.Notifications")));

    fellBack = false;
    ui.Notify("Velmora", "10.0.0.5 is up again (down for 12 s)", [&] { fellBack = true; });
    ASSERT_TRUE(WaitFor([&] { return !notifications.received.isEmpty(); }));
    EXPECT_EQ(notifications.received,
              (QStringList{"Velmora", "Velmora", "10.0.0.5 is up again (down for 12 s)"}));
    EXPECT_FALSE(fellBack);
    QDBusConnection::disconnectFromBus(QStringLiteral("service"));
}

}  // namespace
}  // namespace velmora

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

#include "NotificationTest.moc"
