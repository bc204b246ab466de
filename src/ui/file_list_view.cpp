#include "ui/file_list_view.h"

#include <QMimeData>

FileListView::FileListView(QWidget* parent) : QTreeWidget(parent) {}

void FileListView::setDragContents(QStringList formats, DragContents contents)
{
    formats_ = std::move(formats);
    contents_ = std::move(contents);
    setDragEnabled(true);
    // A drag that ends as a move would take the dragged items out of the
    // list; files are only ever copied from here.
    setDefaultDropAction(Qt::CopyAction);
}

QStringList FileListView::mimeTypes() const
{
    return contents_ ? formats_ : QTreeWidget::mimeTypes();
}

QMimeData* FileListView::mimeData(const QList<QTreeWidgetItem*>& items) const
{
    if (!contents_)
        return QTreeWidget::mimeData(items);
    return items.isEmpty() ? nullptr : contents_(items);
}

FolderListView::FolderListView(QWidget* parent) : QListWidget(parent) {}

void FolderListView::setDragContents(QStringList formats, DragContents contents)
{
    formats_ = std::move(formats);
    contents_ = std::move(contents);
    setDragEnabled(true);
    setDefaultDropAction(Qt::CopyAction);
}

QStringList FolderListView::mimeTypes() const
{
    return contents_ ? formats_ : QListWidget::mimeTypes();
}

QMimeData* FolderListView::mimeData(const QList<QListWidgetItem*>& items) const
{
    if (!contents_)
        return QListWidget::mimeData(items);
    return items.isEmpty() ? nullptr : contents_(items);
}
