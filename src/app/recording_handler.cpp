#include "app/recording_handler.h"

#include "app/control_hint.h"
#include "app/local_tree_scan.h"
#include "core/data_paths.h"
#include "services/session_channel.h"

#include <QAction>
#include <QLabel>
#include <QPushButton>

RecordingHandler::RecordingHandler(Recorder& recorder, SessionChannel& channel, RecordingView view,
                                   RecordingSources sources, QObject* parent)
    : QObject(parent), recorder_(recorder), channel_(channel), view_(std::move(view)), sources_(std::move(sources))
{
    connect(&recorder_, &Recorder::displayChanged, this, &RecordingHandler::showDisplay);
    showDisplay();
}

RecordingSession RecordingHandler::currentSession() const
{
    RecordingSession session;
    session.host = sources_.host();
    session.login = sources_.login();
    session.password = sources_.password();
    session.port = sources_.port();
    session.connected = channel_.connected();
    if (session.connected)
        session.remoteDirectory = channel_.client().HostDirName();
    return session;
}

void RecordingHandler::newProject()
{
    recorder_.startNewProject(currentSession());
}

void RecordingHandler::toggleCleanDirectory()
{
    recorder_.toggleCleanDirectory();
}

void RecordingHandler::toggleDeleteMissing()
{
    recorder_.toggleDeleteMissing();
}

void RecordingHandler::stop()
{
    recorder_.stop();
}

bool RecordingHandler::takeUpload()
{
    if (!recorder_.recording())
        return false;
    // The selection is recorded file by file, in list order, each as the
    // only selected file would be.
    bool disableUpload = false;
    for (const std::string& name : sources_.selectedLocalFiles()) {
        const Recorder::RecordResult result =
            recorder_.recordFile(currentSession(), sources_.localDirectory(), name, sources_.decideMode(name));
        disableUpload = disableUpload || result.uploadButton == Recorder::UploadButton::Disable;
        // Cancelled at the clean-directory question: the rest stay out too.
        if (!result.recorded && result.uploadButton == Recorder::UploadButton::Disable)
            break;
    }
    if (disableUpload && view_.uploadButton)
        view_.uploadButton->setEnabled(false);
    return true;
}

bool RecordingHandler::takeDirectoryTransfer()
{
    if (!recorder_.recording())
        return false;
    std::vector<Recorder::ListedFile> files;
    for (std::string& name : sources_.listedLocalFiles()) {
        std::string mode = sources_.decideMode(name);
        files.push_back({std::move(name), std::move(mode)});
    }
    recorder_.recordDirectory(currentSession(), sources_.localDirectory(), files);
    return true;
}

bool RecordingHandler::takeSelection(const std::vector<std::string>& localFolders)
{
    if (!recorder_.recording())
        return false;
    if (localFolders.empty())
        return takeUpload();
    std::vector<Recorder::Tree> trees;
    for (const std::string& folder : localFolders) {
        const LocalTree tree = scanLocalTree(folder);
        for (const std::string& link : tree.skippedLinks)
            if (sources_.log)
                sources_.log("! " + joinPath(folder, link) + " left out: a link to a folder is not followed");
        std::vector<Recorder::TreeFile> files;
        for (const LocalTreeFile& file : tree.files) {
            const std::string directory =
                file.relativeFolder.empty() ? folder : joinPath(folder, file.relativeFolder);
            if (sources_.ownDataFile && sources_.ownDataFile(directory, file.name)) {
                if (sources_.log)
                    sources_.log("! " + joinPath(directory, file.name) +
                                 " left out: it is one of the program's own data files");
                continue;
            }
            files.push_back({directory, file.relativeFolder, file.name, sources_.decideMode(file.name)});
        }
        std::string name = folder;
        while (name.size() > 1 && name.back() == '/')
            name.pop_back();
        name = name.substr(name.rfind('/') + 1);
        trees.push_back({folder, name, std::move(files)});
    }
    // The chosen files are named in the folders' question; a "No" leaves
    // them out with the folders.
    if (recorder_.recordTrees(currentSession(), trees, sources_.selectedLocalFiles().size()))
        takeUpload();
    return true;
}

bool RecordingHandler::takeDownload()
{
    if (!recorder_.recording())
        return false;
    // Without a connection the download button does nothing at all.
    if (channel_.connected())
        recorder_.refuseDownload();
    return true;
}

void RecordingHandler::showRecordedFilesAgain()
{
    if (view_.showRecordedLines)
        view_.showRecordedLines(recorder_.display().queueListLines);
}

void RecordingHandler::showDisplay()
{
    const RecorderDisplay& display = recorder_.display();
    // Until a recording names its project, the label and the button keep
    // the captions the window gave them.
    if (!display.recordingLabelText.isEmpty())
        view_.recordingLabel->setText(display.recordingLabelText);
    view_.recordingLabel->setVisible(display.recordingLabelVisible);
    if (!display.stopButtonHint.isEmpty())
        setHint(view_.stopButton, display.stopButtonHint);
    view_.stopButton->setVisible(display.stopButtonVisible);
    view_.cleanDirectoryItem->setChecked(display.cleanDirectoryChecked);
    view_.deleteMissingItem->setChecked(display.deleteMissingChecked);
    if (view_.showRecordedLines)
        view_.showRecordedLines(display.queueListLines);

    // The browsing client's timeout changes only when recording starts or
    // stops; until the first recording it keeps the client's own.
    const bool recording = recorder_.recording();
    if (recording != shownRecording_) {
        shownRecording_ = recording;
        channel_.client().SetTimeout(display.sessionTimeout);
        if (view_.recordingChanged)
            view_.recordingChanged(recording);
    }
}
