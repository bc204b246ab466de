// A request of the transfer client that failed: an abort the user asked for,
// a failed transfer (the user removes the file or tries again), or a
// connection that could not be made.
#include "transfer/transfer_queue.h"

#include "core/url_password_mask.h"
#include "ftp/ftp_host_scheme.h"
#include "services/dialogs.h"

#include <QTimer>

void TransferQueue::requestFailed(TFtpRequest request, std::uint16_t error)
{
    // The old site's log-in is over even when its QUIT went wrong; the
    // next site's log-in does not depend on it.
    if (request == ftpRqQuit && otherSite_) {
        afterQuit();
        return;
    }
    if (abortRequested_ && busy_) {
        // Whatever the server answers a cut transfer with (some send a 150
        // line), the user stopped it.
        const std::string name = entries_.empty() ? std::string() : entries_.first().fileName;
        observer_->logLine(std::string(direction_ == Direction::Download ? "! Download of " : "! Upload of ") + name +
                           " aborted");
    } else {
        observer_->logLine("! Transfer request failed with error " + std::to_string(error));
    }
    if (abortRequested_)
        abortedTransferEnded();
    else if (loggedIn_) {
        // The status bar keeps what the server said after the question has
        // gone.
        observer_->failureReported(failureText(request));
        const DialogAnswer answer =
            dialogs_.askYesNoCancel(QStringLiteral("Error!! "), QString::fromStdString(failureQuestion(request)));
        if (answer == DialogAnswer::Yes) {
            removeFailedEntry();
        } else if (answer == DialogAnswer::Cancel && setAsideOnCancel_ && direction_ == Direction::Upload) {
            setAsideFailedEntry();
        } else if (answer == DialogAnswer::Cancel) {
            stopWithFailedEntry();
        } else {
            dialogs_.message(QStringLiteral("Trying again! "));
            tryAgain(request);
        }
    } else {
        openFailed();
    }
    display_.webwatchMenusEnabled = true;
    publish();
}

std::string TransferQueue::failureQuestion(TFtpRequest request) const
{
    // The user decides about one file on one server's word: both are named,
    // or "remove" and "try again" are a guess.
    std::string reply = client_.ErrorMessage().empty() ? client_.LastResponse() : client_.ErrorMessage();
    while (!reply.empty() && (reply.back() == '\r' || reply.back() == '\n' || reply.back() == ' '))
        reply.pop_back();
    std::string text;
    if (!entries_.empty()) {
        const QueueEntry& entry = entries_.first();
        text = (entry.isDownload() ? "Could not download " : "Could not upload ") + entry.localPath()
            + (reply.empty() ? std::string() : ": " + reply) + "\n";
    }
    if ((request == ftpRqUser || request == ftpRqPass) && loginRefusedAdvice_) {
        const std::string advice = loginRefusedAdvice_();
        if (!advice.empty())
            text += advice + "\n";
    }
    return text + ":Do You want to remove the file that caused the error from this transfer";
}

void TransferQueue::stopWithFailedEntry()
{
    // Cancel: nothing is retried and nothing is dropped. The file stays
    // first in line and the queue waits for Start, so "Delete" and the
    // abort button can be reached instead of the same question coming back.
    observer_->logLine("! The queue stopped at " + (entries_.empty() ? std::string() : entries_.first().localPath())
                       + "; press Start to try again or Delete to give the queue up");
    busy_ = false;
    loggedIn_ = false;
    client_.BeginAbort();
    foldQueueFile();
    display_.title = kIdleTitle;
    showPendingQueueOfEntries();
}

std::string TransferQueue::replyOfFailure() const
{
    // The first error of the request, or else the reply it ended with.
    return client_.ErrorMessage().empty() ? client_.LastResponse() : client_.ErrorMessage();
}

std::string TransferQueue::failureText(TFtpRequest request) const
{
    if (entries_.empty())
        return replyOfFailure();
    const QueueEntry& entry = entries_.first();
    std::string what;
    if (request == ftpRqPutFile)
        what = "Could not upload " + entry.fileName;
    else if (request == ftpRqGetFile || request == ftpRqResumeGetFile)
        what = "Could not download " + entry.fileName;
    else
        what = "Could not " + std::string(entry.isDownload() ? "download " : "upload ") + entry.fileName +
               " (log-in or directory)";
    return what + ": " + replyOfFailure();
}

void TransferQueue::abortedTransferEnded()
{
    if (!busy_)
        return;
    display_.removeAllHint = "Regret transfer of " + (entries_.empty() ? std::string() : entries_.first().localPath());
    loggedIn_ = false;
    busy_ = false;
    if (direction_ == Direction::Download)
        resume_ = ResumeState::Offered;
    display_.removeAllVisible = true;
    // The queue and the resume record stay for the start button, which
    // logs in afresh.
    client_.BeginAbort();
    foldQueueFile();
}

void TransferQueue::removeFailedEntry()
{
    const std::string name = entries_.empty() ? std::string() : entries_.first().fileName;
    // A download removed for good leaves nothing of itself behind.
    if (!entries_.empty() && entries_.first().isDownload())
        removePartFile(entries_.first().localPath());
    if (!entries_.empty())
        emit fileFailed(entries_.first());
    // Whatever its direction, the entry leaves as a finished download does:
    // the resume record goes with it and the local list is read again.
    finishFirstEntry(Direction::Download);
    if (queueFileStale_)
        saveQueueFile();
    queuePending_ = false;
    publish();
    dialogs_.message(QString::fromStdString(name + " removed"));
    continueQueue();
}

void TransferQueue::setAsideFailedEntry()
{
    if (entries_.empty()) {
        busy_ = false;
        return;
    }
    const QueueEntry failed = entries_.first();
    entries_.removeFirst();
    entries_.append(failed);
    ++setAside_;
    emit fileFailed(failed);
    observer_->logLine("! " + failed.localPath() + " failed again; it stays queued for the next start");
    queueFileStale_ = true;
    saveQueueFile();
    replaceQueueList();
    // Whatever the failure left of the connection, the next file logs in
    // afresh.
    loggedIn_ = false;
    client_.BeginAbort();
    if (onlySetAsideLeft()) {
        busy_ = false;
        stopWithSetAsideEntries();
        return;
    }
    // Busy until the next file starts from the loop, so nothing left of the
    // closed connection is taken for the new one's answer.
    QTimer::singleShot(0, this, [this] {
        if (!busy_ || awaitingRequest_)
            return;
        busy_ = false;
        continueQueue();
    });
}

bool TransferQueue::onlySetAsideLeft() const
{
    return setAside_ > 0 && entries_.count() <= setAside_;
}

void TransferQueue::stopWithSetAsideEntries()
{
    display_.title = kIdleTitle;
    display_.webwatchMenusEnabled = true;
    showPendingQueueOfEntries();
    emit stoppedWithFailures(setAside_);
}

void TransferQueue::tryAgain(TFtpRequest failedRequest)
{
    if (entries_.empty()) {
        busy_ = false;
        return;
    }
    const bool transferFailed = failedRequest == ftpRqPutFile || failedRequest == ftpRqGetFile ||
                                failedRequest == ftpRqResumeGetFile;
    if (transferFailed && client_.Connected()) {
        // The log-in still stands: the same file again on it, as after TYPE.
        afterSetType();
        return;
    }
    // The failure lay in the log-in, or the connection is gone: log in
    // again from the start. The reopen waits for the loop so nothing left of
    // the closed connection can be taken for the new one's answer.
    loggedIn_ = false;
    client_.BeginAbort();
    QTimer::singleShot(0, this, [this] {
        if (busy_ && !awaitingRequest_ && !entries_.empty())
            openConnectionFor(entries_.first());
    });
}

void TransferQueue::openFailed()
{
    // Nothing can be done without a connection; rather than stay busy for
    // good, the queue waits for the start button with every file kept.
    busy_ = false;
    if (!entries_.empty()) {
        const QueueEntry& entry = entries_.first();
        // The port field is not named when the host text has its own port
        // (the one tried) or cannot be used at all.
        const FtpHostAddress address = ParseFtpHost(entry.host);
        const bool portFieldUsed = address.port.empty() && address.error.empty();
        const std::string reason = client_.ErrorMessage();
        // A log-in typed into the host text keeps its password there.
        const std::string text = "No connection to " + MaskUrlPassword(entry.host) +
                                 (portFieldUsed ? " port " + entry.port : "") +
                                 (reason.empty() ? "" : " (" + reason + ")") +
                                 ": the queue waits; press Start to try again";
        observer_->logLine("! " + text);
        observer_->failureReported(text);
    }
    client_.BeginAbort();
    if (resume_ == ResumeState::Running && haveResumeRecord_) {
        resume_ = ResumeState::None;
        showInterruptedDownload();
        return;
    }
    showPendingQueueOfEntries();
}
