#pragma once

#include "transfer/queue_progress.h"
#include "transfer/transfer_queue.h"

#include <QElapsedTimer>

#include <QObject>
#include <QString>

#include <functional>
#include <optional>
#include <string>
#include <vector>

class QAction;
class QLabel;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QWidget;

// The controls the queue shows itself in, by what they are for.
struct QueueView {
    QListWidget* queueList = nullptr;         // the files in line
    QLabel* countLabel = nullptr;             // "<n> files in line "
    QLabel* progressLabel = nullptr;          // the queue's progress as a whole
    QPushButton* progressButton = nullptr;    // slides along the bar; "Start"
    QWidget* bar = nullptr;                   // the panel the button slides in
    QLabel* barImage = nullptr;               // drawn on: the groove
    QPushButton* removeAllButton = nullptr;   // "Delete": discard the queue
    QPushButton* uploadButton = nullptr;
    QPushButton* downloadButton = nullptr;
    QPushButton* directoryButton = nullptr;   // the whole local folder up
    QPlainTextEdit* log = nullptr;            // the FTP log
    QAction* newProjectItem = nullptr;        // off while a transfer runs
    QAction* openWebwatchItem = nullptr;      // off while a transfer runs
    // The application title (what the task bar shows).
    std::function<void(const QString&)> setTitle;
    // The status bar's message panel: a file's failure, and what the queue
    // left out, are told there as well as in the log.
    std::function<void(const QString&)> showMessage;
    // Marks each log line of a transfer connection, so its commands and
    // replies are not taken for those of the browsing connection they
    // interleave with. Each transfer connection has a number of its own:
    // "[T1] ", "[T2] ", ...
    QString logTag = QStringLiteral("[T%1] ");
};

// What the queue needs to know from the rest of the main window, asked at
// the moment a button is pressed.
struct QueueSources {
    // The browsing connection is up (files can be chosen remotely).
    std::function<bool()> browsingConnected;
    // The connection fields: host, login, password, port.
    std::function<QueueSite()> connectionFields;
    // The browsing client's remote directory.
    std::function<std::string()> remoteDirectory;
    // The local folder shown.
    std::function<std::string()> localDirectory;
    // The selected files of the local and of the remote list, in list order,
    // with the size the list keeps for each.
    std::function<std::vector<TransferQueue::LocalFile>()> selectedLocalFiles;
    std::function<std::vector<TransferQueue::LocalFile>()> selectedRemoteFiles;
    // Every file the local list shows that may be uploaded, in list order.
    std::function<std::vector<TransferQueue::LocalFile>()> listedLocalFiles;
    // Says which listed files are left out (the program's own data files)
    // and how many.
    std::function<std::size_t()> tellLeftOut;
    // The text of the remote tree's selected node.
    std::function<std::string()> remoteTreeSelection;
    // The transfer mode for a file name ("0" ASCII, "1" binary).
    std::function<std::string(const std::string&)> decideMode;
    // The passive-mode setting.
    std::function<bool()> passiveMode;
    // An upload action of this many files begins: what the overwrite
    // question was told for all files of the last one no longer holds.
    std::function<void(std::size_t files)> uploadActionBegins;
    // Both file lists lose their selection once a file is queued.
    std::function<void()> clearSelections;
    // After the queue: read the local list again; read the remote view
    // again when it shows this directory (and the browsing client is free).
    std::function<void()> rereadLocalList;
    std::function<void(const std::string& transferDirectory)> rereadRemoteView;
    // An interrupted download brings its site into the connection fields and
    // its folder into the local panel.
    std::function<void(const QueueSite& site, const std::string& localDirectory)> showSite;
    // The start button takes up work while the browsing side is closed: the
    // browsing side connects to that site.
    std::function<void(const QueueSite& site, const std::string& localDirectory,
                       const std::string& remoteDirectory)>
        connectBrowsing;
};

// Binds the transfer queue to the main window: the upload, download and
// directory buttons queue files, the start and remove-all buttons drive the
// queue, and what the queue shows lands in the view.
class QueueWindowHandler : public QObject, private TransferQueueObserver {
    Q_OBJECT
public:
    QueueWindowHandler(TransferQueue& queue, QueueView view, QueueSources sources, QObject* parent = nullptr);
    ~QueueWindowHandler() override;

    // A file of some local folder, for an upload of several at once.
    struct LocalUpload {
        std::string localDirectory;
        TransferQueue::LocalFile file;
    };

    // The buttons.
    void uploadSelected();
    // Files of any local folders (dropped on the remote side) uploaded into
    // a server folder in one action, each as the upload button takes one.
    void uploadFiles(const std::string& remoteDirectory, const std::vector<LocalUpload>& files);
    void downloadSelected();
    void uploadListedFolder();
    void startOrResume();
    void removeAll();

    // The first showing of the window hands over what start-up restored.
    void takeUpInterruptedDownload(const TextLineList& resumeRecordLines);
    void takeUpPendingQueue(const TextLineList& queueLines);

    // Redraws the bar for the panel's current size.
    void redraw();

    // Lines shown after the queue's own (the files a web project recording
    // has taken in). They are counted in the "files in line" label too; the
    // queue's own lines stay in front of them whatever the queue does.
    void showFollowingLines(const std::vector<QString>& lines);

signals:
    // The queue's display was redrawn: a transfer may have started or ended.
    void displayUpdated();

private:
    void logLine(const std::string& line) override;
    void connectionLogLine(int connection, const std::string& line) override;
    void failureReported(const std::string& text) override;
    void queueLineAppended(const std::string& line) override;
    void queueLineRemoved(std::size_t row) override;
    void queueListReplaced(const std::vector<std::string>& lines) override;
    void displayChanged(const QueueDisplay& display) override;
    void transferProgressed(std::int64_t bytes) override;
    void queueEnded(const QueueEndReport& report) override;
    void interruptedDownloadShown(const ResumeRecord& record) override;
    bool browsingConnected() const override;
    void connectBrowsing(const QueueSite& site, const std::string& localDirectory,
                         const std::string& remoteDirectory) override;

    void drawBar(const QueueDisplay& display);
    void showCount(const QueueDisplay& display);
    // How many lines at the top of the list are the queue's own.
    int ownLineCount() const;

    // The progress of the queue as a whole, and the mark on the running
    // files' lines.
    void fileLeftQueue(const QueueEntry& entry);
    // Tells the progress whether the queue runs, stopped or ran dry.
    void followStateOfQueue();
    void showProgress();
    void markRunningLines();

    TransferQueue& queue_;
    QueueView view_;
    QueueSources sources_;
    int followingLines_ = 0;
    QueueProgress progress_;
    QElapsedTimer sinceShown_;
};
