#include "ui/control_factory.h"

#include "ui/file_list_view.h"

#include <QDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QTreeWidget>

QLabel* makeQuestionPanel(QWidget* parent, int minimumHeight)
{
    auto* panel = named(new QLabel(parent), "Panel1");
    panel->setFrameShape(QFrame::Panel);
    panel->setFrameShadow(QFrame::Raised);
    panel->setAlignment(Qt::AlignCenter);
    panel->setWordWrap(true);
    panel->setMinimumHeight(minimumHeight);
    return panel;
}

QHBoxLayout* makeOkCancelRow(QDialog* dialog, QPushButton*& ok, QPushButton*& cancel)
{
    ok = named(new QPushButton(QStringLiteral("OK"), dialog), "OK");
    ok->setDefault(true);
    cancel = named(new QPushButton(QStringLiteral("Cancel"), dialog), "Cancel");
    setHint(ok, QStringLiteral("Accept and close"));
    setHint(cancel, QStringLiteral("Close and change nothing"));
    QObject::connect(ok, &QPushButton::clicked, dialog, &QDialog::accept);
    QObject::connect(cancel, &QPushButton::clicked, dialog, &QDialog::reject);

    auto* row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(ok);
    row->addWidget(cancel);
    return row;
}

QTreeWidget* makeFileList(QWidget* parent, const char* objectName, const QString& hint)
{
    auto* list = named(new FileListView(parent), objectName);
    list->setHeaderLabels({QStringLiteral("FileName"), QStringLiteral("Size"), QStringLiteral("Type"),
                           QStringLiteral("Date")});
    list->setRootIsDecorated(false);
    list->setItemsExpandable(false);
    list->setUniformRowHeights(true);
    // A click on a column's header sorts by it, a second click the other
    // way round. Until then the list keeps the order the folder was read
    // in, folders first.
    for (int column = 0; column < list->columnCount(); ++column)
        list->headerItem()->setData(column, Qt::InitialSortOrderRole, static_cast<int>(Qt::AscendingOrder));
    list->header()->setSortIndicator(-1, Qt::AscendingOrder);
    list->header()->setSectionsClickable(true);
    list->setSortingEnabled(true);
    // Ctrl-click, Shift-click and Ctrl+A pick several files at once.
    list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list->setIconSize(QSize(16, 16));
    list->setColumnWidth(0, 160);
    list->setColumnWidth(1, 60);
    list->setColumnWidth(2, 120);
    list->setColumnWidth(3, 100);
    list->header()->setStretchLastSection(true);
    setHint(list, hint);
    return list;
}
