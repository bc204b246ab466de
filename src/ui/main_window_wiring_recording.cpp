// Recording a web project: the Webwatch menu's recording items, the stop
// button and the recording label.
#include "ui/main_window.h"

#include "app/data_directory_claim.h"
#include "app/file_list_item.h"
#include "app/local_panel.h"
#include "app/recording_handler.h"
#include "core/own_data_files.h"
#include "transfer/queue_window_handler.h"
#include "transfer/transfer_mode_options.h"
#include "webwatch/recorder.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTreeWidget>

#include <filesystem>

namespace {

std::string text(const QLineEdit* field)
{
    return field->text().toStdString();
}

}  // namespace

void Thovedform::wireRecording()
{
    RecorderFiles files;
    files.projectFile = startup_.paths.wbprjDfd;
    files.pendingProjectFile = startup_.paths.nyweb2Dfd;
    // An upload run is pending while its pending project file exists (a run
    // of deletions only has no queue file).
    files.runPending = [this] { return std::filesystem::exists(startup_.paths.nyweb2Dfd); };
    recorder_ = std::make_unique<Recorder>(std::move(files), *dialogs_);

    RecordingView view;
    view.cleanDirectoryItem = c_.Usecleandirectory1;
    view.deleteMissingItem = c_.Deletemissingfiles1;
    view.recordingLabel = c_.Label2;
    view.stopButton = c_.BitBtn12;
    view.uploadButton = c_.BitBtn2;
    view.showRecordedLines = [this](const std::vector<QString>& lines) { queueHandler_->showFollowingLines(lines); };
    view.recordingChanged = [this](bool recording) { localPanel_->setRecording(recording); };

    RecordingSources sources;
    sources.host = [this] { return text(c_.Edit1); };
    sources.login = [this] { return text(c_.Edit2); };
    sources.password = [this] { return text(c_.Edit3); };
    sources.port = [this] { return text(c_.Edit4); };
    sources.localDirectory = [this] { return localPanel_->localDirectory(); };
    sources.selectedLocalFiles = [this] {
        std::vector<std::string> names;
        for (int row = 0; row < c_.ListView2->topLevelItemCount(); ++row) {
            const QTreeWidgetItem* item = c_.ListView2->topLevelItem(row);
            if (item->isSelected() && !file_list::isFolder(item))
                names.push_back(LocalPanel::fileNameOf(item));
        }
        return withoutOwnDataFiles(std::move(names), "recorded");
    };
    sources.listedLocalFiles = [this] {
        std::vector<std::string> names;
        // The files of the folder shown; its sub-folders are not looked into.
        for (int i = 0; i < c_.ListView2->topLevelItemCount(); ++i)
            if (!file_list::isFolder(c_.ListView2->topLevelItem(i)))
                names.push_back(LocalPanel::fileNameOf(c_.ListView2->topLevelItem(i)));
        return withoutOwnDataFiles(std::move(names), "recorded");
    };
    sources.decideMode = [this](const std::string& name) { return transferModes_->decideMode(name); };
    sources.log = [this](const std::string& line) { c_.Memo1->appendPlainText(QString::fromStdString(line)); };
    sources.ownDataFile = [this](const std::string& directory, const std::string& name) {
        return ownDataFiles_->contains(directory, name);
    };

    recordingHandler_ = std::make_unique<RecordingHandler>(*recorder_, channel_, std::move(view), std::move(sources));
    // Files recorded so far are still saved at "Stop" and stay shown after
    // an abort.
    connect(c_.BitBtn7, &QPushButton::clicked, this, [this] { recordingHandler_->showRecordedFilesAgain(); });
}

RecordingSession Thovedform::recordingSession() const
{
    return recordingHandler_->currentSession();
}

void Thovedform::recordClick()
{
    // A recording ends in the project file: not while a run from the
    // command line has the data directory.
    if (!claim_->claim())
        return;
    recordingHandler_->newProject();
}

void Thovedform::Usecleandirectory1Click()
{
    recordingHandler_->toggleCleanDirectory();
}

void Thovedform::Deletemissingfiles1Click()
{
    recordingHandler_->toggleDeleteMissing();
}

void Thovedform::BitBtn12Click()
{
    recordingHandler_->stop();
}
