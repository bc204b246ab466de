#include "app/webwatch_window_handler.h"

#include "app/control_hint.h"
#include "app/file_helper.h"
#include "app/webwatch_file_row.h"
#include "core/directory_search.h"
#include "core/dos_date_time.h"
#include "services/dialogs.h"

#include <QAction>
#include <QCheckBox>
#include <QCoreApplication>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

namespace {

QString qs(const std::string& text)
{
    return QString::fromStdString(text);
}

// The record field each of the six edits stands for, in the view's order.
constexpr std::array<ProjectField, 6> kFieldOfEdit{ProjectField::RemoteFileName, ProjectField::Server,
                                                   ProjectField::Login,          ProjectField::Password,
                                                   ProjectField::Port,           ProjectField::RemoteDirectory};

constexpr const char* kMustUpload = " May";

const QString kAddFileHint = QStringLiteral("Add a file to a project");
const QString kAddFileWaitsHint =
    QStringLiteral("Add file waits until the pending upload has ended (Start or Delete in the main window): "
                   "the files it records would go into the project file that upload is about to replace");
const QString kUploadAllHint = QStringLiteral("Upload all changed files,");
const QString kUploadProjectHint = QStringLiteral("Upload selected project");

}  // namespace

WebwatchWindowHandler::WebwatchWindowHandler(WebwatchView view, UploadRun& run, Dialogs& dialogs,
                                             const std::vector<std::string>& asciiExtensions, QObject* parent)
    : QObject(parent), view_(std::move(view)), run_(run), dialogs_(dialogs), asciiExtensions_(asciiExtensions)
{
}

void WebwatchWindowHandler::showWindow(const std::string& handling)
{
    projects_ = ProjectStore();
    projects_.load(run_.currentProjectFile());
    addFile_.reset();
    resetControls();
    handling_ = handling == WebwatchHandling::kQuickUpload ? handling : std::string(WebwatchHandling::kNone);
    fillProjectList();
    transferStateChanged();
    if (handling_ == WebwatchHandling::kQuickUpload)
        startRun(UploadRun::Scope::Quick);
}

void WebwatchWindowHandler::transferStateChanged()
{
    const bool running = transferRunning();
    const QString why = QString::fromUtf8(kTransferRunningText);
    for (auto [button, hint] : {std::pair{view_.uploadAllButton, kUploadAllHint},
                                std::pair{view_.uploadProjectButton, kUploadProjectHint}}) {
        if (!button)
            continue;
        button->setEnabled(!running);
        setHint(button, running ? why : hint);
    }
    showChangeLoginState();
}

void WebwatchWindowHandler::showChangeLoginState()
{
    if (view_.changeLoginItem)
        view_.changeLoginItem->setEnabled(selectedProject_ && projects_.fileCount(*selectedProject_) > 0
                                          && !transferRunning());
}

void WebwatchWindowHandler::showAddFileState()
{
    // While a run is pending the window shows the pending project file; a
    // line index taken there would be applied to the project file, whose
    // lines differ once the run removed or took in files.
    const bool waits = run_.pending();
    view_.addFileButton->setEnabled(selectedProject_.has_value() && !waits);
    setHint(view_.addFileButton, waits ? kAddFileWaitsHint : kAddFileHint);
}

void WebwatchWindowHandler::resetControls()
{
    view_.removeProjectItem->setEnabled(false);
    view_.removeFileItem->setEnabled(false);
    view_.addFileButton->setEnabled(false);
    selectedProject_.reset();
    showAddFileState();
    showChangeLoginState();
    filling_ = true;
    view_.fileList->clear();
    view_.projectList->clear();
    filling_ = false;
    for (QCheckBox* box : {view_.cleanDirectoryBox, view_.deleteMissingBox, view_.asciiBox, view_.uploadedBox,
                           view_.notCleanBox})
        box->setChecked(false);
    for (QLineEdit* field : view_.fields)
        field->clear();
    view_.localPathPanel->clear();
    view_.queuedLabel->hide();
    selectedProject_.reset();
    selectedFile_.reset();
    rows_.clear();
    currentStamp_.reset();
    justApplied_ = false;
}

void WebwatchWindowHandler::fillProjectList()
{
    filling_ = true;
    view_.projectList->clear();
    for (std::size_t p = 0; p < projects_.projectCount(); ++p)
        view_.projectList->addItem(qs(projects_.projectName(p)));
    filling_ = false;
}

void WebwatchWindowHandler::clearFileDetails()
{
    view_.asciiBox->setChecked(false);
    view_.uploadedBox->setChecked(false);
    view_.notCleanBox->setChecked(false);
    for (QLineEdit* field : view_.fields)
        field->clear();
    view_.localPathPanel->clear();
    selectedFile_.reset();
    currentStamp_.reset();
    justApplied_ = false;
}

void WebwatchWindowHandler::selectProject(int row)
{
    if (filling_ || row < 0 || static_cast<std::size_t>(row) >= projects_.projectCount())
        return;
    selectedProject_ = static_cast<std::size_t>(row);
    view_.removeProjectItem->setEnabled(true);
    showAddFileState();
    showChangeLoginState();
    view_.removeFileItem->setEnabled(false);
    clearFileDetails();
    scanForDisplay();
}

void WebwatchWindowHandler::scanForDisplay()
{
    ProjectScanner scanner(asciiExtensions_);
    const ProjectScanner::Result result =
        scanner.scan(projects_, *selectedProject_, ProjectScanner::Mode::Display, nullptr);
    view_.cleanDirectoryBox->setChecked(result.cleanDirectory);
    view_.deleteMissingBox->setChecked(result.deleteMissing);
    rows_ = result.rows;
    filling_ = true;
    view_.fileList->clear();
    QFileIconProvider icons;
    const std::size_t p = *selectedProject_;
    QStringList folders;
    for (const ScanRow& row : rows_)
        folders << QFileInfo(qs(row.localPath)).path();
    const QString shared = webwatch_file_row::sharedFolder(folders);
    for (std::size_t j = 0; j < rows_.size(); ++j) {
        const ScanRow& row = rows_[j];
        auto* item = new QListWidgetItem(qs(row.text), view_.fileList);
        if (!row.missing)
            item->setIcon(icons.icon(QFileInfo(qs(row.localPath))));
        // A missing file's line names no file: its whole path stands in for the folder.
        const QFileInfo path(qs(row.localPath));
        const std::optional<DirectoryEntry> found = row.missing ? std::nullopt : lookUpPath(row.localPath);
        const std::string currentStamp = found && found->statusKnown ? uploadStampText(found->dosTime) : std::string();
        std::string storedStamp = j < projects_.fileCount(p) ? projects_.field(p, j, ProjectField::UploadStamp) : "";
        const QString folder = row.missing ? path.filePath() : path.path();
        QString shown = folder.startsWith(shared) ? folder.mid(shared.size()) : folder;
        if (shown.isEmpty())
            shown = QStringLiteral(".");
        webwatch_file_row::describe(*item, shown, folder,
                                    webwatch_file_row::stateText(storedStamp, currentStamp, row.missing));
    }
    filling_ = false;
}

void WebwatchWindowHandler::selectFile(int row)
{
    if (filling_)
        return;
    if (!selectedProject_ || row < 0 || static_cast<std::size_t>(row) >= projects_.fileCount(*selectedProject_)) {
        clearFileDetails();
        return;
    }
    const std::size_t p = *selectedProject_;
    const auto j = static_cast<std::size_t>(row);
    selectedFile_ = j;
    justApplied_ = false;
    view_.removeFileItem->setEnabled(true);
    const TextLineList& lines = projects_.lines();
    const std::string& firstLine = lines[projects_.recordLine(p, j)];
    if (!firstLine.empty() && firstLine[0] == ' ') {
        view_.localPathPanel->setText(qs(firstLine));
        for (std::size_t i = 0; i < view_.fields.size(); ++i)
            view_.fields[i]->setText(qs(lines[fieldLine(i)]));
    }
    const std::string mode = projects_.field(p, j, ProjectField::ModeCode);
    view_.asciiBox->setChecked(mode == "0" || mode == "2");
    view_.notCleanBox->setChecked(mode == "2" || mode == "3");
    // Only this file's own stamp may be remembered: a file that cannot be
    // found has none, and "Uploaded" then stores nothing.
    currentStamp_ = ProjectStore::stampOf(projects_.field(p, j, ProjectField::LocalPath));
    view_.uploadedBox->setChecked(currentStamp_
                                  && projects_.field(p, j, ProjectField::UploadStamp) == *currentStamp_);
}

void WebwatchWindowHandler::openFile(int row)
{
    if (!selectedProject_ || row < 0 || static_cast<std::size_t>(row) >= projects_.fileCount(*selectedProject_))
        return;
    const std::string path = projects_.field(*selectedProject_, static_cast<std::size_t>(row), ProjectField::LocalPath);
    const std::size_t slash = path.rfind('/');
    const std::string directory = slash == std::string::npos ? std::string() : path.substr(0, slash);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    executeFile(name, " ", directory.empty() ? std::string("/") : directory, kShowWindowAsIs);
}

std::size_t WebwatchWindowHandler::fieldLine(std::size_t field) const
{
    return projects_.fieldLine(*selectedProject_, *selectedFile_, kFieldOfEdit[field]);
}

void WebwatchWindowHandler::applyField(std::size_t field)
{
    if (!fileSelected() || field >= view_.fields.size())
        return;
    storeField(field);
    if (field + 1 < view_.fields.size())
        view_.fields[field + 1]->setFocus();
}

void WebwatchWindowHandler::storeField(std::size_t field)
{
    QLineEdit* edit = view_.fields[field];
    QString text = edit->text();
    if (!text.startsWith(QLatin1Char(' '))) {
        text.prepend(QLatin1Char(' '));
        edit->setText(text);
    }
    // A line break cannot be stored in a one-line field; the edit cannot
    // produce one, but a paste could carry a carriage return.
    text.remove(QLatin1Char('\r')).remove(QLatin1Char('\n'));
    auto& lines = projects_.lines().lines();
    lines[fieldLine(field)] = text.toStdString();
    lines[projects_.fieldLine(*selectedProject_, *selectedFile_, ProjectField::UploadStamp)] = kMustUpload;
    view_.uploadedBox->setChecked(false);
    save();
    justApplied_ = true;
}

void WebwatchWindowHandler::fieldEdited(std::size_t)
{
    justApplied_ = false;
}

void WebwatchWindowHandler::leaveField(std::size_t field)
{
    if (!fileSelected() || justApplied_ || field >= view_.fields.size())
        return;
    QLineEdit* edit = view_.fields[field];
    const QString stored = qs(projects_.lines()[fieldLine(field)]);
    if (edit->text() == stored)
        return;
    if (dialogs_.askYesNo(QStringLiteral("To save changes press Enter"), QStringLiteral("Save changes?"))
        == DialogAnswer::Yes)
        storeField(field);
    else
        edit->setText(stored);
}

void WebwatchWindowHandler::modeBoxClicked()
{
    if (!fileSelected())
        return;
    const int code = (view_.notCleanBox->isChecked() ? 2 : 0) + (view_.asciiBox->isChecked() ? 0 : 1);
    auto& lines = projects_.lines().lines();
    lines[projects_.fieldLine(*selectedProject_, *selectedFile_, ProjectField::ModeCode)] = " " + std::to_string(code);
    lines[projects_.fieldLine(*selectedProject_, *selectedFile_, ProjectField::UploadStamp)] = kMustUpload;
    view_.uploadedBox->setChecked(false);
    save();
}

void WebwatchWindowHandler::uploadedBoxClicked()
{
    if (!fileSelected())
        return;
    const std::size_t stampLine = projects_.fieldLine(*selectedProject_, *selectedFile_, ProjectField::UploadStamp);
    if (view_.uploadedBox->isChecked()) {
        if (!currentStamp_) {
            view_.uploadedBox->setChecked(false);
            return;
        }
        projects_.lines().lines()[stampLine] = " " + *currentStamp_;
    } else {
        projects_.lines().lines()[stampLine] = kMustUpload;
    }
    save();
}

void WebwatchWindowHandler::cleanDirectoryBoxClicked()
{
    if (!selectedProject_)
        return;
    projects_.setCleanDirectory(*selectedProject_, view_.cleanDirectoryBox->isChecked());
    save();
}

void WebwatchWindowHandler::deleteMissingBoxClicked()
{
    if (!selectedProject_)
        return;
    projects_.setDeleteMissing(*selectedProject_, view_.deleteMissingBox->isChecked());
    save();
}

void WebwatchWindowHandler::removeFile()
{
    if (!fileSelected() || *selectedFile_ >= rows_.size())
        return;
    const std::size_t p = *selectedProject_;
    const ScanRow row = rows_[*selectedFile_];
    if (projects_.cleanDirectory(p) && !row.missing)
        dialogs_.message(QStringLiteral("NOTICE! This Web project uses clean directory, files might be rediscovered"));
    if (dialogs_.askYesNo(qs(projects_.projectName(p)), QStringLiteral("Remove file ") + qs(row.text))
        != DialogAnswer::Yes) {
        dialogs_.message(QStringLiteral("No Files removed"));
        return;
    }
    projects_.removeFile(p, *selectedFile_);
    save();
    clearFileDetails();
    view_.removeFileItem->setEnabled(false);
    projects_.rebuildIndex();
    // A file removed from a clean folder comes back with this very scan.
    scanForDisplay();
}

void WebwatchWindowHandler::removeProject()
{
    if (!selectedProject_)
        return;
    const std::size_t p = *selectedProject_;
    if (dialogs_.askYesNo(qs(projects_.projectName(p)), QStringLiteral("Remove this Web project?"))
        != DialogAnswer::Yes) {
        dialogs_.message(QStringLiteral("No Webproject removed"));
        return;
    }
    projects_.removeProject(p);
    save();
    filling_ = true;
    view_.fileList->clear();
    filling_ = false;
    clearFileDetails();
    selectedProject_.reset();
    rows_.clear();
    view_.removeProjectItem->setEnabled(false);
    view_.addFileButton->setEnabled(false);
    view_.removeFileItem->setEnabled(false);
    showChangeLoginState();
    projects_.rebuildIndex();
    fillProjectList();
}

void WebwatchWindowHandler::setUploadStatusAll()
{
    run_.setUploadStatusAll(projects_);
    filling_ = true;
    view_.fileList->clear();
    filling_ = false;
    clearFileDetails();
    rows_.clear();
}

void WebwatchWindowHandler::addFile()
{
    if (!selectedProject_ || run_.pending())
        return;
    const std::size_t p = *selectedProject_;
    AddFileChoice choice;
    choice.projectName = projects_.projectName(p);
    choice.cleanDirectory = projects_.cleanDirectory(p);
    choice.deleteMissing = projects_.deleteMissing(p);
    choice.insertLine = projects_.projectLine(p) + kProjectHeaderLines;
    choice.projectFile = run_.currentProjectFile();
    if (projects_.fileCount(p) > 0)
        choice.firstFileSite = projects_.file(p, 0);
    addFile_ = std::move(choice);
    handling_ = WebwatchHandling::kAddFile;
    if (view_.closeWindow)
        view_.closeWindow();
}

void WebwatchWindowHandler::uploadAll()
{
    startRun(UploadRun::Scope::AllProjects);
}

void WebwatchWindowHandler::uploadSelected()
{
    if (!selectedProject_)
        return;
    startRun(UploadRun::Scope::SelectedProject);
}

void WebwatchWindowHandler::startRun(UploadRun::Scope scope)
{
    if (transferRunning()) {
        dialogs_.message(QString::fromUtf8(kTransferRunningText));
        if (handling_ == WebwatchHandling::kQuickUpload)
            handling_ = WebwatchHandling::kNone;
        return;
    }
    const std::optional<std::size_t> selected = selectedProject_;
    run_.setQueuedCallback([this](std::size_t queued) {
        view_.queuedLabel->setText(QString::number(queued));
        view_.queuedLabel->show();
        // Let the count repaint; the user's clicks wait for the run.
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    });
    filling_ = true;
    view_.fileList->clear();
    view_.projectList->clearSelection();
    filling_ = false;
    clearFileDetails();
    selectedProject_.reset();
    rows_.clear();
    view_.removeProjectItem->setEnabled(false);
    view_.removeFileItem->setEnabled(false);
    view_.addFileButton->setEnabled(false);
    showChangeLoginState();

    const UploadRun::Outcome outcome = run_.start(projects_, scope, selected);
    run_.setQueuedCallback({});
    view_.queuedLabel->hide();
    if (handling_ == WebwatchHandling::kQuickUpload)
        handling_ = WebwatchHandling::kNone;
    if (outcome.kind == UploadRun::Outcome::Kind::HandedOver)
        handling_ = WebwatchHandling::kUpload;
    // The rolled-back or discarded project list may differ from the one
    // listed (an old pending run given up); list what is loaded now.
    fillProjectList();
    filling_ = true;
    for (const ScanRow& row : outcome.rows)
        view_.fileList->addItem(qs(row.text));
    filling_ = false;
    if (outcome.closeWindow && view_.closeWindow)
        view_.closeWindow();
}

std::optional<SiteLogin> WebwatchWindowHandler::loginToChange() const
{
    if (!selectedProject_ || projects_.fileCount(*selectedProject_) == 0)
        return std::nullopt;
    const std::size_t j = selectedFile_.value_or(0);
    return loginOf(projects_.file(*selectedProject_, j < projects_.fileCount(*selectedProject_) ? j : 0));
}

void WebwatchWindowHandler::changeLogin(const SiteLogin& old, const SiteLogin& now)
{
    if (!selectedProject_ || now == old)
        return;
    // The running transfer logs in with the queue's copy of the old values;
    // changing them under it would leave the run half old, half new.
    if (transferRunning()) {
        dialogs_.message(QString::fromUtf8(kTransferRunningText));
        return;
    }
    if (!isStorableLogin(now)) {
        dialogs_.message(QStringLiteral("A log-in cannot hold a line break; nothing was changed"));
        return;
    }
    const std::size_t p = *selectedProject_;
    const std::size_t count = countFilesWithLogin(projects_, p, old);
    if (count == 0)
        return;
    const QString question =
        QStringLiteral("Write the new log-in into the %1 files of \"%2\" that log in as %3 on %4 port %5? "
                       "Their upload status stays as it is.")
            .arg(static_cast<qulonglong>(count))
            .arg(qs(projects_.projectName(p)), qs(old.login), qs(old.server), qs(old.port));
    if (dialogs_.askYesNo(QStringLiteral("Change log-in"), question) != DialogAnswer::Yes)
        return;
    changeProjectLogin(projects_, p, old, now);
    save();
    if (run_.pending()) {
        // The project file comes back if the run is cancelled; it must not
        // bring the old log-in back with it.
        changeLoginInProjectFile(p, old, now);
        if (pendingLoginChange_)
            pendingLoginChange_(old, now);
    }
    if (selectedFile_)
        selectFile(static_cast<int>(*selectedFile_));
}

void WebwatchWindowHandler::changeLoginInProjectFile(std::size_t p, const SiteLogin& old, const SiteLogin& now)
{
    ProjectStore stored;
    const std::string& path = run_.projectFile();
    if (!stored.load(path))
        return;
    // The pending file holds the projects in the project file's order.
    const std::string name = projects_.projectName(p);
    std::optional<std::size_t> same =
        p < stored.projectCount() && stored.projectName(p) == name ? std::optional<std::size_t>(p)
                                                                    : findProjectByName(stored, name);
    if (same && changeProjectLogin(stored, *same, old, now) > 0 && !stored.save(path))
        dialogs_.message(QStringLiteral("Could not write ") + qs(path));
}

void WebwatchWindowHandler::save()
{
    const std::string& path = run_.currentProjectFile();
    if (!projects_.save(path))
        dialogs_.message(QStringLiteral("Could not write ") + qs(path));
}
