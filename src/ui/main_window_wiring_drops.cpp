// Drag and drop: files dragged from the local list to the remote side go up,
// files dragged from the remote list to the local side come down, each as
// the upload or download button would take the chosen files (the recording
// and the overwrite questions included, chosen folders with everything under
// them); files and folders dropped on the remote side from another program
// (a file manager) go up into the remote folder shown.
#include "ui/main_window.h"

#include "app/folder_tree_transfer.h"
#include "app/local_folder_tree.h"
#include "app/local_panel.h"
#include "app/message_panel.h"
#include "app/remote_tree.h"
#include "ui/drop_target.h"
#include "ui/file_list_view.h"

#include <QFile>
#include <QFileInfo>
#include <QListWidget>
#include <QMimeData>
#include <QTreeWidget>
#include <QUrl>

namespace {

// Marks a drag from this window's own lists: the files it carries are the
// ones chosen in that list.
const QString kLocalFilesFormat = QStringLiteral("application/x-tavlinftp-local-files");
const QString kRemoteFilesFormat = QStringLiteral("application/x-tavlinftp-remote-files");

bool carriesLocalFiles(const QMimeData& data)
{
    if (data.hasFormat(kLocalFilesFormat))
        return true;
    if (data.hasFormat(kRemoteFilesFormat))
        return false;
    for (const QUrl& url : data.urls())
        if (url.isLocalFile())
            return true;
    return false;
}

}  // namespace

void Thovedform::wireDrops()
{
    // The local list's drags carry its chosen files as file addresses too,
    // so another program can take them.
    if (auto* local = qobject_cast<FileListView*>(c_.ListView2))
        local->setDragContents({kLocalFilesFormat, QStringLiteral("text/uri-list")},
                               [this](const QList<QTreeWidgetItem*>& items) {
                                   auto* data = new QMimeData;
                                   QList<QUrl> urls;
                                   const std::string folder = localPanel_->localDirectory();
                                   for (const QTreeWidgetItem* item : items)
                                       urls << QUrl::fromLocalFile(QFile::decodeName(QByteArray::fromStdString(
                                           localPathIn(folder, LocalPanel::fileNameOf(item)))));
                                   data->setUrls(urls);
                                   data->setData(kLocalFilesFormat, QByteArray::number(items.size()));
                                   return data;
                               });
    // A folder of the folder list goes as a file manager's folder does: by
    // its address, with everything under it.
    if (auto* folders = qobject_cast<FolderListView*>(c_.DirectoryListBox1))
        folders->setDragContents({QStringLiteral("text/uri-list")}, [](const QList<QListWidgetItem*>& items) {
            auto* data = new QMimeData;
            QList<QUrl> urls;
            for (const QListWidgetItem* item : items)
                urls << QUrl::fromLocalFile(
                    QFile::decodeName(QByteArray::fromStdString(LocalFolderTree::pathOf(item))));
            data->setUrls(urls);
            return data;
        });
    if (auto* remote = qobject_cast<FileListView*>(c_.ListView1))
        remote->setDragContents({kRemoteFilesFormat}, [](const QList<QTreeWidgetItem*>& items) {
            auto* data = new QMimeData;
            QByteArray names;
            for (const QTreeWidgetItem* item : items)
                names += QByteArray::fromStdString(remote_tree::rawName(item)) + '\n';
            data->setData(kRemoteFilesFormat, names);
            return data;
        });

    // The remote side takes local files while there is a session to upload
    // them with; the local side takes the remote list's files.
    const auto remoteTakes = [this](const QMimeData& data) { return channel_.connected() && carriesLocalFiles(data); };
    const auto uploadDrop = [this](const QMimeData& data) {
        if (data.hasFormat(kLocalFilesFormat))
            BitBtn2Click();
        else
            uploadDroppedFiles(data.urls());
    };
    new DropTarget(c_.ListView1, remoteTakes, uploadDrop);
    new DropTarget(c_.TreeView1, remoteTakes, uploadDrop);
    const auto localTakes = [this](const QMimeData& data) {
        return channel_.connected() && data.hasFormat(kRemoteFilesFormat);
    };
    const auto downloadDrop = [this](const QMimeData&) { BitBtn3Click(); };
    new DropTarget(c_.ListView2, localTakes, downloadDrop);
    new DropTarget(c_.DirectoryListBox1, localTakes, downloadDrop);
}

void Thovedform::uploadDroppedFiles(const QList<QUrl>& urls)
{
    if (localPanel_->recording()) {
        // A recording takes its files from the local list, where the user
        // sees which folder they are recorded from.
        c_.MessagePanel1->showMessage(
            QStringLiteral("Files dropped from elsewhere are not recorded: choose them in the local list"));
        return;
    }
    std::vector<QueueWindowHandler::LocalUpload> files;
    std::vector<std::string> folders;
    QStringList leftOut;
    for (const QUrl& url : urls) {
        if (!url.isLocalFile())
            continue;
        const QFileInfo info(url.toLocalFile());
        // A folder goes with everything under it, as a chosen folder of the
        // local list does; a link to one is not followed.
        if (info.isDir() && !info.isSymLink()) {
            folders.push_back(QFile::encodeName(info.absoluteFilePath()).toStdString());
            continue;
        }
        if (!info.isFile()) {
            leftOut << info.fileName();
            continue;
        }
        const std::string folder = QFile::encodeName(info.absolutePath()).toStdString();
        const std::string name = QFile::encodeName(info.fileName()).toStdString();
        if (ownDataFiles_->contains(folder, name)) {
            leftOut << info.fileName();
            continue;
        }
        files.push_back({folder, {name, std::to_string(info.size())}});
    }
    if (!leftOut.isEmpty())
        c_.MessagePanel1->showMessage(QStringLiteral("Not uploaded: %1 (neither a file nor a folder, a link to a "
                                                     "folder, or one of the program's own data files)")
                                          .arg(leftOut.join(QStringLiteral(", "))));
    // One question for what was dropped, when folders are among it.
    ChosenFiles besides;
    for (const QueueWindowHandler::LocalUpload& file : files)
        besides.files.push_back(file.file);
    if (!folderTransfer_->uploadLocalFolders(folders, besides))
        return;
    queueHandler_->uploadFiles(channel_.client().HostDirName(), files);
}
