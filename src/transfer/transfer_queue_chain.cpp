// The transfer client's request chain: each finished request starts the
// next one, from the log-in to the file, and each finished file the next
// file, until the queue is empty.
#include "transfer/transfer_queue.h"

#include "core/kill_point.h"

#include "core/placeholder_password.h"
#include "core/remote_directory.h"
#include "ftp/ftp_download_file.h"
#include "ftp/ftp_local_stream.h"

#include <QTimer>

#include <algorithm>
#include <fstream>

namespace {

// Whether the file's first 64 KiB hold a NUL byte, which no text file has.
bool holdsBinaryData(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    std::string head(64 * 1024, '\0');
    file.read(head.data(), static_cast<std::streamsize>(head.size()));
    head.resize(static_cast<std::size_t>(file.gcount()));
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

void TransferQueue::begin(TFtpRequest request, const std::function<void()>& start)
{
    awaitingRequest_ = true;
    try {
        start();
    } catch (const std::exception& e) {
        // The client refused to start (not connected, a name left empty):
        // that ends the request like a failure, later, as a request's end
        // always comes.
        observer_->logLine(std::string("! ") + e.what());
        QTimer::singleShot(0, this, [this, request] {
            if (awaitingRequest_)
                requestDone(request, 500);
        });
    }
}

void TransferQueue::requestDone(TFtpRequest request, std::uint16_t error)
{
    if (!awaitingRequest_)
        return;
    awaitingRequest_ = false;
    // Made or not, the next level follows: the entry's CWD decides.
    if (request == ftpRqMakeDir) {
        observer_->logLine(client_.LastResponse());
        makeNextFolder();
        return;
    }
    if (error != 0 && request == ftpRqChangeDir && makeFoldersForUpload())
        return;
    if (error != 0 && (request == ftpRqGetFile || request == ftpRqResumeGetFile) &&
        client_.AsciiDownloadHeldBinaryData() && !abortRequested_) {
        fetchAgainInBinary();
        return;
    }
    if (error != 0) {
        requestFailed(request, error);
        return;
    }
    switch (request) {
    case ftpRqOpen:
        afterOpen();
        break;
    case ftpRqUser:
        afterUser();
        break;
    case ftpRqPass:
        afterPass();
        break;
    case ftpRqPrintDir:
        loginFolder_ = client_.DirResult();
        foldersEntered_.insert(*loginFolder_);
        changeToEntryFolder();
        break;
    case ftpRqChangeDir:
        afterChangeDir();
        break;
    case ftpRqSetType:
        afterSetType();
        break;
    case ftpRqGetFile:
    case ftpRqResumeGetFile:
        afterTransfer(Direction::Download);
        break;
    case ftpRqPutFile:
        afterTransfer(Direction::Upload);
        break;
    case ftpRqQuit:
        afterQuit();
        break;
    default:
        break;
    }
}

void TransferQueue::openConnectionFor(const QueueEntry& entry)
{
    // A connection left from an aborted transfer is closed first: the new
    // log-in starts from a fresh one.
    if (client_.Connected() || client_.State() != ftpStateReady)
        client_.BeginAbort();
    client_.SetHostName(entry.host);
    client_.SetPort(entry.port);
    client_.SetPassive(passiveMode_());
    otherSite_ = false;
    abortRequested_ = false;
    loginFolder_.reset();
    foldersEntered_.clear();
    begin(ftpRqOpen, [this] { client_.BeginOpen(); });
}

void TransferQueue::afterOpen()
{
    if (entries_.empty())
        return;
    client_.SetUserName(entries_.first().user);
    loggedIn_ = true;
    begin(ftpRqUser, [this] { client_.BeginUser(); });
}

void TransferQueue::afterUser()
{
    if (entries_.empty())
        return;
    const std::string& password = entries_.first().password;
    client_.SetPassWord(password.empty() ? std::string(kPlaceholderEmailPassword) : password);
    begin(ftpRqPass, [this] { client_.BeginPass(); });
}

void TransferQueue::afterPass()
{
    // A directory in the login folder needs to know where that is; only
    // now, before the first CWD, is the server still there.
    if (!entries_.empty() && isRelativeToLoginFolder(entries_.first().remoteDirectory)) {
        begin(ftpRqPrintDir, [this] { client_.BeginPrintDir(); });
        return;
    }
    changeToEntryFolder();
}

void TransferQueue::changeToEntryFolder()
{
    if (entries_.empty())
        return;
    // One CWD to the folder's absolute path, and none at all while the
    // connection is known to be there already (the last file's folder).
    const std::string folder = entryFolder(entries_.first());
    if (client_.KnowsDirectory(folder)) {
        setTypeForEntry();
        return;
    }
    client_.SetHostDirName(folder);
    begin(ftpRqChangeDir, [this] { client_.BeginChangeDir(); });
}

bool TransferQueue::directoryKnown(const QueueEntry& entry) const
{
    return loginFolder_.has_value() || !isRelativeToLoginFolder(entry.remoteDirectory);
}

std::string TransferQueue::entryFolder(const QueueEntry& entry) const
{
    // "./www" (a path of the remote tree) and "/www" name the same folder;
    // one in the login folder is joined to the folder the log-in reported.
    return absoluteRemoteDirectory(entry.remoteDirectory,
                                   isRelativeToLoginFolder(entry.remoteDirectory) ? loginFolder_.value_or("/") : "/");
}

void TransferQueue::afterChangeDir()
{
    foldersEntered_.insert(client_.HostDirName());
    setTypeForEntry();
}

void TransferQueue::setTypeForEntry()
{
    if (entries_.empty())
        return;
    const QueueEntry& entry = entries_.first();
    bool binary = entry.binary();
    if (!binary && !entry.isDownload() && holdsBinaryData(entry.localPath())) {
        // Converting line ends would corrupt it; the mode stored with the
        // entry (or a web project) stays as it is.
        observer_->logLine("! " + entry.fileName + " holds binary data (a NUL byte); sent in binary mode");
        binary = true;
    }
    client_.SetBinary(binary);
    // The type stays set from one file to the next on the same connection.
    if (client_.KnowsType()) {
        afterSetType();
        return;
    }
    begin(ftpRqSetType, [this] { client_.BeginSetType(); });
}

void TransferQueue::afterSetType()
{
    if (direction_ == Direction::Upload)
        startUpload();
    else if (resume_ == ResumeState::Running)
        resumeDownload();
    else
        startDownload();
}

void TransferQueue::afterQuit()
{
    if (!otherSite_ || entries_.empty())
        return;
    loggedIn_ = false;
    otherSite_ = false;
    abortRequested_ = false;
    openConnectionFor(entries_.first());
}

void TransferQueue::startUpload()
{
    const QueueEntry& entry = entries_.first();
    client_.SetLocalFileName(entry.localPath());
    client_.SetHostFileName(entry.fileName);
    runningSize_ = entry.sizeInBytes();
    percentage_ = 0;
    busy_ = true;
    firstProgress_ = true;
    begin(ftpRqPutFile, [this] { client_.BeginPutFile(); });
    // Written while the server answers the PASV or PORT just sent. Until
    // then the file may still name the entry just finished as well, which
    // a kill would only send again; this one is in it either way.
    if (queueFileStale_)
        saveQueueFile();
}

void TransferQueue::startDownload()
{
    const QueueEntry& entry = entries_.first();
    const std::string localPath = entry.localPath();
    client_.SetLocalFileName(localPath);
    client_.SetHostFileName(entry.fileName);
    runningSize_ = entry.sizeInBytes();
    percentage_ = 0;
    busy_ = true;
    resumeRecord_ = ResumeRecord::forDownload(entry);
    haveResumeRecord_ = true;
    if (!files_.saveResumeRecord(resumeRecord_))
        observer_->logLine("! Could not write the resume record " + files_.resumeRecordPath());
    if (queueFileStale_)
        saveQueueFile();
    firstProgress_ = true;
    begin(ftpRqGetFile, [this] { client_.BeginGetFile(); });
}

void TransferQueue::fetchAgainInBinary()
{
    if (entries_.empty())
        return;
    // Nothing of the ASCII attempt was stored; the mode stored with the
    // entry stays as it is.
    observer_->logLine("! " + entries_.first().fileName + " holds binary data (a NUL byte); fetched again in binary mode");
    client_.SetBinary(true);
    if (client_.KnowsType()) {
        afterSetType();
        return;
    }
    begin(ftpRqSetType, [this] { client_.BeginSetType(); });
}

void TransferQueue::resumeDownload()
{
    const QueueEntry& entry = entries_.first();
    client_.SetLocalFileName(entry.localPath());
    client_.SetHostFileName(entry.fileName);
    runningSize_ = entry.sizeInBytes();
    busy_ = true;
    firstProgress_ = true;
    if (queueFileStale_)
        saveQueueFile();
    // Only the part file holds bytes of this download; the file at the
    // local path is the user's until the download is complete, and is
    // never appended to.
    const std::string localPath = entry.localPath();
    if (!DownloadUsesPartFile(localPath) || FtpLocalStream::FileSize(DownloadPartPath(localPath)) < 0) {
        observer_->logLine("! Nothing of " + entry.fileName + " was kept; fetching the whole file again");
        begin(ftpRqGetFile, [this] { client_.BeginGetFile(); });
        return;
    }
    begin(ftpRqResumeGetFile, [this] { client_.BeginResumeGetFile(); });
}

void TransferQueue::afterTransfer(Direction direction)
{
    observer_->logLine(client_.LastResponse());
    // The server has the file; the queue file still names it.
    passKillPoint("transferred");
    if (!entries_.empty())
        emit fileTransferred(entries_.first());
    // A transfer the client reports as done has moved the whole file; the
    // percentage may still be short of it (no progress for a small or
    // empty file, a size that changed since it was listed), and waiting for
    // it would only leave the queue stuck.
    finishFirstEntry(direction);
    continueQueue();
}

void TransferQueue::finishFirstEntry(Direction direction)
{
    if (!entries_.empty()) {
        noteFirstEntryLeft();
        entries_.removeFirst();
        observer_->queueFirstLineRemoved();
    }
    foldersMadeFor_.clear();
    display_.startVisible = false;
    display_.removeAllVisible = false;
    busy_ = false;
    percentage_ = 0;
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

void TransferQueue::continueQueue()
{
    if (onlySetAsideLeft()) {
        foldQueueFile();
        // The files that failed twice wait for the next start; the log-in
        // is not kept for them.
        loggedIn_ = false;
        client_.BeginAbort();
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

void TransferQueue::endQueue()
{
    display_.title = kIdleTitle;
    display_.countVisible = false;
    display_.webwatchMenusEnabled = true;
    loggedIn_ = false;
    client_.BeginAbort();
    publish();
    QueueEndReport report{localListChanged_, remoteListChanged_, treePathOf(client_.HostDirName())};
    localListChanged_ = false;
    remoteListChanged_ = false;
    observer_->queueEnded(report);
    emit ranDry();
}

void TransferQueue::progress(std::int64_t count, bool& abort)
{
    if (!busy_ || entries_.empty())
        return;
    const QueueEntry& entry = entries_.first();
    if (abortRequested_) {
        abort = true;
        if (direction_ == Direction::Download) {
            resume_ = ResumeState::Running;
            display_.startHint = "Get rest of " + entry.fileName;
        } else {
            display_.startHint = "Send rest of " + entry.fileName;
            showPendingQueueOfEntries();
        }
        publish();
        return;
    }
    observer_->transferProgressed(count);
    if (runningSize_ <= 100) {
        percentage_ = 100;
        return;
    }
    // A file that grew since it was listed, or line ends converted on the
    // way, bring more bytes than the size said: the share stops at the
    // whole file and the button at the end of its bar.
    const int percentage = static_cast<int>(std::min<std::int64_t>(100, count / (runningSize_ / 100)));
    const bool first = firstProgress_;
    if (first) {
        firstProgress_ = false;
        display_.startVisible = true;
        display_.startAtBarStart = false;
        display_.percentage = 0;
    }
    // Only a change of the shown percentage is worth a redraw; progress
    // comes for every block received.
    if (!first && percentage == percentage_)
        return;
    percentage_ = percentage;
    if (count > 0)
        display_.percentage = percentage;
    display_.startCaption = std::to_string(percentage) + "%";
    display_.title = display_.countText + display_.startCaption;
    display_.barDrawn = true;
    publish();
}
