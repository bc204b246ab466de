// A request of the transfer client that failed: an abort the user asked for,
// a failed transfer (the user removes the file or tries again), or a
// connection that could not be made.
#include "transfer/transfer_queue.h"

#include "core/url_password_mask.h"
#include "ftp/ftp_host_scheme.h"
#include "services/dialogs.h"

#include <QTimer>

void TransferQueue::requestFailed(TransferLane& lane, TFtpRequest request, std::uint16_t error)
{
    if (!lane.busy())
        return;
    // The old site's log-in is over even when its QUIT went wrong; the
    // next site's log-in does not depend on it.
    if (request == ftpRqQuit && lane.otherSite) {
        afterQuit(lane);
        return;
    }
    if (lane.abortRequested && lane.busy()) {
        // Whatever the server answers a cut transfer with (some send a 150
        // line), the user stopped it.
        logFor(lane, std::string(lane.direction == Direction::Download ? "! Download of " : "! Upload of ") +
                         lane.entry().fileName + " aborted");
        abortedTransferEnded(lane);
        publish();
        return;
    }
    if (furtherConnectionRefused(lane, request, error)) {
        // Not a failure of anything the user asked for: the queue says once
        // what it means, and this connection's own line is a detail.
        logFor(lane, "Further connection refused with error " + std::to_string(error));
        lowerConnections(lane, error);
        display_.webwatchMenusEnabled = !busy();
        publish();
        return;
    }
    logFor(lane, "! Transfer request failed with error " + std::to_string(error));
    if (lane.loggedIn) {
        // One question at a time: a failure on another connection while it
        // is open waits its turn, and the connections without one go on.
        if (questionLane_) {
            lane.awaitingAnswer = true;
            waitingQuestions_.emplace_back(&lane, request);
            return;
        }
        askAboutFailure(lane, request);
        askNextWaitingQuestion();
        return;
    }
    openFailed(lane);
    display_.webwatchMenusEnabled = !busy();
    publish();
}

void TransferQueue::askAboutFailure(TransferLane& lane, TFtpRequest request)
{
    // The status bar keeps what the server said after the question has
    // gone.
    observer_->failureReported(failureText(lane, request));
    questionLane_ = &lane;
    const DialogAnswer answer = dialogs_.askYesNoCancel(QStringLiteral("Error!! "),
                                                        QString::fromStdString(failureQuestion(lane, request)));
    questionLane_ = nullptr;
    lane.awaitingAnswer = false;
    if (!lane.busy()) {
        // Stopped while the question was open (Cancel on another).
    } else if (abortRequested_) {
        abortedTransferEnded(lane);
    } else if (answer == DialogAnswer::Yes) {
        removeFailedEntry(lane);
    } else if (answer == DialogAnswer::Cancel && setAsideOnCancel_ && lane.direction == Direction::Upload) {
        setAsideFailedEntry(lane);
    } else if (answer == DialogAnswer::Cancel) {
        stopWithFailedEntry(lane);
    } else {
        dialogs_.message(QStringLiteral("Trying again! "));
        tryAgain(lane, request);
    }
    display_.webwatchMenusEnabled = !busy();
    publish();
}

void TransferQueue::askNextWaitingQuestion()
{
    while (!questionLane_ && !waitingQuestions_.empty()) {
        const auto [lane, request] = waitingQuestions_.front();
        waitingQuestions_.erase(waitingQuestions_.begin());
        if (lane->busy() && lane->awaitingAnswer)
            askAboutFailure(*lane, request);
    }
}

std::string TransferQueue::failureQuestion(const TransferLane& lane, TFtpRequest request) const
{
    // The user decides about one file on one server's word: both are named,
    // or "remove" and "try again" are a guess.
    std::string reply = replyOfFailure(lane);
    while (!reply.empty() && (reply.back() == '\r' || reply.back() == '\n' || reply.back() == ' '))
        reply.pop_back();
    std::string text;
    if (lane.busy()) {
        const QueueEntry& entry = lane.entry();
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

void TransferQueue::stopWithFailedEntry(TransferLane& lane)
{
    // Cancel: nothing is retried and nothing is dropped. The file stays in
    // line, every connection stops, and the queue waits for Start, so
    // "Delete" and the abort button can be reached instead of the same
    // question coming back.
    logFor(lane, "! The queue stopped at " + (lane.busy() ? lane.entry().localPath() : std::string())
                     + "; press Start to try again or Delete to give the queue up");
    stopAllLanes();
    foldQueueFile();
    display_.title = kIdleTitle;
    showPendingQueueOfEntries();
}

std::string TransferQueue::replyOfFailure(const TransferLane& lane) const
{
    // The first error of the request, or else the reply it ended with.
    const TFtpClient& client = lane.client();
    return client.ErrorMessage().empty() ? client.LastResponse() : client.ErrorMessage();
}

std::string TransferQueue::failureText(const TransferLane& lane, TFtpRequest request) const
{
    if (!lane.busy())
        return replyOfFailure(lane);
    const QueueEntry& entry = lane.entry();
    std::string what;
    if (request == ftpRqPutFile)
        what = "Could not upload " + entry.fileName;
    else if (request == ftpRqGetFile || request == ftpRqResumeGetFile)
        what = "Could not download " + entry.fileName;
    else
        what = "Could not " + std::string(entry.isDownload() ? "download " : "upload ") + entry.fileName +
               " (log-in or directory)";
    return what + ": " + replyOfFailure(lane);
}

void TransferQueue::abortedTransferEnded(TransferLane& lane)
{
    if (!lane.busy())
        return;
    display_.removeAllHint = "Regret transfer of " + lane.entry().localPath();
    // A download cut in its transfer is offered for resuming; one stopped
    // before it began has nothing to resume.
    if (lane.direction == Direction::Download && haveResumeRecord_)
        resume_ = ResumeState::Offered;
    closeLane(lane);
    lane.release();
    // Every connection stops; the queue waits once the last has.
    if (busy())
        return;
    abortRequested_ = false;
    waitingQuestions_.clear();
    display_.removeAllVisible = true;
    // An abort is handled as any failure is: the menus a transfer keeps
    // off are there again.
    display_.webwatchMenusEnabled = true;
    // The queue and the resume record stay for the start button, which
    // logs in afresh.
    if (!queuePending_ && resume_ != ResumeState::Offered)
        showPendingQueueOfEntries();
    foldQueueFile();
}

void TransferQueue::removeFailedEntry(TransferLane& lane)
{
    const std::string name = lane.entry().fileName;
    // A download removed for good leaves nothing of itself behind.
    if (lane.entry().isDownload())
        removePartFile(lane.entry().localPath());
    emit fileFailed(lane.entry());
    // Whatever its direction, the entry leaves as a finished download does:
    // the resume record goes with it and the local list is read again.
    // (Only one download runs at a time, so the record is never another's.)
    finishEntry(lane, lane.direction == Direction::Download || !downloadRunning() ? Direction::Download
                                                                                   : Direction::Upload);
    if (queueFileStale_)
        saveQueueFile();
    queuePending_ = false;
    publish();
    dialogs_.message(QString::fromStdString(name + " removed"));
    continueQueue(lane);
}

void TransferQueue::setAsideFailedEntry(TransferLane& lane)
{
    const QueueEntry failed = lane.entry();
    if (const std::optional<std::size_t> index = indexOfLaneEntry(lane)) {
        const QueueEntries::Id id = entries_.idAt(*index);
        entries_.moveToEnd(*index);
        setAside_.insert(id);
    }
    emit fileFailed(failed);
    logFor(lane, "! " + failed.localPath() + " failed again; it stays queued for the next start");
    queueFileStale_ = true;
    saveQueueFile();
    replaceQueueList();
    // Whatever the failure left of the connection, the next file logs in
    // afresh.
    closeLane(lane);
    lane.release();
    if (onlySetAsideLeft()) {
        if (!busy())
            stopWithSetAsideEntries();
        return;
    }
    // The next file starts from the loop, so nothing left of the closed
    // connection is taken for the new one's answer.
    startNextFromLoop();
}

bool TransferQueue::onlySetAsideLeft() const
{
    return !setAside_.empty() && entries_.count() <= setAside_.size();
}

void TransferQueue::stopWithSetAsideEntries()
{
    display_.title = kIdleTitle;
    display_.webwatchMenusEnabled = true;
    showPendingQueueOfEntries();
    emit stoppedWithFailures(setAside_.size());
}

void TransferQueue::tryAgain(TransferLane& lane, TFtpRequest failedRequest)
{
    const bool transferFailed = failedRequest == ftpRqPutFile || failedRequest == ftpRqGetFile ||
                                failedRequest == ftpRqResumeGetFile;
    if (transferFailed && lane.client().Connected()) {
        // The log-in still stands: the same file again on it, as after TYPE.
        afterSetType(lane);
        return;
    }
    // The failure lay in the log-in, or the connection is gone: log in
    // again from the start. The reopen waits for the loop so nothing left of
    // the closed connection can be taken for the new one's answer.
    lane.loggedIn = false;
    lane.established = false;
    lane.client().BeginAbort();
    QTimer::singleShot(0, this, [this, &lane] {
        if (lane.busy() && !lane.awaitingRequest)
            openConnectionFor(lane);
    });
}

void TransferQueue::openFailed(TransferLane& lane)
{
    // Nothing can be done without a connection; rather than stay busy for
    // good, the queue waits for the start button with every file kept.
    const QueueEntry entry = lane.entry();
    // The port field is not named when the host text has its own port
    // (the one tried) or cannot be used at all.
    const FtpHostAddress address = ParseFtpHost(entry.host);
    const bool portFieldUsed = address.port.empty() && address.error.empty();
    const std::string reason = lane.client().ErrorMessage();
    // A log-in typed into the host text keeps its password there.
    const std::string text = "No connection to " + MaskUrlPassword(entry.host) +
                             (portFieldUsed ? " port " + entry.port : "") +
                             (reason.empty() ? "" : " (" + reason + ")") +
                             ": the queue waits; press Start to try again";
    logFor(lane, "! " + text);
    observer_->failureReported(text);
    stopAllLanes();
    if (resume_ == ResumeState::Running && haveResumeRecord_) {
        resume_ = ResumeState::None;
        showInterruptedDownload();
        return;
    }
    showPendingQueueOfEntries();
}
