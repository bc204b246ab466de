// What the queue shows when it waits: a pending queue with its "Start"
// button, an interrupted download with the share already present.
#include "transfer/transfer_queue.h"

#include "ftp/ftp_download_file.h"
#include "ftp/ftp_local_stream.h"

#include <algorithm>

void TransferQueue::showPendingQueueOfEntries()
{
    if (entries_.empty())
        return;
    const std::string firstPath = entries_.first().localPath();
    display_.startAtBarStart = true;
    display_.startCaption = "Start";
    display_.startVisible = true;
    display_.removeAllVisible = true;
    display_.removeAllHint = "Regret transfer of " + firstPath;
    display_.startHint = "Send " + firstPath;
    queuePending_ = true;
    showCount();
    publish();
}

void TransferQueue::showInterruptedDownload()
{
    if (!haveResumeRecord_)
        return;
    observer_->interruptedDownloadShown(resumeRecord_);
    display_.startHint = "Get rest of " + resumeRecord_.fileName;
    display_.removeAllHint = "Regret transfer of " + resumeRecord_.fileName;
    display_.removeAllVisible = true;
    const std::int64_t size = resumeRecord_.sizeInBytes();
    // What has arrived lies in the part file; the file at the local path
    // is the user's and does not count.
    std::int64_t present = 0;
    if (DownloadUsesPartFile(resumeRecord_.localPath))
        present = std::max<std::int64_t>(0, FtpLocalStream::FileSize(DownloadPartPath(resumeRecord_.localPath)));
    const int percentage =
        size <= 100 ? 100 : static_cast<int>(std::min<std::int64_t>(100, present / (size / 100)));
    display_.percentage = percentage;
    display_.startCaption = std::to_string(percentage) + "%";
    display_.startAtBarStart = false;
    display_.startVisible = true;
    display_.barDrawn = true;
    resume_ = resume_ == ResumeState::Offered ? ResumeState::Running : ResumeState::Offered;
    publish();
}

void TransferQueue::clearBar()
{
    display_.barDrawn = false;
}

void TransferQueue::publish()
{
    observer_->displayChanged(display_);
}

void TransferQueue::replaceQueueList()
{
    std::vector<std::string> lines;
    lines.reserve(entries_.count());
    for (const QueueEntry& entry : entries_.all())
        lines.push_back(queueListLine(entry));
    observer_->queueListReplaced(lines);
}
