#pragma once

#include <QObject>
#include <QString>

class QSystemTrayIcon;
class QWidget;

// A short message on the desktop for a user who is looking elsewhere: the
// system tray's balloon when the desktop has a tray, otherwise the
// freedesktop notification service on the session bus when that runs, and
// nothing at all when there is neither.
class DesktopNotification : public QObject {
    Q_OBJECT
public:
    explicit DesktopNotification(QWidget* owner);

    enum class Channel { None, SystemTray, NotificationService };
    // The way a message would go out now.
    Channel channel() const;
    // Shows the message; returns the way it went.
    Channel show(const QString& title, const QString& text);

private:
    QWidget* owner_;
    QSystemTrayIcon* tray_ = nullptr;
};
