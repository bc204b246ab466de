#include "webwatch/recorder.h"

#include <sys/stat.h>

#include "core/data_paths.h"
#include "services/dialogs.h"
#include "webwatch/project_store.h"
#include "webwatch/recording_store.h"

namespace {

const QString kDisconnectedCaption = QStringLiteral("Your disconnected!!");
const QString kNameDialogCaption = QStringLiteral("Write name");

QString qs(const std::string& text)
{
    return QString::fromStdString(text);
}

// The name dialog is shared with other parts of the main window; after a
// recording used it, it is left as they expect to find it.
void resetNameDialog(Dialogs& dialogs)
{
    dialogs.nameDialog().editText.clear();
    dialogs.nameDialog().caption = kNameDialogCaption;
}

} // namespace

Recorder::Recorder(RecorderFiles files, Dialogs& dialogs, QObject* parent)
    : QObject(parent), files_(std::move(files)), dialogs_(dialogs)
{
    publish();
}

bool Recorder::askForProjectName(std::string& name)
{
    NameDialogState& dialog = dialogs_.nameDialog();
    dialog.panelText = QStringLiteral("Web project name:");
    dialog.editVisible = true;
    dialog.caption = QStringLiteral("Start new Web-project");
    // The field is shared with the new-directory question, which keeps its
    // last text; a project is not named after the folder made last.
    dialog.editText.clear();
    for (;;) {
        if (!dialogs_.runNameDialog())
            return false;
        name = dialog.editText.toStdString();
        if (ProjectStore::isValidProjectName(name))
            return true;
        // The project file marks file lines with a leading space and has one
        // line per name: such a name could never be read back.
        dialogs_.message(QStringLiteral("A Web project name can not be empty or begin with a space"));
    }
}

bool Recorder::startNewProject(const RecordingSession& session)
{
    if (!session.connected) {
        if (dialogs_.askYesNo(kDisconnectedCaption, QStringLiteral("Record a new project without connecting?"))
            != DialogAnswer::Yes)
            return false;
        if (session.host.empty()) {
            dialogs_.message(QStringLiteral("You must sellect: Remote Host,login,Password,Port"));
            return false;
        }
    }
    std::string name;
    const bool confirmed = askForProjectName(name);
    resetNameDialog(dialogs_);
    if (!confirmed)
        return false;
    // Files recorded before, in a recording still running, stay and become
    // files of the new project.
    beginRecording(Mode::NewProject, name, QStringLiteral("Recording to : ") + qs(name),
                   QStringLiteral("Stop recording to Web project: ") + qs(name));
    return true;
}

bool Recorder::startAddingToProject(const std::string& projectName, bool cleanDirectory, bool deleteMissing,
                                    const RecordingSession& session, std::optional<ProjectPlace> place)
{
    display_.cleanDirectoryChecked = cleanDirectory;
    display_.deleteMissingChecked = deleteMissing;
    if (!session.connected) {
        if (dialogs_.askYesNo(kDisconnectedCaption, QStringLiteral("Record a new file without connecting?"))
            != DialogAnswer::Yes) {
            publish();
            return false;
        }
        dialogs_.message(QStringLiteral("You must check if: Remote Host,login,Password and Port is correct"));
    }
    beginRecording(Mode::AddToExisting, projectName, QStringLiteral("Recording to ") + qs(projectName),
                   QStringLiteral("Stop recording to Webproject: ") + qs(projectName));
    place_ = std::move(place);
    return true;
}

void Recorder::beginRecording(Mode mode, const std::string& name, QString labelText, QString stopHint)
{
    recording_ = true;
    mode_ = mode;
    projectName_ = name;
    headerClean_ = display_.cleanDirectoryChecked;
    headerDelete_ = display_.deleteMissingChecked;
    display_.recordingLabelText = std::move(labelText);
    display_.stopButtonHint = std::move(stopHint);
    publish();
}

void Recorder::endRecording()
{
    recording_ = false;
    mode_ = Mode::None;
    projectName_.clear();
    headerClean_ = false;
    headerDelete_ = false;
    recorded_.clear();
    place_.reset();
    publish();
}

bool Recorder::askForRemoteDirectory(const RecordingSession& session, std::string& directory)
{
    NameDialogState& dialog = dialogs_.nameDialog();
    dialog.panelText = QStringLiteral("Web-project ") + qs(projectName_);
    dialog.caption = QStringLiteral("Directory name on :") + qs(session.host);
    dialog.editVisible = true;
    const bool confirmed = dialogs_.runNameDialog();
    directory = dialog.editText.toStdString();
    resetNameDialog(dialogs_);
    return confirmed;
}

bool Recorder::remoteDirectoryFor(const RecordingSession& session, std::string& directory)
{
    if (session.connected) {
        directory = session.remoteDirectory;
        return true;
    }
    return askForRemoteDirectory(session, directory);
}

bool Recorder::add(const RecordingSession& session, const std::string& remoteDirectory,
                   const std::string& localDirectory, const std::string& fileName, bool binary, bool notClean)
{
    ProjectFileEntry entry;
    entry.localPath = joinPath(localDirectory, fileName);
    entry.server = session.host;
    entry.login = session.login;
    entry.password = session.password;
    entry.port = session.port;
    entry.remoteDirectory = remoteDirectory;
    entry.remoteFileName = fileName;
    entry.binary = binary;
    entry.notClean = notClean;
    entry.stamp = std::string(kNeverUploadedStamp);
    // Only a regular file (or a link to one) is published: a FIFO would
    // hold every later run in its open, a device would be sent without end.
    struct stat status {};
    if (::stat(entry.localPath.c_str(), &status) == 0 && !S_ISREG(status.st_mode)) {
        dialogs_.message(QString::fromLocal8Bit(QByteArray::fromStdString(entry.localPath))
                         + QStringLiteral(" is not recorded: it is not a regular file"));
        return false;
    }
    // A value with a line break would cut its record in two and could never
    // be saved; such a file is left out rather than blocking "Stop".
    for (const auto& line : entry.recordLines())
        if (!isStorableValue(line))
            return false;
    recorded_.push_back(std::move(entry));
    return true;
}

Recorder::RecordResult Recorder::recordFile(const RecordingSession& session, const std::string& localDirectory,
                                            const std::string& fileName, const std::string& transferMode)
{
    if (!recording_)
        return {};
    if (!singleFileAnswered_ && display_.cleanDirectoryChecked) {
        const DialogAnswer answer = dialogs_.askYesNoCancel(
            QStringLiteral("Clean directory in use!!"),
            QStringLiteral("You upload a single file but use clean directory, this file will be marked <not clean> "
                           "to prevent the rest of the files in this directory to be included in the Web project, "
                           "You can make corrections later in Webwatch, do You still want to use the clean directory "
                           "feature for the rest of the Web project?"));
        if (answer == DialogAnswer::Cancel)
            return {false, UploadButton::Disable};
        if (answer == DialogAnswer::Yes) {
            singleFileAnswered_ = true;
        } else {
            headerClean_ = false;
            display_.cleanDirectoryChecked = false;
            publish();
        }
    }
    std::string remoteDirectory;
    if (!remoteDirectoryFor(session, remoteDirectory))
        return {};
    if (!add(session, remoteDirectory, localDirectory, fileName, transferMode == "1", true))
        return {};
    publish();
    return {true, UploadButton::Disable};
}

std::size_t Recorder::recordDirectory(const RecordingSession& session, const std::string& localDirectory,
                                      const std::vector<ListedFile>& files)
{
    if (!recording_ || files.empty())
        return 0;
    std::string remoteDirectory;
    if (!remoteDirectoryFor(session, remoteDirectory))
        return 0;
    std::size_t recorded = 0;
    for (const auto& file : files)
        recorded += add(session, remoteDirectory, localDirectory, file.name, file.transferMode == "1", false) ? 1 : 0;
    publish();
    return recorded;
}

std::size_t Recorder::recordTree(const RecordingSession& session, const std::string& localFolder,
                                 const std::string& folderName, const std::vector<TreeFile>& files)
{
    if (!recording_ || files.empty())
        return 0;
    return recordTrees(session, {Tree{localFolder, folderName, files}}, 0) ? files.size() : 0;
}

bool Recorder::recordTrees(const RecordingSession& session, const std::vector<Tree>& trees, std::size_t besides)
{
    std::size_t total = besides;
    for (const Tree& tree : trees)
        total += tree.files.size();
    if (!recording_ || total == 0)
        return false;
    std::string base;
    if (!remoteDirectoryFor(session, base))
        return false;
    const auto below = [](const std::string& folder, const std::string& name) {
        if (name.empty())
            return folder;
        return folder.empty() || folder.back() == '/' ? folder + name : folder + "/" + name;
    };
    const auto filesText = [](std::size_t count) {
        return count == 1 ? QStringLiteral("1 file") : QStringLiteral("%1 files").arg(count);
    };
    QString question;
    if (trees.size() == 1 && besides == 0) {
        question = QStringLiteral("Record %1 from %2 and the folders inside it into the web project, for %3 on %4?")
                       .arg(filesText(total), qs(trees.front().localFolder),
                            qs(below(base, trees.front().folderName)), qs(session.host));
    } else {
        // One question for the whole selection, however many folders.
        const QString folders =
            trees.size() == 1 ? QStringLiteral("1 folder") : QStringLiteral("%1 folders").arg(trees.size());
        question = QStringLiteral("Record %1 into the web project, for %2 on %3? %4 in all, with the folders "
                                  "inside them.")
                       .arg(besides == 0 ? folders : folders + QStringLiteral(" and ") + filesText(besides),
                            qs(base), qs(session.host), filesText(total));
    }
    if (dialogs_.askYesNo(trees.size() == 1 && besides == 0 ? QStringLiteral("Record folder")
                                                            : QStringLiteral("Record folders"),
                          question)
        != DialogAnswer::Yes)
        return false;
    for (const Tree& tree : trees) {
        const std::string remoteFolder = below(base, tree.folderName);
        for (const TreeFile& file : tree.files)
            add(session, below(remoteFolder, file.relativeFolder), file.localDirectory, file.name,
                file.transferMode == "1", false);
    }
    publish();
    return true;
}

void Recorder::toggleCleanDirectory()
{
    display_.cleanDirectoryChecked = !display_.cleanDirectoryChecked;
    if (recording_)
        headerClean_ = display_.cleanDirectoryChecked;
    publish();
}

void Recorder::toggleDeleteMissing()
{
    display_.deleteMissingChecked = !display_.deleteMissingChecked;
    if (recording_)
        headerDelete_ = display_.deleteMissingChecked;
    publish();
}

bool Recorder::save()
{
    Recording recording{projectName_, headerClean_, headerDelete_, mode_ == Mode::AddToExisting, {}, recorded_};

    ProjectStore projects;
    if (!loadProjectFileForWriting(files_.projectFile, projects))
        return false;
    // The project chosen is found by its place in the file it was chosen
    // from; a pending run's copy holds the projects in the same order.
    if (place_ && recording.intoExisting) {
        ProjectStore chosenFrom;
        const bool sameFile = place_->projectFile == files_.projectFile;
        if (sameFile || chosenFrom.load(place_->projectFile))
            recording.projectIndex = projectAtInsertLine(sameFile ? projects : chosenFrom, place_->insertLine,
                                                         projectName_);
    }
    const TextLineList before = projects.lines();
    if (!storeRecording(projects, recording))
        return false;

    std::optional<ProjectStore> pending;
    if (files_.runPending()) {
        pending.emplace();
        if (!pending->load(files_.pendingProjectFile) || !storeRecording(*pending, recording))
            return false;
    }
    if (!projects.save(files_.projectFile))
        return false;
    if (pending && !pending->save(files_.pendingProjectFile)) {
        // Stored in one file only, the project would be lost or doubled
        // depending on how the run ends; put the project file back.
        before.saveToFile(files_.projectFile, FileAccess::OwnerOnly);
        return false;
    }
    return true;
}

Recorder::StopResult Recorder::stop()
{
    if (!recording_)
        return StopResult::StillRecording;
    const QString title = qs(projectName_).left(255);
    const DialogAnswer answer = dialogs_.askYesNoCancel(title, QStringLiteral("Save to Webwatch?"));
    if (answer == DialogAnswer::Cancel)
        return StopResult::StillRecording;
    if (answer == DialogAnswer::No) {
        if (dialogs_.askYesNo(title, QStringLiteral("Cancel recording?")) != DialogAnswer::Yes)
            return StopResult::StillRecording;
        endRecording();
        return StopResult::Discarded;
    }
    if (!save()) {
        // The recorded files are kept: the user can free space or fix the
        // file's permissions and press Stop again.
        dialogs_.message(QStringLiteral("The Web project could not be saved in ") + qs(files_.projectFile)
                         + QStringLiteral(". The recording goes on; press Stop to try again."));
        return StopResult::SaveFailed;
    }
    endRecording();
    emit openWebwatchRequested();
    return StopResult::Saved;
}

bool Recorder::refuseDownload()
{
    if (!recording_)
        return false;
    dialogs_.message(QStringLiteral("You can't download when You are recording to Webwatch"));
    return true;
}

void Recorder::publish()
{
    display_.recordingLabelVisible = recording_;
    display_.stopButtonVisible = recording_;
    display_.sessionTimeout = recording_ ? 100 : 25;
    display_.queueListLines.clear();
    display_.queueListLines.reserve(recorded_.size());
    for (const auto& entry : recorded_)
        display_.queueListLines.push_back(QStringLiteral("\u00BB\u00BB ") + qs(entry.remoteFileName));
    emit displayChanged();
}
