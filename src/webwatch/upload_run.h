#pragma once

#include "webwatch/deletion_list.h"
#include "webwatch/login_change.h"
#include "webwatch/project_scan.h"
#include "webwatch/project_store.h"

#include "transfer/queue_store.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class Dialogs;

// The data files an upload run reads and hands over through.
struct UploadRunFiles {
    std::string projectFile;         // "wbprj.dfd"
    std::string pendingProjectFile;  // "nyweb2.dfd"
    std::string queueFile;           // "koefil.dfd"
    std::string deletionListFile;    // "defil.dfd"
};

// An upload run: scans web projects, builds the queue of changed and new
// files and the list of remote files to delete, and once the user confirms
// hands both over through the queue file, the pending project file and the
// deletion list file. The project file itself changes only when the queue
// has been worked off (finishRun); until then the updated projects wait in
// the pending project file, which is the current project file meanwhile.
//
// No widget inside: questions go through the dialogs service, the results
// say what the WebWatch window has to show or do, so the window, the main
// window's quick upload and the command line all drive the same engine.
class UploadRun {
public:
    UploadRun(UploadRunFiles files, Dialogs& dialogs, const std::vector<std::string>& asciiExtensions);

    // The main window's queue-cancel action, run when the user agrees to
    // discard an old queue before a new run. It empties the transfer queue,
    // deletes the queue file and cancels a pending run (cancelRun()). False
    // when it failed. Without one, the run deletes the queue file and
    // cancels a pending run itself.
    void setDiscardOldQueue(std::function<bool()> discard) { discardOldQueue_ = std::move(discard); }
    // After each queued file: the number queued so far (the window shows it
    // and lets its events run).
    void setQueuedCallback(std::function<void(std::size_t)> queued) { queued_ = std::move(queued); }
    // What a run has to tell beside its questions (a missing folder whose
    // files are left alone, a link not published): for the log and the
    // status bar, or the command line's output.
    void setNotice(std::function<void(const std::string&)> notice) { notice_ = std::move(notice); }

    enum class Scope {
        AllProjects,      // "Upload all"
        SelectedProject,  // "Upload", the project selected in the window
        Quick,            // the main window's quick upload: all projects, no confirmation
    };

    struct Outcome {
        enum class Kind {
            NoProjectSelected,  // nothing happened
            OldQueueKept,       // the user kept an old queue; nothing changed
            DiscardFailed,      // the old queue could not be discarded: "Unknown Error!", nothing more
            NothingToUpload,    // "No files for upload"; project list reloaded
            Declined,           // "No files uploaded"; project list reloaded
            HandOverFailed,     // a hand-over file could not be written; project list reloaded
            HandedOver,         // the run is pending: the queue file waits for the transfer queue
        };
        Kind kind = Kind::NoProjectSelected;
        std::size_t queued = 0;
        std::size_t deletions = 0;
        // The WebWatch window closes: after "Unknown Error!" or a confirmed run.
        bool closeWindow = false;
        // The window empties and refills its projects list (after "No").
        bool refillProjects = false;
        // The files list: the files queued by the scans.
        std::vector<ScanRow> rows;
        // Missing folders whose files were left alone (each also told
        // through the notice).
        std::vector<MissingFolder> foldersLeftAlone;
        // Remote deletions not made because the user did not allow so many
        // (more than 20, or more than half of a project): their files stay
        // in the project for a later run.
        std::size_t deletionsHeldBack = 0;
    };

    // Runs the scans over `projects` (the WebWatch window's project list,
    // loaded from currentProjectFile()) and, when confirmed, hands over.
    Outcome start(ProjectStore& projects, Scope scope, std::optional<std::size_t> selectedProject = std::nullopt);
    // SelectedProject over several projects at once (the command line's
    // --project given more than once), scanned in the project file's order.
    Outcome start(ProjectStore& projects, Scope scope, std::vector<std::size_t> selectedProjects);

    // True while a run scans.
    bool scanning() const { return scanning_; }

    // --- the pending run ----------------------------------------------------
    bool pending() const { return pending_; }
    // The file the WebWatch window loads and saves.
    const std::string& currentProjectFile() const;
    // The project file itself ("wbprj.dfd"), pending run or not.
    const std::string& projectFile() const { return files_.projectFile; }
    // At start-up: a pending project file was found (with the queue file, or
    // without one when the run had no uploads or its queue was already
    // worked off); the deletion list file's lines as loaded. Deletions still
    // listed are carried out before the transfers: their files have already
    // left the pending project file.
    void restoreAfterStart(bool pendingProjectLoaded, const TextLineList& deletionLines);
    // A queue file is on disk: the run still has files to send, even while
    // none is in the transfer queue (not taken up, or unreadable).
    bool queueFileWaits() const;
    // Remote files still to be deleted before the transfers start.
    bool deletionsPending() const { return deletionsPending_; }
    const DeletionList& deletionList() const { return deletions_; }
    // The deletion pass is done with the first entry: the server deleted it,
    // or it is shown to be gone already. It leaves the list and the file;
    // the file goes when the list is empty. False when the file could not be
    // written.
    bool completeFirstDeletion();
    // The server refused the first entry: its record goes back into the
    // pending project where it stood before the run, so the next run finds
    // the file missing again, and only then does the entry leave the list.
    // A record already back (a pass cut short after putting it back) is not
    // added twice. False when a file could not be written; the entry then
    // stays listed.
    bool keepFirstDeletion();
    // Remote deletions refused since the run was handed over or taken up.
    std::size_t deletionsKept() const { return deletionsKept_; }
    // Files the last scan would not touch (their folder missing), for the
    // line that ends the run it handed over.
    std::size_t filesLeftAlone() const { return filesLeftAlone_; }
    // A log-in changed in the projects: the deletions still to be done use
    // the new one too. Returns how many entries changed; `stored` says
    // whether the deletion list file could be written.
    std::size_t changeDeletionLogin(const SiteLogin& old, const SiteLogin& now, bool& stored);

    // Files of the run that left the queue without the server confirming
    // them (removed after an error, or still queued when the run ends): their
    // records in the pending project are marked for upload again (" May"),
    // so the next run sends them. False when the file could not be written.
    bool markNotUploaded(const std::vector<QueueEntry>& files);

    enum class EndResult { NotPending, Finished, CopyFailed };
    // Every file of the run has been tried: `unsent` are the files still
    // queued, which are marked for upload again; then the pending project
    // file replaces the project file, and only after that do the queue file,
    // the pending project file and the deletion list go. A kill in between
    // leaves the pending project file alone, which is finished again. A
    // pending file that does not read as a project file is never copied, so
    // the project file is never left empty or cut; the run then stays
    // pending and may be finished again.
    EndResult finishRun(const std::vector<QueueEntry>& unsent = {});
    // The user gives the run up: its queue file, the pending project file
    // and the deletion list file go, the project file stays as before the
    // run. Called before whoever holds the queue lets its file go, so the
    // queue file is never gone while the pending project file stands.
    void cancelRun();

    // "Set upload status all": every present file of every project gets its
    // current stamp and files in clean folders are taken in, then the
    // project list is saved. Nothing is queued, deleted or removed. False
    // when the user declined or the file could not be written.
    bool setUploadStatusAll(ProjectStore& projects);

private:
    enum class OldQueue { None, Kept, Discarded, DiscardFailed };
    OldQueue offerToDiscardOldQueue(ProjectStore& projects, Outcome& outcome);
    void scanAll(ProjectScanner& scanner, ProjectStore& projects, RunLists& lists);
    bool deleteFilesOfMissingFolder(const std::string& folder, std::size_t files);
    void tellScanFindings(const RunLists& lists);
    bool confirm(Scope scope, const RunLists& lists);
    bool allowMassDeletion(const std::string& question);
    void rollBack(ProjectStore& projects);
    bool handOver(ProjectStore& projects, const RunLists& lists);

    UploadRunFiles files_;
    Dialogs& dialogs_;
    const std::vector<std::string>& asciiExtensions_;
    std::function<bool()> discardOldQueue_;
    std::function<void(std::size_t)> queued_;
    std::function<void(const std::string&)> notice_;

    bool scanning_ = false;
    bool pending_ = false;
    bool deletionsPending_ = false;
    DeletionList deletions_;
    std::size_t deletionsKept_ = 0;
    std::size_t filesLeftAlone_ = 0;
};
