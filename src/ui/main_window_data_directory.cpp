// The data directory shared with WebWatch runs from the command line: what
// the window has in hand, and reading again what such a run changed.
#include "ui/main_window.h"

#include "app/data_directory_claim.h"
#include "core/restore_files.h"
#include "webwatch/recorder.h"
#include "webwatch/upload_run.h"
#include "webwatch/webwatch_run_driver.h"
#include "ui/webwatch_window.h"

#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>

std::string Thovedform::workInHand() const
{
    if (runDriver_ && runDriver_->deleting())
        return "a WebWatch run is deleting files on the server";
    if (transferQueue_->transferRunning())
        return "files are being transferred";
    if (uploadRun_ && uploadRun_->scanning())
        return "a WebWatch run is scanning the projects";
    if (uploadRun_ && uploadRun_->pending())
        return "a WebWatch run waits in the queue";
    if (transferQueue_->resumeState() != TransferQueue::ResumeState::None)
        return "an interrupted download waits to be resumed";
    if (const std::size_t waiting = transferQueue_->entries().count(); waiting > 0)
        return std::to_string(waiting) + (waiting == 1 ? " file" : " files") + " in line";
    if (recorder_ && recorder_->recording())
        return "a web project is being recorded";
    if (webwatch_ && webwatch_->isVisible())
        return "the Webwatch window is open";
    return {};
}

void Thovedform::readDataFilesAgain()
{
    // Nothing is in hand (or the lock would not have been let go): what is
    // on disk now is taken up as start-up takes it up.
    startup_.restoreBuffer.clear();
    startup_.deletionList.clear();
    startup_.flags = loadRestoreFiles(startup_.paths, startup_.restoreBuffer, startup_.deletionList);
    c_.Button1->setVisible(startup_.flags.anySet());
    uploadRun_->restoreAfterStart(startup_.flags.pendingProjectLoaded, startup_.deletionList);
    // Before the first showing, the showing hands it over.
    if (!shownBefore_)
        return;
    runShowSequence(startup_, showTargets_);
    if (startup_.flags.anySet())
        c_.Memo1->appendPlainText(QStringLiteral("! Taken up what another program left unfinished in %1")
                                      .arg(QString::fromStdString(startup_.paths.dataDirectory)));
    if (uploadRun_->pending() && !uploadRun_->queueFileWaits() && !startup_.flags.resumeRecordLoaded)
        QTimer::singleShot(0, runDriver_.get(), [this] { runDriver_->start(); });
}
