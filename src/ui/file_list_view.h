#pragma once

#include <QListWidget>
#include <QStringList>
#include <QTreeWidget>

#include <functional>

class QMimeData;

// A file list whose drags carry what its owner puts in them (the local list
// its files as file addresses, the remote list a mark of its own), so the
// side it is dropped on knows what came without asking the drag: a drop
// from another program has no source to ask.
class FileListView : public QTreeWidget {
    Q_OBJECT
public:
    using DragContents = std::function<QMimeData*(const QList<QTreeWidgetItem*>& items)>;

    explicit FileListView(QWidget* parent = nullptr);

    // Drags leave this list as copies (a drop never takes the items out of
    // it), carrying the given formats.
    void setDragContents(QStringList formats, DragContents contents);

protected:
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QList<QTreeWidgetItem*>& items) const override;

private:
    QStringList formats_;
    DragContents contents_;
};

// The same for the local folder list, whose folders are dragged to upload
// them with everything under them.
class FolderListView : public QListWidget {
    Q_OBJECT
public:
    using DragContents = std::function<QMimeData*(const QList<QListWidgetItem*>& items)>;

    explicit FolderListView(QWidget* parent = nullptr);

    void setDragContents(QStringList formats, DragContents contents);

protected:
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QList<QListWidgetItem*>& items) const override;

private:
    QStringList formats_;
    DragContents contents_;
};
