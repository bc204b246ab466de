#include "ui/splash_window.h"

#include "ui/drawn_images.h"

#include <QGuiApplication>
#include <QPainter>
#include <QScreen>

SplashWindow::SplashWindow(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("SplashWindow"));
    setFixedSize(360, 180);
}

void SplashWindow::centreOnScreen()
{
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    move(area.center() - rect().center());
}

void SplashWindow::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing, true);
    QLinearGradient sky(0, 0, 0, height());
    sky.setColorAt(0, QColor(235, 242, 252));
    sky.setColorAt(1, QColor(190, 210, 240));
    p.fillRect(rect(), sky);
    p.setPen(QPen(QColor(40, 80, 150), 2));
    p.drawRect(rect().adjusted(1, 1, -1, -1));
    p.drawPixmap(24, 50, makeProgramIcon(80));

    QFont title = font();
    title.setPointSize(20);
    title.setBold(true);
    p.setFont(title);
    p.setPen(QColor(20, 50, 110));
    p.drawText(QRect(120, 48, width() - 130, 40), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Tavlin FTP 2.1"));
    QFont line = font();
    line.setPointSize(10);
    p.setFont(line);
    p.setPen(QColor(50, 60, 80));
    p.drawText(QRect(120, 90, width() - 130, 40), Qt::AlignLeft | Qt::AlignTop,
               QStringLiteral("Keeps your web sites up to date.\nStarting..."));
}
