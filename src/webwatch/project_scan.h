#pragma once

#include "webwatch/deletion_list.h"
#include "webwatch/project_store.h"
#include "webwatch/upload_run_queue.h"

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

// One line of the WebWatch window's files list.
struct ScanRow {
    std::string text;       // the local file's name, or "File missing"
    std::string localPath;  // as stored in the record
    bool missing = false;

    friend bool operator==(const ScanRow&, const ScanRow&) = default;
};

inline constexpr const char* kFileMissingRow = "File missing";

// What the scans of one upload run collect over all its projects.
struct RunLists {
    UploadRunQueue queue;
    DeletionList deletions;
    // Line index of the first line of each record to remove from the project
    // list when the run is confirmed, in scan order (so ascending).
    std::vector<std::size_t> missingRecords;
    // The files list: the names of the files queued.
    std::vector<ScanRow> rows;

    void clear();
};

// Scans one project of the project list, for the WebWatch window's display
// or for an upload run.
//
// Every record's local file is looked up. In run mode a file whose stored
// stamp differs from its current one (" May" always does) gets its current
// stamp and is queued; a missing file of a project with "delete missing
// files" on is listed for deletion on the server and for removal from the
// project. In a project with "clean directory" on, new files in the folders
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

    // Display mode ignores `run` (it may be null).
    Result scan(ProjectStore& projects, std::size_t p, Mode mode, RunLists* run);

private:
    // One pass over the project's records; returns the number of records.
    std::size_t scanRecords(ProjectStore& projects, std::size_t p, Mode mode, RunLists* run, bool secondPass,
                            std::size_t& firstPassMissing, Result& result);

    const std::vector<std::string>& asciiExtensions_;
    std::function<void(std::size_t)> queued_;
};
