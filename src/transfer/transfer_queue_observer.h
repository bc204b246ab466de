#pragma once

#include "transfer/queue_store.h"

#include <cstdint>
#include <string>
#include <vector>

// What the queue shows besides its list, as one state: whoever draws it (the
// main window, or nothing at all on the command line) takes it whole.
struct QueueDisplay {
    // The count label: "<n> files in line ".
    std::string countText;
    bool countVisible = false;
    // The application title.
    std::string title = "Tavlinftp";

    // The progress / start button sliding along the bar.
    bool startVisible = false;
    std::string startCaption;
    std::string startHint;
    // Where the button sits: at the start of the bar (a pending queue's
    // "Start"), or at the position of `percentage` along it.
    bool startAtBarStart = false;
    int percentage = 0;
    // The bar has been cleared and, while the button shows, carries the
    // groove up to the button.
    bool barDrawn = false;

    bool removeAllVisible = false;
    std::string removeAllHint;

    // "New web project" and "Open Webwatch" are off while a transfer runs.
    bool webwatchMenusEnabled = true;

    friend bool operator==(const QueueDisplay&, const QueueDisplay&) = default;
};

// What happened to the two file lists when the queue ran dry.
struct QueueEndReport {
    bool localListChanged = false;
    bool remoteListChanged = false;
    // The remote directory the transfer client ended in; the remote view is
    // read again only when the browsing client shows this directory.
    std::string transferDirectory;
};

// Told of everything the queue shows. Every method has an empty default, so
// a driver without a window implements only what it needs.
class TransferQueueObserver {
public:
    virtual ~TransferQueueObserver() = default;

    // A line for the FTP log ("> ", "< " and "! " lines of the transfer client
    // and the queue's own notes).
    virtual void logLine(const std::string& /*line*/) {}
    // A log line of one transfer connection (numbered from 1), where the
    // queue works with several; whoever does not tell them apart takes it
    // as any other line.
    virtual void connectionLogLine(int /*connection*/, const std::string& line) { logLine(line); }
    // A queued file failed, or the queue could not reach its server: what
    // went wrong, with the server's reply, for a place the user sees
    // besides the log.
    virtual void failureReported(const std::string& /*text*/) {}

    // The queue list, kept in step with the entries.
    virtual void queueLineAppended(const std::string& /*line*/) {}
    // The entry at this row left the queue (sent, or given up).
    virtual void queueLineRemoved(std::size_t /*row*/) {}
    virtual void queueListReplaced(const std::vector<std::string>& /*lines*/) {}

    virtual void displayChanged(const QueueDisplay& /*display*/) {}
    // The files in transfer have moved `bytes` so far, together; told for
    // every block, so a receiver that draws keeps its own pace.
    virtual void transferProgressed(std::int64_t /*bytes*/) {}

    // The last entry is done; the lists named here may be read again.
    virtual void queueEnded(const QueueEndReport& /*report*/) {}

    // An interrupted download is shown: the connection fields and the local
    // folder take the download's site and folder.
    virtual void interruptedDownloadShown(const ResumeRecord& /*record*/) {}

    // The start button takes up work while the browsing connection is
    // closed: the browsing side connects to the site of the work.
    virtual bool browsingConnected() const { return true; }
    virtual void connectBrowsing(const QueueSite& /*site*/, const std::string& /*localDirectory*/,
                                 const std::string& /*remoteDirectory*/)
    {
    }
};
