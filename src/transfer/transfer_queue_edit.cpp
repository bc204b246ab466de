// The user's changes to a queue that waits: entries taken out, entries
// moved up or down.
#include "transfer/transfer_queue.h"

#include <algorithm>

bool TransferQueue::interruptedDownloadFirst() const
{
    if (resume_ == ResumeState::None || !haveResumeRecord_ || entries_.empty())
        return false;
    const QueueEntry& first = entries_.first();
    return first.isDownload() && first.localPath() == resumeRecord_.localPath &&
           first.fileName == resumeRecord_.fileName;
}

bool TransferQueue::inFlight(std::size_t row) const
{
    if (row >= entries_.count())
        return false;
    const QueueEntries::Id id = entries_.idAt(row);
    return std::any_of(lanes_.begin(), lanes_.end(),
                       [id](const auto& lane) { return lane->busy() && lane->entryId() == id; });
}

bool TransferQueue::removeWaitingEntries(std::vector<std::size_t> rows)
{
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    rows.erase(std::lower_bound(rows.begin(), rows.end(), entries_.count()), rows.end());
    // A file in transfer goes only by Abort: its transfer's end would act
    // on an entry that is no longer there. The others may go while the
    // connections work; each connection finds its own entry by its number.
    std::erase_if(rows, [this](std::size_t row) { return inFlight(row); });
    if (rows.empty())
        return false;
    if (removalRecorder_) {
        std::vector<QueueEntry> leaving;
        for (const std::size_t row : rows)
            leaving.push_back(entries_.at(row));
        if (!removalRecorder_(leaving))
            return false;
    }

    std::vector<QueueEntry> removed;
    if (rows.front() == 0 && interruptedDownloadFirst()) {
        // Its record and the part it received go with it, as when a new
        // file is queued over it.
        removed.push_back(entries_.first());
        discardInterruptedDownload();
        rows.erase(rows.begin());
        for (std::size_t& row : rows)
            --row;
    }
    // Taken out in place, from the back, so the entries that stay keep
    // their numbers (a set-aside file stays set aside).
    const std::size_t before = removed.size();
    for (auto row = rows.rbegin(); row != rows.rend(); ++row) {
        removed.insert(removed.begin() + static_cast<std::ptrdiff_t>(before), entries_.at(*row));
        setAside_.erase(entries_.idAt(*row));
        entries_.removeAt(*row);
    }
    showEditedQueue();
    emit entriesRemoved(removed);
    // A queue emptied by hand has ended as one worked off does: whoever
    // waits for its end (a WebWatch run) hears of it.
    if (entries_.empty())
        emit ranDry();
    return true;
}

bool TransferQueue::moveWaitingEntry(std::size_t row, int by)
{
    if ((by != -1 && by != 1) || row >= entries_.count())
        return false;
    if (by == -1 && row == 0)
        return false;
    const std::size_t other = by == -1 ? row - 1 : row + 1;
    if (other >= entries_.count())
        return false;
    // Waiting files change places among themselves; a file in transfer
    // keeps its place until it is done.
    if (inFlight(row) || inFlight(other))
        return false;
    if (interruptedDownloadFirst() && (row == 0 || other == 0))
        return false;
    entries_.swap(row, other);
    showEditedQueue();
    return true;
}

void TransferQueue::showEditedQueue()
{
    queueFileStale_ = true;
    saveQueueFile();
    replaceQueueList();
    if (entries_.empty()) {
        queuePending_ = false;
        clearBar();
        display_.startVisible = false;
        display_.removeAllVisible = false;
        display_.countVisible = false;
        display_.title = kIdleTitle;
    } else {
        showCount();
        // The buttons name the file that now comes first.
        if (!interruptedDownloadFirst()) {
            const std::string firstPath = entries_.first().localPath();
            display_.removeAllHint = "Regret transfer of " + firstPath;
            if (queuePending_)
                display_.startHint = "Send " + firstPath;
        }
    }
    publish();
}
