#include "ui/desktop_notification.h"

#include <QSystemTrayIcon>
#include <QWidget>

#ifdef TAVLIN_HAVE_DBUS
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QVariantMap>
#endif

namespace {

#ifdef TAVLIN_HAVE_DBUS
constexpr const char* kService = "org.freedesktop.Notifications";
constexpr const char* kPath = "/org/freedesktop/Notifications";

bool notificationServiceRuns()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    return bus.isConnected() && bus.interface() && bus.interface()->isServiceRegistered(QString::fromLatin1(kService));
}
#endif

}  // namespace

DesktopNotification::DesktopNotification(QWidget* owner) : QObject(owner), owner_(owner) {}

DesktopNotification::Channel DesktopNotification::channel() const
{
    if (QSystemTrayIcon::isSystemTrayAvailable() && QSystemTrayIcon::supportsMessages())
        return Channel::SystemTray;
#ifdef TAVLIN_HAVE_DBUS
    if (notificationServiceRuns())
        return Channel::NotificationService;
#endif
    return Channel::None;
}

DesktopNotification::Channel DesktopNotification::show(const QString& title, const QString& text)
{
    const Channel way = channel();
    switch (way) {
    case Channel::SystemTray:
        if (!tray_) {
            tray_ = new QSystemTrayIcon(owner_->windowIcon(), this);
            tray_->setToolTip(QStringLiteral("Tavlin FTP"));
        }
        // A tray icon shows only while it is visible; it stays for the
        // message to be clicked away.
        tray_->show();
        tray_->showMessage(title, text, QSystemTrayIcon::Information);
        break;
    case Channel::NotificationService: {
#ifdef TAVLIN_HAVE_DBUS
        QDBusMessage notify = QDBusMessage::createMethodCall(QString::fromLatin1(kService), QString::fromLatin1(kPath),
                                                             QString::fromLatin1(kService), QStringLiteral("Notify"));
        // Application name, no notification to replace, icon, summary, body,
        // no actions, no hints, the server's own timeout.
        notify << QStringLiteral("Tavlin FTP") << 0u << QStringLiteral("tavlinftp") << title << text << QStringList()
               << QVariantMap() << -1;
        // Not waited for: a slow notification server never holds the window.
        QDBusConnection::sessionBus().call(notify, QDBus::NoBlock);
#endif
        break;
    }
    case Channel::None:
        break;
    }
    return way;
}
