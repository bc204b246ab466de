// Which connection carries which entry: idle connections take the next
// waiting entries, a further connection the server refuses makes the queue
// go on with fewer, and Abort or Cancel stops them all.
#include "transfer/transfer_queue.h"

#include <QTimer>

#include <algorithm>
#include <utility>

bool TransferQueue::busy() const
{
    return restartScheduled_ ||
           std::any_of(lanes_.begin(), lanes_.end(), [](const auto& lane) { return lane->busy(); });
}

bool TransferQueue::loggedIn() const
{
    return std::any_of(lanes_.begin(), lanes_.end(), [](const auto& lane) { return lane->loggedIn; });
}

std::size_t TransferQueue::busyLaneCount() const
{
    return static_cast<std::size_t>(
        std::count_if(lanes_.begin(), lanes_.end(), [](const auto& lane) { return lane->busy(); }));
}

bool TransferQueue::anyLaneEstablished(const TransferLane* besides) const
{
    return std::any_of(lanes_.begin(), lanes_.end(), [besides](const auto& lane) {
        return lane.get() != besides && lane->busy() && lane->established;
    });
}

bool TransferQueue::downloadRunning() const
{
    return std::any_of(lanes_.begin(), lanes_.end(), [](const auto& lane) {
        return lane->busy() && lane->direction == Direction::Download;
    });
}

TransferLane* TransferQueue::idleLane()
{
    // One that kept its log-in first: it needs no new connection, which a
    // server that holds only so many would turn away.
    TransferLane* fresh = nullptr;
    for (const std::unique_ptr<TransferLane>& lane : lanes_) {
        if (lane->busy())
            continue;
        if (lane->established && lane->client().Connected())
            return lane.get();
        if (!fresh)
            fresh = lane.get();
    }
    return fresh;
}

bool TransferQueue::anotherLaneConnecting(const TransferLane& besides) const
{
    return std::any_of(lanes_.begin(), lanes_.end(), [&besides](const auto& lane) {
        return lane.get() != &besides && lane->busy() && !lane->established;
    });
}

std::size_t TransferQueue::connectionsHeldBesides(const TransferLane& besides) const
{
    // Working, being made, or logged in and waiting for a file.
    return static_cast<std::size_t>(std::count_if(lanes_.begin(), lanes_.end(), [&besides](const auto& lane) {
        return lane.get() != &besides
            && (lane->busy() || (lane->established && lane->client().Connected()));
    }));
}

void TransferQueue::closeIdleConnections()
{
    for (const std::unique_ptr<TransferLane>& lane : lanes_)
        if (!lane->busy() && lane->loggedIn)
            closeLane(*lane);
}

std::optional<std::size_t> TransferQueue::nextWaitingEntry() const
{
    for (std::size_t i = 0; i < entries_.count(); ++i) {
        const QueueEntries::Id id = entries_.idAt(i);
        if (setAside_.contains(id))
            continue;
        if (std::any_of(lanes_.begin(), lanes_.end(),
                        [id](const auto& lane) { return lane->busy() && lane->entryId() == id; }))
            continue;
        // One download at a time: the resume record describes one. The
        // files behind it wait for it too, so the queue keeps its order.
        if (entries_.at(i).isDownload() && downloadRunning())
            return std::nullopt;
        return i;
    }
    return std::nullopt;
}

std::optional<std::size_t> TransferQueue::indexOfLaneEntry(const TransferLane& lane) const
{
    if (!lane.busy())
        return std::nullopt;
    return entries_.indexOf(lane.entryId());
}

void TransferQueue::startNextTransfer()
{
    // While another job has the client, the queue waits for it to end; an
    // abort stops every connection before any takes a new file.
    if (lentTo_ || entries_.empty() || (abortRequested_ && busy()))
        return;
    bool started = false;
    for (;;) {
        const std::size_t running = busyLaneCount();
        if (running >= connectionLimit_)
            break;
        const std::optional<std::size_t> next = nextWaitingEntry();
        TransferLane* lane = idleLane();
        if (!next || !lane)
            break;
        // A further connection is opened only once one is logged in: a
        // server that takes no more than one then refuses a connection
        // while the first one stands, which says what it means. One that
        // kept its log-in opens nothing.
        const bool keptLogIn = lane->established && lane->client().Connected();
        if (running > 0 && !keptLogIn && !anyLaneEstablished())
            break;
        const bool firstToStart = running == 0;
        startLaneOn(*lane, *next);
        started = true;
        if (firstToStart) {
            // Shown once a connection carries a file: whoever asks whether a
            // transfer runs hears yes. Nothing of this run has moved yet.
            display_.percentage = 0;
            shownShare_ = -1;
            display_.webwatchMenusEnabled = false;
            showCount();
            display_.title = display_.countText;
            publish();
        }
    }
    // Written while the server answers the command just sent. Files queued
    // while every connection is busy are written once, later, not each.
    if (started && queueFileStale_)
        saveQueueFile();
}

void TransferQueue::startLaneOn(TransferLane& lane, std::size_t index)
{
    lane.take(entries_.at(index), entries_.idAt(index));
    lane.abortRequested = false;
    const QueueEntry& entry = lane.entry();
    // A log-in whose connection has gone (dropped while the last file
    // failed) cannot carry the next file: log in again.
    if (lane.loggedIn && !lane.client().Connected())
        lane.forgetConnection();
    if (!lane.loggedIn) {
        openConnectionFor(lane);
    } else if (lane.loggedInFor(entry) && lane.directoryKnown(entry)) {
        changeToEntryFolder(lane);
    } else {
        // Another site, or a directory in a login folder this log-in never
        // asked for: log in anew.
        lane.otherSite = true;
        begin(lane, ftpRqQuit, [&lane] { lane.client().BeginQuit(); });
    }
}

void TransferQueue::closeLane(TransferLane& lane)
{
    // Whatever the connection was doing is not ours to hear of any more.
    lane.awaitingRequest = false;
    lane.forgetConnection();
    lane.client().BeginAbort();
}

bool TransferQueue::furtherConnectionRefused(const TransferLane& lane, TFtpRequest request,
                                             std::uint16_t error) const
{
    // Only once the server has taken a connection of this run, and while
    // another one stands or is being made (or the queue still works with
    // several): a refusal of this one is then about their number (421 at
    // connect, or 421 or 530 after USER as some servers say "too many
    // connections"), not about the site, and the queue goes on with the
    // ones it has. With none beside it, a refusal is the file's failure.
    if (lane.established || !connectionStood_)
        return false;
    if (connectionsHeldBesides(lane) == 0 && connectionLimit_ <= 1)
        return false;
    switch (request) {
    case ftpRqOpen:
        return true;
    case ftpRqUser:
    case ftpRqPass:
        return error == 421 || error == 530;
    default:
        return false;
    }
}

void TransferQueue::lowerConnections(TransferLane& lane, std::uint16_t error)
{
    if (connectionsLoweredReply_.empty()) {
        const std::string reply = replyOfFailure(lane);
        connectionsLoweredReply_ = reply.empty() ? std::to_string(error) : reply;
    }
    // The server holds the others, those still being made included: if it
    // turns one of them away as well, the number drops again. Never below
    // the one that stood.
    connectionLimit_ = std::min(connectionLimit_, std::max<std::size_t>(1, connectionsHeldBesides(lane)));
    closeLane(lane);
    lane.release();
    sayConnectionsLowered();
    // The file waits for another connection: one that kept its log-in takes
    // it up from the loop, once the closed connection can no longer answer.
    startNextFromLoop();
}

void TransferQueue::sayConnectionsLowered()
{
    // Said once a run, once the number is known: while further connections
    // are still being made the server may turn those away too.
    if (connectionsLoweredReply_.empty() || connectionsLoweredSaid_)
        return;
    if (std::any_of(lanes_.begin(), lanes_.end(), [](const auto& lane) { return lane->busy() && !lane->established; }))
        return;
    connectionsLoweredSaid_ = true;
    observer_->logLine("! The server refused a further connection (" + connectionsLoweredReply_
                       + "); the queue goes on with " + std::to_string(connectionLimit_)
                       + (connectionLimit_ == 1 ? " connection" : " connections"));
}

void TransferQueue::stopAllLanes()
{
    waitingQuestions_.clear();
    for (const std::unique_ptr<TransferLane>& lane : lanes_) {
        if (!lane->busy())
            continue;
        closeLane(*lane);
        lane->release();
    }
    closeIdleConnections();
}

void TransferQueue::requestAbort()
{
    if (!busy())
        return;
    const bool first = !std::exchange(abortRequested_, true);
    for (const std::unique_ptr<TransferLane>& lane : lanes_)
        if (lane->busy())
            lane->abortRequested = true;
    // Whoever shows the queue says at once that it is stopping (once: a
    // second press changes nothing to show).
    if (first)
        publish();
}

std::vector<TransferQueue::RunningFile> TransferQueue::runningFiles() const
{
    std::vector<RunningFile> files;
    for (const std::unique_ptr<TransferLane>& lane : lanes_) {
        const std::optional<std::size_t> row = indexOfLaneEntry(*lane);
        if (!row)
            continue;
        files.push_back(RunningFile{*row, lane->number(), &entries_.at(*row), lane->bytesMoved, lane->percentage});
    }
    std::sort(files.begin(), files.end(), [](const RunningFile& a, const RunningFile& b) { return a.row < b.row; });
    return files;
}

const QueueEntry* TransferQueue::entryInQuestion() const
{
    return questionLane_ && questionLane_->busy() ? &questionLane_->entry() : nullptr;
}

std::string TransferQueue::replyInQuestion() const
{
    return questionLane_ ? questionLane_->client().LastResponse() : std::string();
}
