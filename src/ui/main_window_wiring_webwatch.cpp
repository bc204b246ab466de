// WebWatch: recording, the project window, the upload run and the quick upload.
#include "ui/main_window.h"

#include "app/control_hint.h"
#include "app/data_directory_claim.h"
#include "app/local_panel.h"
#include "services/dialogs.h"
#include "webwatch/recorder.h"
#include "sites/passive_mode_option.h"
#include "transfer/queue_window_handler.h"
#include "ui/ascii_types_window.h"
#include "ui/desktop_notification.h"
#include "ui/project_file_notice.h"
#include "ui/webwatch_window.h"
#include "webwatch/upload_run.h"
#include "webwatch/webwatch_run_driver.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>

#include <filesystem>

void Thovedform::wireWebwatch()
{
    connect(c_.record, &QAction::triggered, this, &Thovedform::recordClick);
    connect(c_.OpenWebwatch1, &QAction::triggered, this, &Thovedform::OpenWebwatch1Click);
    connect(c_.Deletemissingfiles1, &QAction::triggered, this, &Thovedform::Deletemissingfiles1Click);
    connect(c_.Usecleandirectory1, &QAction::triggered, this, &Thovedform::Usecleandirectory1Click);
    connect(c_.BitBtn10, &QPushButton::clicked, this, &Thovedform::BitBtn10Click);
    connect(c_.BitBtn12, &QPushButton::clicked, this, &Thovedform::BitBtn12Click);
    connect(c_.Image2, &QToolButton::clicked, this, &Thovedform::Image2Click);
}

void reportDamagedProjectFile(const std::string& projectFile, Dialogs& dialogs)
{
    std::error_code error;
    if (!std::filesystem::exists(projectFile, error))
        return;
    const std::string fault = projectFileFault(projectFile);
    if (fault.empty())
        return;
    dialogs.message(QString::fromStdString(
        "The Web projects cannot be used: " + fault
        + ". The file is left as it is and no project is shown; correct that line or put back a copy of the file, "
          "then start again."));
}

void Thovedform::createWebwatch()
{
    const DataFilePaths& paths = startup_.paths;
    uploadRun_ = std::make_unique<UploadRun>(
        UploadRunFiles{paths.wbprjDfd, paths.nyweb2Dfd, paths.koefilDfd, paths.defilDfd}, *dialogs_,
        asciitypes_->asciiTypes().extensions());
    // Discarding an old queue is the queue's own "Delete"; the queue then
    // cancels a pending run through the driver.
    uploadRun_->setDiscardOldQueue([this] {
        if (transferRunning())
            return false;
        queueHandler_->removeAll();
        return !transferRunning() && transferQueue_->entries().empty()
            && !std::filesystem::exists(startup_.paths.koefilDfd);
    });
    // What a run says beside its questions goes to the log and the status
    // bar, as the run's other lines do.
    uploadRun_->setNotice([this](const std::string& line) {
        const QString text = QString::fromStdString(line);
        c_.Memo1->appendPlainText(text);
        c_.StatusBar1->showMessage(text);
    });
    // A run that was pending when the program ended is pending again; the
    // deletions it still lists are carried out before its transfers.
    uploadRun_->restoreAfterStart(startup_.flags.pendingProjectLoaded, startup_.deletionList);

    runDriver_ = std::make_unique<WebwatchRunDriver>(*uploadRun_, *transferQueue_);
    RunDriverHooks hooks;
    // The deletions run on the first transfer connection; their lines carry
    // its mark.
    hooks.log = [this](const std::string& line) {
        c_.Memo1->appendPlainText(queueView_.logTag.arg(1) + QString::fromStdString(line));
    };
    hooks.showDeletion = [this](const std::string& text) {
        c_.Label3->setText(QString::fromStdString(text));
        c_.Label3->show();
    };
    hooks.passiveMode = [this] { return passiveMode_ && passiveMode_->passive(); };
    hooks.browsingConnected = [this] { return channel_.connected(); };
    hooks.connectBrowsing = [this](const QueueSite& site) {
        c_.Edit1->setText(QString::fromStdString(site.host));
        c_.Edit2->setText(QString::fromStdString(site.user));
        c_.Edit3->setText(QString::fromStdString(site.password));
        c_.Edit4->setText(QString::fromStdString(site.port));
        channel_.connectWithFields();
    };
    runDriver_->setHooks(std::move(hooks));
    // A pending run with no queue to show (deletions only, or a run cut
    // short at its end) has no Start button to wait for: it is finished now.
    if (uploadRun_->pending() && !uploadRun_->queueFileWaits() && !startup_.flags.resumeRecordLoaded)
        QTimer::singleShot(0, runDriver_.get(), [this] { runDriver_->start(); });

    webwatch_ = new TWebwatch(*uploadRun_, *dialogs_, asciitypes_->asciiTypes().extensions(), this);
    connect(webwatch_, &QDialog::finished, this, &Thovedform::afterWebwatchClosed);
    // A new run would replace the queue being worked off: the run buttons
    // wait while a transfer runs.
    webwatch_->handler().setTransferRunning([this] { return transferRunning(); });
    connect(queueHandler_.get(), &QueueWindowHandler::displayUpdated, this, &Thovedform::showWhetherRunsMayStart);
    showWhetherRunsMayStart();
    // A log-in changed in the WebWatch window reaches the pending run's
    // queue and deletion list too, or the run would log in as before.
    webwatch_->handler().setPendingLoginChange([this](const SiteLogin& old, const SiteLogin& now) {
        std::size_t changed = transferQueue_->changeSite(QueueSite{old.server, old.login, old.password, old.port},
                                                         QueueSite{now.server, now.login, now.password, now.port});
        bool stored = true;
        changed += uploadRun_->changeDeletionLogin(old, now, stored);
        if (!stored)
            c_.Memo1->appendPlainText(QStringLiteral("! Could not write the deletion list"));
        return changed;
    });
    // A refused log-in of a run's file is fixed in the project, for all of
    // its files at once.
    transferQueue_->setLoginRefusedAdvice([this] {
        return uploadRun_->pending()
            ? std::string("The server refused the log-in stored in the web project. Change it for all its files "
                          "at once with \"Change log-in\u2026\" in the Options menu of the Webwatch window.")
            : std::string();
    });
    // The run's end is told in the log and the status bar, and on the
    // desktop to someone who has turned to another window meanwhile.
    runEndNotice_ = new DesktopNotification(this);
    connect(runDriver_.get(), &WebwatchRunDriver::runEnded, this, [this](UploadRun::EndResult result) {
        if (result != UploadRun::EndResult::Finished)
            return;
        const QString line = QString::fromStdString(runDriver_->tally().text());
        c_.Memo1->appendPlainText(QStringLiteral("! ") + line);
        c_.StatusBar1->showMessage(line);
        if (!isActiveWindow())
            runEndNotice_->show(QStringLiteral("Tavlin FTP"), line);
    });
    // A saved recording shows the projects.
    connect(recorder_.get(), &Recorder::openWebwatchRequested, this, &Thovedform::openWebwatch);
}

void Thovedform::openWebwatch()
{
    // The window edits the project file: not while a run from the command
    // line has the data directory.
    if (!claim_->claim())
        return;
    webwatch_->openWindow();
}

void Thovedform::afterWebwatchClosed()
{
    WebwatchWindowHandler& window = webwatch_->handler();
    if (window.handling() == WebwatchHandling::kUpload) {
        takeUpHandedOverRun(false);
    } else if (window.handling() == WebwatchHandling::kAddFile && window.addFileChoice()) {
        const AddFileChoice& choice = *window.addFileChoice();
        if (c_.Edit1->text().isEmpty() && choice.firstFileSite) {
            c_.Edit1->setText(QString::fromStdString(choice.firstFileSite->server));
            c_.Edit2->setText(QString::fromStdString(choice.firstFileSite->login));
            c_.Edit3->setText(QString::fromStdString(choice.firstFileSite->password));
            c_.Edit4->setText(QString::fromStdString(choice.firstFileSite->port));
        }
        // The recording goes into the chosen project, on the connection the
        // fields now hold.
        if (!claim_->claim())
            return;
        recorder_->startAddingToProject(choice.projectName, choice.cleanDirectory, choice.deleteMissing,
                                        recordingSession(), ProjectPlace{choice.projectFile, choice.insertLine});
    }
}

void Thovedform::takeUpHandedOverRun(bool startNow)
{
    // An interrupted download that waits to be resumed keeps the queue; the
    // run's files wait in the queue file behind it.
    if (transferQueue_->resumeState() == TransferQueue::ResumeState::None)
        runDriver_->takeUpPendingRun(startup_.paths.koefilDfd);
    // A run of deletions only shows no queue and so no Start button: it
    // starts at once.
    if (startNow
        || (uploadRun_->pending() && !uploadRun_->queueFileWaits() && transferQueue_->entries().empty()
            && !transferQueue_->busy()))
        BitBtn9Click();
}

void Thovedform::OpenWebwatch1Click()
{
    openWebwatch();
}

void Thovedform::Image2Click()
{
    if (c_.connectknap->isEnabled())
        openWebwatch();
}

bool Thovedform::transferRunning() const
{
    return transferQueue_->transferRunning() || (runDriver_ && runDriver_->deleting());
}

void Thovedform::showWhetherRunsMayStart()
{
    const bool running = transferRunning();
    c_.BitBtn10->setEnabled(!running);
    setHint(c_.BitBtn10, running ? QString::fromUtf8(WebwatchWindowHandler::kTransferRunningText)
                                 : QStringLiteral("Upload all from WebWatch"));
    webwatch_->handler().transferStateChanged();
}

// The quick upload: all projects, without showing the window or asking.
void Thovedform::BitBtn10Click()
{
    if (!claim_->claim())
        return;
    webwatch_->handler().showWindow(WebwatchHandling::kQuickUpload);
    if (webwatch_->handler().handling() == WebwatchHandling::kUpload)
        takeUpHandedOverRun(true);
}
