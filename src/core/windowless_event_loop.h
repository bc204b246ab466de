#pragma once

#include <cstdlib>

// For programs without windows, called before their QCoreApplication is
// made: Qt's own event dispatcher instead of the GLib one. GLib's writes to
// its wake-up descriptor for every posted event, and the sockets post
// several per FTP command, so a queue of small files spent a noticeable
// share of its time there; Qt's wakes once per batch. Windows keep GLib's,
// which desktop integrations expect. A value the user set is left alone.
inline void chooseWindowlessEventLoop()
{
    ::setenv("QT_NO_GLIB", "1", 0);
}
