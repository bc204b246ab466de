#include "ui/drawn_images.h"

#include <QPainter>
#include <QPainterPath>

namespace {

QPixmap blank(int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

QPixmap hostImage()
{
    QPixmap pixmap = blank(16);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing, false);
    // Monitor with a screen, on a small stand.
    p.setPen(QColor(40, 40, 40));
    p.setBrush(QColor(200, 200, 200));
    p.drawRect(1, 1, 13, 10);
    p.setBrush(QColor(30, 90, 170));
    p.drawRect(3, 3, 9, 6);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(120, 180, 240));
    p.drawRect(4, 4, 3, 2);
    p.setBrush(QColor(90, 90, 90));
    p.drawRect(6, 12, 4, 2);
    p.drawRect(3, 14, 10, 1);
    return pixmap;
}

QPixmap folderImage(bool open)
{
    QPixmap pixmap = blank(16);
    QPainter p(&pixmap);
    const QColor edge(140, 100, 20);
    const QColor back(230, 180, 60);
    const QColor front(250, 215, 100);
    p.setPen(edge);
    p.setBrush(back);
    // Tab and back wall.
    p.drawRect(1, 3, 5, 2);
    p.drawRect(1, 4, 13, 9);
    if (open) {
        // The front flap leans forward: a parallelogram lower and wider.
        QPainterPath flap;
        flap.moveTo(3.5, 7.5);
        flap.lineTo(15.5, 7.5);
        flap.lineTo(13.5, 13.5);
        flap.lineTo(0.5, 13.5);
        flap.closeSubpath();
        p.setRenderHint(QPainter::Antialiasing, true);
        p.setBrush(front);
        p.drawPath(flap);
    } else {
        p.setBrush(front);
        p.drawRect(1, 6, 13, 7);
    }
    return pixmap;
}

QPixmap linkMarkerImage()
{
    QPixmap pixmap = blank(16);
    QPainter p(&pixmap);
    // A white box with a curved arrow, as used for shortcuts.
    p.setPen(QColor(40, 40, 40));
    p.setBrush(Qt::white);
    p.drawRect(0, 7, 8, 8);
    p.setRenderHint(QPainter::Antialiasing, true);
    QPen arrow(QColor(20, 60, 200), 1.6);
    p.setPen(arrow);
    QPainterPath curve;
    curve.moveTo(2, 13);
    curve.cubicTo(2, 10, 3.5, 9.5, 6, 9.5);
    p.setBrush(Qt::NoBrush);
    p.drawPath(curve);
    p.setBrush(QColor(20, 60, 200));
    p.setPen(Qt::NoPen);
    QPolygonF head;
    head << QPointF(5, 7.5) << QPointF(7.8, 9.5) << QPointF(5, 11.5);
    p.drawPolygon(head);
    return pixmap;
}

}  // namespace

QList<QIcon> makeImageList1()
{
    return {QIcon(hostImage()), QIcon(folderImage(true)), QIcon(folderImage(false)),
            QIcon(linkMarkerImage())};
}

QPixmap makeWebwatchPicture(int size)
{
    QPixmap pixmap = blank(size);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing, true);
    const qreal s = size;
    // A page...
    p.setPen(QPen(QColor(60, 60, 60), s / 32));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(s * 0.18, s * 0.08, s * 0.64, s * 0.84));
    p.setPen(QPen(QColor(150, 150, 150), s / 40));
    for (int line = 0; line < 4; ++line) {
        const qreal y = s * (0.2 + 0.08 * line);
        p.drawLine(QPointF(s * 0.26, y), QPointF(s * 0.74, y));
    }
    // ...watched by an eye.
    QPainterPath eye;
    eye.moveTo(s * 0.1, s * 0.68);
    eye.quadTo(s * 0.5, s * 0.38, s * 0.9, s * 0.68);
    eye.quadTo(s * 0.5, s * 0.98, s * 0.1, s * 0.68);
    p.setPen(QPen(QColor(20, 60, 140), s / 24));
    p.setBrush(QColor(235, 245, 255));
    p.drawPath(eye);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(30, 110, 200));
    p.drawEllipse(QPointF(s * 0.5, s * 0.68), s * 0.13, s * 0.13);
    p.setBrush(Qt::black);
    p.drawEllipse(QPointF(s * 0.5, s * 0.68), s * 0.06, s * 0.06);
    return pixmap;
}

QPixmap makeProgramIcon(int size)
{
    QPixmap pixmap = blank(size);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing, true);
    const qreal s = size;
    // A blue board ("tavle") with two arrows: up and down.
    p.setPen(QPen(QColor(20, 50, 110), s / 24));
    p.setBrush(QColor(40, 100, 190));
    p.drawRoundedRect(QRectF(s * 0.06, s * 0.06, s * 0.88, s * 0.88), s * 0.14, s * 0.14);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    QPolygonF up;
    up << QPointF(s * 0.34, s * 0.18) << QPointF(s * 0.54, s * 0.42) << QPointF(s * 0.41, s * 0.42)
       << QPointF(s * 0.41, s * 0.78) << QPointF(s * 0.27, s * 0.78) << QPointF(s * 0.27, s * 0.42)
       << QPointF(s * 0.14, s * 0.42);
    p.drawPolygon(up);
    p.setBrush(QColor(255, 210, 80));
    QPolygonF down;
    down << QPointF(s * 0.66, s * 0.82) << QPointF(s * 0.86, s * 0.58) << QPointF(s * 0.73, s * 0.58)
         << QPointF(s * 0.73, s * 0.22) << QPointF(s * 0.59, s * 0.22) << QPointF(s * 0.59, s * 0.58)
         << QPointF(s * 0.46, s * 0.58);
    p.drawPolygon(down);
    return pixmap;
}

QPixmap makeConnectionPicture(bool disconnect, int size)
{
    QPixmap pixmap = blank(size);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.scale(size / 16.0, size / 16.0);
    // A plug and its socket: pushed together to connect, pulled apart with
    // a red cross between them to disconnect.
    const qreal gap = disconnect ? 2.5 : 0.0;
    p.setPen(QPen(QColor(40, 40, 40), 1.0));
    p.setBrush(disconnect ? QColor(200, 200, 200) : QColor(80, 170, 80));
    // Socket on the left, cable going out to the left edge.
    p.drawRect(QRectF(2.5 - gap, 5.5, 4, 5));
    p.drawLine(QPointF(0, 8), QPointF(2.5 - gap, 8));
    // Plug on the right, with its two pins reaching for the socket.
    p.drawRect(QRectF(9.5 + gap, 5.5, 4, 5));
    p.drawLine(QPointF(13.5 + gap, 8), QPointF(16, 8));
    p.drawLine(QPointF(6.5 + gap, 7), QPointF(9.5 + gap, 7));
    p.drawLine(QPointF(6.5 + gap, 9), QPointF(9.5 + gap, 9));
    if (disconnect) {
        p.setPen(QPen(QColor(200, 30, 30), 1.6));
        p.drawLine(QPointF(6.5, 1.5), QPointF(9.5, 4.5));
        p.drawLine(QPointF(9.5, 1.5), QPointF(6.5, 4.5));
    }
    return pixmap;
}
