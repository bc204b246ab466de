#pragma once

#include "ftp/ftp_client.h"
#include "transfer/queue_store.h"
#include "transfer/transfer_queue_observer.h"

#include <QObject>

#include <cstdint>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

class Dialogs;

// The transfer queue: files waiting to go up or down, worked off strictly in
// order, one at a time, by a client of its own (the transfer client), which
// logs in with the site each file was queued with and keeps that log-in from
// one file to the next while the site stays the same. The queue is kept in
// the queue file before every transfer and a running download in the resume
// record, so a queue or download cut short by a crash is offered again at
// the next start.
//
// No widget in here: what the queue shows goes to its observer, questions go
// through the dialogs service, so the same engine runs under the main window
// and without one.
class TransferQueue : public QObject {
    Q_OBJECT
public:
    TransferQueue(QueueFiles files, Dialogs& dialogs, QObject* parent = nullptr);
    ~TransferQueue() override;

    void setObserver(TransferQueueObserver* observer) { observer_ = observer ? observer : &silent_; }
    // Read at every log-in: the passive-mode setting of the moment.
    void setPassiveMode(std::function<bool()> passive) { passiveMode_ = std::move(passive); }

    // The transfer client (FtpClient2).
    TFtpClient& client() { return client_; }

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

    // Begins work on the first entry unless a transfer runs.
    void startNextTransfer();

    // --- buttons ------------------------------------------------------------
    // Restarts a pending queue or resumes an interrupted download.
    void startButtonClicked();
    // Forgets every queued file and an interrupted download.
    void removeAllClicked();
    // The main window's abort: the running transfer stops at its next
    // progress and waits for the start button.
    void requestAbort()
    {
        if (busy_)
            abortRequested_ = true;
    }

    // With no one to ask (a run from a script): a failed upload whose
    // question is answered Cancel is set aside at the end of the queue, kept
    // in the queue file, and the queue goes on with the next file. When only
    // set-aside files are left the queue stops and says so
    // (stoppedWithFailures); they are tried again at the next start. Under
    // the window Cancel stops the queue with the file kept first in line,
    // waiting for Start (or Delete).
    void setSetAsideOnCancel(bool on) { setAsideOnCancel_ = on; }
    std::size_t setAsideCount() const { return setAside_; }
    // A sentence added to the failure question when the server refused the
    // log-in: where the stored log-in of the failing file can be changed.
    // Asked at the moment of the question; empty adds nothing.
    void setLoginRefusedAdvice(std::function<std::string()> advice) { loginRefusedAdvice_ = std::move(advice); }

    // Every waiting entry that logs in as `old` logs in as `now` from here
    // on, in the queue file too. Refused (0) while a transfer runs. Returns
    // how many entries changed.
    std::size_t changeSite(const QueueSite& old, const QueueSite& now);

    // --- editing a waiting queue ---------------------------------------------
    // While no transfer runs (before Start, after Abort, or stopped at a
    // failure) the user may take entries out of the queue and change their
    // order; the queue file is written whole after each change, so it and
    // its journal agree. The entry of an interrupted download stays first:
    // it is taken out with its resume record and what it received, and
    // nothing moves above it. Rows are places in the queue, from 0. Refused
    // (false) while a transfer runs, and for rows that hold no entry.
    bool removeWaitingEntries(std::vector<std::size_t> rows);
    // Moves the entry at `row` one place up (`by` -1) or down (+1).
    bool moveWaitingEntry(std::size_t row, int by);

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

    bool busy() const { return busy_; }
    // A transfer runs, or another job (the deletion pass) has the client.
    bool transferRunning() const { return busy_ || lentTo_ != nullptr; }
    bool loggedIn() const { return loggedIn_; }
    bool queuePending() const { return queuePending_; }
    ResumeState resumeState() const { return resume_; }
    const QueueEntries& entries() const { return entries_; }
    const QueueDisplay& display() const { return display_; }
    int percentage() const { return percentage_; }

    static constexpr const char* kIdleTitle = "Tavlinftp";

    static constexpr const char* kFilesInLine = " files in line ";

signals:
    // The last entry is done (after the observer has heard of it). Whoever
    // waits for the queue's end beside its observer (a WebWatch run) listens.
    void ranDry();
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
    enum class Direction { Upload, Download };

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
    void showCount();
    void saveQueueFile();
    void saveQueueFileSoon();
    // Writes the queue file whole when it or its journal differs from a
    // plain file of the entries: a stopped queue leaves a plain file.
    void foldQueueFile();
    // The first entry leaves the queue: noted in the queue file's journal.
    void noteFirstEntryLeft();
    void removePartFile(const std::string& localPath);

    // the request chain (transfer_queue_chain.cpp)
    void requestDone(TFtpRequest request, std::uint16_t error);
    void openConnectionFor(const QueueEntry& entry);
    void afterOpen();
    void afterUser();
    void afterPass();
    // The entry's folder as an absolute server path; one in the login
    // folder needs the folder the log-in reported (directoryKnown).
    bool directoryKnown(const QueueEntry& entry) const;
    std::string entryFolder(const QueueEntry& entry) const;
    void changeToEntryFolder();
    void afterChangeDir();
    void setTypeForEntry();
    void afterSetType();
    void afterTransfer(Direction direction);
    void afterQuit();
    void startUpload();
    void startDownload();
    void fetchAgainInBinary();
    void resumeDownload();
    // Completing the first entry: it leaves the queue, then the next one
    // starts or the queue ends.
    void finishFirstEntry(Direction direction);
    void continueQueue();
    void endQueue();
    void progress(std::int64_t count, bool& abort);

    // remote folders made for an upload (transfer_queue_folders.cpp)
    bool makeFoldersForUpload();
    void makeNextFolder();
    bool folderKnownToExist(const std::string& folder) const;

    // failures (transfer_queue_failure.cpp)
    void requestFailed(TFtpRequest request, std::uint16_t error);
    std::string replyOfFailure() const;
    std::string failureText(TFtpRequest request) const;
    void removeFailedEntry();
    void setAsideFailedEntry();
    bool onlySetAsideLeft() const;
    void stopWithSetAsideEntries();
    void tryAgain(TFtpRequest failedRequest);
    std::string failureQuestion(TFtpRequest request) const;
    void stopWithFailedEntry();
    void openFailed();
    void abortedTransferEnded();

    // editing (transfer_queue_edit.cpp)
    bool interruptedDownloadFirst() const;
    void showEditedQueue();

    // display (transfer_queue_display.cpp)
    void showPendingQueueOfEntries();
    void showInterruptedDownload();
    void clearBar();
    void publish();
    void replaceQueueList();

    // Starts a request of the transfer client; a request the client refuses
    // (it throws on misuse) ends like a failed one, from the event loop.
    void begin(TFtpRequest request, const std::function<void()>& start);

    QueueFiles files_;
    Dialogs& dialogs_;
    TFtpClient client_;
    TransferQueueObserver silent_;
    TransferQueueObserver* observer_ = &silent_;
    std::function<bool()> passiveMode_ = [] { return false; };
    RequestDoneHandler lentTo_;

    QueueEntries entries_;
    QueueDisplay display_;

    bool busy_ = false;
    Direction direction_ = Direction::Upload;
    bool loggedIn_ = false;
    bool otherSite_ = false;
    // The remote folder the running upload made its levels for (once per
    // entry), and the levels still to make.
    std::string foldersMadeFor_;
    std::vector<std::string> foldersToMake_;
    // Folders this connection has entered, the login folder among them:
    // they and every level above them exist, so a new folder below one of
    // them is made without sending MKD for those levels again.
    std::set<std::string> foldersEntered_;
    // The folder the server put this connection's log-in in, once asked.
    std::optional<std::string> loginFolder_;
    bool abortRequested_ = false;
    ResumeState resume_ = ResumeState::None;
    bool queuePending_ = false;
    bool firstProgress_ = false;
    std::int64_t runningSize_ = 0;
    int percentage_ = 0;
    bool localListChanged_ = false;
    bool remoteListChanged_ = false;
    // A request of ours is running; request-done events at other times
    // (left over from a connection that was closed) are not ours to act on.
    bool awaitingRequest_ = false;
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
    UploadCheck uploadCheck_;
    // Failed uploads moved to the end of the queue since its last start.
    std::size_t setAside_ = 0;
};
