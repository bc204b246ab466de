// The browsing session and the remote file operations.
#include "ui/main_window.h"

#include "app/browse_session.h"
#include "app/local_panel.h"
#include "app/remote_file_operations.h"
#include "app/remote_tree.h"
#include "app/remote_tree_deletion.h"
#include "app/remote_tree_scan.h"
#include "transfer/transfer_queue.h"
#include "ui/session_site_links.h"
#include "ui/address_manager_window.h"
#include "ui/drawn_images.h"
#include "services/program_settings.h"
#include "app/message_panel.h"

#include <QAction>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>

namespace {

const QString kAskBeforeDeletingKey = QStringLiteral("Remote/AskBeforeDeleting");

}  // namespace

void Thovedform::wireSession()
{
    BrowseSessionServices services;
    services.dialogs = dialogs_;
    services.listingFilePath = startup_.paths.ftpdirlTxt;
    // A remote file whose type the icon table does not know still gets the
    // plain document icon rather than a blank space.
    services.fileIcon = [this](int index) {
        return fileIcons_.icon(index > 0 ? index : FileIconList::indexOfIconName(QStringLiteral("unknown")));
    };
    // The address manager is created after start-up; its fields are read
    // only once a log-in has succeeded.
    services.remoteDirectoryField = [this] {
        return midlform_ ? remote_tree::toBytes(midlform_->manager().remoteDirectory()) : std::string();
    };
    services.setRemoteDirectoryField = [this](const std::string& directory) {
        if (midlform_)
            midlform_->manager().setRemoteDirectory(remote_tree::fromBytes(directory));
    };
    services.localDirectoryField = [this] {
        return midlform_ && localStartFolderPending_ ? remote_tree::toBytes(midlform_->manager().localDirectory())
                                                     : std::string();
    };
    services.directoryFieldsSite = [this] { return directoryFieldsSite_; };
    services.localDirectoryTaken = [this] { localStartFolderPending_ = false; };
    services.rememberedRemoteDirectory = [this](const std::string& site) {
        return settings_->lastRemoteFolder(site).value_or(std::string());
    };
    services.rememberRemoteDirectory = [this](const std::string& site, const std::string& directory) {
        settings_->setLastRemoteFolder(site, directory);
    };
    // The local panel is wired after the session.
    services.changeLocalDirectory = [this](const std::string& directory) {
        if (localPanel_)
            localPanel_->setLocalDirectory(directory);
    };
    services.connectedChanged = [this](bool connected) {
        if (localPanel_)
            localPanel_->setConnected(connected);
    };
    services.iconTable = &startup_.iconTable;

    BrowseSessionView view;
    view.window = this;
    view.hostField = c_.Edit1;
    view.loginField = c_.Edit2;
    view.passwordField = c_.Edit3;
    view.portField = c_.Edit4;
    view.connectButton = c_.connectknap;
    view.connectPicture = QIcon(makeConnectionPicture(false, 16));
    view.disconnectPicture = QIcon(makeConnectionPicture(true, 16));
    view.addressManagerButton = c_.BitBtn1;
    view.passiveModeItem = c_.Passivemode1;
    view.deleteButton = c_.BitBtn5;
    view.renameButton = c_.BitBtn8;
    view.makeDirectoryButton = c_.BitBtn6;
    view.abortButton = c_.BitBtn7;
    view.remoteTree = c_.TreeView1;
    view.remoteFileList = c_.ListView1;
    view.remotePathField = c_.RemotePath;
    view.treeImages = &treeImages_;
    view.localFileList = c_.ListView2;
    view.uploadButton = c_.BitBtn2;
    view.downloadButton = c_.BitBtn3;
    view.unselectButton = c_.BitBtn4;
    view.directoryTransferButton = c_.BitBtn11;
    view.log = c_.Memo1;
    view.messagePanel = c_.MessagePanel1;
    session_ = std::make_unique<BrowseSession>(view, channel_, std::move(services));

    RemoteOperationsView operations;
    operations.remoteTree = c_.TreeView1;
    operations.remoteFileList = c_.ListView1;
    operations.addressManagerButton = c_.BitBtn1;
    operations.directoryTransferButton = c_.BitBtn11;
    operations.messagePanel = c_.MessagePanel1;
    remoteOperations_ = std::make_unique<RemoteFileOperations>(operations, channel_, *session_, *dialogs_);
    // On at first: Del on one live file should not take it off the server
    // without a word. Kept in the settings file.
    c_.AskBeforeDeleting->setChecked(settings_->value(kAskBeforeDeletingKey, true).toBool());
    connect(c_.AskBeforeDeleting, &QAction::toggled, this, [this](bool on) {
        if (!settings_->setValue(kAskBeforeDeletingKey, on))
            c_.MessagePanel1->showMessage(QStringLiteral("Could not write ") +
                                          QString::fromStdString(settings_->filePath()));
    });
    remoteOperations_->setAskBeforeDeletingOne([this] { return c_.AskBeforeDeleting->isChecked(); });
    sessionSiteLinks_ = std::make_unique<SessionSiteLinks>(*session_, browsingConnection_);
    addressManagerConnect_ = sessionSiteLinks_.get();

    connect(c_.connectknap, &QPushButton::clicked, this, &Thovedform::connectknapClick);
    // Enter in a connection field connects, as the default button promises
    // (a main window, unlike a dialog, does not press it by itself). A live
    // session is left alone unless the fields name another site: there the
    // button would only disconnect it.
    for (QLineEdit* field : {c_.Edit1, c_.Edit2, c_.Edit3, c_.Edit4}) {
        connect(field, &QLineEdit::returnPressed, this, [this] {
            if (!session_->connected() || session_->fieldsNameAnotherSite())
                connectknapClick();
        });
        connect(field, &QLineEdit::textChanged, this, [this] { session_->showConnectButton(); });
    }
    connect(c_.BitBtn1, &QPushButton::clicked, this, &Thovedform::BitBtn1Click);
    connect(c_.TreeView1, &QTreeWidget::currentItemChanged, this, &Thovedform::TreeView1Change);
    connect(c_.ListView1, &QTreeWidget::itemSelectionChanged, this, &Thovedform::ListView1SelectItem);
    connect(c_.BitBtn5, &QPushButton::clicked, this, &Thovedform::BitBtn5Click);
    connect(c_.BitBtn8, &QPushButton::clicked, this, &Thovedform::BitBtn8Click);
    connect(c_.BitBtn6, &QPushButton::clicked, this, &Thovedform::BitBtn6Click);
    connect(c_.BitBtn7, &QPushButton::clicked, this, &Thovedform::BitBtn7Click);
}

void Thovedform::connectknapClick() { session_->connectOrDisconnect(); }
void Thovedform::TreeView1Change() { session_->showDirectory(); }
void Thovedform::ListView1SelectItem() { session_->fileSelectionChanged(); }
void Thovedform::BitBtn5Click() { remoteOperations_->deleteSelection(); }
void Thovedform::BitBtn8Click() { remoteOperations_->renameSelection(); }
void Thovedform::BitBtn6Click() { remoteOperations_->makeDirectory(); }
void Thovedform::BitBtn7Click()
{
    // Abort stops what runs. Stopping the queue leaves a browsing session
    // that is only showing a folder as it is: the user stopped the
    // transfers, not the browsing. What the session itself is busy with is
    // aborted, and that ends the session.
    const bool queueRunning = transferQueue_->busy();
    transferQueue_->requestAbort();
    // A folder being read for a download or a deletion stops after the
    // command under way, and the session goes on showing its folder. Abort
    // again, while that command hangs, ends the session as ever.
    if (treeScan_ && treeScan_->stop())
        return;
    const bool browsingBusy = session_->requestRunning() || remoteOperations_->directoryDeletionRunning()
                              || (treeScan_ && treeScan_->running()) || (treeDeletion_ && treeDeletion_->running());
    if (!queueRunning || browsingBusy)
        remoteOperations_->abortAll();
}
