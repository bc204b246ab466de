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
    for (const std::unique_ptr<TransferLane>& lane : lanes_)
        if (!lane->busy())
            return lane.get();
    return nullptr;
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
        // A further connection is opened only once one is logged in: a
        // server that takes no more than one then refuses a connection
        // while the first one stands, which says what it means.
        if (running > 0 && !anyLaneEstablished())
            break;
        const std::optional<std::size_t> next = nextWaitingEntry();
        TransferLane* lane = idleLane();
        if (!next || !lane)
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
    // Only where the queue works with several connections (or others are
    // still at work) and the server has taken one of them in this run: a
    // refusal of another is about
    // their number (421 at connect, or 530 after USER as some servers say
    // "too many connections"), not about the site. The queue goes on with
    // the ones it has; with one left, a refusal is the file's failure.
    const bool othersWork = busyLaneCount() > 1;
    if (lane.established || !connectionStood_ || (connectionLimit_ <= 1 && !othersWork))
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
    const std::string reply = replyOfFailure(lane);
    closeLane(lane);
    lane.release();
    // The connections the server has taken (it greeted them) are as many as
    // it takes.
    const std::size_t standing = std::max<std::size_t>(
        1, static_cast<std::size_t>(std::count_if(lanes_.begin(), lanes_.end(), [](const auto& each) {
            return each->busy() && each->loggedIn;
        })));
    connectionLimit_ = std::min(connectionLimit_, standing);
    // Said once a run: every further refusal only repeats it.
    if (!connectionsLoweredSaid_) {
        connectionsLoweredSaid_ = true;
        observer_->logLine("! The server refused a further connection (" +
                           (reply.empty() ? std::to_string(error) : reply) + "); the queue goes on with " +
                           std::to_string(connectionLimit_) +
                           (connectionLimit_ == 1 ? " connection" : " connections"));
    }
    // The file waits for another connection; when none stands any more, the
    // one left takes it up from the loop, once the closed connection can
    // no longer answer.
    if (!busy())
        startNextFromLoop();
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
