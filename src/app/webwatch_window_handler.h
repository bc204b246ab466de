#pragma once

#include "webwatch/login_change.h"
#include "webwatch/project_scan.h"
#include "webwatch/project_store.h"
#include "webwatch/upload_run.h"

#include <QObject>

#include <array>
#include <functional>
#include <optional>
#include <string>

class Dialogs;
class QAction;
class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

// The WebWatch window's controls, by what they are for.
struct WebwatchView {
    QListWidget* projectList = nullptr;
    QListWidget* fileList = nullptr;
    QCheckBox* cleanDirectoryBox = nullptr;
    QCheckBox* deleteMissingBox = nullptr;
    QCheckBox* asciiBox = nullptr;
    QCheckBox* uploadedBox = nullptr;
    QCheckBox* notCleanBox = nullptr;
    // The six record fields in tab order: remote file name, server, login,
    // password, port, remote directory.
    std::array<QLineEdit*, 6> fields{};
    QLabel* queuedLabel = nullptr;     // files queued by a scanning run
    QLabel* localPathPanel = nullptr;  // the selected file's local path
    QAction* removeProjectItem = nullptr;
    QAction* removeFileItem = nullptr;
    QPushButton* addFileButton = nullptr;
    QPushButton* uploadAllButton = nullptr;
    QPushButton* uploadProjectButton = nullptr;
    QAction* changeLoginItem = nullptr;
    // Closes the window (it may be hidden already, for the quick upload).
    std::function<void()> closeWindow;
};

// What the window hands back to the main window when it closes.
struct WebwatchHandling {
    static constexpr const char* kQuickUpload = "quickupload";
    static constexpr const char* kAddFile = "addfile";
    static constexpr const char* kUpload = "Upload";
    static constexpr const char* kNone = "handling";
};

// The project chosen with "Add file": the recording goes into it.
struct AddFileChoice {
    std::string projectName;
    bool cleanDirectory = false;
    bool deleteMissing = false;
    // Line index below the project's flag lines, where recorded files go,
    // and the project file it was taken in.
    std::size_t insertLine = 0;
    std::string projectFile;
    // The site of the project's first file, for empty connection fields.
    std::optional<RemoteFileTarget> firstFileSite;
};

// Looks after the web projects in the WebWatch window: lists projects and
// files, edits a file's stored values, switches the project flags, removes
// files and projects, and starts upload runs on the shared UploadRun. Every
// change is written to the current project file at once.
class WebwatchWindowHandler : public QObject {
    Q_OBJECT
public:
    WebwatchWindowHandler(WebwatchView view, UploadRun& run, Dialogs& dialogs,
                          const std::vector<std::string>& asciiExtensions, QObject* parent = nullptr);

    // Each showing starts afresh from the current project file. With the
    // handling text "quickupload" the upload of all projects starts at once.
    void showWindow(const std::string& handling = WebwatchHandling::kNone);
    // Whether a transfer (or a run's deletion pass) is running: no new run
    // starts then, since it would replace the queue being worked off.
    void setTransferRunning(std::function<bool()> running) { transferRunning_ = std::move(running); }
    // The transfer has started or ended: the run buttons follow.
    void transferStateChanged();
    static constexpr const char* kTransferRunningText =
        "Files are being transferred. A new upload can start when the transfer has ended.";
    const std::string& handling() const { return handling_; }
    const std::optional<AddFileChoice>& addFileChoice() const { return addFile_; }

    // The lists.
    void selectProject(int row);
    void selectFile(int row);
    void openFile(int row);

    // The six fields, by their index in the view: Enter stores the field and
    // moves on to the next, an edit forgets that, leaving asks to store.
    void applyField(std::size_t field);
    void fieldEdited(std::size_t field);
    void leaveField(std::size_t field);

    // The check boxes (a click that changed them).
    void modeBoxClicked();
    void uploadedBoxClicked();
    void cleanDirectoryBoxClicked();
    void deleteMissingBoxClicked();

    // The menu items and buttons.
    void removeFile();
    void removeProject();
    void setUploadStatusAll();
    void addFile();
    void uploadAll();
    void uploadSelected();

    // "Change log-in…": the log-in it offers to change (the selected file's,
    // else the project's first file's), and the change itself, written into
    // every file of the selected project that had the old log-in.
    std::optional<SiteLogin> loginToChange() const;
    void changeLogin(const SiteLogin& old, const SiteLogin& now);
    // A pending run's queue and deletion list take a log-in change too;
    // whoever holds them does it. Returns how many of their entries changed.
    void setPendingLoginChange(std::function<std::size_t(const SiteLogin&, const SiteLogin&)> change)
    {
        pendingLoginChange_ = std::move(change);
    }

    const ProjectStore& projects() const { return projects_; }

private:
    void resetControls();
    void showAddFileState();
    void showChangeLoginState();
    void changeLoginInProjectFile(std::size_t p, const SiteLogin& old, const SiteLogin& now);
    bool transferRunning() const { return transferRunning_ && transferRunning_(); }
    void fillProjectList();
    void clearFileDetails();
    void scanForDisplay();
    void startRun(UploadRun::Scope scope);
    void save();
    void storeField(std::size_t field);
    bool fileSelected() const { return selectedProject_ && selectedFile_; }
    std::size_t fieldLine(std::size_t field) const;

    WebwatchView view_;
    UploadRun& run_;
    Dialogs& dialogs_;
    const std::vector<std::string>& asciiExtensions_;
    ProjectStore projects_;
    std::string handling_ = WebwatchHandling::kNone;
    std::optional<AddFileChoice> addFile_;
    std::function<bool()> transferRunning_;
    std::function<std::size_t(const SiteLogin&, const SiteLogin&)> pendingLoginChange_;

    std::optional<std::size_t> selectedProject_;
    std::optional<std::size_t> selectedFile_;
    // Rows of the files list, in record order, as the last display scan gave them.
    std::vector<ScanRow> rows_;
    // The selected file's current stamp; nothing when it could not be found,
    // so "Uploaded" never stores a stamp of another file.
    std::optional<std::string> currentStamp_;
    bool justApplied_ = false;
    bool filling_ = false;
};
