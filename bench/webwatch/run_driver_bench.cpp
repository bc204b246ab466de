// One WebWatch quick upload with no window, for the whole-program comparison
// in webwatch_vs_sitecopy.sh: the projects of DATA_DIR are scanned, the run
// is handed over and carried through its deletions and the queue to its
// end, exactly as the main window's quick upload does.
//
//   bench_webwatch_run DATA_DIR passive|active [PROJECT]
//
// With PROJECT (its number, from 0) only that project is uploaded, as the
// window's "Upload" does, with "Start upload ?" answered Yes.
//
// Prints "commands N": the FTP commands the run sent. A run of 2000 files
// or more also prints how fast its first and its last thousand files went
// ("first1000 F files/s", "last1000 L files/s"): the queue's cost per file
// must not grow with its length. Exit status 0 when the run ended (or there
// was nothing to upload), 1 when it did not.
#include "core/data_files.h"
#include "services/unattended_dialogs.h"
#include "transfer/transfer_queue.h"
#include "webwatch/upload_run.h"
#include "webwatch/webwatch_run_driver.h"

#include <QCoreApplication>

#include "core/windowless_event_loop.h"

#include <chrono>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace {

class CommandCounter : public TransferQueueObserver {
public:
    void logLine(const std::string& line) override
    {
        if (line.rfind("> ", 0) == 0)
            ++commands;
        else if (line.rfind("! ", 0) == 0)
            std::fprintf(stderr, "%s\n", line.c_str());
    }
    // When each file left the queue. Timed from the first file's end, so
    // the log-in counts in neither thousand.
    void queueLineRemoved(std::size_t) override { fileEnds.push_back(std::chrono::steady_clock::now()); }

    // Files per second of `count` files from file `first` (from 0) on.
    double filesPerSecond(std::size_t first, std::size_t count) const
    {
        const std::chrono::duration<double> took = fileEnds[first + count] - fileEnds[first];
        return static_cast<double>(count) / took.count();
    }

    long commands = 0;
    std::vector<std::chrono::steady_clock::time_point> fileEnds;
};

}  // namespace

int main(int argc, char** argv)
{
    // Run as the command-line tool runs the same engine.
    chooseWindowlessEventLoop();
    QCoreApplication app(argc, argv);
    if (argc != 3 && argc != 4)
        return 2;
    const DataFilePaths paths = DataFilePaths::inDirectory(argv[1]);
    const bool passive = std::string(argv[2]) == "passive";

    // Messages are shown, the run's confirmation is given; nothing else may be asked.
    UnattendedDialogs dialogs([](UnattendedDialogs::Question question, const QString& caption, const QString& text) {
        if (question == UnattendedDialogs::Question::Message) {
            std::fprintf(stderr, "%s\n", text.toUtf8().constData());
            return DialogAnswer::Ok;
        }
        if (question == UnattendedDialogs::Question::YesNo && text == QStringLiteral("Start upload ?"))
            return DialogAnswer::Yes;
        return UnattendedDialogs::refuse(question, caption, text);
    });
    const std::vector<std::string> ascii{".html", ".htm", ".txt", ".css"};
    UploadRun run(UploadRunFiles{paths.wbprjDfd, paths.nyweb2Dfd, paths.koefilDfd, paths.defilDfd}, dialogs, ascii);
    TransferQueue queue(QueueFiles(paths.koefilDfd, paths.rstfilTxt), dialogs);
    CommandCounter counter;
    queue.setObserver(&counter);
    queue.setPassiveMode([passive] { return passive; });
    WebwatchRunDriver driver(run, queue);
    RunDriverHooks hooks;
    hooks.log = [](const std::string& line) { std::fprintf(stderr, "%s\n", line.c_str()); };
    hooks.passiveMode = [passive] { return passive; };
    driver.setHooks(hooks);
    std::optional<UploadRun::EndResult> ended;
    QObject::connect(&driver, &WebwatchRunDriver::runEnded, [&](UploadRun::EndResult result) { ended = result; });

    ProjectStore projects;
    if (!projects.load(paths.wbprjDfd))
        return 1;
    const UploadRun::Outcome outcome =
        argc == 4 ? run.start(projects, UploadRun::Scope::SelectedProject, std::stoul(argv[3]))
                  : run.start(projects, UploadRun::Scope::Quick);
    if (outcome.kind == UploadRun::Outcome::Kind::NothingToUpload) {
        std::printf("commands 0\n");
        return 0;
    }
    if (outcome.kind != UploadRun::Outcome::Kind::HandedOver || !driver.takeUpPendingRun(paths.koefilDfd))
        return 1;
    driver.start();
    while (!ended)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    std::printf("commands %ld\n", counter.commands);
    if (counter.fileEnds.size() > 2000) {
        const std::size_t files = counter.fileEnds.size();
        const double first = counter.filesPerSecond(0, 1000);
        const double last = counter.filesPerSecond(files - 1001, 1000);
        std::printf("files %zu\nfirst1000 %.0f files/s\nlast1000 %.0f files/s\nfirst/last %.2f\n", files, first,
                    last, first / last);
    }
    return *ended == UploadRun::EndResult::Finished ? 0 : 1;
}
