#pragma once

#include "core/data_files.h"
#include "core/file_type_icon_table.h"
#include "core/text_line_list.h"

#include <functional>
#include <string>

class QLabel;
class QPlainTextEdit;
class QPushButton;

// The controls the start-up sequence touches.
struct StartupView {
    // The FTP log: a first start says so there, and uses it as scratch.
    QPlainTextEdit* log = nullptr;
    QLabel* recordingLabel = nullptr;
    // Discards a restored queue; shown only when something was restored.
    QPushButton* discardQueueButton = nullptr;
};

// What the start-up sequence needs from the rest of the program. Parts not
// built yet are left empty and skipped.
struct StartupServices {
    // The data directory; every data file lives in it.
    std::string dataDirectory;
    // Where the file-type icon table is collected at a first start: the
    // root of the local drive list.
    std::string iconTableRoot = "/";
    // The icon source for the icon table.
    FileTypeProbe probe;
    // Makes the window's hint handler the application's hint handler.
    std::function<void()> installHintHandler;
    // Fills the local file list.
    std::function<void()> fillLocalFileList;
    // Whether what an interrupted session left may be read now: not while
    // another process (a WebWatch run from the command line) works in the
    // data directory; the window reads it once that process has finished.
    bool readRestoreFiles = true;
};

// What start-up fixes and loads; the tables are read by the handlers for
// the rest of the run.
struct StartupResult {
    DataFilePaths paths;
    StartupFlags flags;
    bool firstStart = false;
    // The file-type icon table (fiext1.fil) the remote file list's icons
    // come from.
    TextLineList iconTable;
    // The resume record of an interrupted download, or the queue file.
    TextLineList restoreBuffer;
    // Starts as the built-in site list, which a first start writes out as
    // the first site list; afterwards the deletion list of an interrupted
    // upload run.
    TextLineList deletionList;
};

// Runs when the main window is created: fixes the data directory and its
// file paths, loads the icon table (building it and the other initial data
// files at a first start), fills the local file list, loads what an
// interrupted session left behind, and sets up the recording label and the
// queue's delete button accordingly. Nothing that fails here is reported or
// stops the start; the flags say what was loaded.
StartupResult runStartupSequence(const StartupView& view, const StartupServices& services);

// The receivers of what the first showing of the main window hands over.
struct ShowSequenceTargets {
    // The WebWatch window's paths: the project file it shows, the queue file
    // and the pending project file.
    std::function<void(const std::string& projectFile, const std::string& queueFile,
                       const std::string& pendingProjectFile)>
        webwatchPaths;
    // The transfer queue takes up an interrupted download; the resume record
    // is in the restore buffer.
    std::function<void()> prepareResumeOfInterruptedDownload;
    // The transfer queue shows the restored queue (start button and queue
    // list); the queue file's lines are in the restore buffer.
    std::function<void()> showPendingQueue;
};

// Runs when the main window is shown the first time.
void runShowSequence(const StartupResult& startup, const ShowSequenceTargets& targets);

// The line the log shows while a first start builds the initial files.
inline constexpr const char* kFirstStartMessage = "First start, initialising TavlinFTP, Please Wait.";
