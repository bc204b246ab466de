#pragma once

#include "webwatch/recorder.h"

#include <QObject>
#include <QString>

#include <functional>
#include <optional>
#include <string>
#include <vector>

class QAction;
class QLabel;
class QPushButton;
class SessionChannel;

// The controls a web project recording shows itself in, by what each is for.
struct RecordingView {
    QAction* cleanDirectoryItem = nullptr;
    QAction* deleteMissingItem = nullptr;
    QLabel* recordingLabel = nullptr;
    QPushButton* stopButton = nullptr;
    // Greyed once a file is recorded, or when the user backs out of the
    // clean-directory question.
    QPushButton* uploadButton = nullptr;
    // The recorded files' lines, shown after the transfer queue's own.
    std::function<void(const std::vector<QString>&)> showRecordedLines;
    // Whether uploads are being recorded: the local panel then lets a file
    // be chosen for upload without a connection.
    std::function<void(bool)> recordingChanged;
};

// What a recording needs from the rest of the main window, asked at the
// moment a control is used.
struct RecordingSources {
    // The connection fields: host, login, password, port.
    std::function<std::string()> host;
    std::function<std::string()> login;
    std::function<std::string()> password;
    std::function<std::string()> port;
    // The local folder shown, its selected file, and every file it lists.
    std::function<std::string()> localDirectory;
    std::function<std::vector<std::string>()> selectedLocalFiles;
    std::function<std::vector<std::string>()> listedLocalFiles;
    // The transfer mode for a file name ("0" ASCII, "1" binary).
    std::function<std::string(const std::string&)> decideMode;
    // A line for the FTP log (the links a folder tree leaves out).
    std::function<void(const std::string&)> log;
    // Whether the file of that name in that local folder is one of the
    // program's own data files, which a folder tree leaves out.
    std::function<bool(const std::string& directory, const std::string& name)> ownDataFile;
};

// Binds the recorder to the main window: "New web project", the two flag
// items, the stop button and the recording label, and the upload, directory
// and download buttons while a recording runs. Nothing reaches the server
// while recording; the browsing client only waits longer before it gives up
// on an idle session.
class RecordingHandler : public QObject {
    Q_OBJECT
public:
    RecordingHandler(Recorder& recorder, SessionChannel& channel, RecordingView view, RecordingSources sources,
                     QObject* parent = nullptr);

    // The connection fields and the browsing session as they stand now.
    RecordingSession currentSession() const;

    // The Webwatch menu and the stop button.
    void newProject();
    void toggleCleanDirectory();
    void toggleDeleteMissing();
    void stop();

    // The transfer buttons ask first: true when a recording took the click
    // and nothing is to be queued.
    bool takeUpload();
    bool takeDirectoryTransfer();
    bool takeDownload();
    // The selection of the local list: its folders, each with everything
    // under it, and its files, after one question for them all when
    // folders are among them. True when a recording took the click.
    bool takeSelection(const std::vector<std::string>& localFolders);

    // Puts the recorded files back into the queue list after something
    // emptied it (the abort does): they are still recorded.
    void showRecordedFilesAgain();

private:
    void showDisplay();

    Recorder& recorder_;
    SessionChannel& channel_;
    RecordingView view_;
    RecordingSources sources_;
    bool shownRecording_ = false;
};
