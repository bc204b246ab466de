// The desktop notification of a run's end, on a session bus of the test's
// own (the test runs under dbus-run-session) with a notification server
// played by the test on a connection of its own.
#include "support/wait.h"
#include "ui/desktop_notification.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QStringList>
#include <QVariantMap>
#include <QWidget>

#include <gtest/gtest.h>

namespace {

class NotificationServer : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    struct Shown {
        QString application;
        QString summary;
        QString body;
    };
    std::vector<Shown> shown;

public slots:
    uint Notify(const QString& application, uint, const QString&, const QString& summary, const QString& body,
                const QStringList&, const QVariantMap&, int)
    {
        shown.push_back({application, summary, body});
        return static_cast<uint>(shown.size());
    }
};

}  // namespace

TEST(DesktopNotification, GoesToTheNotificationServiceWhenThereIsNoTrayAndNowhereWhenThereIsNeither)
{
    QWidget owner;
    DesktopNotification notification(&owner);
    // Offscreen there is no system tray, and no one serves notifications yet.
    ASSERT_TRUE(QDBusConnection::sessionBus().isConnected()) << "run the test under dbus-run-session";
    EXPECT_EQ(notification.show("Tavlin FTP", "nobody hears this"), DesktopNotification::Channel::None);

    QDBusConnection serverBus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, "notification-server");
    ASSERT_TRUE(serverBus.isConnected());
    NotificationServer server;
    ASSERT_TRUE(serverBus.registerObject("/org/freedesktop/Notifications", &server, QDBusConnection::ExportAllSlots));
    ASSERT_TRUE(serverBus.registerService("org.freedesktop.Notifications"));
    ASSERT_TRUE(waitUntil([] {
        return QDBusConnection::sessionBus().interface()->isServiceRegistered("org.freedesktop.Notifications").value();
    }));

    const QString line = "Published 2 files (1.5 MB), deleted 1, 0 failed, 0 left alone";
    EXPECT_EQ(notification.show("Tavlin FTP", line), DesktopNotification::Channel::NotificationService);
    ASSERT_TRUE(waitUntil([&] { return !server.shown.empty(); }));
    ASSERT_EQ(server.shown.size(), 1u);
    EXPECT_EQ(server.shown[0].application, "Tavlin FTP");
    EXPECT_EQ(server.shown[0].summary, "Tavlin FTP");
    EXPECT_EQ(server.shown[0].body, line);
    serverBus.unregisterService("org.freedesktop.Notifications");
    QDBusConnection::disconnectFromBus("notification-server");
}

#include "desktop_notification_test.moc"
