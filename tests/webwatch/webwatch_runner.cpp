// A WebWatch upload run in a process of its own, for tests that kill it: it
// runs a quick upload over the data directory's projects and carries it
// through the deletions and the queue, as the main window would. With a
// hold point it prints "holding" and stops dead there, so the test can kill
// it in the middle of the deletions or of the uploads.
//
//   webwatch_runner DATA_DIR none|deletions|uploads|discard|remove COUNT
//
// "deletions N" holds when N remote files have been deleted, "uploads N"
// when N files have been uploaded. "discard" hands the run over and then
// deletes its whole queue, as Delete on the queue does in the window;
// "remove N" hands it over and takes the waiting file in row N out of the
// queue, as Del does; neither starts the run. Exit status 0 when the run
// ended (or the edit was made), 1 when
// it could not be handed over or its end failed, 2 for bad arguments, 3 when anything asked the user
// (no one is there to answer).
#include "core/data_files.h"
#include "services/unattended_dialogs.h"
#include "transfer/transfer_queue.h"
#include "webwatch/upload_run.h"
#include "webwatch/webwatch_run_driver.h"

#include <QCoreApplication>

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <unistd.h>

namespace {

[[noreturn]] void hold()
{
    std::printf("holding\n");
    std::fflush(stdout);
    for (;;)
        ::pause();
}

class UploadCounter : public TransferQueueObserver {
public:
    explicit UploadCounter(int holdAfter) : holdAfter_(holdAfter) {}
    void queueLineRemoved(std::size_t) override
    {
        if (++uploaded_ == holdAfter_)
            hold();
    }
    void logLine(const std::string& line) override { std::fprintf(stderr, "%s\n", line.c_str()); }

private:
    int holdAfter_;
    int uploaded_ = 0;
};

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 4)
        return 2;
    const DataFilePaths paths = DataFilePaths::inDirectory(argv[1]);
    const std::string holdAt = argv[2];
    const int count = std::atoi(argv[3]);

    UnattendedDialogs dialogs(&UnattendedDialogs::refuse);
    const std::vector<std::string> ascii{".html", ".htm", ".txt"};
    UploadRun run(UploadRunFiles{paths.wbprjDfd, paths.nyweb2Dfd, paths.koefilDfd, paths.defilDfd}, dialogs, ascii);
    TransferQueue queue(QueueFiles(paths.koefilDfd, paths.rstfilTxt), dialogs);
    UploadCounter counter(holdAt == "uploads" ? count : -1);
    queue.setObserver(&counter);
    WebwatchRunDriver driver(run, queue);
    int deletionsStarted = 0;
    RunDriverHooks hooks;
    hooks.log = [](const std::string& line) { std::fprintf(stderr, "%s\n", line.c_str()); };
    hooks.showDeletion = [&](const std::string&) {
        // The (N+1)th entry starts once N have been deleted.
        if (holdAt == "deletions" && deletionsStarted++ == count)
            hold();
    };
    driver.setHooks(hooks);
    std::optional<UploadRun::EndResult> ended;
    QObject::connect(&driver, &WebwatchRunDriver::runEnded, [&](UploadRun::EndResult result) { ended = result; });

    ProjectStore projects;
    if (!projects.load(paths.wbprjDfd))
        return 2;
    const UploadRun::Outcome outcome = run.start(projects, UploadRun::Scope::Quick);
    if (outcome.kind != UploadRun::Outcome::Kind::HandedOver || !driver.takeUpPendingRun(paths.koefilDfd))
        return 1;
    if (holdAt == "discard") {
        bool cancelled = false;
        QObject::connect(&driver, &WebwatchRunDriver::runCancelled, [&] { cancelled = true; });
        queue.removeAllClicked();
        return cancelled ? 0 : 1;
    }
    if (holdAt == "remove")
        return queue.removeWaitingEntries({static_cast<std::size_t>(count)}) ? 0 : 1;
    driver.start();
    while (!ended)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    return *ended == UploadRun::EndResult::Finished ? 0 : 1;
}
