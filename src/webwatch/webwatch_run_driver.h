#pragma once

#include "core/scratch_file.h"
#include "ftp/ftp_types.h"
#include "services/hidden_files_listing.h"
#include "transfer/queue_store.h"
#include "webwatch/run_tally.h"
#include "webwatch/upload_run.h"

#include <QObject>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

class TransferQueue;

// What the driver tells and asks of whoever hosts it. Every member may stay
// empty: the command line hosts it without a window.
struct RunDriverHooks {
    // A line for the FTP log.
    std::function<void(const std::string&)> log;
    // The "files in line" label while the deletion pass runs:
    // "<remote name> removed".
    std::function<void(const std::string&)> showDeletion;
    // A remote file the server has confirmed deleted.
    std::function<void(const DeletionEntry&)> deleted;
    // The passive-mode setting of the moment, read at every log-in.
    std::function<bool()> passiveMode;
    // The interactive session: when it is closed, the deletion pass brings it
    // up on the first entry's site, as the queue does for its first file.
    std::function<bool()> browsingConnected;
    std::function<void(const QueueSite&)> connectBrowsing;
};

// Carries a handed-over upload run to its end on the transfer queue: the
// remote files of the deletion list are deleted first, on the transfer
// client borrowed from the queue, then the queue uploads the files, and
// when every file has been tried the pending project file becomes the
// project file. A file that never reached the server is marked for upload
// again there; a deletion the server refused keeps its record. A queue the
// user discards cancels the run.
//
// No widget inside, so the main window and the command line drive the same
// engine.
class WebwatchRunDriver : public QObject {
    Q_OBJECT
public:
    WebwatchRunDriver(UploadRun& run, TransferQueue& queue, QObject* parent = nullptr);
    ~WebwatchRunDriver() override;

    void setHooks(RunDriverHooks hooks) { hooks_ = std::move(hooks); }
    // A run was handed over, or found pending at start-up: the queue file is
    // taken into the transfer queue and shown waiting for the start button.
    // A pending run without a queue file (deletions only, or its queue
    // already worked off) has nothing to take and is fine. False when there
    // is neither a queue file nor a pending run, or the queue file does not
    // read as a queue.
    bool takeUpPendingRun(const std::string& queueFile);

    // The start button: while deletions are pending it runs the deletion
    // pass, which then starts the transfers; otherwise the queue's own start.
    void start();

    bool deleting() const { return stage_ != Stage::Idle; }

    // What the run taken up last has done so far: files published, remote
    // files deleted, failures, and the files its scan left alone.
    const RunTally& tally() const { return tally_; }

signals:
    // The deletion pass has worked off its list and handed the client back.
    void deletionPassEnded();
    // The queue was worked off and the run's end was tried (see the result).
    void runEnded(UploadRun::EndResult result);
    // The queue was discarded: the run is cancelled.
    void runCancelled();

private:
    enum class Stage {
        Idle, Quitting, Opening, User, Pass, LoginFolder, RootDir, EntryDir, Deleting, Listing, FinalQuit
    };

    void startTally();
    void queueRanDry();
    void queueStoppedWithFailures();
    void endRun();
    void queueDiscarded();

    void nextDeletion();
    void requestDone(TFtpRequest request, std::uint16_t error);
    void stepDone(TFtpRequest request);
    void stepFailed(TFtpRequest request, std::uint16_t error);
    void entryDone();
    void entryRefused(std::uint16_t error, const std::string& reply);
    void listFolder();
    void folderListed(std::uint16_t error);
    void endPass();
    void openFor(const DeletionEntry& entry);
    bool loggedInAs(const DeletionEntry& entry) const;
    // The entry's directory as a CWD from the server root takes it.
    std::string serverFolderOf(const DeletionEntry& entry) const;
    void enterFolderOf(const DeletionEntry& entry);
    void deleteEntry(const DeletionEntry& entry);
    void begin(Stage stage, TFtpRequest request, const std::function<void()>& start);
    void log(const std::string& line) const;

    UploadRun& run_;
    TransferQueue& queue_;
    RunDriverHooks hooks_;

    Stage stage_ = Stage::Idle;
    TFtpRequest awaiting_ = ftpRqNone;
    bool lent_ = false;
    // Delete on the queue gave the pending run up; the queue says when it
    // has let its files go.
    bool cancelledByDiscard_ = false;
    // The DELE refused, kept to name it once the listing has been looked at.
    std::uint16_t deleteError_ = 0;
    std::string deleteReply_;
    ScratchFile listingScratch_;
    std::string listingFile_;
    // Whether the listing under way asks for hidden files (see listFolder).
    bool listingHidden_ = false;
    HiddenFilesListing hiddenFiles_;
    // The transfer client is logged in with the site of the last entry.
    bool loggedIn_ = false;
    RunTally tally_;
    // Where the server put the current log-in, once asked (for directories
    // given relative to it).
    std::optional<std::string> loginFolder_;
};
