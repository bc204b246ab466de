#include "ui/control_factory.h"

#include <QHeaderView>
#include <QTreeWidget>

QTreeWidget* makeFileList(QWidget* parent, const char* objectName, const QString& hint)
{
    auto* list = named(new QTreeWidget(parent), objectName);
    list->setHeaderLabels({QStringLiteral("FileName"), QStringLiteral("Size"), QStringLiteral("Type"),
                           QStringLiteral("Date")});
    list->setRootIsDecorated(false);
    list->setItemsExpandable(false);
    list->setUniformRowHeights(true);
    list->setSortingEnabled(false);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setIconSize(QSize(16, 16));
    list->setColumnWidth(0, 160);
    list->setColumnWidth(1, 60);
    list->setColumnWidth(2, 120);
    list->setColumnWidth(3, 100);
    list->header()->setStretchLastSection(true);
    setHint(list, hint);
    return list;
}
