// The browsing session: connect and disconnect, the client's state and log,
// the log-in and the directory change of a tree node, and the request-done
// table that drives them.
#include "app/browse_session.h"

#include "app/control_hint.h"
#include "app/message_panel.h"
#include "app/remote_tree.h"
#include "core/placeholder_password.h"
#include "core/remote_directory.h"
#include "ftp/ftp_host_scheme.h"
#include "net/socket_errors.h"
#include "services/dialogs.h"

#include <QAction>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTreeWidget>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <utility>

using namespace remote_tree;

BrowseSession::BrowseSession(const BrowseSessionView& view, SessionChannel& channel, BrowseSessionServices services)
    : v_(view), channel_(channel), services_(std::move(services))
{
    channel_.addListener(this);
    channel_.setBrowser(this);
}

BrowseSession::~BrowseSession()
{
    channel_.setBrowser(nullptr);
    channel_.removeListener(this);
}

// --- what the channel tells ------------------------------------------------------

void BrowseSession::logLine(const std::string& line)
{
    // The replies to the last command, every line of them, for a listing's
    // end to be judged by.
    if (line.rfind("> ", 0) == 0)
        repliesToLastCommand_.clear();
    else if (line.rfind("< ", 0) == 0)
        repliesToLastCommand_.push_back(line.substr(2));
    v_.log->appendPlainText(fromBytes(line));
}

void BrowseSession::connectedChanged(bool connected)
{
    showConnectButton();
    if (services_.connectedChanged)
        services_.connectedChanged(connected);
}

void BrowseSession::busyChanged(bool busy)
{
    setWaitCursor(busy);
}

void BrowseSession::sessionClosed()
{
    // A session the user did not end must not just vanish: the panes empty
    // and the buttons grey, so say why.
    if (!quitting_) {
        log("! Connection closed by server");
        showStatus(QStringLiteral("The session has ended: the connection was closed"));
    }
    quitting_ = false;
    resetWindowAfterSession();
}

void BrowseSession::showStatus(const QString& text)
{
    if (v_.messagePanel)
        v_.messagePanel->showMessage(text);
}

// --- connect and disconnect ------------------------------------------------------

void BrowseSession::connectOrDisconnect()
{
    if (channel_.requestRunning())
        return;
    if (channel_.connected()) {
        // Fields that name another site mean the user wants to be there:
        // this session ends and that one begins.
        const bool elsewhere = fieldsNameAnotherSite();
        if (disconnectAction() && elsewhere)
            connectAfterQuit_ = true;
    } else {
        connectAction();
    }
}

std::optional<std::string> BrowseSession::portOfFields() const
{
    bool numeric = false;
    const int port = v_.portField->text().trimmed().toInt(&numeric);
    if (numeric)
        return std::to_string(port);
    // "ftpes://host:2121" needs nothing in the port field.
    const std::string portInHost = ParseFtpHost(toBytes(v_.hostField->text())).port;
    if (!portInHost.empty())
        return portInHost;
    return std::nullopt;
}

bool BrowseSession::fieldsNameAnotherSite() const
{
    if (!channel_.connected())
        return false;
    const TFtpClient& client = channel_.client();
    const std::optional<std::string> port = portOfFields();
    if (v_.hostField->text().isEmpty() || !port)
        return false;
    return toBytes(v_.hostField->text()) != client.HostName() || toBytes(v_.loginField->text()) != client.UserName()
           || *port != client.Port();
}

void BrowseSession::showConnectButton()
{
    QPushButton* button = v_.connectButton;
    if (!button)
        return;
    const bool connected = channel_.connected();
    const QString action = connected ? QStringLiteral("Disconnect") : QStringLiteral("Connect");
    button->setText(action);
    button->setAccessibleName(action);
    button->setIcon(connected ? v_.disconnectPicture : v_.connectPicture);
    if (fieldsNameAnotherSite())
        setHint(button, QStringLiteral("Disconnect, then connect to ") + v_.hostField->text());
    else
        setHint(button, action);
}

std::string BrowseSession::siteKey(const std::string& hostText, const std::string& user, const std::string& port)
{
    std::string host = ParseFtpHost(hostText).host;
    std::transform(host.begin(), host.end(), host.begin(), [](unsigned char c) { return std::tolower(c); });
    return user + "@" + host + ":" + port;
}

std::string BrowseSession::fieldsSite() const
{
    const std::optional<std::string> port = portOfFields();
    if (!port || v_.hostField->text().isEmpty())
        return {};
    return siteKey(toBytes(v_.hostField->text()), toBytes(v_.loginField->text()), *port);
}

void BrowseSession::connectFromAddressManager()
{
    connectAfterQuit_ = true;
    connectOrDisconnect();
}

void BrowseSession::connectAction()
{
    const QString host = v_.hostField->text();
    if (host.isEmpty())
        return;
    TFtpClient& client = channel_.client();
    // The host is handed on as typed; the client takes it apart.
    client.SetHostName(toBytes(host));
    const std::optional<std::string> port = portOfFields();
    if (!port) {
        if (services_.dialogs)
            services_.dialogs->message(QStringLiteral("'%1' is not a valid integer value").arg(v_.portField->text()));
        return;
    }
    client.SetPort(*port);

    connectAfterQuit_ = false;
    channel_.clearAbort();
    client.SetPassive(v_.passiveModeItem && v_.passiveModeItem->isChecked());
    // The connect is the one request that shows the client's file data.
    channel_.ask(*this, &TCustomFtpCli::BeginOpen, SessionChannel::FileDisplay::On);
}

bool BrowseSession::disconnectAction()
{
    if (channel_.client().State() != ftpStateReady)
        return false;
    channel_.setConnected(false);
    resetWindowAfterSession();
    setHint(v_.directoryTransferButton, QString());
    quitting_ = true;
    ask(&TCustomFtpCli::BeginQuit);
    channel_.client().SetHostDirName({});
    return true;
}

void BrowseSession::disableSessionButtons()
{
    for (QPushButton* button : {v_.abortButton, v_.makeDirectoryButton, v_.renameButton, v_.deleteButton,
                                v_.unselectButton, v_.uploadButton, v_.downloadButton})
        if (button)
            button->setEnabled(false);
}

void BrowseSession::resetWindowAfterSession()
{
    // The root goes with the tree; forget it first so that nothing started
    // by the clearing (selection changes) can reach it.
    root_ = nullptr;
    walkAddedNode_ = nullptr;
    directoryChangeWaiting_ = false;
    shownLink_ = ShownLink{};
    v_.remoteFileList->clear();
    v_.remoteTree->clear();
    if (v_.remotePathField)
        v_.remotePathField->clear();
    disableSessionButtons();
    showConnectButton();
    // The address manager is closed while logging in; a session that ends
    // before its first listing must not leave it out of reach.
    v_.addressManagerButton->setEnabled(true);
}

void BrowseSession::setWaitCursor(bool waiting)
{
    if (!v_.window)
        return;
    if (waiting)
        v_.window->setCursor(Qt::WaitCursor);
    else
        v_.window->unsetCursor();
}

// --- the request-done table --------------------------------------------------------

void BrowseSession::requestDone(TFtpRequest request)
{
    switch (request) {
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
    default:
        break;
    }
}

void BrowseSession::requestFailed(TFtpRequest request, std::uint16_t error)
{
    // A proxy that refused us is worth a message of its own: the log alone
    // looks like a server fault, and the user has a setting to check.
    if (request == ftpRqOpen && error >= kFirstSocksError && error <= kLastSocksError && services_.dialogs) {
        services_.dialogs->message(fromBytes(channel_.client().LastResponse()));
        return;
    }
    // An encrypted connection that could not be made says why (a refused
    // certificate has been the user's own answer or warning already).
    if (request == ftpRqOpen && ParseFtpHost(channel_.client().HostName()).tlsRequired && error != TLS_E_CERTIFICATE
        && services_.dialogs) {
        services_.dialogs->message(fromBytes(channel_.client().ErrorMessage()));
        return;
    }
    walkRequestFailed(request);
    // A refused log-in ends the session, so that the next Connect tries
    // again from the start; the user sees the server's reply.
    if (request == ftpRqUser || request == ftpRqPass) {
        const QString reply = fromBytes(channel_.client().LastResponse());
        disconnectAction();
        if (services_.dialogs)
            services_.dialogs->message(reply);
    }
}

void BrowseSession::anyRequestFailed()
{
    // A link that does not answer SIZE is taken for a directory; any other
    // failure ends the step into a link.
    if (walk_ == Walk::LinkSizeAsked) {
        walk_ = Walk::None;
        linkSizeState_ = -1;
        linkTakenForDirectory();
    } else if (walk_ == Walk::IntoLink) {
        walk_ = Walk::None;
    }
}

void BrowseSession::walkRequestFailed(TFtpRequest request)
{
    if (walk_ == Walk::ToTypedDirectory) {
        typedDirectoryRefused();
        return;
    }
    const bool walking = walk_ == Walk::ToLoginDirectory || walk_ == Walk::ToLinkTarget;
    if (request == ftpRqChangeDir) {
        nodeChangeEnded();
        // A walk's last folder refused (one removed since, or a typing
        // error) ends like any folder on the way.
        const bool lastStepRefused = std::exchange(lastStepOf_, Walk::None) != Walk::None;
        if ((walking || lastStepRefused) && !directoryChangeWaiting_)
            walkRefused();
    } else if (request == ftpRqListDir && walking && !directoryChangeWaiting_) {
        // A folder we may enter but not list (mode 711 above a home folder)
        // is passed through as if it were empty.
        if (walk_ == Walk::ToLoginDirectory)
            walkStep();
        else
            linkWalkStep();
    } else if (request == ftpRqPrintDir && !directoryInLoginFolder_.empty()) {
        // A server that will not say where the log-in left us: the
        // directory is looked for from the root, the best guess left.
        walkToStartDirectory(absoluteRemoteDirectory(std::exchange(directoryInLoginFolder_, {}), "/"));
    } else if (walking) {
        walk_ = Walk::None;
    }
}

// --- log-in ------------------------------------------------------------------------

void BrowseSession::openDone()
{
    loginWalk_.step = 0;
    // A walk of an earlier session does not go on in this one.
    walk_ = Walk::None;
    lastStepOf_ = Walk::None;
    directoryInLoginFolder_.clear();
    loginFolder_.clear();
    directoryChangeWaiting_ = false;
    changingToNode_ = false;
    v_.addressManagerButton->setEnabled(false);
    root_ = addRoot(v_.remoteTree, channel_.client().HostName(), v_.treeImages);
    // Not connected yet, so selecting the root starts no directory change.
    v_.remoteTree->setCurrentItem(root_);
    v_.log->clear();
    log("Connecting");
    // The log was cleared after the TLS set-up had been logged.
    if (!channel_.client().TlsDescription().empty())
        log("! TLS connection: " + channel_.client().TlsDescription());
    channel_.setConnected(true);
    channel_.client().SetUserName(toBytes(v_.loginField->text()));
    showConnectButton();
    if (directoryFieldsApply() && services_.localDirectoryField && services_.changeLocalDirectory) {
        const std::string localDirectory = services_.localDirectoryField();
        if (!localDirectory.empty()) {
            services_.changeLocalDirectory(localDirectory);
            if (services_.localDirectoryTaken)
                services_.localDirectoryTaken();
        }
    }
    ask(&TCustomFtpCli::BeginUser);
}

void BrowseSession::userDone()
{
    const std::string password = toBytes(v_.passwordField->text());
    channel_.client().SetPassWord(password.empty() ? std::string(kPlaceholderEmailPassword) : password);
    ask(&TCustomFtpCli::BeginPass);
}

void BrowseSession::passDone()
{
    // Another site's folder would be refused here, or worse, be a folder
    // of the same name the user never meant, then kept as this site's.
    std::string remoteDirectory =
        directoryFieldsApply() && services_.remoteDirectoryField ? services_.remoteDirectoryField() : std::string();
    // "ftp://host/pub" opens in /pub unless the directory field names one.
    if (remoteDirectory.empty())
        remoteDirectory = ParseFtpHost(channel_.client().HostName()).path;
    // Else where this site was left last time. A folder removed since ends
    // the walk where the server refuses it, as any other refused folder.
    if (remoteDirectory.empty() && services_.rememberedRemoteDirectory) {
        const std::string remembered = services_.rememberedRemoteDirectory(rememberedSite());
        if (!remembered.empty() && remembered.front() == '/') {
            startLoginWalk(remembered);
            return;
        }
    }
    if (remoteDirectory.empty()) {
        // The login directory the server reports becomes the walk's target.
        ask(&TCustomFtpCli::BeginPrintDir);
        return;
    }
    if (isRelativeToLoginFolder(remoteDirectory)) {
        // "public_html" lies in the login folder, which only the server
        // knows: ask it where the log-in left us, then walk from there.
        directoryInLoginFolder_ = remoteDirectory;
        ask(&TCustomFtpCli::BeginPrintDir);
        return;
    }
    // "./www" is a path of the tree, meant from the server root.
    if (remoteDirectory.front() == '.') {
        remoteDirectory.erase(0, 1);
        if (services_.setRemoteDirectoryField)
            services_.setRemoteDirectoryField(remoteDirectory);
    }
    walkToStartDirectory(remoteDirectory);
}

void BrowseSession::walkToStartDirectory(const std::string& target)
{
    loginWalk_.target = target;
    channel_.client().SetHostDirName("/");
    walk_ = Walk::ToLoginDirectory;
    ask(&TCustomFtpCli::BeginChangeDir);
}

void BrowseSession::showServerDirectory()
{
    ask(&TCustomFtpCli::BeginPrintDir);
}

void BrowseSession::startLoginWalk(const std::string& target)
{
    loginWalk_.target = target;
    if (target.size() >= 2)
        walk_ = Walk::ToLoginDirectory;
    channel_.client().SetHostDirName("/");
    ask(&TCustomFtpCli::BeginChangeDir);
}

std::string BrowseSession::rememberedSite() const
{
    const TFtpClient& client = channel_.client();
    return siteKey(client.HostName(), client.UserName(), client.Port());
}

bool BrowseSession::directoryFieldsApply() const
{
    if (!services_.directoryFieldsSite)
        return false;
    const std::string site = services_.directoryFieldsSite();
    return !site.empty() && site == rememberedSite();
}

void BrowseSession::rememberShownDirectory()
{
    if (services_.rememberRemoteDirectory)
        services_.rememberRemoteDirectory(rememberedSite(), remote_tree::serverPathOf(currentRemotePath_));
}

void BrowseSession::quitDone()
{
    if (connectAfterQuit_)
        connectAction();
}

// --- changing directory to a tree node -------------------------------------------------

void BrowseSession::showDirectory()
{
    if (!channel_.connected())
        return;
    stopParsing();
    std::remove(services_.listingFilePath.c_str());
    v_.deleteButton->setEnabled(true);
    v_.renameButton->setEnabled(true);
    QTreeWidgetItem* node = v_.remoteTree->currentItem();
    if (!node)
        return;

    setHint(v_.deleteButton, QStringLiteral("Delete Directory ") + node->text(0));
    setHint(v_.renameButton, QStringLiteral("Rename Directory ") + node->text(0));
    v_.remoteFileList->clear();
    tables_.fileCount = 0;
    if (channel_.requestRunning() && !channel_.aborted()) {
        // The server is still busy with what was asked before (mostly the
        // previous node's change): this node's change follows its end, so
        // that the listing and the directory stay those of the node shown.
        directoryChangeWaiting_ = true;
        return;
    }
    directoryChangeWaiting_ = false;
    currentRemotePath_ = nodePath(node);

    // One CWD, to the node's path from the server root: where the last
    // change left the server does not matter then.
    TFtpClient& client = channel_.client();
    client.SetLocalFileName(services_.listingFilePath);
    client.SetHostDirName(remote_tree::serverPathOf(currentRemotePath_));
    changingToNode_ = true;
    ask(&TCustomFtpCli::BeginChangeDir);
}

void BrowseSession::nodeChangeEnded()
{
    if (!changingToNode_)
        return;
    changingToNode_ = false;
    // Everyone else reads the shown folder from the client as the tree
    // writes it ("./www"): queued files and recorded projects keep it so.
    channel_.client().SetHostDirName(currentRemotePath_);
}

void BrowseSession::takeUpWaitingDirectoryChange()
{
    // The user's choice ends whatever walk was under way.
    directoryChangeWaiting_ = false;
    walk_ = Walk::None;
    showDirectory();
}

void BrowseSession::requestEnded()
{
    if (directoryChangeWaiting_ && channel_.connected() && !channel_.requestRunning())
        takeUpWaitingDirectoryChange();
}

void BrowseSession::changeDirDone()
{
    // A folder reached by the user or at the end of a walk is where the
    // next session of this site starts; the folders a walk passes are not.
    if (changingToNode_ && walk_ == Walk::None && !directoryChangeWaiting_)
        rememberShownDirectory();
    lastStepOf_ = Walk::None;
    nodeChangeEnded();
    if (directoryChangeWaiting_) {
        // Whichever half of a change this was, the node now selected gets
        // a change of its own.
        takeUpWaitingDirectoryChange();
        return;
    }
    if (walk_ == Walk::IntoLink) {
        // Inside the link: ask where it led.
        ask(&TCustomFtpCli::BeginPrintDir);
        return;
    }
    if (walk_ == Walk::ToTypedDirectory) {
        // The server takes it: show it in the tree, from the root down.
        // The root's listing takes the walk's first step.
        loginWalk_ = DirectoryWalk{};
        loginWalk_.target = typedDirectory_;
        walk_ = Walk::ToLoginDirectory;
        if (root_ && v_.remoteTree->currentItem() != root_)
            v_.remoteTree->setCurrentItem(root_);
        else
            showDirectory();
        return;
    }
    showRemotePath();
    v_.abortButton->setEnabled(true);
    log("Directory is \"" + channel_.client().DirResult() + "\"");
    channel_.client().SetLocalFileName(services_.listingFilePath);
    channel_.askListing(*this);
}
