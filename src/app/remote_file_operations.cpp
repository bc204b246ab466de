#include "app/remote_file_operations.h"

#include "app/browse_session.h"
#include "app/control_hint.h"
#include "app/file_list_item.h"
#include "app/remote_tree_deletion.h"
#include "app/message_panel.h"
#include "services/dialogs.h"
#include "app/remote_tree.h"

#include <QPushButton>
#include <QTreeWidget>

#include <utility>

using namespace remote_tree;

RemoteFileOperations::RemoteFileOperations(const RemoteOperationsView& view, SessionChannel& channel,
                                           BrowseSession& session, Dialogs& dialogs)
    : v_(view), channel_(channel), session_(session), dialogs_(dialogs)
{
    channel_.addListener(this);
}

RemoteFileOperations::~RemoteFileOperations()
{
    channel_.removeListener(this);
}

// --- delete --------------------------------------------------------------------------

void RemoteFileOperations::deleteSelection()
{
    if (!idle())
        return;
    NameDialogState& dialog = dialogs_.nameDialog();
    std::vector<std::string> selectedNames;
    std::vector<std::string> folders;
    std::vector<std::string> files;
    const std::string shown = serverPathOf(session_.shownRemotePath());
    for (int row = 0; row < v_.remoteFileList->topLevelItemCount(); ++row) {
        const QTreeWidgetItem* item = v_.remoteFileList->topLevelItem(row);
        if (!item->isSelected())
            continue;
        selectedNames.push_back(rawName(item));
        (file_list::isFolder(item) ? folders : files).push_back(remoteChildPath(shown, rawName(item)));
    }
    if (!folders.empty() && treeDeletion_) {
        // Chosen folders go with everything in them, after one question.
        treeDeletion_->start(folders, files, selectedNames.size());
        return;
    }
    if (selectedNames.size() > 1) {
        deleteSelectedFiles(selectedNames);
        return;
    }
    if (const QTreeWidgetItem* item = selectedItem(v_.remoteFileList)) {
        // One key would otherwise take a live file off the server: unless
        // the user switched the question off, one file is asked about too.
        if (!askBeforeDeletingOne_ || !askBeforeDeletingOne_()
            || dialogs_.askYesNo(QStringLiteral("Delete file"),
                                 QStringLiteral("Delete %1 from the server?").arg(item->text(0)))
                   == DialogAnswer::Yes)
            deleteSelectedFile();
    } else if (const BrowseSession::ShownLink* link = session_.linkShown()) {
        // The folder shown was opened through a link: the link goes, from
        // the folder holding it; the files it leads to stay.
        dialog.panelText = QStringLiteral("Remove link ");
        dialog.editText = link->shownName;
        dialog.caption = QStringLiteral("Delete link");
        if (dialogs_.runNameDialog()) {
            // One CWD, to the holding folder's path from the root.
            linkDeletion_ = LinkDeletion::ToFolder;
            linkName_ = link->name;
            channel_.client().SetHostDirName(serverPathOf(link->folderPath));
            ask(&TCustomFtpCli::BeginChangeDir);
        }
    } else if (QTreeWidgetItem* node = v_.remoteTree->currentItem()) {
        // A folder that holds others goes with everything in it, after one
        // question; without that the server would refuse the RMD, but only
        // after its files were gone, so it is said before deleting any.
        if (node->childCount() > 0) {
            if (treeDeletion_ && node->parent())
                treeDeletion_->startWithShownFolder(serverPathOf(nodePath(node)));
            else
                dialogs_.message(QStringLiteral("Subdirectory must be removed first!"));
            return;
        }
        dialog.panelText = QStringLiteral("Remove directory ");
        dialog.editText = node->text(0);
        dialog.caption = QStringLiteral("Delete directory");
        if (dialogs_.runNameDialog()) {
            directoryDeletion_ = true;
            filesRemoved_ = false;
            deletionIndex_ = 0;
            nextDeletionStep();
        }
    }
    dialog.caption = QStringLiteral("Write name");
    dialog.editText.clear();
}

void RemoteFileOperations::deleteSelectedFile()
{
    QTreeWidgetItem* item = selectedItem(v_.remoteFileList);
    if (!item)
        return;
    channel_.client().SetHostFileName(rawName(item));
    ask(&TCustomFtpCli::BeginDelete);
}

void RemoteFileOperations::deleteSelectedFiles(const std::vector<std::string>& names)
{
    // Several files are asked about once, before anything is sent.
    if (dialogs_.askYesNo(QStringLiteral("Delete files"),
                          QStringLiteral("Delete %1 items from the server?").arg(names.size()))
        != DialogAnswer::Yes)
        return;
    filesToDelete_.assign(names.begin(), names.end());
    selectionDeletion_ = true;
    deleteNextSelectedFile();
}

void RemoteFileOperations::deleteNextSelectedFile()
{
    if (filesToDelete_.empty()) {
        selectionDeletion_ = false;
        session_.showDirectory();
        return;
    }
    channel_.client().SetHostFileName(filesToDelete_.front());
    filesToDelete_.pop_front();
    if (!channel_.ask(*this, &TCustomFtpCli::BeginDelete)) {
        filesToDelete_.clear();
        selectionDeletion_ = false;
    }
}

void RemoteFileOperations::nextDeletionStep()
{
    if (!idle())
        return;
    if (!directoryDeletion_) {
        deleteSelectedFile();
        return;
    }
    if (filesRemoved_)
        return;
    // Only the folder's files are deleted here; its sub-folders are items
    // of the list too.
    while (deletionIndex_ < v_.remoteFileList->topLevelItemCount()
           && file_list::isFolder(v_.remoteFileList->topLevelItem(deletionIndex_)))
        ++deletionIndex_;
    if (deletionIndex_ < v_.remoteFileList->topLevelItemCount()) {
        channel_.client().SetHostFileName(rawName(v_.remoteFileList->topLevelItem(deletionIndex_)));
        ask(&TCustomFtpCli::BeginDelete);
        ++deletionIndex_;
        return;
    }
    // Every listed file is gone: remove the directory from its parent.
    filesRemoved_ = true;
    ask(&TCustomFtpCli::BeginParentDir);
}

// --- rename --------------------------------------------------------------------------

void RemoteFileOperations::renameSelection()
{
    if (!idle())
        return;
    NameDialogState& dialog = dialogs_.nameDialog();
    dialog.editText.clear();
    if (QTreeWidgetItem* item = selectedItem(v_.remoteFileList)) {
        dialog.panelText = QStringLiteral("New name for ") + item->text(0);
        if (dialogs_.runNameDialog() && nameGiven()) {
            listedFolderRename_ = file_list::isFolder(item);
            channel_.client().SetHostFileName(rawName(item));
            channel_.client().SetLocalFileName(toBytes(dialog.editText));
            ask(&TCustomFtpCli::BeginRename);
        }
        return;
    }
    QTreeWidgetItem* node = v_.remoteTree->currentItem();
    if (!node)
        return;
    dialog.panelText = QStringLiteral("New name for ") + node->text(0);
    if (dialogs_.runNameDialog() && nameGiven()) {
        // A directory is renamed from its parent.
        directoryRename_ = true;
        oldDirectoryName_ = rawName(node);
        ask(&TCustomFtpCli::BeginParentDir);
    }
}

void RemoteFileOperations::renameSecondStage()
{
    channel_.client().SetHostFileName(oldDirectoryName_);
    channel_.client().SetLocalFileName(toBytes(dialogs_.nameDialog().editText));
    ask(&TCustomFtpCli::BeginRename);
}

bool RemoteFileOperations::nameGiven()
{
    // An empty name would go out as a bare RNTO or MKD.
    if (!dialogs_.nameDialog().editText.trimmed().isEmpty())
        return true;
    dialogs_.message(QStringLiteral("Please write a name"));
    return false;
}

// --- make directory --------------------------------------------------------------------

void RemoteFileOperations::makeDirectory()
{
    if (!idle() || !v_.remoteTree->currentItem())
        return;
    NameDialogState& dialog = dialogs_.nameDialog();
    // The field keeps what was typed last.
    dialog.panelText = QStringLiteral("Create Directory");
    if (dialogs_.runNameDialog() && nameGiven()) {
        channel_.client().SetHostFileName(toBytes(dialog.editText));
        ask(&TCustomFtpCli::BeginMakeDir);
    }
}

// --- abort ---------------------------------------------------------------------------

void RemoteFileOperations::abortAll()
{
    v_.addressManagerButton->setEnabled(true);
    filesToDelete_.clear();
    selectionDeletion_ = false;
    // The abort goes through even while a request runs, and ends the session.
    channel_.abort(*this);
    // The files in line stay: they belong to the transfer queue, which
    // keeps them for its start button.
    session_.resetWindowAfterSession();
    setHint(v_.directoryTransferButton, QString());
}

// --- request-done entries ----------------------------------------------------------------

void RemoteFileOperations::requestDone(TFtpRequest request)
{
    switch (request) {
    case ftpRqChangeDir:
        if (linkDeletion_ == LinkDeletion::ToFolder) {
            linkDeletion_ = LinkDeletion::Deleting;
            channel_.client().SetHostFileName(linkName_);
            ask(&TCustomFtpCli::BeginDelete);
        }
        break;
    case ftpRqDelete:
        if (linkDeletion_ == LinkDeletion::Deleting) {
            linkDeletion_ = LinkDeletion::None;
            showRootAfterLinkDeletion();
        } else if (filesRemoved_)
            directoryGone();
        else if (selectionDeletion_)
            deleteNextSelectedFile();
        else if (directoryDeletion_)
            nextDeletionStep();
        else
            session_.showDirectory();
        break;
    case ftpRqParentDir:
        parentDirDone();
        break;
    case ftpRqRemoveDir:
        directoryGone();
        break;
    case ftpRqRename:
        if (directoryRename_) {
            directoryRename_ = false;
            showRootAfterDirectoryChange();
        } else {
            // A folder of the list has a node under its old name; the
            // listing gives the nodes again.
            if (std::exchange(listedFolderRename_, false))
                removeChildren(v_.remoteTree->currentItem());
            session_.showDirectory();
        }
        break;
    case ftpRqMakeDir:
        session_.showDirectory();
        break;
    default:
        break;
    }
}

void RemoteFileOperations::parentDirDone()
{
    if (directoryRename_) {
        renameSecondStage();
        return;
    }
    directoryDeletion_ = false;
    channel_.client().SetHostFileName(rawName(v_.remoteTree->currentItem()));
    ask(&TCustomFtpCli::BeginRemoveDir);
}

void RemoteFileOperations::directoryGone()
{
    if (!filesRemoved_)
        return;
    filesRemoved_ = false;
    showRootAfterDirectoryChange();
}

void RemoteFileOperations::showRootAfterDirectoryChange()
{
    // The directory's node is stale now: leave it for its parent, forget the
    // parent's children until it is listed again, and list the root.
    if (QTreeWidgetItem* node = v_.remoteTree->currentItem()) {
        if (QTreeWidgetItem* parent = node->parent())
            v_.remoteTree->setCurrentItem(parent);
    }
    removeChildren(v_.remoteTree->currentItem());
    if (QTreeWidgetItem* root = session_.rootNode())
        v_.remoteTree->setCurrentItem(root);
    session_.showServerDirectory();
}

void RemoteFileOperations::showRootAfterLinkDeletion()
{
    // The link's folder node, and any node reached through the link, are
    // stale: the tree is read again from the root.
    QTreeWidgetItem* root = session_.rootNode();
    if (!root)
        return;
    v_.remoteTree->setCurrentItem(root);
    removeChildren(root);
    session_.showServerDirectory();
}

void RemoteFileOperations::requestFailed(TFtpRequest request, std::uint16_t)
{
    // The rest is handled with every other failure in anyRequestFailed;
    // here the user is told what the server said, which the log alone
    // would hide under later lines.
    const TFtpClient& client = channel_.client();
    QString what;
    switch (request) {
    case ftpRqDelete:
        what = QStringLiteral("Could not delete %1").arg(fromBytes(client.HostFileName()));
        break;
    case ftpRqRename:
        what = QStringLiteral("Could not rename %1 to %2")
                   .arg(fromBytes(client.HostFileName()), fromBytes(client.LocalFileName()));
        break;
    case ftpRqMakeDir:
        what = QStringLiteral("Could not create the directory %1").arg(fromBytes(client.HostFileName()));
        break;
    case ftpRqRemoveDir:
        what = QStringLiteral("Could not remove the directory %1").arg(fromBytes(client.HostFileName()));
        break;
    case ftpRqParentDir:
        what = QStringLiteral("Could not change to the parent directory");
        break;
    default:
        return;
    }
    const std::string& reply = client.ErrorMessage().empty() ? client.LastResponse() : client.ErrorMessage();
    if (v_.messagePanel)
        v_.messagePanel->showMessage(what + QStringLiteral(": ") + fromBytes(reply));
}

void RemoteFileOperations::anyRequestFailed()
{
    directoryRename_ = false;
    listedFolderRename_ = false;
    if (selectionDeletion_) {
        // A refused file stops the rest; the list shows what is left, the
        // message panel the server's reply.
        filesToDelete_.clear();
        selectionDeletion_ = false;
        session_.showDirectory();
        return;
    }
    if (linkDeletion_ != LinkDeletion::None) {
        // The log shows the server's reply; the tree is read again, since
        // the directory changes may have left the shown folder.
        linkDeletion_ = LinkDeletion::None;
        showRootAfterLinkDeletion();
        return;
    }
    if (filesRemoved_) {
        // The CDUP or the RMD failed, mostly because the directory still
        // holds something the listing did not show. The server's reply says
        // what; without it the user could only guess.
        directoryDeletion_ = false;
        filesRemoved_ = false;
        dialogs_.message(QStringLiteral("Subdirectory must be removed first!\n")
                         + fromBytes(channel_.client().LastResponse()));
        session_.showDirectory();
    } else if (directoryDeletion_) {
        // A file that could not be deleted ends the deletion; the log shows
        // the server's reply, and the list shows what is left.
        directoryDeletion_ = false;
        session_.showDirectory();
    }
}
