#include "app/remote_file_operations.h"

#include "app/control_hint.h"
#include "services/dialogs.h"
#include "app/remote_tree.h"

#include <QListWidget>
#include <QPushButton>
#include <QTreeWidget>

using namespace remote_tree;

RemoteFileOperations::RemoteFileOperations(const MainWindowControls& controls, BrowseSession& session,
                                           Dialogs& dialogs)
    : c_(controls), session_(session), dialogs_(dialogs)
{
}

void RemoteFileOperations::start(BrowseSession::Request request)
{
    session_.prepareRequest();
    session_.requestGate(request);
}

// --- delete --------------------------------------------------------------------------

void RemoteFileOperations::BitBtn5Click()
{
    if (!idle())
        return;
    NameDialogState& dialog = dialogs_.nameDialog();
    if (selectedItem(c_.ListView1)) {
        // A file goes at once, without a question.
        deleteSelectedFile();
    } else if (QTreeWidgetItem* node = c_.TreeView1->currentItem()) {
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
    QTreeWidgetItem* item = selectedItem(c_.ListView1);
    if (!item)
        return;
    session_.FtpClient1().SetHostFileName(rawName(item));
    start(&TCustomFtpCli::BeginDelete);
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
    if (deletionIndex_ < c_.ListView1->topLevelItemCount()) {
        session_.FtpClient1().SetHostFileName(rawName(c_.ListView1->topLevelItem(deletionIndex_)));
        start(&TCustomFtpCli::BeginDelete);
        ++deletionIndex_;
        return;
    }
    // Every listed file is gone: remove the directory from its parent.
    filesRemoved_ = true;
    start(&TCustomFtpCli::BeginParentDir);
}

// --- rename --------------------------------------------------------------------------

void RemoteFileOperations::BitBtn8Click()
{
    if (!idle())
        return;
    NameDialogState& dialog = dialogs_.nameDialog();
    dialog.editText.clear();
    if (QTreeWidgetItem* item = selectedItem(c_.ListView1)) {
        dialog.panelText = QStringLiteral("New name for ") + item->text(0);
        if (dialogs_.runNameDialog()) {
            session_.FtpClient1().SetHostFileName(rawName(item));
            session_.FtpClient1().SetLocalFileName(toBytes(dialog.editText));
            start(&TCustomFtpCli::BeginRename);
        }
        return;
    }
    QTreeWidgetItem* node = c_.TreeView1->currentItem();
    if (!node)
        return;
    dialog.panelText = QStringLiteral("New name for ") + node->text(0);
    if (dialogs_.runNameDialog()) {
        // A directory is renamed from its parent.
        directoryRename_ = true;
        oldDirectoryName_ = rawName(node);
        start(&TCustomFtpCli::BeginParentDir);
    }
}

void RemoteFileOperations::renameSecondStage()
{
    session_.FtpClient1().SetHostFileName(oldDirectoryName_);
    session_.FtpClient1().SetLocalFileName(toBytes(dialogs_.nameDialog().editText));
    start(&TCustomFtpCli::BeginRename);
}

// --- make directory --------------------------------------------------------------------

void RemoteFileOperations::BitBtn6Click()
{
    if (!idle() || !c_.TreeView1->currentItem())
        return;
    NameDialogState& dialog = dialogs_.nameDialog();
    // The field keeps what was typed last.
    dialog.panelText = QStringLiteral("Create Directory");
    if (dialogs_.runNameDialog()) {
        session_.FtpClient1().SetHostFileName(toBytes(dialog.editText));
        start(&TCustomFtpCli::BeginMakeDir);
    }
}

// --- abort ---------------------------------------------------------------------------

void RemoteFileOperations::BitBtn7Click()
{
    c_.BitBtn1->setEnabled(true);
    session_.markAborted();
    // The gate lets this through even while a request runs.
    start(&TCustomFtpCli::BeginAbort);
    session_.clearConnected();
    if (c_.ListBox4)
        c_.ListBox4->clear();
    session_.resetWindowAfterSession();
    setHint(c_.BitBtn11, QString());
    session_.clearRequestRunning();
}

// --- request-done entries ----------------------------------------------------------------

void RemoteFileOperations::operationDone(TFtpRequest RqType)
{
    switch (RqType) {
    case ftpRqDelete:
        if (filesRemoved_)
            directoryGone();
        else if (directoryDeletion_)
            nextDeletionStep();
        else
            session_.refresh();
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
            session_.refresh();
        }
        break;
    case ftpRqMakeDir:
        session_.refresh();
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
    session_.FtpClient1().SetHostFileName(rawName(c_.TreeView1->currentItem()));
    start(&TCustomFtpCli::BeginRemoveDir);
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
    if (QTreeWidgetItem* node = c_.TreeView1->currentItem()) {
        if (QTreeWidgetItem* parent = node->parent())
            c_.TreeView1->setCurrentItem(parent);
    }
    removeChildren(c_.TreeView1->currentItem());
    if (QTreeWidgetItem* root = session_.rootNode())
        c_.TreeView1->setCurrentItem(root);
    start(&TCustomFtpCli::BeginPrintDir);
}

void RemoteFileOperations::requestFailed()
{
    directoryRename_ = false;
    if (filesRemoved_) {
        // The CDUP or the RMD failed, mostly because the directory still
        // holds directories of its own.
        directoryDeletion_ = false;
        filesRemoved_ = false;
        dialogs_.message(QStringLiteral("Subdirectory must be removed first!"));
        session_.refresh();
    } else if (directoryDeletion_) {
        // A file that could not be deleted ends the deletion; the log shows
        // the server's reply.
        directoryDeletion_ = false;
    }
}
