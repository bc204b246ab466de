#pragma once

#include <QList>
#include <QPointer>

class ProgramSettings;
class QTreeWidget;
class QWidget;

// Keeps how the user left a window between starts, in the program's own
// settings file: its size and position, where each of its named splitters
// stands, and each file list's column widths. A file list's header state
// carries its sort column and order too, so a list that sorts by its header
// finds the user's order again without a setting of its own.
//
// Whatever was never kept, or does not fit the window as built now, leaves
// the window as its layout made it.
class WindowLayoutMemory {
public:
    WindowLayoutMemory(ProgramSettings& settings, QWidget& window, QList<QTreeWidget*> fileLists);

    // Before the window is first shown.
    void restore();
    // When the window goes, while its controls are still there.
    void save() const;

private:
    ProgramSettings& settings_;
    QWidget& window_;
    QList<QPointer<QTreeWidget>> fileLists_;
};
