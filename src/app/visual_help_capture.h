#pragma once

#include <QPixmap>
#include <QRect>

class QWidget;

// Where the picture of a control is taken from: the window it lies in and
// its rectangle in that window's coordinates.
struct CaptureSpot {
    QWidget* window = nullptr;
    QRect area;
};

// The spot of the control that sent a hint. A menu item is pictured by its
// menu's title in the window's menu bar.
// Without a window (the control is gone, or the menu is no menu bar's) the
// spot is empty.
CaptureSpot captureSpotOf(QWidget* control);

// Side of the square picture of the visual-help window.
inline constexpr int kCaptureSide = 105;

// A kCaptureSide square of the spot's window, centred on the spot and moved
// inside the window where the spot lies near an edge. It is drawn from the
// window itself, so it shows the control wherever the window stands and
// whatever covers it, and nothing else on the desktop is read.
QPixmap captureAround(const CaptureSpot& spot);
