// The queue itself: adding files, starting the next transfer, the start and
// remove-all buttons, and lending the transfer client to another job.
#include "transfer/transfer_queue.h"

#include <QTimer>

#include "core/placeholder_password.h"
#include "ftp/ftp_download_file.h"
#include "services/dialogs.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <sys/stat.h>

namespace {

QString qs(const std::string& text)
{
    return QString::fromStdString(text);
}

bool fileExists(const std::string& path)
{
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0;
}

// The part of a path before its last '/'.
std::string folderOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return {};
    return slash == 0 ? std::string("/") : path.substr(0, slash);
}

}  // namespace

TransferQueue::TransferQueue(QueueFiles files, Dialogs& dialogs, QObject* parent)
    : QObject(parent), files_(std::move(files)), dialogs_(dialogs)
{
    // Every connection there may be is made now, so whoever sets up the
    // clients (a proxy, certificate checks) reaches them all at once.
    for (std::size_t i = 0; i < kMostConnections; ++i) {
        lanes_.push_back(std::make_unique<TransferLane>(static_cast<int>(i) + 1));
        TransferLane& lane = *lanes_.back();
        TFtpClient& client = lane.client();
        client.OnRequestDone = [this, &lane](TCustomFtpCli*, TFtpRequest rq, std::uint16_t error) {
            if (lentTo_ && &lane == lanes_.front().get()) {
                lentTo_(rq, error);
                return;
            }
            requestDone(lane, rq, error);
        };
        client.OnProgress = [this, &lane](TCustomFtpCli*, std::int64_t count, bool& abort) {
            progress(lane, count, abort);
        };
        client.OnDisplay = [this, &lane](TCustomFtpCli*, std::string& line) { logFor(lane, line); };
        // A file queued as ASCII that turns out to hold binary data is
        // fetched again in binary mode instead of being stored with its line
        // ends changed.
        client.SetCheckAsciiDownloadForBinaryData(true);
    }
}

TransferQueue::~TransferQueue()
{
    // Left as a plain queue file, without a journal beside it, unless the
    // queue file went meanwhile (a finished WebWatch run retires it).
    if (!entries_.empty() && files_.notedCount() > 0 && std::filesystem::exists(files_.queuePath()))
        files_.saveQueue(entries_);
    for (const std::unique_ptr<TransferLane>& lane : lanes_) {
        lane->client().OnRequestDone = nullptr;
        lane->client().OnProgress = nullptr;
        lane->client().OnDisplay = nullptr;
    }
}

void TransferQueue::setConnections(std::size_t connections)
{
    connections_ = std::clamp<std::size_t>(connections, 1, kMostConnections);
    if (!busy())
        connectionLimit_ = connections_;
    else
        connectionLimit_ = std::min(connectionLimit_, connections_);
}

std::vector<TFtpClient*> TransferQueue::clients()
{
    std::vector<TFtpClient*> all;
    for (const std::unique_ptr<TransferLane>& lane : lanes_)
        all.push_back(&lane->client());
    return all;
}

void TransferQueue::logFor(const TransferLane& lane, const std::string& line)
{
    observer_->connectionLogLine(lane.number(), line);
}

bool TransferQueue::confirmDiscardOfInterruptedDownload()
{
    if (resume_ != ResumeState::Offered)
        return true;
    const std::string name = haveResumeRecord_ ? resumeRecord_.fileName : std::string();
    if (!dialogs_.confirmOkCancel(qs("Delete " + name)))
        return false;
    display_.removeAllVisible = false;
    discardInterruptedDownload();
    publish();
    return true;
}

void TransferQueue::discardInterruptedDownload()
{
    // What the user agreed to delete is the interrupted download: its
    // record, its entry and the part of the file it wrote. Files queued
    // behind it stay queued; at start-up they are still only on disk.
    if (entries_.empty())
        if (std::optional<QueueEntries> stored = files_.loadQueue())
            entries_ = std::move(*stored);
    if (haveResumeRecord_ && !entries_.empty() && entries_.first().isDownload() &&
        entries_.first().localPath() == resumeRecord_.localPath &&
        entries_.first().fileName == resumeRecord_.fileName)
        entries_.removeFirst();
    queueFileStale_ = true;
    replaceQueueList();
    if (haveResumeRecord_)
        removePartFile(resumeRecord_.localPath);
    files_.removeResumeRecord();
    haveResumeRecord_ = false;
    resume_ = ResumeState::None;
    display_.startVisible = false;
    clearBar();
    saveQueueFile();
}

void TransferQueue::appendEntry(QueueEntry entry)
{
    const std::string line = queueListLine(entry);
    entries_.append(std::move(entry));
    queueFileStale_ = true;
    observer_->queueLineAppended(line);
}

void TransferQueue::showCount()
{
    display_.countText = std::to_string(entries_.count()) + kFilesInLine;
    display_.countVisible = true;
}

void TransferQueue::saveQueueFileSoon()
{
    // Files queued one by one in a row (a script, or many clicks before the
    // loop turns) are written once, not once each: the file holds every
    // entry, so writing it per entry would cost the square of their number.
    queueFileStale_ = true;
    if (saveScheduled_)
        return;
    saveScheduled_ = true;
    QTimer::singleShot(0, this, [this] {
        saveScheduled_ = false;
        if (queueFileStale_)
            saveQueueFile();
    });
}

void TransferQueue::saveQueueFile()
{
    if (entries_.empty()) {
        files_.removeQueue();
    } else if (!files_.saveQueue(entries_)) {
        // Said once until a write succeeds again: the queue is written
        // before every file, and a full disk would repeat it for each.
        if (!queueFileWriteFailed_)
            observer_->logLine("! Could not write the queue file " + files_.queuePath());
        queueFileWriteFailed_ = true;
        return;
    }
    entries_.numberAsStored();
    queueFileWriteFailed_ = false;
    queueFileStale_ = false;
}

void TransferQueue::foldQueueFile()
{
    if (queueFileStale_ || files_.notedCount() > 0)
        saveQueueFile();
}

void TransferQueue::noteEntryLeft(std::size_t index)
{
    // Noted beside the queue file rather than written into it: the file
    // holds every entry, and writing it whole after each of thousands of
    // files would cost more than sending them. It is written whole again
    // once the notes are as many as the entries left (and at least a few
    // hundred), which keeps the cost per file the same however long the
    // queue, and the notes no longer than the file.
    constexpr std::size_t kNotesBeforeWholeWrite = 256;
    const std::size_t place = entries_.placeInFile(index);
    if (place == 0)
        return;  // queued since the file was written: it never held it
    if (!files_.noteLeft(place, entries_.at(index)) ||
        files_.notedCount() >= std::max(kNotesBeforeWholeWrite, entries_.count() - 1))
        queueFileStale_ = true;
}

void TransferQueue::removePartFile(const std::string& localPath)
{
    // What an unfinished download received; the file at the local path
    // itself is the user's and stays.
    if (!localPath.empty() && DownloadUsesPartFile(localPath))
        std::remove(DownloadPartPath(localPath).c_str());
}

TransferQueue::Queued TransferQueue::queueUpload(const QueueSite& site, const std::string& remoteDirectory,
                                                 const std::string& localDirectory, const std::string& name,
                                                 const std::string& size, const std::string& mode)
{
    if (!mayQueue() || !confirmDiscardOfInterruptedDownload())
        return Queued::Cancelled;
    const std::string localPath = localPathIn(localDirectory, name);
    if (skipLineBreak(remoteDirectory, name, localPath))
        return Queued::Kept;
    const UploadChoice choice = checkUpload(remoteDirectory, localPath, name);
    if (choice.action == UploadChoice::Action::Leave)
        return Queued::Kept;
    if (choice.action == UploadChoice::Action::Stop)
        return Queued::Cancelled;
    if (skipLineBreak(remoteDirectory, choice.remoteName, localPath))
        return Queued::Kept;
    // Appended rather than `literal + temporary`, which GCC 12 warns about
    // falsely in a release build.
    QueueEntry entry{std::string(kUploadDirection).append(localPath),
                     site.host,
                     site.user,
                     site.password,
                     site.port,
                     remoteDirectory,
                     choice.remoteName,
                     size,
                     mode};
    appendEntry(std::move(entry));
    showCount();
    publish();
    saveQueueFileSoon();
    startNextTransfer();
    return Queued::Yes;
}

TransferQueue::Queued TransferQueue::queueDownload(const QueueSite& site, const std::string& remoteDirectory,
                                                   const std::string& localDirectory, const std::string& remoteName,
                                                   const std::string& size, const std::string& mode,
                                                   OverwriteAnswers* several)
{
    if (!mayQueue())
        return Queued::Cancelled;
    if (skipLineBreak(remoteDirectory, remoteName, localDirectory))
        return Queued::Kept;
    // The remote name becomes part of a local path: a server could name a
    // file "../x" or "a/b" and have it written outside the chosen folder.
    if (!isSafeLocalName(remoteName)) {
        observer_->logLine("! Download of \"" + remoteName +
                           "\" refused: that name would be written outside the local folder");
        return Queued::Refused;
    }
    if (!confirmDiscardOfInterruptedDownload())
        return Queued::Cancelled;

    std::string localPath = localPathIn(localDirectory, remoteName);
    if (fileExists(localPath)) {
        switch (askOverwrite(localPath, several)) {
        case OverwriteAnswer::Overwrite:
            break;
        case OverwriteAnswer::OtherName: {
            SaveFileRequest request{qs(localDirectory), qs(remoteName), {}};
            const std::string extension = [&] {
                const std::size_t dot = remoteName.rfind('.');
                return dot == std::string::npos ? std::string() : remoteName.substr(dot);
            }();
            if (extension.size() == 4)
                request.defaultExtension = qs(extension.substr(1));
            const std::optional<QString> chosen = dialogs_.askSaveFileName(request);
            if (!chosen)
                return Queued::Cancelled;
            localPath = chosen->toStdString();
            break;
        }
        case OverwriteAnswer::Keep:
            // "No to all": the local file stays, unasked from here on.
            return Queued::Kept;
        case OverwriteAnswer::Cancel:
            return Queued::Cancelled;
        }
    }

    QueueEntry entry{kDownloadDirection + localPath,
                     site.host,
                     site.user,
                     site.password,
                     site.port,
                     remoteDirectory,
                     remoteName,
                     size,
                     mode};
    appendEntry(std::move(entry));
    saveQueueFileSoon();
    showCount();
    publish();
    startNextTransfer();
    return Queued::Yes;
}

bool TransferQueue::skipLineBreak(const std::string& remoteDirectory, const std::string& name,
                                  const std::string& localPath)
{
    // An FTP command ends at a line break (the rest would reach the server
    // as a command of its own), and the queue file holds an entry a line: a
    // name with one could only stop the queue when its turn came.
    const auto breaks = [](const std::string& text) { return text.find_first_of("\r\n") != std::string::npos; };
    if (!breaks(remoteDirectory) && !breaks(name) && !breaks(localPath))
        return false;
    std::string shown;
    for (const char c : breaks(name) ? name : remoteDirectory + "/" + name)
        shown += c == '\r' ? std::string("\\r") : c == '\n' ? std::string("\\n") : std::string(1, c);
    observer_->logLine("! \"" + shown + "\" skipped: a name that holds a line break cannot be sent to an FTP server");
    return true;
}

TransferQueue::UploadChoice TransferQueue::checkUpload(const std::string& remoteDirectory,
                                                      const std::string& localPath, const std::string& name)
{
    if (!uploadCheck_)
        return UploadChoice{UploadChoice::Action::Send, name};
    UploadChoice choice = uploadCheck_(remoteDirectory, localPath, name);
    if (choice.remoteName.empty())
        choice.remoteName = name;
    return choice;
}

TransferQueue::OverwriteAnswer TransferQueue::askOverwrite(const std::string& localPath, OverwriteAnswers* several)
{
    const QString question = QStringLiteral("Overwrite File???");
    if (!several) {
        switch (dialogs_.askYesNoCancel(qs(localPath), question)) {
        case DialogAnswer::Yes:
            return OverwriteAnswer::Overwrite;
        case DialogAnswer::No:
            return OverwriteAnswer::OtherName;
        default:
            return OverwriteAnswer::Cancel;
        }
    }
    using ForAll = OverwriteAnswers::ForAll;
    if (several->forAll == ForAll::Overwrite)
        return OverwriteAnswer::Overwrite;
    if (several->forAll == ForAll::Keep)
        return OverwriteAnswer::Keep;
    enum Choice { Yes, YesToAll, No, NoToAll };
    switch (dialogs_.askChoice(qs(localPath), question,
                               {QStringLiteral("Yes"), QStringLiteral("Yes to all"), QStringLiteral("No"),
                                QStringLiteral("No to all"), QStringLiteral("Cancel")})) {
    case Yes:
        return OverwriteAnswer::Overwrite;
    case YesToAll:
        several->forAll = ForAll::Overwrite;
        return OverwriteAnswer::Overwrite;
    case No:
        return OverwriteAnswer::OtherName;
    case NoToAll:
        several->forAll = ForAll::Keep;
        return OverwriteAnswer::Keep;
    default:
        return OverwriteAnswer::Cancel;
    }
}

std::size_t TransferQueue::queueDirectory(const QueueSite& site, const std::string& remoteDirectory,
                                          const std::string& localDirectory, const std::vector<LocalFile>& files,
                                          const std::function<std::string(const std::string&)>& modeFor,
                                          const std::string& targetText)
{
    if (!mayQueue() || !confirmDiscardOfInterruptedDownload())
        return 0;
    // At most this many list items are looked at in one action.
    constexpr std::size_t kMostItems = 9999;
    NameDialogState& dialog = dialogs_.nameDialog();
    dialog.caption = QStringLiteral("Transfer local dir to");
    // The question says what goes where: the remote folder, how many files
    // and from which local folder, so a click in the wrong folder shows.
    const std::size_t offered = std::min(files.size(), kMostItems);
    dialog.panelText = qs(targetText + ": " + std::to_string(offered) + (offered == 1 ? " file" : " files") +
                          " from " + localDirectory);
    dialog.editVisible = false;
    const bool confirmed = dialogs_.runNameDialog();
    dialog.editVisible = true;
    dialog.caption = QStringLiteral("Write name");
    if (!confirmed)
        return 0;

    std::size_t queued = 0;
    for (std::size_t i = 0; i < files.size() && i < kMostItems; ++i) {
        const LocalFile& file = files[i];
        const std::string localPath = localPathIn(localDirectory, file.name);
        if (skipLineBreak(remoteDirectory, file.name, localPath))
            continue;
        const UploadChoice choice = checkUpload(remoteDirectory, localPath, file.name);
        if (choice.action == UploadChoice::Action::Leave)
            continue;
        if (choice.action == UploadChoice::Action::Stop)
            break;
        if (skipLineBreak(remoteDirectory, choice.remoteName, localPath))
            continue;
        QueueEntry entry{std::string(kUploadDirection).append(localPath),
                         site.host,
                         site.user,
                         site.password,
                         site.port,
                         remoteDirectory,
                         choice.remoteName,
                         file.size,
                         modeFor(file.name)};
        appendEntry(std::move(entry));
        ++queued;
    }
    if (queued > 0) {
        // One write for the whole folder: the file holds every entry either
        // way, and thousands of rewrites of a growing file would take long.
        showCount();
        publish();
        saveQueueFile();
    }
    if (!entries_.empty())
        startNextTransfer();
    return queued;
}

void TransferQueue::startButtonClicked()
{
    if (transferRunning())
        return;
    abortRequested_ = false;
    setAside_.clear();
    if (resume_ == ResumeState::Offered)
        showInterruptedDownload();

    if (queuePending_ && !entries_.empty()) {
        const QueueEntry& entry = entries_.first();
        if (!observer_->browsingConnected())
            observer_->connectBrowsing(QueueSite{entry.host, entry.user, entry.password, entry.port},
                                       folderOf(entry.localPath()), entry.remoteDirectory);
        display_.startHint.clear();
        // Busy from here (a connection carries the first file), so a second
        // click cannot start a second log-in.
        connectionLimit_ = connections_;
        display_.webwatchMenusEnabled = false;
        showCount();
        display_.title = display_.countText;
        startNextTransfer();
        publish();
        return;
    }

    if (resume_ == ResumeState::Running) {
        if (std::optional<ResumeRecord> stored = files_.loadResumeRecord()) {
            resumeRecord_ = *stored;
            haveResumeRecord_ = true;
        }
        if (!haveResumeRecord_) {
            resume_ = ResumeState::None;
            return;
        }
        if (!observer_->browsingConnected())
            observer_->connectBrowsing(
                QueueSite{resumeRecord_.host, resumeRecord_.user, resumeRecord_.password, resumeRecord_.port},
                folderOf(resumeRecord_.localPath), resumeRecord_.remoteDirectory);
        display_.startHint.clear();
        // The queue file holds the download among its entries; a queue that
        // lost it (or never had it) gets it back from the record. It goes
        // first either way.
        if (std::optional<QueueEntries> stored = files_.loadQueue()) {
            entries_ = std::move(*stored);
            queueFileStale_ = true;
        }
        std::optional<std::size_t> interrupted;
        for (std::size_t i = 0; i < entries_.count() && !interrupted; ++i)
            if (entries_.at(i).isDownload() && entries_.at(i).localPath() == resumeRecord_.localPath &&
                entries_.at(i).fileName == resumeRecord_.fileName)
                interrupted = i;
        if (!interrupted) {
            entries_.prepend(resumeRecord_.toEntry());
            queueFileStale_ = true;
        } else if (*interrupted > 0) {
            entries_.moveToFront(*interrupted);
            queueFileStale_ = true;
        }
        replaceQueueList();
        showCount();
        display_.title = display_.countText;
        display_.webwatchMenusEnabled = false;
        connectionLimit_ = connections_;
        TransferLane* lane = idleLane();
        if (!lane)
            return;
        startLaneOn(*lane, 0);
        // A failure from here on is a failure of a started transfer: it asks
        // the user instead of leaving the download hanging.
        lane->loggedIn = true;
        publish();
    }
}

void TransferQueue::removeAllClicked()
{
    // Nothing is discarded under a running transfer or deletion pass: its
    // end would act on entries that are no longer there.
    if (transferRunning())
        return;
    emit discarding();
    setAside_.clear();
    clearBar();
    display_.startVisible = false;
    display_.removeAllVisible = false;
    display_.countVisible = false;
    display_.title = kIdleTitle;
    files_.removeResumeRecord();
    files_.removeQueue();
    const std::string firstLocalPath = entries_.empty() ? std::string() : entries_.first().localPath();
    entries_.clear();
    queueFileStale_ = false;
    observer_->queueListReplaced({});
    queuePending_ = false;
    if (resume_ != ResumeState::None) {
        resume_ = ResumeState::None;
        // What the interrupted download received goes too.
        removePartFile(haveResumeRecord_ ? resumeRecord_.localPath : firstLocalPath);
    }
    haveResumeRecord_ = false;
    publish();
    emit discarded();
}

std::size_t TransferQueue::changeSite(const QueueSite& old, const QueueSite& now)
{
    if (transferRunning())
        return 0;
    const auto sameSite = [](const QueueEntry& entry, const QueueSite& site) {
        return entry.host == site.host && entry.user == site.user && entry.password == site.password
            && entry.port == site.port;
    };
    // A queue held behind an interrupted download is only in its file.
    const bool inFileOnly = entries_.empty();
    QueueEntries current = entries_;
    if (inFileOnly)
        if (std::optional<QueueEntries> stored = files_.loadQueue())
            current = std::move(*stored);
    std::size_t changed = 0;
    QueueEntries updated;
    for (QueueEntry entry : current.all()) {
        if (sameSite(entry, old)) {
            entry.host = now.host;
            entry.user = now.user;
            entry.password = now.password;
            entry.port = now.port;
            ++changed;
        }
        updated.append(std::move(entry));
    }
    if (changed == 0)
        return 0;
    if (inFileOnly) {
        if (!files_.saveQueue(updated))
            observer_->logLine("! Could not write the queue file " + files_.queuePath());
        return changed;
    }
    entries_ = std::move(updated);
    queueFileStale_ = true;
    saveQueueFile();
    return changed;
}

bool TransferQueue::lendClient(RequestDoneHandler handler)
{
    if (busy() || lentTo_ || !handler)
        return false;
    lentTo_ = std::move(handler);
    // The borrower may log in elsewhere: what this connection had entered
    // says nothing about the server it is on afterwards.
    lanes_.front()->forgetConnection();
    // Whoever shows whether a transfer runs is told.
    publish();
    return true;
}

void TransferQueue::takeClientBack()
{
    lentTo_ = nullptr;
    publish();
}

bool TransferQueue::showPendingQueue(const TextLineList& queueLines)
{
    // The running transfer's completion removes the first entry: a queue
    // swapped in under it would lose a file that was never sent.
    if (transferRunning()) {
        observer_->logLine("! A transfer is running; the waiting queue is not taken up");
        return false;
    }
    std::optional<QueueEntries> restored = QueueEntries::fromLines(queueLines);
    if (!restored || restored->empty())
        return false;
    entries_ = std::move(*restored);
    // The lines may be the file's with its journal applied: the file is
    // written whole before the first transfer, and entries are noted from
    // there on.
    files_.forgetWrittenFile();
    queueFileStale_ = true;
    replaceQueueList();
    showPendingQueueOfEntries();
    return true;
}

void TransferQueue::prepareResumeOfInterruptedDownload(const TextLineList& recordLines)
{
    std::optional<ResumeRecord> record = ResumeRecord::fromLines(recordLines);
    if (!record)
        return;
    resumeRecord_ = std::move(*record);
    haveResumeRecord_ = true;
    showInterruptedDownload();
}
