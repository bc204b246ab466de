#pragma once

#include "app/file_icon_list.h"
#include "app/startup_sequence.h"
#include "core/own_data_files.h"
#include "core/text_line_list.h"
#include "services/certificate_trust.h"
#include "services/session_channel.h"
#include "transfer/queue_window_handler.h"
#include "transfer/transfer_queue.h"
#include "sites/browsing_connection_state.h"

#include <QIcon>
#include <QList>
#include <QMainWindow>

#include <memory>
#include <string>

class AddressManagerConnectRequest;
class DataDirectoryClaim;
class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QStatusBar;
class QToolButton;
class QTreeWidget;
class QUrl;
class ConnectionFieldsTarget;
class BrowseSession;
class Dialogs;
class LocalPanel;
class MessagePanel;
class ProgramSettings;
class SessionSiteLinks;
class PassiveModeOption;
class ProxyOption;
class ProxyDialog;
class ConnectionsDialog;
class QBoxLayout;
class TAsciitypes;
class Tmidlform;
class TransferModeOptions;
class RemoteFileOperations;
class RemoteTreeScan;
class RemoteTreeDeletion;
class FolderTreeTransfer;
class Recorder;
class RecordingHandler;
struct RecordingSession;
class TWebwatch;
class DesktopNotification;
class HelpWindow;
class HintDisplay;
class VisualHelpWindow;
class UploadOverwriteQuestion;
class UploadRun;
class WebwatchRunDriver;
class WindowLayoutMemory;

// The main window's own caption, shown whenever no transfer runs.
inline constexpr const char* kMainWindowCaption = "Tavlin FTP 2.1";

// What the main window is started with. Everything has a default that fits
// a normal program start; tests point the folders at temporary ones and hand
// in a scripted dialogs service.
struct ThovedformSetup {
    // Questions and messages go here; null means the window's own dialogs.
    Dialogs* dialogs = nullptr;
    // The data directory; empty means the program's default one
    // (defaultDataDirectory()).
    std::string dataDirectory;
    // A line the log shows once start-up has run (the program start's word
    // about data files it found but does not use).
    std::string startNotice;
    // Where a first start collects the file-type icon table; empty means the
    // root of the local drive list, "/".
    std::string iconTableRoot;
};

// The main window. It lays out the controls and wires their events to the
// handlers of each subsystem; the logic itself lives in those handlers, each
// of which gets a view of the controls it works with, named by what they are
// for. The layout is spread over main_window_layout_*.cpp by area, the wiring
// over main_window_wiring_*.cpp.
class Thovedform : public QMainWindow {
    Q_OBJECT
public:
    explicit Thovedform(const ThovedformSetup& setup = {}, QWidget* parent = nullptr);
    ~Thovedform() override;

    Dialogs& dialogs() { return *dialogs_; }
    // The data file paths (known from the start of construction) and what
    // start-up restored (known once construction is done). The references
    // stay valid for the window's life, so handlers may keep them.
    const DataFilePaths& dataFiles() const { return startup_.paths; }
    const StartupFlags& startupFlags() const { return startup_.flags; }
    bool wasFirstStart() const { return startup_.firstStart; }
    const FileIconList& fileIcons() const { return fileIcons_; }
    // The tables start-up loads, for the rest of the run: the file-type icon
    // table, the restore buffer (resume record or queue file) and the
    // built-in site list that becomes the deletion list of an interrupted
    // upload run. The references stay valid for the window's life.
    const TextLineList& iconTable() const { return startup_.iconTable; }
    TextLineList& restoreBuffer() { return startup_.restoreBuffer; }
    TextLineList& deletionList() { return startup_.deletionList; }
    // The help paragraphs, one per line, for the hints and visual help.
    TextLineList& helpParagraphs() { return helpParagraphs_; }
    // The remote tree's images (host, open folder, folder, link), by index.
    const QList<QIcon>& treeImages() const { return treeImages_; }
    // Who receives the restored state when the window is first shown.
    ShowSequenceTargets& showSequenceTargets() { return showTargets_; }
    // The local side's handler; the session and the recorder set its
    // connected and recording flags.
    LocalPanel& localPanel() { return *localPanel_; }
    // The program's own settings file in the data directory.
    ProgramSettings& settings() { return *settings_; }
    // The window's hold on the data directory's one-writer lock: taken while
    // the window has work in hand, let go while it has none.
    DataDirectoryClaim& dataDirectoryClaim() { return *claim_; }
    // The status bar's message panel: server replies to refused requests
    // and the program's own notices. Hints keep the status bar's message
    // area.
    MessagePanel& messagePanel() { return *c_.MessagePanel1; }
    // The channel onto the interactive session (FtpClient1 and its request
    // gate), the browsing handler and the remote operations on it.
    SessionChannel& sessionChannel() { return channel_; }
    BrowseSession& session() { return *session_; }
    RemoteFileOperations& remoteOperations() { return *remoteOperations_; }
    // A folder with everything under it, up or down through the queue
    // (the upload and download buttons use it for chosen folders).
    FolderTreeTransfer& folderTransfer() { return *folderTransfer_; }

    // The windows and handlers of transfer modes, passive mode and sites.
    TAsciitypes& asciitypes() { return *asciitypes_; }
    TransferModeOptions& transferModes() { return *transferModes_; }
    // The queue's controls, for the transfer queue's handler.
    const QueueView& queueView() const { return queueView_; }
    // The transfer queue and its transfer client (FtpClient2).
    TransferQueue& transferQueue() { return *transferQueue_; }
    PassiveModeOption& passiveMode() { return *passiveMode_; }
    ProxyOption& proxyOption() { return *proxyOption_; }
    Tmidlform& midlform() { return *midlform_; }
    // Forces the connected state that settings see (the browsing session's
    // own state counts as well), for tests of what a connection locks.
    BrowsingConnectionFlag& browsingConnection() { return browsingConnection_; }
    // The web project recorder. The WebWatch window's "Add file" starts a
    // recording into an existing project with it, passing the connection as
    // recordingSession() gives it at that moment.
    Recorder& recorder() { return *recorder_; }
    RecordingSession recordingSession() const;
    // WebWatch: the upload run (its pending state survives restarts), the
    // driver that carries a handed-over run through its deletions and the
    // queue to its end, and the WebWatch window.
    UploadRun& uploadRun() { return *uploadRun_; }
    WebwatchRunDriver& runDriver() { return *runDriver_; }
    TWebwatch& webwatchWindow() { return *webwatch_; }
    // Opens the WebWatch window ("Open Webwatch", the picture beside the
    // connect button, and after a recording was saved).
    void openWebwatch();
    // Asked to connect when the address manager closes with "Connect".
    void setAddressManagerConnectRequest(AddressManagerConnectRequest* request)
    {
        addressManagerConnect_ = request;
    }

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    // Layout, by area.
    void buildMenus();
    QWidget* buildConnectionBar();
    QWidget* buildRemoteSide();
    QWidget* buildLocalSide();
    QWidget* buildQueueArea();
    QWidget* buildLog();

    // Wiring, by area. Each connects its controls to the slots below.
    void wireSession();
    void wireLocalPanel();
    void wireTransfers();
    void wireSites();
    void wireWebwatch();
    void wireRecording();
    void wireHelp();
    // Refresh, the parent folder, the remote path field and a click on the
    // selected remote folder.
    void wireNavigation();
    void wireContextMenus();
    // The folders in both file lists: opened with a double click or Enter.
    void wireFolders();
    // Opens the folder of that name (as the server spells it) inside the
    // remote folder shown.
    void openRemoteFolder(const std::string& name);
    // The folders chosen in the local list (full paths; a link to a folder
    // is left out with a log line) and in the remote list (server paths).
    std::vector<std::string> selectedLocalFolders();
    std::vector<std::string> selectedRemoteFolders() const;
    // The files chosen in the local list (the program's own data files left
    // out, which the message panel says) and in the remote list, with their
    // sizes.
    std::vector<TransferQueue::LocalFile> chosenLocalFiles();
    std::vector<TransferQueue::LocalFile> chosenRemoteFiles() const;
    // Options' "Ask before overwriting on the server" and the question it
    // switches on for uploads.
    void wireOverwriteQuestion();
    // Drags between the sides, and files dropped from other programs.
    void wireDrops();
    // Del, "Move up" and "Move down" on the queue list while it waits.
    void wireQueueEditing();
    void uploadDroppedFiles(const QList<QUrl>& urls);
    void copySelectedPaths(QTreeWidget* list, const QString& folder, bool remote);
    void refreshBothSides();
    void goToRemoteParent();
    void goToLocalParent();
    // The other windows of the program, created once start-up has run, so
    // that a first start has written their files.
    void createSiteAndModeWindows();
    // The upload run, its driver and the WebWatch window, once the ASCII
    // list they read is there.
    void createWebwatch();
    void afterWebwatchClosed();
    void takeUpHandedOverRun(bool startNow);
    // What the window has in hand that keeps its data directory from other
    // writers, in words for whoever waits for it; empty when nothing.
    std::string workInHand() const;
    // Another process (a WebWatch run from the command line) changed the
    // run's files while the window had nothing in hand: they are taken up
    // as start-up takes them up.
    void readDataFilesAgain();
    // A transfer or a run's deletion pass is running: no new run may start.
    bool transferRunning() const;
    void showWhetherRunsMayStart();

    // Start-up seams: what the hint and local panel handlers do during the
    // start-up sequence, and who receives the restored state when the
    // window is first shown (filled by the wiring functions).
    void installHintHandler();
    void fillLocalFileList();
    // Where the local panel starts: the folder shown last, or the home
    // folder at a first start (or when that folder has gone).
    std::string localStartFolder() const;
    // The program's own data files never leave the data directory: a file
    // of the local list that is one of them is left out of an upload or a
    // recording, and the message panel says so (`action` is "queued" or
    // "recorded"). The names kept are returned in list order.
    std::vector<std::string> withoutOwnDataFiles(std::vector<std::string> names, const char* action);
    bool isOwnDataFileShown(const std::string& name) const;
    ShowSequenceTargets showTargets_;

    // Handler slots, named after control and event. Those whose handlers are
    // not built yet are empty seams.
    // Session and remote operations.
    void connectknapClick();
    void BitBtn1Click();
    void TreeView1Change();
    void ListView1SelectItem();
    void BitBtn5Click();
    void BitBtn8Click();
    void BitBtn6Click();
    void BitBtn7Click();
    // Local panel.
    void DriveComboBox1Change();
    void DirectoryListBox1Change();
    void ComboBox1Enter();
    void ComboBox1Change();
    void ListView2SelectItem();
    void ListView2DblClick();
    void BitBtn4Click();
    // Transfers.
    void BitBtn2Click();
    void BitBtn3Click();
    void BitBtn9Click();
    void BitBtn11Click();
    void Button1Click();
    void BinaryClick();
    void ASCIIClick();
    void AutoDetectClick();
    void SpecifyfiletypesClick();
    // Sites.
    void Passivemode1Click();
    void Proxy1Click();
    void Simultaneoustransfers1Click();
    // WebWatch.
    void recordClick();
    void OpenWebwatch1Click();
    void Deletemissingfiles1Click();
    void Usecleandirectory1Click();
    void BitBtn10Click();
    void BitBtn12Click();
    void Image2Click();
    // Help.
    void VisualHelp1Click();
    void Help1Click();
    void About1Click();

    // Every control, under the name the window gives it (its objectName).
    // Only the window's own files use these names; the handlers get views.
    struct Controls {
        QLineEdit* Edit1 = nullptr;  // remote host
        QLineEdit* Edit2 = nullptr;  // login
        QLineEdit* Edit3 = nullptr;  // password
        QLineEdit* Edit4 = nullptr;  // port, "21" at start
        QPushButton* connectknap = nullptr;
        QPushButton* BitBtn1 = nullptr;  // address manager ("Addr")

        QWidget* Panel1 = nullptr;       // remote operation buttons
        QPushButton* BitBtn5 = nullptr;  // delete
        QPushButton* BitBtn8 = nullptr;  // rename
        QPushButton* BitBtn6 = nullptr;  // make directory ("Mkd")
        QPushButton* BitBtn7 = nullptr;  // abort
        QLineEdit* RemotePath = nullptr;  // the server folder shown; a typed one is gone to
        QWidget* Panel9 = nullptr;       // holds TreeView1; a quarter of the window's height
        QTreeWidget* TreeView1 = nullptr;
        QTreeWidget* ListView1 = nullptr;

        QWidget* Panel8 = nullptr;  // the local side
        QComboBox* DriveComboBox1 = nullptr;
        QListWidget* DirectoryListBox1 = nullptr;
        QComboBox* ComboBox1 = nullptr;  // editable file-name filter
        QTreeWidget* ListView2 = nullptr;
        QPushButton* BitBtn2 = nullptr;   // upload
        QPushButton* BitBtn3 = nullptr;   // download
        QPushButton* BitBtn4 = nullptr;   // cancel selections
        QPushButton* BitBtn11 = nullptr;  // transfer the whole local directory

        QListWidget* ListBox4 = nullptr;  // files in line
        QLabel* Label3 = nullptr;         // "<n> files in line "
        QWidget* Panel6 = nullptr;        // progress bar area
        QLabel* Image1 = nullptr;         // drawn bar
        QPushButton* BitBtn9 = nullptr;   // sliding start/progress button
        QPushButton* Button1 = nullptr;   // "Delete": discard the queue
        QLabel* QueueProgress = nullptr;  // file n of N, bytes, rate, time left

        QLabel* Label2 = nullptr;         // "Recording"
        QPushButton* BitBtn10 = nullptr;  // quick upload of all projects
        QPushButton* BitBtn12 = nullptr;  // stop recording
        QToolButton* Image2 = nullptr;    // opens the WebWatch window

        QPlainTextEdit* Memo1 = nullptr;  // FTP log
        QStatusBar* StatusBar1 = nullptr;
        MessagePanel* MessagePanel1 = nullptr;  // beside the hints

        QMenu* Options = nullptr;
        QAction* Binary = nullptr;
        QAction* ASCII = nullptr;
        QAction* AutoDetect = nullptr;
        QAction* Specifyfiletypes = nullptr;
        QAction* Passivemode1 = nullptr;
        QAction* Proxy1 = nullptr;
        QAction* AskBeforeOverwriting = nullptr;
        QAction* AskBeforeDeleting = nullptr;
        QAction* Simultaneoustransfers1 = nullptr;
        QAction* VisualHelp1 = nullptr;
        QMenu* Webwatch = nullptr;
        QAction* record = nullptr;
        QAction* OpenWebwatch1 = nullptr;
        QAction* Deletemissingfiles1 = nullptr;
        QAction* Usecleandirectory1 = nullptr;
        QMenu* Help = nullptr;
        QAction* Help1 = nullptr;
        // F5 and the file lists' and trees' context menus: both sides read
        // again.
        QAction* Refresh = nullptr;
        QAction* About1 = nullptr;
    };

    Controls c_;
    std::unique_ptr<Dialogs> ownDialogs_;
    Dialogs* dialogs_ = nullptr;
    FileIconList fileIcons_;
    StartupResult startup_;
    std::unique_ptr<ProgramSettings> settings_;
    std::unique_ptr<DataDirectoryClaim> claim_;
    std::unique_ptr<WindowLayoutMemory> layoutMemory_;
    std::unique_ptr<OwnDataFiles> ownDataFiles_;
    bool shownBefore_ = false;
    std::unique_ptr<LocalPanel> localPanel_;

    QList<QIcon> treeImages_;
    TextLineList helpParagraphs_;

    QueueView queueView_;
    std::unique_ptr<TransferQueue> transferQueue_;
    std::unique_ptr<QueueWindowHandler> queueHandler_;
    std::unique_ptr<UploadOverwriteQuestion> overwriteQuestion_;
    BrowsingConnectionFlag browsingConnection_;
    TAsciitypes* asciitypes_ = nullptr;
    TransferModeOptions* transferModes_ = nullptr;
    PassiveModeOption* passiveMode_ = nullptr;
    ProxyOption* proxyOption_ = nullptr;
    // Judges the certificates of ftpes:// servers for both clients.
    std::unique_ptr<CertificateTrust> certificateTrust_;
    ProxyDialog* proxyDialog_ = nullptr;
    ConnectionsDialog* connectionsDialog_ = nullptr;
    std::unique_ptr<ConnectionFieldsTarget> siteTarget_;
    Tmidlform* midlform_ = nullptr;
    AddressManagerConnectRequest* addressManagerConnect_ = nullptr;
    // The site the address manager's directory fields were filled for (its
    // entry at "Connect", or a queued file's site), and whether its local
    // folder is still to be gone to at the first log-in there.
    std::string directoryFieldsSite_;
    bool localStartFolderPending_ = false;
    // Declared before the handlers that ask it, so it outlives them.
    SessionChannel channel_;
    std::unique_ptr<BrowseSession> session_;
    std::unique_ptr<RemoteFileOperations> remoteOperations_;
    std::unique_ptr<SessionSiteLinks> sessionSiteLinks_;
    std::unique_ptr<RemoteTreeScan> treeScan_;
    std::unique_ptr<FolderTreeTransfer> folderTransfer_;
    std::unique_ptr<RemoteTreeDeletion> treeDeletion_;
    std::unique_ptr<Recorder> recorder_;
    std::unique_ptr<RecordingHandler> recordingHandler_;
    std::unique_ptr<UploadRun> uploadRun_;
    std::unique_ptr<WebwatchRunDriver> runDriver_;
    TWebwatch* webwatch_ = nullptr;
    DesktopNotification* runEndNotice_ = nullptr;

    // Hints and help: the visual-help window, the hint display that fills
    // it and the status bar, the application-wide filter that hands it the
    // hint events and pointer moves, and the help pages.
    VisualHelpWindow* visualHelp_ = nullptr;
    std::unique_ptr<HintDisplay> hintDisplay_;
    QObject* hintEvents_ = nullptr;
    HelpWindow* helpWindow_ = nullptr;
};
