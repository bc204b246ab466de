#pragma once

#include <QHeaderView>
#include <QTreeWidget>

#include <algorithm>

// Widens a file list's column until its texts show whole (sizes of many
// gigabytes, long names), but never narrows it: a width the user chose, or
// kept from the last run, stays when the next listing is shorter.
inline void widenColumnToContents(QTreeWidget* list, int column)
{
    // The tree view hides the width its items need; the item view asks it.
    const QAbstractItemView* view = list;
    const int needed = std::max(view->sizeHintForColumn(column), list->header()->sectionSizeHint(column));
    if (needed > list->columnWidth(column))
        list->setColumnWidth(column, needed);
}
