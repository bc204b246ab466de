#include "ui/window_layout_memory.h"

#include "services/program_settings.h"

#include <QHeaderView>
#include <QSplitter>
#include <QTreeWidget>
#include <QWidget>

namespace {

const QString kGeometryKey = QStringLiteral("Geometry");

QString splitterKey(const QSplitter& splitter)
{
    return QStringLiteral("Splitters/") + splitter.objectName();
}

QString columnsKey(const QTreeWidget& list)
{
    return QStringLiteral("Columns/") + list.objectName();
}

// The window's own splitters, by name; those of other windows it happens to
// own are theirs to keep.
QList<QSplitter*> namedSplitters(QWidget& window)
{
    QList<QSplitter*> found;
    for (QSplitter* splitter : window.findChildren<QSplitter*>())
        if (!splitter->objectName().isEmpty() && splitter->window() == &window)
            found.append(splitter);
    return found;
}

}  // namespace

WindowLayoutMemory::WindowLayoutMemory(ProgramSettings& settings, QWidget& window, QList<QTreeWidget*> fileLists)
    : settings_(settings), window_(window)
{
    for (QTreeWidget* list : fileLists)
        fileLists_.append(list);
}

void WindowLayoutMemory::restore()
{
    // Each restore checks the state it is given and refuses what does not
    // fit, so a damaged or older file changes nothing.
    const QByteArray geometry = settings_.windowState(kGeometryKey);
    if (!geometry.isEmpty())
        window_.restoreGeometry(geometry);
    for (QSplitter* splitter : namedSplitters(window_)) {
        const QByteArray state = settings_.windowState(splitterKey(*splitter));
        if (!state.isEmpty())
            splitter->restoreState(state);
    }
    for (QTreeWidget* list : fileLists_) {
        const QByteArray state = list ? settings_.windowState(columnsKey(*list)) : QByteArray();
        if (state.isEmpty() || !list->header()->restoreState(state))
            continue;
        // The order the user chose last time holds from the first listing.
        if (list->isSortingEnabled() && list->header()->sortIndicatorSection() >= 0)
            list->sortByColumn(list->header()->sortIndicatorSection(), list->header()->sortIndicatorOrder());
    }
}

void WindowLayoutMemory::save() const
{
    settings_.setWindowState(kGeometryKey, window_.saveGeometry());
    for (QSplitter* splitter : namedSplitters(window_))
        settings_.setWindowState(splitterKey(*splitter), splitter->saveState());
    for (QTreeWidget* list : fileLists_)
        if (list)
            settings_.setWindowState(columnsKey(*list), list->header()->saveState());
}
