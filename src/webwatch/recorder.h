#pragma once

#include "webwatch/project_file_entry.h"
#include "webwatch/recording_store.h"

#include <QObject>
#include <QString>

#include <functional>
#include <optional>
#include <string>
#include <vector>

class Dialogs;

// The connection fields and the browsing session as they stand when a file
// is recorded: a recorded file goes to this server, login, password and port.
struct RecordingSession {
    std::string host;
    std::string login;
    std::string password;
    std::string port;
    bool connected = false;
    // The session's current remote directory; used only when connected.
    std::string remoteDirectory;
};

// What the main window shows of a recording. The window copies it into its
// controls whenever the recorder says it changed.
struct RecorderDisplay {
    bool recordingLabelVisible = false;
    QString recordingLabelText;
    bool stopButtonVisible = false;
    QString stopButtonHint;
    // The recorded files as the queue list shows them, after whatever the
    // transfer queue itself lists.
    std::vector<QString> queueListLines;
    // The two flag items of the Webwatch menu.
    bool cleanDirectoryChecked = true;
    bool deleteMissingChecked = true;
    // The browsing client's Timeout: longer while recording, since the user
    // may leave the session idle while choosing files.
    int sessionTimeout = 25;
};

// Where a stopped recording is written. While an upload run is pending its
// pending project file is copied over the project file when the run ends,
// so a recording stored meanwhile is written into both files: it is then in
// the project file whether the run ends (the pending file, which holds it,
// replaces the project file) or is cancelled (the project file is kept).
struct RecorderFiles {
    std::string projectFile;         // "wbprj.dfd"
    std::string pendingProjectFile;  // "nyweb2.dfd"
    std::function<bool()> runPending = [] { return false; };
};

// Records web projects: while recording is on, uploads are not sent but
// remembered here, and "Stop" writes them into the project file as a new
// project or into an existing one.
//
// The recorded files are kept in a list of the recorder's own, not in the
// transfer queue: a queue that waits (restored at start-up, or cut short)
// is neither swallowed by a recording nor dropped when it stops.
//
// No widget inside: questions go through the dialogs service and what the
// main window shows is published as a RecorderDisplay.
class Recorder : public QObject {
    Q_OBJECT
public:
    Recorder(RecorderFiles files, Dialogs& dialogs, QObject* parent = nullptr);

    // "New web project". True when a recording started.
    bool startNewProject(const RecordingSession& session);

    // The WebWatch window's "Add file": records further files into the
    // project of this name, the one at `place` when given (names need not be
    // unique). The files go in front of the project's earlier files. False
    // when the user declined.
    bool startAddingToProject(const std::string& projectName, bool cleanDirectory, bool deleteMissing,
                              const RecordingSession& session, std::optional<ProjectPlace> place = std::nullopt);

    enum class UploadButton { Unchanged, Disable };
    struct RecordResult {
        bool recorded = false;
        UploadButton uploadButton = UploadButton::Unchanged;
    };
    // The upload button while recording: one file of localDirectory.
    // transferMode is the mode the transfer mode decision gives the file
    // ("1" binary, "0" ASCII).
    RecordResult recordFile(const RecordingSession& session, const std::string& localDirectory,
                            const std::string& fileName, const std::string& transferMode);

    struct ListedFile {
        std::string name;
        std::string transferMode;  // "1" binary, "0" ASCII
    };
    // The whole-directory transfer while recording. Returns how many files
    // were recorded.
    std::size_t recordDirectory(const RecordingSession& session, const std::string& localDirectory,
                                const std::vector<ListedFile>& files);

    // A folder with everything under it, recorded in one act: each file
    // with its own remote folder, the relative folder below the session's
    // remote folder (or the one asked for without a connection) that
    // mirrors its local one. `folderName` is the folder's own name, which
    // the remote side gets too. Asks first, naming the local folder, the
    // remote one and the number of files. Returns how many were recorded.
    struct TreeFile {
        std::string localDirectory;
        std::string relativeFolder;  // below the folder recorded; "" for its own files
        std::string name;
        std::string transferMode;
    };
    std::size_t recordTree(const RecordingSession& session, const std::string& localFolder,
                           const std::string& folderName, const std::vector<TreeFile>& files);
    // Several folders, and `besides` files chosen with them, as one act:
    // one question names the selection and its totals. True when the user
    // said yes (the chosen files are then recorded by the caller).
    struct Tree {
        std::string localFolder;
        std::string folderName;
        std::vector<TreeFile> files;
    };
    bool recordTrees(const RecordingSession& session, const std::vector<Tree>& trees, std::size_t besides);

    // The two flag items: toggle the check mark, and while recording the
    // matching flag of the project being recorded.
    void toggleCleanDirectory();
    void toggleDeleteMissing();

    // "Stop".
    enum class StopResult { StillRecording, Discarded, Saved, SaveFailed };
    StopResult stop();

    // A download while recording is refused with a message; true when it was.
    bool refuseDownload();

    bool recording() const { return recording_; }
    bool addingToExisting() const { return mode_ == Mode::AddToExisting; }
    const std::string& projectName() const { return projectName_; }
    bool headerCleanDirectory() const { return headerClean_; }
    bool headerDeleteMissing() const { return headerDelete_; }
    const std::vector<ProjectFileEntry>& recordedFiles() const { return recorded_; }
    const RecorderDisplay& display() const { return display_; }

signals:
    void displayChanged();
    // After a recording was saved: the main window opens the WebWatch window.
    void openWebwatchRequested();

private:
    enum class Mode { None, NewProject, AddToExisting };

    void beginRecording(Mode mode, const std::string& name, QString labelText, QString stopHint);
    void endRecording();
    bool askForProjectName(std::string& name);
    bool askForRemoteDirectory(const RecordingSession& session, std::string& directory);
    bool remoteDirectoryFor(const RecordingSession& session, std::string& directory);
    bool add(const RecordingSession& session, const std::string& remoteDirectory,
             const std::string& localDirectory, const std::string& fileName, bool binary, bool notClean);
    bool save();
    void publish();

    RecorderFiles files_;
    Dialogs& dialogs_;

    bool recording_ = false;
    Mode mode_ = Mode::None;
    std::string projectName_;
    bool headerClean_ = false;
    bool headerDelete_ = false;
    bool singleFileAnswered_ = false;
    std::vector<ProjectFileEntry> recorded_;
    std::optional<ProjectPlace> place_;
    RecorderDisplay display_;
};
