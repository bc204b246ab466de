// The transfer queue, directory transfer and the transfer mode menu.
#include "ui/main_window.h"

#include "app/browse_session.h"
#include "app/file_list_item.h"
#include "app/folder_tree_transfer.h"
#include "app/local_panel.h"
#include "app/message_panel.h"
#include "app/recording_handler.h"
#include "app/remote_tree.h"
#include "sites/passive_mode_option.h"
#include "transfer/queue_window_handler.h"
#include "transfer/transfer_mode_options.h"
#include "transfer/upload_overwrite_question.h"
#include "ui/address_manager_window.h"
#include "services/program_settings.h"
#include "ui/ascii_types_window.h"
#include "ui/connections_dialog.h"
#include "webwatch/upload_run.h"
#include "webwatch/webwatch_run_driver.h"

#include <QAction>

#include <algorithm>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>

namespace {

std::string text(const QLineEdit* field)
{
    return field->text().toStdString();
}

}  // namespace

namespace {

// Where the number of transfer connections is kept, and how many there are
// until the user says otherwise.
const QString kConnectionsKey = QStringLiteral("Transfers/Connections");
constexpr int kDefaultConnections = 2;

}  // namespace

void Thovedform::wireTransfers()
{
    connect(c_.BitBtn2, &QPushButton::clicked, this, &Thovedform::BitBtn2Click);
    connect(c_.BitBtn3, &QPushButton::clicked, this, &Thovedform::BitBtn3Click);
    connect(c_.BitBtn9, &QPushButton::clicked, this, &Thovedform::BitBtn9Click);
    connect(c_.BitBtn11, &QPushButton::clicked, this, &Thovedform::BitBtn11Click);
    connect(c_.Button1, &QPushButton::clicked, this, &Thovedform::Button1Click);
    connect(c_.Binary, &QAction::triggered, this, &Thovedform::BinaryClick);
    connect(c_.ASCII, &QAction::triggered, this, &Thovedform::ASCIIClick);
    connect(c_.AutoDetect, &QAction::triggered, this, &Thovedform::AutoDetectClick);
    connect(c_.Specifyfiletypes, &QAction::triggered, this, &Thovedform::SpecifyfiletypesClick);

    // The queue's controls, for its handler.
    queueView_.queueList = c_.ListBox4;
    queueView_.countLabel = c_.Label3;
    queueView_.progressLabel = c_.QueueProgress;
    queueView_.progressButton = c_.BitBtn9;
    queueView_.bar = c_.Panel6;
    queueView_.barImage = c_.Image1;
    queueView_.removeAllButton = c_.Button1;
    queueView_.uploadButton = c_.BitBtn2;
    queueView_.downloadButton = c_.BitBtn3;
    queueView_.directoryButton = c_.BitBtn11;
    queueView_.log = c_.Memo1;
    queueView_.newProjectItem = c_.record;
    queueView_.openWebwatchItem = c_.OpenWebwatch1;
    // The window's title is what the task bar shows: the queue's count and
    // progress while it runs, the window's own caption when it rests.
    queueView_.setTitle = [this](const QString& title) {
        setWindowTitle(title == QLatin1String(TransferQueue::kIdleTitle) ? QString::fromLatin1(kMainWindowCaption)
                                                                         : title);
    };
    queueView_.showMessage = [this](const QString& text) { c_.MessagePanel1->showMessage(text); };

    // What the queue asks of the rest of the window, when a button is pressed.
    QueueSources sources;
    sources.browsingConnected = [this] { return channel_.connected(); };
    sources.connectionFields = [this] {
        return QueueSite{text(c_.Edit1), text(c_.Edit2), text(c_.Edit3), text(c_.Edit4)};
    };
    sources.remoteDirectory = [this] { return channel_.client().HostDirName(); };
    sources.localDirectory = [this] { return localPanel_->localDirectory(); };
    sources.selectedLocalFiles = [this] { return chosenLocalFiles(); };
    sources.selectedRemoteFiles = [this] { return chosenRemoteFiles(); };
    // "Dir »" takes the files of the folder shown; its sub-folders are not
    // looked into.
    sources.listedLocalFiles = [this] {
        std::vector<TransferQueue::LocalFile> files;
        for (int i = 0; i < c_.ListView2->topLevelItemCount(); ++i) {
            const QTreeWidgetItem* item = c_.ListView2->topLevelItem(i);
            const std::string name = LocalPanel::fileNameOf(item);
            if (file_list::isFolder(item) || isOwnDataFileShown(name))
                continue;
            files.push_back({name, std::to_string(LocalPanel::localFileSize(item).value_or(0))});
        }
        return files;
    };
    sources.tellLeftOut = [this] {
        std::vector<std::string> names;
        for (int i = 0; i < c_.ListView2->topLevelItemCount(); ++i)
            if (!file_list::isFolder(c_.ListView2->topLevelItem(i)))
                names.push_back(LocalPanel::fileNameOf(c_.ListView2->topLevelItem(i)));
        const std::size_t listed = names.size();
        return listed - withoutOwnDataFiles(std::move(names), "queued").size();
    };
    sources.remoteTreeSelection = [this] {
        QTreeWidgetItem* node = c_.TreeView1->currentItem();
        return node ? node->text(0).toStdString() : std::string();
    };
    sources.decideMode = [this](const std::string& name) { return transferModes_->decideMode(name); };
    sources.passiveMode = [this] { return passiveMode_ && passiveMode_->passive(); };
    sources.uploadActionBegins = [this](std::size_t files) {
        if (overwriteQuestion_)
            overwriteQuestion_->beginAction(files);
    };
    sources.clearSelections = [this] { localPanel_->clearSelections(); };
    sources.rereadLocalList = [this] {
        if (!channel_.requestRunning())
            localPanel_->fillLocalFileList();
    };
    sources.rereadRemoteView = [this](const std::string& transferDirectory) {
        // A folder uploaded with its tree ends in a folder below the one
        // shown, which has changed as well.
        const std::string shown = remote_tree::serverPathOf(session_->shownRemotePath());
        const std::string transferred = remote_tree::serverPathOf(transferDirectory);
        const bool below = transferred.starts_with(shown == "/" ? shown : shown + "/");
        if (!channel_.requestRunning() && channel_.connected() &&
            (transferDirectory == channel_.client().HostDirName() || below))
            channel_.showDirectory();
    };
    sources.showSite = [this](const QueueSite& site, const std::string& localDirectory) {
        c_.Edit1->setText(QString::fromStdString(site.host));
        c_.Edit2->setText(QString::fromStdString(site.user));
        c_.Edit3->setText(QString::fromStdString(site.password));
        c_.Edit4->setText(QString::fromStdString(site.port));
        localPanel_->setLocalDirectory(localDirectory);
    };
    sources.connectBrowsing = [this](const QueueSite& site, const std::string& localDirectory,
                                     const std::string& remoteDirectory) {
        c_.Edit1->setText(QString::fromStdString(site.host));
        c_.Edit2->setText(QString::fromStdString(site.user));
        c_.Edit3->setText(QString::fromStdString(site.password));
        c_.Edit4->setText(QString::fromStdString(site.port));
        localPanel_->setLocalDirectory(localDirectory);
        // The log-in walks to the address manager's directories, so browsing
        // opens where the queued file lives.
        if (midlform_) {
            midlform_->manager().setLocalDirectory(QString::fromStdString(localDirectory));
            midlform_->manager().setRemoteDirectory(QString::fromStdString(remoteDirectory));
            directoryFieldsSite_ = BrowseSession::siteKey(site.host, site.user, site.port);
            // The local panel is there already.
            localStartFolderPending_ = false;
        }
        channel_.connectWithFields();
    };

    transferQueue_ = std::make_unique<TransferQueue>(
        QueueFiles(startup_.paths.koefilDfd, startup_.paths.rstfilTxt), *dialogs_);
    transferQueue_->setConnections(static_cast<std::size_t>(
        std::clamp(settings_->value(kConnectionsKey, kDefaultConnections).toInt(), 1,
                   static_cast<int>(TransferQueue::kMostConnections))));
    connectionsDialog_ = new ConnectionsDialog(this);
    connect(c_.Simultaneoustransfers1, &QAction::triggered, this, &Thovedform::Simultaneoustransfers1Click);
    queueHandler_ = std::make_unique<QueueWindowHandler>(*transferQueue_, queueView_, std::move(sources));

    // The first showing hands over what start-up restored: the resume
    // record of a download, or else a queue.
    showTargets_.prepareResumeOfInterruptedDownload = [this] {
        queueHandler_->takeUpInterruptedDownload(startup_.restoreBuffer);
    };
    showTargets_.showPendingQueue = [this] { queueHandler_->takeUpPendingQueue(startup_.restoreBuffer); };
}

void Thovedform::Simultaneoustransfers1Click()
{
    connectionsDialog_->showConnections(static_cast<int>(transferQueue_->connections()));
    if (connectionsDialog_->exec() != QDialog::Accepted)
        return;
    const int connections = connectionsDialog_->connections();
    transferQueue_->setConnections(static_cast<std::size_t>(connections));
    if (!settings_->setValue(kConnectionsKey, connections))
        c_.MessagePanel1->showMessage(QStringLiteral("Could not write ") +
                                      QString::fromStdString(settings_->filePath()));
}

// While a web project is recorded, the upload, directory and download
// buttons go to the recording first.
// Chosen folders go with everything under them; they are read before the
// files are queued, which clears the selections.
void Thovedform::BitBtn2Click()
{
    const std::vector<std::string> folders = selectedLocalFolders();
    if (recordingHandler_->takeSelection(folders))
        return;
    // Folders among the chosen items: one question for them all, the
    // chosen files named in it; "No" queues nothing.
    if (!folders.empty() && channel_.connected()
        && !folderTransfer_->uploadLocalFolders(folders, {localPanel_->localDirectory(), chosenLocalFiles()}))
        return;
    queueHandler_->uploadSelected();
}

void Thovedform::BitBtn3Click()
{
    const std::vector<std::string> folders = selectedRemoteFolders();
    if (recordingHandler_->takeDownload())
        return;
    if (folders.empty()) {
        queueHandler_->downloadSelected();
        return;
    }
    if (!channel_.connected())
        return;
    // The folders are read first; then one question names them and the
    // chosen files, which are queued with them.
    folderTransfer_->downloadRemoteFolders(folders, {channel_.client().HostDirName(), chosenRemoteFiles()});
}

// While a WebWatch run still has remote files to delete, the start button
// runs those deletions first; the driver then starts the transfers.
void Thovedform::BitBtn9Click()
{
    if (uploadRun_ && uploadRun_->deletionsPending())
        runDriver_->start();
    else
        queueHandler_->startOrResume();
}

void Thovedform::BitBtn11Click()
{
    if (!recordingHandler_->takeDirectoryTransfer())
        queueHandler_->uploadListedFolder();
}

void Thovedform::Button1Click()
{
    queueHandler_->removeAll();
}

void Thovedform::BinaryClick()
{
    transferModes_->chooseBinary();
}

void Thovedform::ASCIIClick()
{
    transferModes_->chooseAscii();
}

void Thovedform::AutoDetectClick()
{
    transferModes_->chooseAutoDetect();
}

void Thovedform::SpecifyfiletypesClick()
{
    asciitypes_->Edit2->setText(QString::fromStdString(startup_.paths.dataDirectory));
    asciitypes_->exec();
}
