#include "app/startup_sequence.h"

#include "core/first_start_files.h"
#include "core/restore_files.h"
#include "core/text_line_list.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

namespace {

// A site of the old list: host, login, password, port, local directory.
constexpr std::size_t kOldSiteListLinesPerSite = 5;

void runFirstStart(const StartupView& v, StartupResult& result, const StartupServices& services)
{
    v.log->appendPlainText(QString::fromLatin1(kFirstStartMessage));
    result.iconTable.clear();
    if (services.probe)
        collectFileTypes(services.iconTableRoot, services.probe, result.iconTable);
    result.iconTable.saveToFile(result.paths.fiext1Fil);

    const FirstStartOutcome outcome = writeFirstStartFiles(result.paths, result.deletionList);
    // The log was scratch space for this work and is left empty. An old
    // site list is converted by the address manager; the log only says so,
    // since the list holds every site's password and the log is on screen.
    v.log->clear();
    if (outcome.oldSiteListRead) {
        const std::size_t sites = outcome.oldSiteList.size() / kOldSiteListLinesPerSite;
        v.log->setPlainText(QStringLiteral("! The site list of an earlier version (serv.adr, %1 %2) is taken over")
                                .arg(sites)
                                .arg(sites == 1 ? QStringLiteral("site") : QStringLiteral("sites")));
    }
}

}  // namespace

StartupResult runStartupSequence(const StartupView& v, const StartupServices& services)
{
    StartupResult result;
    result.deletionList = builtInSiteList();

    // 1. Nothing restored yet; hints go to the status bar.
    result.restoreBuffer.clear();
    if (services.installHintHandler)
        services.installHintHandler();

    // 2. The tree's images and the file lists' icon list are given to each
    // item as it is made; the views were set up for 16 x 16 images when the
    // window was laid out.

    // 3. The data directory and the paths of the data files.
    result.paths = DataFilePaths::inDirectory(services.dataDirectory);

    // 4. The icon table; without one this is the first start.
    if (!result.iconTable.loadFromFile(result.paths.fiext1Fil)) {
        result.firstStart = true;
        runFirstStart(v, result, services);
    }

    // 5. The local file list.
    if (services.fillLocalFileList)
        services.fillLocalFileList();

    // 6.-8. What an interrupted session left behind.
    if (services.readRestoreFiles)
        result.flags = loadRestoreFiles(result.paths, result.restoreBuffer, result.deletionList);

    // 9. Not recording; the queue's delete button only when there is
    // something restored to discard.
    v.recordingLabel->hide();
    v.discardQueueButton->setVisible(result.flags.anySet());
    return result;
}

void runShowSequence(const StartupResult& startup, const ShowSequenceTargets& targets)
{
    if (targets.webwatchPaths) {
        const std::string& projectFile =
            startup.flags.pendingProjectLoaded ? startup.paths.nyweb2Dfd : startup.paths.wbprjDfd;
        targets.webwatchPaths(projectFile, startup.paths.koefilDfd, startup.paths.nyweb2Dfd);
    }
    if (startup.flags.resumeRecordLoaded) {
        if (targets.prepareResumeOfInterruptedDownload)
            targets.prepareResumeOfInterruptedDownload();
    } else if (startup.flags.queueLoaded || startup.flags.pendingProjectLoaded) {
        if (targets.showPendingQueue)
            targets.showPendingQueue();
    }
}
