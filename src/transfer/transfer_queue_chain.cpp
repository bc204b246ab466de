// The transfer client's request chain: each finished request starts the
// next one, from the log-in to the file, and each finished file the next
// file, until the queue is empty.
#include "transfer/transfer_queue.h"

#include "core/kill_point.h"

#include "core/placeholder_password.h"
#include "core/remote_directory.h"
#include "ftp/ftp_download_file.h"
#include "ftp/ftp_local_stream.h"
#include "ftp/ftp_system_reply.h"

#include <QTimer>

#include <algorithm>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Whether the file's first 64 KiB hold a NUL byte, which no text file has.
// Only a regular file is looked into, without waiting: a FIFO would hold
// the queue here; the upload itself then refuses it with the reason.
bool holdsBinaryData(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return false;
    struct stat status {};
    std::string head;
    if (::fstat(fd, &status) == 0 && S_ISREG(status.st_mode)) {
        head.resize(64 * 1024);
        const ssize_t got = ::read(fd, head.data(), head.size());
        head.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
    }
    ::close(fd);
    return head.find('\0') != std::string::npos;
}

// A server path written as the remote tree writes its paths ("/www" as
// "./www"), so that the browsing side, when it shows the same folder, knows
// it for the one the queue worked in.
std::string treePathOf(const std::string& serverPath)
{
    if (serverPath.size() < 2 || serverPath.front() != '/')
        return serverPath;
    return "." + serverPath;
}

}  // namespace

void TransferQueue::begin(TransferLane& lane, TFtpRequest request, const std::function<void()>& start)
{
    lane.awaitingRequest = true;
    try {
        start();
    } catch (const std::exception& e) {
        // The client refused to start (not connected, a name left empty):
        // that ends the request like a failure, later, as a request's end
        // always comes.
        logFor(lane, std::string("! ") + e.what());
        QTimer::singleShot(0, this, [this, &lane, request] {
            if (lane.awaitingRequest)
                requestDone(lane, request, 500);
        });
    }
}

void TransferQueue::requestDone(TransferLane& lane, TFtpRequest request, std::uint16_t error)
{
    if (!lane.awaitingRequest)
        return;
    lane.awaitingRequest = false;
    // Made or not, the making goes on: the entry's CWD decides.
    if (request == ftpRqMakeDir) {
        logFor(lane, lane.client().LastResponse());
        folderMade(lane, error == 0);
        return;
    }
    if (error != 0 && request == ftpRqChangeDir && makeFoldersForUpload(lane))
        return;
    // A server that refuses SYST is no UNIX server as far as we know; a
    // connection lost meanwhile is a failure like any other.
    if (request == ftpRqSystem && (error == 0 || (error < 1000 && lane.client().Connected()))) {
        systemKnown(lane, error == 0 && SystemReplyNamesUnix(lane.client().LastResponse()));
        return;
    }
    if (error != 0 && (request == ftpRqGetFile || request == ftpRqResumeGetFile) &&
        lane.client().AsciiDownloadHeldBinaryData() && !lane.abortRequested) {
        fetchAgainInBinary(lane);
        return;
    }
    if (error != 0) {
        requestFailed(lane, request, error);
        return;
    }
    switch (request) {
    case ftpRqOpen:
        afterOpen(lane);
        break;
    case ftpRqUser:
        afterUser(lane);
        break;
    case ftpRqPass:
        afterPass(lane);
        break;
    case ftpRqPrintDir:
        lane.loginFolder = lane.client().DirResult();
        lane.foldersEntered.insert(*lane.loginFolder);
        changeToEntryFolder(lane);
        break;
    case ftpRqChangeDir:
        afterChangeDir(lane);
        break;
    case ftpRqSetType:
        afterSetType(lane);
        break;
    case ftpRqGetFile:
    case ftpRqResumeGetFile:
    case ftpRqPutFile:
        afterTransfer(lane);
        break;
    case ftpRqQuit:
        afterQuit(lane);
        break;
    default:
        break;
    }
}

void TransferQueue::openConnectionFor(TransferLane& lane)
{
    TFtpClient& client = lane.client();
    // A connection left from an aborted transfer is closed first: the new
    // log-in starts from a fresh one.
    if (client.Connected() || client.State() != ftpStateReady)
        client.BeginAbort();
    const QueueEntry& entry = lane.entry();
    client.SetHostName(entry.host);
    client.SetPort(entry.port);
    client.SetPassive(passiveMode_());
    lane.forgetConnection();
    lane.abortRequested = abortRequested_;
    begin(lane, ftpRqOpen, [&client] { client.BeginOpen(); });
}

void TransferQueue::afterOpen(TransferLane& lane)
{
    if (!lane.busy())
        return;
    lane.client().SetUserName(lane.entry().user);
    lane.loggedIn = true;
    begin(lane, ftpRqUser, [&lane] { lane.client().BeginUser(); });
}

void TransferQueue::afterUser(TransferLane& lane)
{
    if (!lane.busy())
        return;
    const std::string& password = lane.entry().password;
    lane.client().SetPassWord(password.empty() ? std::string(kPlaceholderEmailPassword) : password);
    begin(lane, ftpRqPass, [&lane] { lane.client().BeginPass(); });
}

void TransferQueue::afterPass(TransferLane& lane)
{
    if (!lane.busy())
        return;
    lane.established = true;
    connectionStood_ = true;
    sayConnectionsLowered();
    // The server takes us: further connections may start on the files
    // waiting behind this one.
    startNextTransfer();
    // A directory in the login folder needs to know where that is; only
    // now, before the first CWD, is the server still there.
    if (isRelativeToLoginFolder(lane.entry().remoteDirectory)) {
        begin(lane, ftpRqPrintDir, [&lane] { lane.client().BeginPrintDir(); });
        return;
    }
    changeToEntryFolder(lane);
}

void TransferQueue::changeToEntryFolder(TransferLane& lane)
{
    if (!lane.busy())
        return;
    // One CWD to the folder's absolute path, and none at all while the
    // connection is known to be there already (the last file's folder).
    const std::string folder = lane.entryFolder(lane.entry());
    if (lane.client().KnowsDirectory(folder)) {
        setTypeForEntry(lane);
        return;
    }
    lane.client().SetHostDirName(folder);
    begin(lane, ftpRqChangeDir, [&lane] { lane.client().BeginChangeDir(); });
}

void TransferQueue::afterChangeDir(TransferLane& lane)
{
    lane.foldersEntered.insert(lane.client().HostDirName());
    setTypeForEntry(lane);
}

void TransferQueue::setTypeForEntry(TransferLane& lane)
{
    if (!lane.busy())
        return;
    const QueueEntry& entry = lane.entry();
    bool binary = entry.binary();
    if (!binary && !entry.isDownload() && holdsBinaryData(entry.localPath())) {
        // Converting line ends would corrupt it; the mode stored with the
        // entry (or a web project) stays as it is.
        logFor(lane, "! " + entry.fileName + " holds binary data (a NUL byte); sent in binary mode");
        binary = true;
    }
    lane.client().SetBinary(binary);
    // The type stays set from one file to the next on the same connection.
    if (lane.client().KnowsType()) {
        afterSetType(lane);
        return;
    }
    begin(lane, ftpRqSetType, [&lane] { lane.client().BeginSetType(); });
}

void TransferQueue::afterSetType(TransferLane& lane)
{
    if (lane.direction == Direction::Upload)
        startUpload(lane);
    else if (resume_ == ResumeState::Running)
        resumeDownload(lane);
    else
        startDownload(lane);
}

void TransferQueue::afterQuit(TransferLane& lane)
{
    if (!lane.otherSite || !lane.busy())
        return;
    lane.loggedIn = false;
    lane.otherSite = false;
    openConnectionFor(lane);
}

void TransferQueue::systemKnown(TransferLane& lane, bool unixServer)
{
    lane.unixServer = unixServer;
    if (unixServer)
        logFor(lane, "ASCII uploads keep the local line ends on this server");
    if (lane.busy())
        startUpload(lane);
}

void TransferQueue::startUpload(TransferLane& lane)
{
    // In ASCII type the line ends to send depend on the server's system,
    // asked once per connection before its first ASCII upload: a UNIX
    // server gets the file as it is, since converting and storing servers
    // then both keep the local file's bytes; any other gets CR LF.
    if (!lane.client().Binary() && !lane.unixServer) {
        begin(lane, ftpRqSystem, [&lane] { lane.client().BeginSystem(); });
        return;
    }
    lane.client().SetAsciiUploadKeepsLineEnds(lane.unixServer.value_or(false));
    const QueueEntry& entry = lane.entry();
    lane.client().SetLocalFileName(entry.localPath());
    lane.client().SetHostFileName(entry.fileName);
    lane.firstProgress = true;
    begin(lane, ftpRqPutFile, [&lane] { lane.client().BeginPutFile(); });
    // Written while the server answers the PASV or PORT just sent. Until
    // then the file may still name the entry just finished as well, which
    // a kill would only send again; this one is in it either way.
    if (queueFileStale_)
        saveQueueFile();
}

void TransferQueue::startDownload(TransferLane& lane)
{
    const QueueEntry& entry = lane.entry();
    lane.client().SetLocalFileName(entry.localPath());
    lane.client().SetHostFileName(entry.fileName);
    resumeRecord_ = ResumeRecord::forDownload(entry);
    haveResumeRecord_ = true;
    if (!files_.saveResumeRecord(resumeRecord_))
        logFor(lane, "! Could not write the resume record " + files_.resumeRecordPath());
    if (queueFileStale_)
        saveQueueFile();
    lane.firstProgress = true;
    begin(lane, ftpRqGetFile, [&lane] { lane.client().BeginGetFile(); });
}

void TransferQueue::fetchAgainInBinary(TransferLane& lane)
{
    if (!lane.busy())
        return;
    // Nothing of the ASCII attempt was stored; the mode stored with the
    // entry stays as it is.
    logFor(lane, "! " + lane.entry().fileName + " holds binary data (a NUL byte); fetched again in binary mode");
    lane.client().SetBinary(true);
    if (lane.client().KnowsType()) {
        afterSetType(lane);
        return;
    }
    begin(lane, ftpRqSetType, [&lane] { lane.client().BeginSetType(); });
}

void TransferQueue::resumeDownload(TransferLane& lane)
{
    const QueueEntry& entry = lane.entry();
    lane.client().SetLocalFileName(entry.localPath());
    lane.client().SetHostFileName(entry.fileName);
    lane.firstProgress = true;
    if (queueFileStale_)
        saveQueueFile();
    // Only the part file holds bytes of this download; the file at the
    // local path is the user's until the download is complete, and is
    // never appended to.
    const std::string localPath = entry.localPath();
    if (!DownloadUsesPartFile(localPath) || FtpLocalStream::FileSize(DownloadPartPath(localPath)) < 0) {
        logFor(lane, "! Nothing of " + entry.fileName + " was kept; fetching the whole file again");
        begin(lane, ftpRqGetFile, [&lane] { lane.client().BeginGetFile(); });
        return;
    }
    begin(lane, ftpRqResumeGetFile, [&lane] { lane.client().BeginResumeGetFile(); });
}

void TransferQueue::afterTransfer(TransferLane& lane)
{
    logFor(lane, lane.client().LastResponse());
    // The server has the file; the queue file still names it.
    passKillPoint("transferred");
    if (lane.busy())
        emit fileTransferred(lane.entry());
    // A transfer the client reports as done has moved the whole file; the
    // percentage may still be short of it (no progress for a small or
    // empty file, a size that changed since it was listed), and waiting for
    // it would only leave the queue stuck.
    finishEntry(lane, lane.direction);
    continueQueue(lane);
}

void TransferQueue::finishEntry(TransferLane& lane, Direction direction)
{
    if (const std::optional<std::size_t> index = indexOfLaneEntry(lane)) {
        noteEntryLeft(*index);
        bytesLeftQueue_ += std::max<std::int64_t>(0, entries_.at(*index).sizeInBytes());
        entries_.removeAt(*index);
        observer_->queueLineRemoved(*index);
    }
    lastTransferDirectory_ = lane.client().HostDirName();
    lane.release();
    // The bar stays while the queue goes on: between two files it would
    // only blink, and with many small files be gone most of the run.
    if (entries_.empty())
        display_.startVisible = false;
    display_.removeAllVisible = false;
    if (direction == Direction::Download) {
        resume_ = ResumeState::None;
        files_.removeResumeRecord();
        haveResumeRecord_ = false;
        localListChanged_ = true;
    } else {
        queuePending_ = false;
        remoteListChanged_ = true;
    }
    // While files remain the file stays, with the entry noted as gone in its
    // journal; a whole write that falls due waits until the next file's
    // first command is on its way, so that it runs while the server answers.
    if (entries_.empty())
        saveQueueFile();
}

void TransferQueue::continueQueue(TransferLane& lane)
{
    if (abortRequested_) {
        // The file was done before the abort reached it; the others stop.
        closeLane(lane);
        if (!busy()) {
            abortRequested_ = false;
            // Stopped as the user asked: what the menus are off for is over.
            display_.webwatchMenusEnabled = true;
            if (entries_.empty()) {
                endQueue();
                return;
            }
            display_.removeAllVisible = true;
            if (!queuePending_)
                showPendingQueueOfEntries();
            foldQueueFile();
        }
        publish();
        return;
    }
    const std::optional<std::size_t> next =
        busyLaneCount() < connectionLimit_ ? nextWaitingEntry() : std::nullopt;
    if (next) {
        showCount();
        publish();
        startLaneOn(lane, *next);
        // The connections lowered or stopped meanwhile may take files again.
        startNextTransfer();
        return;
    }
    // Nothing for this connection now. While further connections are
    // still being made it stays logged in: a server that turns them away
    // leaves their files to it. Otherwise the ones still working finish the
    // queue.
    if (anotherLaneConnecting(lane)) {
        showCount();
        publish();
        return;
    }
    closeLane(lane);
    if (busy()) {
        showCount();
        publish();
        return;
    }
    settleWhenIdle();
}

void TransferQueue::settleWhenIdle()
{
    if (busy())
        return;
    if (onlySetAsideLeft()) {
        closeIdleConnections();
        foldQueueFile();
        // The files that failed twice wait for the next start; the log-in
        // is not kept for them.
        stopWithSetAsideEntries();
        return;
    }
    if (!entries_.empty()) {
        showCount();
        publish();
        startNextTransfer();
        return;
    }
    endQueue();
}

void TransferQueue::startNextFromLoop()
{
    // Counted as busy until then: the connections that end meanwhile leave
    // the queue's end to this.
    restartScheduled_ = true;
    QTimer::singleShot(0, this, [this] {
        restartScheduled_ = false;
        settleWhenIdle();
        startNextTransfer();
    });
}

void TransferQueue::endQueue()
{
    display_.title = kIdleTitle;
    display_.countVisible = false;
    display_.startVisible = false;
    display_.webwatchMenusEnabled = true;
    for (const std::unique_ptr<TransferLane>& lane : lanes_)
        closeLane(*lane);
    connectionLimit_ = connections_;
    connectionsLoweredSaid_ = false;
    connectionsLoweredReply_.clear();
    connectionStood_ = false;
    bytesLeftQueue_ = 0;
    shownShare_ = -1;
    publish();
    QueueEndReport report{localListChanged_, remoteListChanged_, treePathOf(lastTransferDirectory_)};
    localListChanged_ = false;
    remoteListChanged_ = false;
    observer_->queueEnded(report);
    emit ranDry();
}

void TransferQueue::progress(TransferLane& lane, std::int64_t count, bool& abort)
{
    if (!lane.busy())
        return;
    const QueueEntry& entry = lane.entry();
    if (lane.abortRequested) {
        abort = true;
        if (lane.direction == Direction::Download) {
            resume_ = ResumeState::Running;
            display_.startHint = "Get rest of " + entry.fileName;
        } else {
            display_.startHint = "Send rest of " + entry.fileName;
            showPendingQueueOfEntries();
        }
        publish();
        return;
    }
    lane.bytesMoved = count;
    std::int64_t moving = 0;
    for (const std::unique_ptr<TransferLane>& each : lanes_)
        if (each->busy())
            moving += each->bytesMoved;
    observer_->transferProgressed(moving);
    // A file that grew since it was listed, or line ends converted on the
    // way, bring more bytes than the size said: the share stops at the
    // whole file and the button at the end of its bar.
    lane.percentage = lane.runningSize <= 100
                          ? 100
                          : static_cast<int>(std::min<std::int64_t>(100, count / (lane.runningSize / 100)));
    const bool several = connectionLimit_ > 1;
    if (!several && lane.runningSize <= 100)
        return;
    // One connection shows its file's share; several, the share of the
    // queue as a whole, since several files move at once.
    int share = lane.percentage;
    if (several) {
        const std::int64_t whole = bytesLeftQueue_ + entries_.totalBytes();
        share = whole <= 0 ? 100
                           : static_cast<int>(std::min<std::int64_t>(100, (bytesLeftQueue_ + moving) * 100 / whole));
    }
    const bool first = lane.firstProgress;
    if (first) {
        lane.firstProgress = false;
        display_.startVisible = true;
        display_.startAtBarStart = false;
        if (!several)
            display_.percentage = 0;
    }
    // Only a change of the shown percentage is worth a redraw; progress
    // comes for every block received.
    if (!first && share == shownShare_)
        return;
    shownShare_ = share;
    if (count > 0 || several)
        display_.percentage = share;
    display_.startCaption = std::to_string(share) + "%";
    display_.title = display_.countText + display_.startCaption;
    display_.barDrawn = true;
    publish();
}
