#pragma once

#include "core/data_files.h"
#include "support/scripted_dialogs.h"
#include "support/temp_dir.h"
#include "transfer/transfer_queue.h"
#include "transfer/transfer_queue_observer.h"

#include <functional>
#include <string>
#include <vector>

// Keeps what the queue told its observer, the way a window would show it:
// the queue list as lines, the last display, the log and each end of the
// queue.
class QueueRecorder : public TransferQueueObserver {
public:
    void logLine(const std::string& line) override { log.push_back(line); }
    void queueLineAppended(const std::string& line) override { list.push_back(line); }
    void queueLineRemoved(std::size_t row) override
    {
        if (row < list.size())
            list.erase(list.begin() + static_cast<std::ptrdiff_t>(row));
    }
    void queueListReplaced(const std::vector<std::string>& lines) override { list = lines; }
    void displayChanged(const QueueDisplay& shown) override
    {
        display = shown;
        if (!shown.startCaption.empty() && (captions.empty() || captions.back() != shown.startCaption))
            captions.push_back(shown.startCaption);
        if (onDisplay)
            onDisplay(shown);
    }
    void queueEnded(const QueueEndReport& report) override { ends.push_back(report); }
    void interruptedDownloadShown(const ResumeRecord& record) override { shownDownloads.push_back(record); }

    bool logHas(const std::string& part) const
    {
        for (const std::string& line : log)
            if (line.find(part) != std::string::npos)
                return true;
        return false;
    }

    std::vector<std::string> log;
    std::vector<std::string> list;
    std::vector<std::string> captions;
    QueueDisplay display;
    std::vector<QueueEndReport> ends;
    std::vector<ResumeRecord> shownDownloads;
    // Runs on every display change, as a user's click would in between.
    std::function<void(const QueueDisplay&)> onDisplay;
};

// A queue in passive mode on a data folder of its own, for the scripted
// server's tests.
struct PassiveQueue {
    PassiveQueue()
    {
        queue.setObserver(&recorder);
        queue.setPassiveMode([] { return true; });
    }
    TempDir data;
    const DataFilePaths paths = DataFilePaths::inDirectory(data.path());
    ScriptedDialogs dialogs;
    QueueRecorder recorder;
    TransferQueue queue{QueueFiles(paths.koefilDfd, paths.rstfilTxt), dialogs};
};
