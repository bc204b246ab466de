#pragma once

#include "webwatch/deletion_list.h"
#include "webwatch/project_store.h"
#include "webwatch/upload_run_queue.h"

#include <cstddef>
#include <ctime>
#include <functional>
#include <map>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

// One line of the WebWatch window's files list.
struct ScanRow {
    std::string text;       // the local file's name, or "File missing"
    std::string localPath;  // as stored in the record
    bool missing = false;

    friend bool operator==(const ScanRow&, const ScanRow&) = default;
};

inline constexpr const char* kFileMissingRow = "File missing";

// A local folder that is gone (or cannot be read) while the project still
// holds files in it: those files are unavailable, not deleted.
struct MissingFolder {
    std::string folder;  // as stored, ending in its separator
    std::size_t files = 0;

    // The folder as a person names it: without the trailing separator.
    std::string displayName() const;
};

// What the scans of one upload run collect over all its projects.
struct RunLists {
    UploadRunQueue queue;
    DeletionList deletions;
    // Line index of the first line of each record to remove from the project
    // list when the run is confirmed (removeRecordsAt).
    std::vector<std::size_t> missingRecords;
    // The files list: the names of the files queued.
    std::vector<ScanRow> rows;
    // Folders whose files are left alone: neither deleted on the server nor
    // removed from the project.
    std::vector<MissingFolder> foldersLeftAlone;
    // New sub-folders of clean folders whose files were taken in, and
    // symbolic links that were not (local paths).
    std::vector<std::string> newFolders;
    std::vector<std::string> skippedLinks;

    void clear();
};

// Removes the nine-line records that begin at the given line indices (in any
// order) in one pass over the list, and rebuilds the index.
void removeRecordsAt(ProjectStore& projects, std::vector<std::size_t> firstLines);

// Scans one project of the project list, for the WebWatch window's display
// or for an upload run.
//
// Every record's local file is looked up. In run mode a file whose stored
// stamp differs from its current one (" May" always does) gets its current
// stamp and is queued. A file changed in the same two-second step as the
// scan gets " May" instead: its stamp could not tell an edit made later in
// that step, so the next run sends it again rather than never. A missing file of a project with "delete missing
// files" on is listed for deletion on the server and for removal from the
// project, but only when its folder is there and can be read: the files of
// a missing folder (an unmounted drive, a folder renamed) are unavailable,
// and are deleted only when the missing-folder decision says so; otherwise
// the folder is listed as left alone. In a project with "clean directory" on, new files in the folders
// of its clean files are taken into the project list, and the project is
// scanned a second time so that they are queued too.
class ProjectScanner {
public:
    enum class Mode { Display, Run };

    struct Result {
        bool cleanDirectory = false;
        bool deleteMissing = false;
        // Display mode: one row per record, in record order.
        std::vector<ScanRow> rows;
        std::size_t fileCount = 0;   // records of the project after the scan
        std::size_t discovered = 0;  // files taken in from clean folders
    };

    explicit ProjectScanner(const std::vector<std::string>& asciiExtensions) : asciiExtensions_(asciiExtensions) {}

    // Called after each queued file with the number queued so far, so a
    // window can show it and let its events run.
    void setQueuedCallback(std::function<void(std::size_t)> queued) { queued_ = std::move(queued); }
    // The moment of the scan, seconds since the epoch (the system clock
    // unless set).
    void setClock(std::function<std::time_t()> clock) { clock_ = std::move(clock); }
    // Asked once per missing folder of a project with "delete missing
    // files" on (the folder's display name and the number of its files):
    // true deletes them on the server. Without it they are left alone.
    void setMissingFolderDecision(std::function<bool(const std::string&, std::size_t)> decide)
    {
        deleteMissingFolder_ = std::move(decide);
    }

    // Display mode ignores `run` (it may be null).
    Result scan(ProjectStore& projects, std::size_t p, Mode mode, RunLists* run);

private:
    // One pass over the project's records; returns the number of records.
    std::size_t scanRecords(ProjectStore& projects, std::size_t p, Mode mode, RunLists* run, bool secondPass,
                            std::size_t& firstPassMissing, Result& result);

    bool folderAvailable(const std::string& folder);
    void listMissing(const ProjectStore& projects, std::size_t first, bool secondPass, std::size_t& firstPassMissing,
                     const Result& result, RunLists& run);

    const std::vector<std::string>& asciiExtensions_;
    std::function<void(std::size_t)> queued_;
    std::function<bool(const std::string&, std::size_t)> deleteMissingFolder_;
    std::function<std::time_t()> clock_ = [] { return std::time(nullptr); };
    // For the project being scanned, over both passes.
    std::unordered_map<std::string, bool> folderAvailable_;
    std::map<std::string, bool> missingFolderDecided_;
    std::unordered_set<std::string> freshFiles_;
};
