// The browsing session: the request gate, connect and disconnect, the
// client's state and log, the log-in and the directory change of a tree node,
// and the request-done table that drives them.
#include "app/browse_session.h"

#include "app/control_hint.h"
#include "services/dialogs.h"
#include "app/remote_tree.h"
#include "core/placeholder_password.h"

#include <QAction>
#include <QLineEdit>
#include <QMainWindow>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTreeWidget>

#include <cstdio>

using namespace remote_tree;

BrowseSession::BrowseSession(const MainWindowControls& controls, BrowseSessionServices services)
    : c_(controls), services_(std::move(services))
{
    client_.OnRequestDone = [this](TCustomFtpCli*, TFtpRequest RqType, std::uint16_t Error) {
        FtpClient1RequestDone(RqType, Error);
    };
    client_.OnStateChange = [this](TCustomFtpCli*) { FtpClient1StateChange(); };
    client_.OnDisplay = [this](TCustomFtpCli*, std::string& Msg) { FtpClient1Display(Msg); };
    // A request refused as misuse starts nothing and ends with no
    // request-done; note it so the gate does not stay shut for good.
    client_.OnUsageError = [this](TCustomFtpCli*, std::string& Msg) {
        usageErrorSeen_ = true;
        log("! " + Msg);
    };
}

BrowseSession::~BrowseSession()
{
    client_.OnRequestDone = nullptr;
    client_.OnStateChange = nullptr;
    client_.OnDisplay = nullptr;
    client_.OnUsageError = nullptr;
}

// --- the gate and the log ------------------------------------------------------

void BrowseSession::requestGate(Request request)
{
    if (!requestRunning_) {
        requestRunning_ = true;
    } else if (abortRequested_) {
        requestRunning_ = false;
    } else {
        return;
    }
    usageErrorSeen_ = false;
    (client_.*request)();
    if (usageErrorSeen_) {
        usageErrorSeen_ = false;
        requestRunning_ = false;
    }
}

void BrowseSession::prepareRequest()
{
    client_.SetDisplayFileFlag(false);
}

void BrowseSession::log(const std::string& line)
{
    c_.Memo1->appendPlainText(fromBytes(line));
}

void BrowseSession::FtpClient1Display(std::string& Msg)
{
    log(Msg);
}

// --- connect and disconnect ------------------------------------------------------

void BrowseSession::connectknapClick()
{
    if (requestRunning_)
        return;
    if (connected_)
        disconnectAction();
    else
        connectAction();
}

void BrowseSession::connectFromAddressManager()
{
    reconnectAfterQuit_ = true;
    connectknapClick();
}

void BrowseSession::connectAction()
{
    const QString host = c_.Edit1->text();
    if (host.isEmpty())
        return;
    client_.SetHostName(toBytes(host));
    bool numeric = false;
    const int port = c_.Edit4->text().trimmed().toInt(&numeric);
    if (!numeric) {
        if (services_.dialogs)
            services_.dialogs->message(QStringLiteral("'%1' is not a valid integer value").arg(c_.Edit4->text()));
        return;
    }
    client_.SetPort(std::to_string(port));

    reconnectAfterQuit_ = false;
    client_.SetDisplayFileFlag(true);
    abortRequested_ = false;
    client_.SetPassive(c_.Passivemode1 && c_.Passivemode1->isChecked());
    requestGate(&TCustomFtpCli::BeginOpen);
}

void BrowseSession::disconnectAction()
{
    if (client_.State() != ftpStateReady)
        return;
    setConnected(false);
    resetWindowAfterSession();
    setHint(c_.BitBtn11, QString());
    prepareRequest();
    requestGate(&TCustomFtpCli::BeginQuit);
    client_.SetHostDirName({});
}

void BrowseSession::disableSessionButtons()
{
    for (QPushButton* button : {c_.BitBtn7, c_.BitBtn6, c_.BitBtn8, c_.BitBtn5, c_.BitBtn4, c_.BitBtn2, c_.BitBtn3})
        if (button)
            button->setEnabled(false);
}

void BrowseSession::resetWindowAfterSession()
{
    // The root goes with the tree; forget it first so that nothing started
    // by the clearing (selection changes) can reach it.
    root_ = nullptr;
    c_.ListView1->clear();
    c_.TreeView1->clear();
    disableSessionButtons();
    setHint(c_.connectknap, QStringLiteral("Connect"));
    // The address manager is closed while logging in; a session that ends
    // before its first listing must not leave it out of reach.
    c_.BitBtn1->setEnabled(true);
}

void BrowseSession::setConnected(bool connected)
{
    connected_ = connected;
    if (services_.connectedChanged)
        services_.connectedChanged(connected);
}

void BrowseSession::markAborted()
{
    abortRequested_ = true;
}

void BrowseSession::setWaitCursor(bool waiting)
{
    if (!c_.window)
        return;
    if (waiting)
        c_.window->setCursor(Qt::WaitCursor);
    else
        c_.window->unsetCursor();
}

void BrowseSession::FtpClient1StateChange()
{
    const TFtpClientState state = client_.State();
    if (state == ftpStateReady) {
        setWaitCursor(false);
        return;
    }
    setWaitCursor(true);
    if (state == ftpStateNotConnected)
        closedSeen_ = true;
    if (state == ftpStateStepDone && closedSeen_) {
        // The control connection has closed: the session is over.
        setWaitCursor(false);
        closedSeen_ = false;
        setConnected(false);
        resetWindowAfterSession();
    }
}

// --- the request-done table --------------------------------------------------------

void BrowseSession::FtpClient1RequestDone(TFtpRequest RqType, std::uint16_t Error)
{
    requestRunning_ = false;
    if (Error != 0) {
        // A server that cannot be looked up or reached says nothing on the
        // control connection, so the log would stay silent and the click on
        // Connect seem to do nothing; show the client's reason. (A server
        // that refuses the session has its reply logged already.)
        constexpr std::uint16_t kFirstSocketError = 10000;
        if (RqType == ftpRqOpen && Error >= kFirstSocketError && !client_.LastResponse().empty())
            log("! " + client_.LastResponse());
        requestFailed();
        return;
    }
    switch (RqType) {
    case ftpRqOpen:
        openDone();
        break;
    case ftpRqUser:
        userDone();
        break;
    case ftpRqPass:
        passDone();
        break;
    case ftpRqChangeDir:
        changeDirDone();
        break;
    case ftpRqListDir:
        listDirDone();
        break;
    case ftpRqQuit:
        quitDone();
        break;
    case ftpRqFileSize:
        fileSizeDone();
        break;
    case ftpRqPrintDir:
        printDirDone();
        break;
    case ftpRqMakeDir:
    case ftpRqRemoveDir:
    case ftpRqDelete:
    case ftpRqRename:
    case ftpRqParentDir:
        if (operations_)
            operations_->operationDone(RqType);
        break;
    default:
        break;
    }
}

void BrowseSession::requestFailed()
{
    if (linkSizePending_) {
        linkSizePending_ = false;
        linkSizeState_ = -1;
        linkTakenForDirectory();
    } else {
        linkDirectoryPending_ = false;
    }
    linkWalkActive_ = false;
    if (operations_)
        operations_->requestFailed();
}

// --- log-in ------------------------------------------------------------------------

void BrowseSession::openDone()
{
    walk_.step = 0;
    setHint(c_.connectknap, QStringLiteral("Disconnect"));
    c_.BitBtn1->setEnabled(false);
    root_ = addRoot(c_.TreeView1, client_.HostName(), c_.ImageList1);
    // Not connected yet, so selecting the root starts no directory change.
    c_.TreeView1->setCurrentItem(root_);
    c_.Memo1->clear();
    log("Connecting");
    setConnected(true);
    client_.SetUserName(toBytes(c_.Edit2->text()));
    if (services_.localDirectoryField && services_.changeLocalDirectory) {
        const std::string localDirectory = services_.localDirectoryField();
        if (!localDirectory.empty())
            services_.changeLocalDirectory(localDirectory);
    }
    prepareRequest();
    requestGate(&TCustomFtpCli::BeginUser);
}

void BrowseSession::userDone()
{
    const std::string password = toBytes(c_.Edit3->text());
    client_.SetPassWord(password.empty() ? std::string(kPlaceholderEmailPassword) : password);
    prepareRequest();
    requestGate(&TCustomFtpCli::BeginPass);
}

void BrowseSession::passDone()
{
    std::string remoteDirectory = services_.remoteDirectoryField ? services_.remoteDirectoryField() : std::string();
    if (remoteDirectory.empty()) {
        // The login directory the server reports becomes the walk's target.
        prepareRequest();
        requestGate(&TCustomFtpCli::BeginPrintDir);
        return;
    }
    // "./www" is meant relative to the server root.
    if (remoteDirectory.front() == '.') {
        remoteDirectory.erase(0, 1);
        if (services_.setRemoteDirectoryField)
            services_.setRemoteDirectoryField(remoteDirectory);
    }
    walk_.target = remoteDirectory;
    client_.SetHostDirName("/");
    walkActive_ = true;
    prepareRequest();
    requestGate(&TCustomFtpCli::BeginChangeDir);
}

void BrowseSession::startLoginWalk(const std::string& target)
{
    walk_.target = target;
    if (target.size() >= 2)
        walkActive_ = true;
    client_.SetHostDirName("/");
    prepareRequest();
    requestGate(&TCustomFtpCli::BeginChangeDir);
}

void BrowseSession::quitDone()
{
    if (reconnectAfterQuit_)
        connectAction();
}

// --- changing directory to a tree node -------------------------------------------------

void BrowseSession::TreeView1Change()
{
    if (!connected_)
        return;
    stopParsing_ = true;
    std::remove(services_.listingFilePath.c_str());
    c_.BitBtn5->setEnabled(true);
    c_.BitBtn8->setEnabled(true);
    QTreeWidgetItem* node = c_.TreeView1->currentItem();
    if (!node)
        return;

    currentRemotePath_ = nodePath(node);
    setHint(c_.BitBtn5, QStringLiteral("Delete Directory ") + node->text(0));
    setHint(c_.BitBtn8, QStringLiteral("Rename Directory ") + node->text(0));
    c_.ListView1->clear();
    tables_.fileCount = 0;

    // Every directory change is two: to the server root first, then to the
    // node's path relative to it.
    if (!rootFirst_) {
        rootFirst_ = true;
        client_.SetHostDirName("/");
    } else {
        rootFirst_ = false;
        client_.SetLocalFileName(services_.listingFilePath);
        client_.SetHostDirName(currentRemotePath_);
    }
    prepareRequest();
    requestGate(&TCustomFtpCli::BeginChangeDir);
}

void BrowseSession::changeDirDone()
{
    if (linkDirectoryPending_) {
        // Inside the link: ask where it led.
        prepareRequest();
        requestGate(&TCustomFtpCli::BeginPrintDir);
        return;
    }
    c_.BitBtn7->setEnabled(true);
    if (rootFirst_) {
        log("Directory is \"" + client_.DirResult() + "\"");
        TreeView1Change();
        return;
    }
    client_.SetLocalFileName(services_.listingFilePath);
    client_.SetHostFileName({});
    prepareRequest();
    requestGate(&TCustomFtpCli::BeginListDir);
}
