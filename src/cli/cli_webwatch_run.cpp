#include "cli/cli_webwatch_run.h"

#include "core/text_line_list.h"
#include "services/unattended_dialogs.h"
#include "transfer/transfer_queue.h"
#include "webwatch/project_store.h"
#include "webwatch/upload_run.h"
#include "webwatch/webwatch_run_driver.h"

#include <QCoreApplication>
#include <QTimer>

#include <filesystem>

namespace {

class RunReport : public TransferQueueObserver {
public:
    RunReport(const CliWebwatchRunOptions& options, std::FILE* out, std::FILE* err)
        : options_(options), out_(out), err_(err)
    {
    }
    void logLine(const std::string& line) override
    {
        if (line.rfind("! ", 0) == 0 && line.find("bytes received/sent") == std::string::npos)
            std::fprintf(err_, "%s\n", line.c_str());
        else if (options_.verbose)
            std::fprintf(err_, "%s\n", line.c_str());
    }
    void displayChanged(const QueueDisplay&) override
    {
        // The entry that runs now; it has left the list by the time it is
        // reported done.
        if (queue_ && !queue_->entries().empty())
            current_ = queue_->entries().first().localPath();
    }
    void queueFirstLineRemoved() override
    {
        ++done_;
        if (!options_.quiet)
            std::fprintf(out_, "uploaded %s\n", current_.c_str());
        std::fflush(out_);
    }
    void watch(const TransferQueue* queue) { queue_ = queue; }

private:
    const CliWebwatchRunOptions& options_;
    std::FILE* out_;
    std::FILE* err_;
    std::size_t done_ = 0;
    const TransferQueue* queue_ = nullptr;
    std::string current_;
};

}  // namespace

int RunWebwatchUpload(const DataFilePaths& paths, const CliWebwatchRunOptions& options, std::FILE* out,
                      std::FILE* err)
{
    namespace fs = std::filesystem;
    if (fs::exists(paths.rstfilTxt)) {
        std::fprintf(err, "tavlinftp-cli webwatch: an interrupted download waits in %s; finish or remove it "
                          "in the window first\n", paths.dataDirectory.c_str());
        return 1;
    }
    const bool queueWaits = fs::exists(paths.koefilDfd);
    const bool runPending = queueWaits && fs::exists(paths.nyweb2Dfd);
    if (queueWaits && !runPending) {
        std::fprintf(err, "tavlinftp-cli webwatch: a transfer queue that is not a WebWatch run waits in %s; "
                          "it is left alone\n", paths.dataDirectory.c_str());
        return 1;
    }

    // The questions of the window, answered as a script wants them answered.
    int transferErrors = 0;
    UnattendedDialogs dialogs([&](UnattendedDialogs::Question question, const QString& caption, const QString& text) {
        switch (question) {
        case UnattendedDialogs::Question::Message:
            if (!options.quiet)
                std::fprintf(out, "%s\n", text.toStdString().c_str());
            return DialogAnswer::Ok;
        case UnattendedDialogs::Question::YesNo:
            // "Start upload ?" is what the command was started for.
            return text == QStringLiteral("Start upload ?") ? DialogAnswer::Yes : DialogAnswer::No;
        case UnattendedDialogs::Question::YesNoCancel:
            if (caption == QStringLiteral("Error!! "))
                ++transferErrors;
            // A failed file is tried once more ("No" tries again). Removing
            // it from the run would mark it uploaded in the project without
            // it ever reaching the server, so a second failure stops the run
            // instead.
            return DialogAnswer::No;
        default:
            return DialogAnswer::Cancel;
        }
    });
    RunReport report(options, out, err);
    TextLineList asciiExtensions;
    asciiExtensions.loadFromFile(paths.ascdDfd);
    UploadRun run(UploadRunFiles{paths.wbprjDfd, paths.nyweb2Dfd, paths.koefilDfd, paths.defilDfd}, dialogs,
                  asciiExtensions.lines());
    TransferQueue queue(QueueFiles(paths.koefilDfd, paths.rstfilTxt), dialogs);
    queue.setObserver(&report);
    report.watch(&queue);
    queue.setPassiveMode([passive = options.passive] { return passive; });
    WebwatchRunDriver driver(run, queue);
    RunDriverHooks hooks;
    hooks.log = [&](const std::string& line) { report.logLine(line); };
    hooks.passiveMode = [passive = options.passive] { return passive; };
    driver.setHooks(std::move(hooks));

    if (runPending) {
        // Taken up as the program's start would: the deletions still listed
        // go first.
        TextLineList deletionLines;
        deletionLines.loadFromFile(paths.defilDfd);
        run.restoreAfterStart(true, deletionLines);
        if (!options.quiet)
            std::fprintf(out, "Finishing the run that was pending\n");
    } else {
        ProjectStore projects;
        if (!projects.load(paths.wbprjDfd)) {
            std::fprintf(err, "tavlinftp-cli webwatch: no web projects in %s\n", paths.dataDirectory.c_str());
            return 1;
        }
        UploadRun::Scope scope = UploadRun::Scope::Quick;
        std::optional<std::size_t> selected;
        if (options.project) {
            for (std::size_t p = 0; p < projects.projectCount() && !selected; ++p)
                if (projects.projectName(p) == *options.project)
                    selected = p;
            if (!selected) {
                std::fprintf(err, "tavlinftp-cli webwatch: no project named \"%s\"\n", options.project->c_str());
                return 1;
            }
            scope = UploadRun::Scope::SelectedProject;
        }
        const UploadRun::Outcome outcome = run.start(projects, scope, selected);
        if (outcome.kind == UploadRun::Outcome::Kind::NothingToUpload)
            return 0;
        if (outcome.kind != UploadRun::Outcome::Kind::HandedOver) {
            std::fprintf(err, "tavlinftp-cli webwatch: the run could not be prepared\n");
            return 1;
        }
        if (!options.quiet)
            std::fprintf(out, "%zu files to upload, %zu to delete\n", outcome.queued, outcome.deletions);
    }
    if (!driver.takeUpPendingRun(paths.koefilDfd)) {
        std::fprintf(err, "tavlinftp-cli webwatch: cannot read %s\n", paths.koefilDfd.c_str());
        return 1;
    }

    int status = 1;
    QObject::connect(&driver, &WebwatchRunDriver::runEnded, [&](UploadRun::EndResult result) {
        status = result == UploadRun::EndResult::CopyFailed ? 1 : 0;
        if (result == UploadRun::EndResult::CopyFailed)
            std::fprintf(err, "tavlinftp-cli webwatch: %s could not be replaced; the run stays pending\n",
                         paths.wbprjDfd.c_str());
        QCoreApplication::exit(status);
    });
    QObject::connect(&driver, &WebwatchRunDriver::runCancelled, [&] { QCoreApplication::exit(1); });
    // A file that failed twice, or a log-in that failed, leaves the queue
    // waiting for a start button no one will press: stop, all still pending.
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        const bool stuck = !queue.busy() && !driver.deleting() && !queue.entries().empty();
        if (transferErrors >= 2 || stuck) {
            std::fprintf(err, "tavlinftp-cli webwatch: the run stopped; what is left stays pending for the next run\n");
            QCoreApplication::exit(1);
        }
    });
    QTimer::singleShot(0, [&] {
        driver.start();
        watch.start(200);
    });
    QCoreApplication::exec();
    return status;
}
