#include "ui/progress_bar_panel.h"

#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QResizeEvent>

ProgressBarPanel::ProgressBarPanel(QWidget* parent) : QFrame(parent)
{
    setObjectName(QStringLiteral("Panel6"));
    // No frame of its own: Image1 must cover the whole panel, since the
    // queue draws across the panel's full width. The frame around it is the
    // container's.
    setFrameShape(QFrame::NoFrame);
    setMinimumHeight(28);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setScaledContents(false);
    Image1->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    BitBtn9 = new QPushButton(QStringLiteral("Start"), this);
    BitBtn9->setObjectName(QStringLiteral("BitBtn9"));
    BitBtn9->setFixedWidth(56);
    BitBtn9->hide();
}

void ProgressBarPanel::resizeEvent(QResizeEvent* event)
{
    QFrame::resizeEvent(event);
    Image1->setGeometry(0, 0, width(), height());
    // A fresh canvas of the new size in the button-face colour; whatever the
    // queue draws next lands on it.
    QPixmap canvas(width(), height());
    canvas.fill(palette().color(QPalette::Button));
    Image1->setPixmap(canvas);
    const int buttonHeight = qMin(height() - 4, BitBtn9->sizeHint().height());
    BitBtn9->setFixedHeight(qMax(buttonHeight, 10));
    BitBtn9->move(BitBtn9->x(), (height() - BitBtn9->height()) / 2);
}
