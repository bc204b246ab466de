#pragma once

#include "ftp/ftp_client.h"
#include "transfer/queue_store.h"
#include "transfer/transfer_lane.h"
#include "transfer/transfer_queue_observer.h"

#include <QObject>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

class Dialogs;

// The transfer queue: files waiting to go up or down, worked off in order by
// up to N transfer connections at once (TransferLane), each logged in on its
// own with the site its file was queued with and keeping that log-in from
// one file to the next while the site stays the same. Each connection takes
// the next waiting file; a file leaves the queue only once the server has
// confirmed it, so the queue file, kept before every transfer, holds every
// file not yet confirmed and a crash sends again at most one file per
// connection. Downloads run one at a time, so the one resume record always
// describes the running or interrupted download.
//
// No widget in here: what the queue shows goes to its observer, questions go
// through the dialogs service, so the same engine runs under the main window
// and without one.
class TransferQueue : public QObject {
    Q_OBJECT
public:
    // The most connections a queue works with at once.
    static constexpr std::size_t kMostConnections = 8;

    TransferQueue(QueueFiles files, Dialogs& dialogs, QObject* parent = nullptr);
    ~TransferQueue() override;

    void setObserver(TransferQueueObserver* observer) { observer_ = observer ? observer : &silent_; }
    // Read at every log-in: the passive-mode setting of the moment.
    void setPassiveMode(std::function<bool()> passive) { passiveMode_ = std::move(passive); }
    // How many transfer connections work the queue off at once (1 to
    // kMostConnections); taken up from the next file on.
    void setConnections(std::size_t connections);
    std::size_t connections() const { return connections_; }

    // The first transfer client (FtpClient2): the one lent to the deletion
    // pass.
    TFtpClient& client() { return lanes_.front()->client(); }
    // Every transfer client, for settings that all connections share (a
    // proxy, certificate checks).
    std::vector<TFtpClient*> clients();
    // --- queueing -----------------------------------------------------------
    // Kept: the local file stays as it is, as a "No to all" asked.
    enum class Queued { Yes, Cancelled, Refused, Kept };

    // Several files downloaded in one action: their overwrite questions
    // offer "Yes to all" and "No to all", and what was answered for all is
    // kept here for the files after it.
    struct OverwriteAnswers {
        enum class ForAll { Ask, Overwrite, Keep };
        ForAll forAll = ForAll::Ask;
    };

    // Before a file of an upload action is queued, the upload check (when
    // one is set) says what becomes of it: sent under a name on the server
    // (another one than the local file's, when the user chose to rename it),
    // left out, or the action stops here with the files before it queued.
    // The window sets one for its overwrite question; without one every file
    // is sent under its own name.
    struct UploadChoice {
        enum class Action { Send, Leave, Stop };
        Action action = Action::Send;
        std::string remoteName;
    };
    using UploadCheck = std::function<UploadChoice(const std::string& remoteDirectory, const std::string& localPath,
                                                   const std::string& name)>;
    void setUploadCheck(UploadCheck check) { uploadCheck_ = std::move(check); }
    // Asked before a file is queued: false refuses it as if the user had
    // cancelled (the window could not have its data directory, another
    // process works there, and the user has been told). Without one every
    // file may be queued.
    void setMayQueue(std::function<bool()> mayQueue) { mayQueue_ = std::move(mayQueue); }

    // One local file to upload into remoteDirectory of the site. Kept: the
    // upload check left it out; Cancelled: it stopped the action.
    Queued queueUpload(const QueueSite& site, const std::string& remoteDirectory,
                       const std::string& localDirectory, const std::string& name, const std::string& size,
                       const std::string& mode);
    // One remote file to download into localDirectory. An existing local
    // file of that name is overwritten only when the user says so; "No"
    // offers the save dialog for another name. Cancelled means the user
    // backed out (the download button is then disabled); Refused, that the
    // name cannot be written inside the folder.
    // `several` is given when the file is one of several downloaded at once.
    Queued queueDownload(const QueueSite& site, const std::string& remoteDirectory,
                         const std::string& localDirectory, const std::string& remoteName, const std::string& size,
                         const std::string& mode, OverwriteAnswers* several = nullptr);

    struct LocalFile {
        std::string name;
        std::string size;
    };
    // Every listed file of a local folder, for upload into remoteDirectory,
    // after the user confirmed the target shown as targetText. Returns how
    // many were queued.
    std::size_t queueDirectory(const QueueSite& site, const std::string& remoteDirectory,
                               const std::string& localDirectory, const std::vector<LocalFile>& files,
                               const std::function<std::string(const std::string&)>& modeFor,
                               const std::string& targetText);

    // Puts idle connections to work on the waiting entries: the first when
    // none works, further ones once a connection is logged in.
    void startNextTransfer();

    // --- buttons ------------------------------------------------------------
    // Restarts a pending queue or resumes an interrupted download.
    void startButtonClicked();
    // Forgets every queued file and an interrupted download.
    void removeAllClicked();
    // The main window's abort: every running transfer stops at its next
    // progress (a connection still on its way to its file, at the file's
    // first block) and the queue waits for the start button.
    void requestAbort();

    // With no one to ask (a run from a script): a failed upload whose
    // question is answered Cancel is set aside at the end of the queue, kept
    // in the queue file, and the queue goes on with the next file. When only
    // set-aside files are left the queue stops and says so
    // (stoppedWithFailures); they are tried again at the next start. Under
    // the window Cancel stops the queue with the file kept first in line,
    // waiting for Start (or Delete).
    void setSetAsideOnCancel(bool on) { setAsideOnCancel_ = on; }
    std::size_t setAsideCount() const { return setAside_.size(); }
    // A sentence added to the failure question when the server refused the
    // log-in: where the stored log-in of the failing file can be changed.
    // Asked at the moment of the question; empty adds nothing.
    void setLoginRefusedAdvice(std::function<std::string()> advice) { loginRefusedAdvice_ = std::move(advice); }
    // Called with the waiting entries the user takes out of the queue,
    // before the queue file is written without them, so whoever keeps a
    // record of them (a WebWatch run) has recorded that they were not sent
    // when the file no longer holds them. False keeps them queued.
    void setRemovalRecorder(std::function<bool(const std::vector<QueueEntry>&)> recorder)
    {
        removalRecorder_ = std::move(recorder);
    }

    // Every waiting entry that logs in as `old` logs in as `now` from here
    // on, in the queue file too. Refused (0) while a transfer runs. Returns
    // how many entries changed.
    std::size_t changeSite(const QueueSite& old, const QueueSite& now);

    // --- editing the waiting entries -----------------------------------------
    // The user may take waiting entries out of the queue and change their
    // order, before Start, after Abort, and while transfers run; a file in
    // transfer is left as it is (only Abort stops it). The queue file is
    // written whole after each change, so it and its journal agree. The
    // entry of an interrupted download stays first: it is taken out with
    // its resume record and what it received, and nothing moves above it.
    // Rows are places in the queue, from 0. Rows of files in transfer and
    // rows that hold no entry are left out; false when none is left.
    bool removeWaitingEntries(std::vector<std::size_t> rows);
    // Moves the entry at `row` one place up (`by` -1) or down (+1); false
    // when either place holds a file in transfer.
    bool moveWaitingEntry(std::size_t row, int by);
    // A connection carries the entry at `row`.
    bool inFlight(std::size_t row) const;

    // --- taking up what a previous run left ---------------------------------
    // The queue file's lines as found at start-up: shown pending, for Start.
    // Refused (false) while a transfer runs, and for lines that hold no entry.
    bool showPendingQueue(const TextLineList& queueLines);
    // The resume record's lines as found at start-up: the download is offered
    // with the percentage already present.
    void prepareResumeOfInterruptedDownload(const TextLineList& recordLines);

    // --- another driver on the transfer client ------------------------------
    // While another job (WebWatch's deletion pass) runs its own requests on
    // the transfer client, the client's request-done events go to it instead
    // of the queue. The queue must be idle.
    using RequestDoneHandler = std::function<void(TFtpRequest, std::uint16_t)>;
    bool lendClient(RequestDoneHandler handler);
    void takeClientBack();

    // --- state --------------------------------------------------------------
    enum class ResumeState { None, Offered, Running };

    // A transfer runs on some connection.
    bool busy() const;
    // A transfer runs, or another job (the deletion pass) has the client.
    bool transferRunning() const { return busy() || lentTo_ != nullptr; }
    bool loggedIn() const;
    bool queuePending() const { return queuePending_; }
    // Abort was pressed and the transfers have not all stopped yet.
    bool abortRequested() const { return abortRequested_; }
    // Files a connection has taken (logging in for it or moving it).
    std::size_t filesTaken() const { return busyLaneCount(); }
    ResumeState resumeState() const { return resume_; }
    const QueueEntries& entries() const { return entries_; }
    const QueueDisplay& display() const { return display_; }

    // A file in transfer: where it stands in the queue, on which connection
    // and how far it has come.
    struct RunningFile {
        std::size_t row = 0;
        int connection = 0;
        const QueueEntry* entry = nullptr;
        std::int64_t bytes = 0;
        int percentage = 0;
    };
    std::vector<RunningFile> runningFiles() const;
    // The file whose failure is being asked about, and the server's reply
    // to it; nothing while no question is asked.
    const QueueEntry* entryInQuestion() const;
    std::string replyInQuestion() const;

    static constexpr const char* kIdleTitle = "Tavlinftp";

    static constexpr const char* kFilesInLine = " files in line ";

signals:
    // The last entry is done (after the observer has heard of it). Whoever
    // waits for the queue's end beside its observer (a WebWatch run) listens.
    void ranDry();
    // "Remove all" is about to empty the queue and delete its file: whoever
    // keeps files of their own beside it (a WebWatch run) lets them go first.
    void discarding();
    // "Remove all" emptied the queue and deleted its file.
    void discarded();
    // Only set-aside files are left (see setSetAsideOnCancel); the queue
    // waits with them in its file.
    void stoppedWithFailures(std::size_t count);
    // The server confirmed the transfer of this entry; it leaves the queue.
    void fileTransferred(const QueueEntry& entry);
    // This entry failed and the user removed it, or it was set aside.
    void fileFailed(const QueueEntry& entry);
    // The user took these entries out of the waiting queue: never sent.
    void entriesRemoved(const std::vector<QueueEntry>& entries);

private:
    using Direction = TransferLane::Direction;

    // queueing (transfer_queue.cpp)
    bool confirmDiscardOfInterruptedDownload();
    // The overwrite question for an existing local file; a download of
    // several files asks with "Yes to all" and "No to all" as well.
    enum class OverwriteAnswer { Overwrite, OtherName, Keep, Cancel };
    OverwriteAnswer askOverwrite(const std::string& localPath, OverwriteAnswers* several);
    void discardInterruptedDownload();
    UploadChoice checkUpload(const std::string& remoteDirectory, const std::string& localPath,
                             const std::string& name);
    void appendEntry(QueueEntry entry);
    // True, with a log line, when a name or folder of the entry holds CR or
    // LF: such an entry is left out.
    bool skipLineBreak(const std::string& remoteDirectory, const std::string& name, const std::string& localPath);
    void showCount();
    void saveQueueFile();
    void saveQueueFileSoon();
    // Writes the queue file whole when it or its journal differs from a
    // plain file of the entries: a stopped queue leaves a plain file.
    void foldQueueFile();
    // The entry at `index` leaves the queue: noted in the queue file's
    // journal.
    void noteEntryLeft(std::size_t index);
    void removePartFile(const std::string& localPath);

    // which connection takes which entry (transfer_queue_lanes.cpp)
    TransferLane* idleLane();
    std::size_t busyLaneCount() const;
    bool anyLaneEstablished(const TransferLane* besides = nullptr) const;
    bool downloadRunning() const;
    // The next entry no connection carries, that is not set aside and may
    // start now; nothing when none waits.
    std::optional<std::size_t> nextWaitingEntry() const;
    // Hands the lane the entry and starts its first request.
    void startLaneOn(TransferLane& lane, std::size_t index);
    // The lane's entry in the queue now; nothing once it has left.
    std::optional<std::size_t> indexOfLaneEntry(const TransferLane& lane) const;
    // A further connection the server would not take: fewer connections
    // from here on, and the lane's entry waits for another.
    bool furtherConnectionRefused(const TransferLane& lane, TFtpRequest request, std::uint16_t error) const;
    void lowerConnections(TransferLane& lane, std::uint16_t error);
    void sayConnectionsLowered();
    // Another connection is being made (busy, not yet logged in).
    bool anotherLaneConnecting(const TransferLane& besides) const;
    // Connections besides this one that work, are being made, or stay
    // logged in without a file.
    std::size_t connectionsHeldBesides(const TransferLane& besides) const;
    // Connections kept logged in without a file are closed.
    void closeIdleConnections();
    void closeLane(TransferLane& lane);
    void stopAllLanes();

    // the request chain (transfer_queue_chain.cpp)
    void requestDone(TransferLane& lane, TFtpRequest request, std::uint16_t error);
    void openConnectionFor(TransferLane& lane);
    void afterOpen(TransferLane& lane);
    void afterUser(TransferLane& lane);
    void afterPass(TransferLane& lane);
    void changeToEntryFolder(TransferLane& lane);
    void afterChangeDir(TransferLane& lane);
    void setTypeForEntry(TransferLane& lane);
    void afterSetType(TransferLane& lane);
    void afterTransfer(TransferLane& lane);
    void afterQuit(TransferLane& lane);
    void startUpload(TransferLane& lane);
    // The server's SYST was answered (or refused): the upload goes on.
    void systemKnown(TransferLane& lane, bool unixServer);
    void startDownload(TransferLane& lane);
    void fetchAgainInBinary(TransferLane& lane);
    void resumeDownload(TransferLane& lane);
    // The lane's entry leaves the queue; the lane is free for the next.
    void finishEntry(TransferLane& lane, Direction direction);
    void continueQueue(TransferLane& lane);
    // No connection works: the queue stops with its set-aside files, goes
    // on, or has run dry.
    void settleWhenIdle();
    // The next file starts from the loop, once a closed connection can no
    // longer answer.
    void startNextFromLoop();
    void endQueue();
    void progress(TransferLane& lane, std::int64_t count, bool& abort);
    void showShare();

    // remote folders made for an upload (transfer_queue_folders.cpp)
    bool makeFoldersForUpload(TransferLane& lane);
    // The server answered the last MKD; the next level or the entry's CWD
    // follows.
    void folderMade(TransferLane& lane, bool made);
    void makeFolder(TransferLane& lane, const std::string& folder);

    // failures (transfer_queue_failure.cpp)
    void requestFailed(TransferLane& lane, TFtpRequest request, std::uint16_t error);
    // The "Error!!" question, asked for one connection at a time; the
    // others go on meanwhile, and a failure on one of them waits its turn.
    void askAboutFailure(TransferLane& lane, TFtpRequest request);
    void askNextWaitingQuestion();
    std::string replyOfFailure(const TransferLane& lane) const;
    std::string failureText(const TransferLane& lane, TFtpRequest request) const;
    void removeFailedEntry(TransferLane& lane);
    void setAsideFailedEntry(TransferLane& lane);
    bool onlySetAsideLeft() const;
    void stopWithSetAsideEntries();
    void tryAgain(TransferLane& lane, TFtpRequest failedRequest);
    std::string failureQuestion(const TransferLane& lane, TFtpRequest request) const;
    void stopWithFailedEntry(TransferLane& lane);
    void openFailed(TransferLane& lane);
    void abortedTransferEnded(TransferLane& lane);

    // editing (transfer_queue_edit.cpp)
    bool interruptedDownloadFirst() const;
    void showEditedQueue();

    // display (transfer_queue_display.cpp)
    void showPendingQueueOfEntries();
    void showInterruptedDownload();
    void clearBar();
    void publish();
    void replaceQueueList();

    // Starts a request of the lane's client; a request the client refuses
    // (it throws on misuse) ends like a failed one, from the event loop.
    void begin(TransferLane& lane, TFtpRequest request, const std::function<void()>& start);
    // A line for the log, marked with the connection it belongs to.
    void logFor(const TransferLane& lane, const std::string& line);

    QueueFiles files_;
    Dialogs& dialogs_;
    std::vector<std::unique_ptr<TransferLane>> lanes_;
    TransferQueueObserver silent_;
    TransferQueueObserver* observer_ = &silent_;
    std::function<bool()> passiveMode_ = [] { return false; };
    RequestDoneHandler lentTo_;

    QueueEntries entries_;
    QueueDisplay display_;

    // The connections asked for, and those the server takes in this run (a
    // refused further connection lowers it until the queue runs dry).
    std::size_t connections_ = 1;
    std::size_t connectionLimit_ = 1;
    bool connectionsLoweredSaid_ = false;
    // The server's word on the first further connection it refused in this
    // run; empty while none was.
    std::string connectionsLoweredReply_;
    // The next file starts from the loop: the queue counts as busy until
    // then.
    bool restartScheduled_ = false;
    // A connection of this run was logged in: the server takes this site.
    bool connectionStood_ = false;
    bool abortRequested_ = false;
    // The question about a failure is open; lanes whose failure waits for
    // it, in the order they failed.
    TransferLane* questionLane_ = nullptr;
    std::vector<std::pair<TransferLane*, TFtpRequest>> waitingQuestions_;
    ResumeState resume_ = ResumeState::None;
    bool queuePending_ = false;
    // The sizes of the files that left the queue since it started, for the
    // share of the whole shown while several connections work.
    std::int64_t bytesLeftQueue_ = 0;
    // The share last shown on the bar.
    int shownShare_ = -1;
    bool localListChanged_ = false;
    bool remoteListChanged_ = false;
    // The remote folder the last transfer ended in.
    std::string lastTransferDirectory_;
    // The queue file no longer matches the entries.
    bool queueFileStale_ = true;
    bool saveScheduled_ = false;
    // The last write of the queue file failed (and was reported).
    bool queueFileWriteFailed_ = false;
    // The resume record of the running or interrupted download.
    ResumeRecord resumeRecord_;
    bool haveResumeRecord_ = false;
    bool setAsideOnCancel_ = false;
    std::function<std::string()> loginRefusedAdvice_;
    std::function<bool(const std::vector<QueueEntry>&)> removalRecorder_;
    UploadCheck uploadCheck_;
    std::function<bool()> mayQueue_;
    bool mayQueue() const { return !mayQueue_ || mayQueue_(); }
    // Failed uploads moved to the end of the queue since its last start.
    std::set<QueueEntries::Id> setAside_;
};
