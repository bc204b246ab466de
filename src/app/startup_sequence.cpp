#include "app/startup_sequence.h"

#include "app/main_window_controls.h"
#include "core/first_start_files.h"
#include "core/restore_files.h"
#include "core/text_line_list.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

namespace {

void runFirstStart(MainWindowControls& c, const StartupResult& result, const StartupServices& services)
{
    c.Memo1->appendPlainText(QString::fromLatin1(kFirstStartMessage));
    c.ListBox2->clear();
    if (services.probe)
        collectFileTypes(services.iconTableRoot, services.probe, *c.ListBox2);
    c.ListBox2->saveToFile(result.paths.fiext1Fil);

    const FirstStartOutcome outcome = writeFirstStartFiles(result.paths, *c.Memo4);
    // The log was scratch space for this work; it is left empty, or holding
    // the old site list when there was one to convert.
    c.Memo1->clear();
    if (outcome.oldSiteListRead)
    {
        QStringList lines;
        for (const std::string& line : outcome.oldSiteList)
            lines << QString::fromStdString(line);
        c.Memo1->setPlainText(lines.join(QLatin1Char('\n')));
    }
}

}  // namespace

StartupResult runStartupSequence(MainWindowControls& c, const StartupServices& services)
{
    StartupResult result;

    // 1. Nothing restored yet; hints go to the status bar.
    c.erstatmemo2->clear();
    if (services.installHintHandler)
        services.installHintHandler();

    // 2. The tree's images and the file lists' icon list are given to each
    // item as it is made; the views were set up for 16 x 16 images when the
    // window was laid out.

    // 3. The data directory and the paths of the data files.
    result.paths = DataFilePaths::inDirectory(services.dataDirectory);

    // 4. The icon table; without one this is the first start.
    if (!c.ListBox2->loadFromFile(result.paths.fiext1Fil)) {
        result.firstStart = true;
        runFirstStart(c, result, services);
    }

    // 5. The local file list.
    if (services.fillLocalFileList)
        services.fillLocalFileList();

    // 6.-8. What an interrupted session left behind.
    result.flags = loadRestoreFiles(result.paths, *c.erstatmemo2, *c.Memo4);

    // 9. Not recording; the queue's delete button only when there is
    // something restored to discard.
    c.Label2->hide();
    c.Button1->setVisible(result.flags.anySet());
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
