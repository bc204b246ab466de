#pragma once

#include <QIcon>
#include <QList>
#include <QPixmap>

// Pictures the program draws itself, so it needs no image files.

// The remote tree's images, by index: 0 root (host) node, 1 selected
// (open) directory, 2 directory, 3 link marker. Each is 16 x 16 with a
// transparent background.
QList<QIcon> makeImageList1();

// The picture that opens the WebWatch window: an eye over a page.
QPixmap makeWebwatchPicture(int size);

// The program's icon (used for the window and the desktop entry).
QPixmap makeProgramIcon(int size);

// The connect button's picture: a plug in its socket (connect), or the two
// pulled apart with a red cross (disconnect).
QPixmap makeConnectionPicture(bool disconnect, int size);
