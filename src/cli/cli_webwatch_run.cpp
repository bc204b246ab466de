#include "cli/cli_webwatch_run.h"

#include "cli/cli_progress_meter.h"
#include "core/data_paths.h"
#include "core/kill_point.h"
#include "core/queue_journal.h"
#include "core/restore_files.h"
#include "core/run_queue_aside.h"
#include "core/text_line_list.h"
#include "services/certificate_trust.h"
#include "services/unattended_dialogs.h"
#include "sites/proxy_file.h"
#include "transfer/transfer_queue.h"
#include "webwatch/project_store.h"
#include "webwatch/deletion_list.h"
#include "webwatch/upload_run.h"
#include "webwatch/webwatch_run_driver.h"

#include <QCoreApplication>
#include <QTimer>

#include <algorithm>
#include <filesystem>
#include <map>
#include <optional>

#include <unistd.h>

namespace {

// What the command prints while the queue works: one line per file done,
// errors, and on a terminal a progress line over the whole run.
class RunReport : public TransferQueueObserver {
public:
    RunReport(const CliWebwatchRunOptions& options, std::FILE* out, std::FILE* err)
        : options_(options), out_(out), err_(err)
    {
    }

    void watch(const TransferQueue* queue, bool progressLine)
    {
        queue_ = queue;
        files_ = queue->entries().count();
        for (const QueueEntry& entry : queue->entries().all())
            totalBytes_ += entry.sizeInBytes();
        if (progressLine && !options_.quiet)
            meter_.emplace(out_, totalBytes_);
        QObject::connect(queue, &TransferQueue::fileTransferred, [this](const QueueEntry& entry) {
            sent_ = entry.localPath();
            sentBytes_ = entry.sizeInBytes();
        });
    }

    void logLine(const std::string& line) override { report(line, {}); }
    void connectionLogLine(int connection, const std::string& line) override
    {
        // With several connections their lines interleave: each says whose
        // it is.
        report(line, queue_ && queue_->connections() > 1 ? "[T" + std::to_string(connection) + "] " : std::string());
    }
    void displayChanged(const QueueDisplay&) override
    {
        if (!meter_ || !queue_ || !queue_->busy())
            return;
        // The files in transfer, each as far as it has come.
        std::int64_t moving = 0;
        for (const TransferQueue::RunningFile& running : queue_->runningFiles())
            moving += running.bytes;
        meter_->setPrefix("file " + std::to_string(std::min(done_ + 1, files_)) + " of " + std::to_string(files_)
                          + "  ");
        meter_->update(doneBytes_ + moving);
    }
    void queueLineRemoved(std::size_t) override
    {
        // Only a file the server confirmed; one given up is reported at
        // the end.
        if (!sent_)
            return;
        ++done_;
        doneBytes_ += sentBytes_;
        if (!options_.quiet)
            print(out_, "uploaded " + *sent_);
        sent_.reset();
        passKillPoint("uploaded");
    }
    void report(const std::string& line, const std::string& tag)
    {
        const bool error = line.rfind("! ", 0) == 0 && line.find("bytes received/sent") == std::string::npos;
        if (!error && !options_.verbose)
            return;
        // The window's advice has no button to press here; the command says
        // itself what happens to what is left.
        std::string shown = line;
        if (const std::size_t advice = shown.find(": the queue waits; press Start to try again");
            advice != std::string::npos)
            shown.erase(advice);
        print(err_, tag + shown);
    }
    // A line of the command's own, kept clear of the progress line.
    void print(std::FILE* stream, const std::string& line)
    {
        if (meter_)
            meter_->clear();
        std::fprintf(stream, "%s\n", line.c_str());
        std::fflush(stream);
    }

private:
    const CliWebwatchRunOptions& options_;
    std::FILE* out_;
    std::FILE* err_;
    const TransferQueue* queue_ = nullptr;
    std::optional<CliProgressMeter> meter_;
    std::size_t files_ = 0;
    std::size_t done_ = 0;
    std::int64_t totalBytes_ = 0;
    std::int64_t doneBytes_ = 0;
    // The file the server has just confirmed, until it leaves the queue.
    std::optional<std::string> sent_;
    std::int64_t sentBytes_ = 0;
};

}  // namespace

std::string DeletionListRefusal(const std::string& path, const std::string& fault)
{
    return "cannot read " + path + ": " + fault
        + ". The deletions of the pending run are in it: the file is kept as it is and nothing was done; "
          "correct it or remove it, then run again.";
}

std::string MassDeletionRefusal(std::size_t heldBack)
{
    return "tavlinftp-cli webwatch: " + std::to_string(heldBack)
        + " remote files were not deleted: that is more than 20, or more than half of a project's files; they "
          "stay in the project until a run with --allow-mass-delete";
}

namespace {

// What one pass of the command came to.
struct PassResult {
    // The run it carried is over (or there was none): a fresh scan may
    // follow.
    bool ended = true;
    int status = 0;
    // What it did, when a run was carried (for the command's last line).
    std::optional<RunTally> tally;
};

// One run carried to its end: the pending one (`finishPending`), or a fresh
// scan of the projects handed over and worked off.
PassResult runPass(const DataFilePaths& paths, const CliWebwatchRunOptions& options, bool finishPending,
                   std::FILE* out, std::FILE* err)
{
    PassResult result;
    RunReport report(options, out, err);
    TransferQueue* queueOfRun = nullptr;
    // How often each file has failed in this pass, and the server's last
    // word on it.
    std::map<std::string, int> failures;
    std::map<std::string, std::string> failureReplies;
    std::string lastMessage;
    // The questions of the window, answered as a script wants them answered.
    UnattendedDialogs dialogs([&](UnattendedDialogs::Question question, const QString& caption, const QString& text) {
        switch (question) {
        case UnattendedDialogs::Question::Message:
            // A refusal's reason is kept for the line that ends the command;
            // the window's "Please give the destination filename" asks for
            // something no one here can give, and the command says itself
            // what failed.
            lastMessage = text.toStdString();
            if (!options.quiet && text != QStringLiteral("Please give the destination filename"))
                report.print(out, lastMessage);
            return DialogAnswer::Ok;
        case UnattendedDialogs::Question::YesNo:
            // "Start upload ?" is what the command was started for.
            return text.startsWith(QStringLiteral("Start upload ?")) ? DialogAnswer::Yes : DialogAnswer::No;
        case UnattendedDialogs::Question::Choice:
            // The folder of a project's files is missing: deleted on the
            // server only when the command was told so.
            if (caption == QStringLiteral("Folder missing"))
                return options.deleteMissingFolders ? DialogAnswer::Yes : DialogAnswer::No;
            if (caption == QStringLiteral("Many files to delete"))
                return options.allowMassDelete ? DialogAnswer::Yes : DialogAnswer::No;
            return DialogAnswer::Cancel;
        case UnattendedDialogs::Question::YesNoCancel: {
            if (caption != QStringLiteral("Error!! ") || !queueOfRun || !queueOfRun->entryInQuestion())
                return DialogAnswer::No;
            // A failed file is tried once more ("No"); after that it is set
            // aside ("Cancel"), still queued, and the run goes on with the
            // next. Removing it ("Yes") would mark it uploaded in the project
            // without it ever reaching the server.
            const std::string path = queueOfRun->entryInQuestion()->localPath();
            failureReplies[path] = queueOfRun->replyInQuestion();
            const int failed = ++failures[path];
            return failed < 2 ? DialogAnswer::No : DialogAnswer::Cancel;
        }
        default:
            return DialogAnswer::Cancel;
        }
    });
    TextLineList asciiExtensions;
    asciiExtensions.loadFromFile(paths.ascdDfd);
    UploadRun run(UploadRunFiles{paths.wbprjDfd, paths.nyweb2Dfd, paths.koefilDfd, paths.defilDfd}, dialogs,
                  asciiExtensions.lines());
    run.setNotice([&](const std::string& line) { report.print(err, line); });
    // Files left alone (a missing folder) or deletions held back make the
    // command fail however the rest went, so a script notices.
    bool leftForLater = false;
    TransferQueue queue(QueueFiles(paths.koefilDfd, paths.rstfilTxt), dialogs);
    queueOfRun = &queue;
    queue.setObserver(&report);
    queue.setSetAsideOnCancel(true);
    // The window's proxy setting is the run's: a site reached through it
    // from the window is reached the same way from here. Data connections
    // through a proxy are passive.
    const FtpProxy proxy = proxy_file::readProxy(paths.proxDfd);
    const bool passive = options.passive || proxy.Enabled();
    queue.setConnections(options.connections);
    if (proxy.Enabled()) {
        for (TFtpClient* client : queue.clients())
            client->SetProxy(proxy);
        if (options.verbose)
            report.print(err, "Through the SOCKS proxy " + proxy.host + " port " + proxy.port);
    }
    queue.setPassiveMode([passive] { return passive; });
    // ftpes:// projects: certificates the system, the window's trust file or
    // --trust vouch for; with no one to ask, any other is refused, naming
    // its fingerprint.
    CertificateTrust certificates(joinPath(paths.dataDirectory, TlsTrustFile::FileName), nullptr, options.trust);
    for (TFtpClient* client : queue.clients())
        certificates.attach(*client);
    WebwatchRunDriver driver(run, queue);
    RunDriverHooks hooks;
    hooks.log = [&](const std::string& line) { report.logLine(line); };
    hooks.passiveMode = [passive] { return passive; };
    hooks.deleted = [&](const DeletionEntry& entry) {
        if (!options.quiet)
            report.print(out, "deleted " + remoteFileTargetText(entry));
    };
    driver.setHooks(std::move(hooks));

    if (finishPending) {
        // Taken up as the program's start would: the deletions still listed
        // go first.
        DeletionList deletions;
        if (const std::string fault = deletions.loadFault(paths.defilDfd); !fault.empty()) {
            std::fprintf(err, "tavlinftp-cli webwatch: %s\n", DeletionListRefusal(paths.defilDfd, fault).c_str());
            return {false, 1};
        }
        run.restoreAfterStart(true, deletions.lines());
        if (!options.quiet)
            std::fprintf(out, "Finishing the run that was pending\n");
    } else {
        ProjectStore projects;
        if (!projects.load(paths.wbprjDfd)) {
            std::fprintf(err, "tavlinftp-cli webwatch: no web projects in %s; record one in the window first\n",
                         paths.dataDirectory.c_str());
            return {true, 1};
        }
        UploadRun::Scope scope = UploadRun::Scope::Quick;
        std::vector<std::size_t> selected;
        // Every project of a name given, in file order, as the dry run
        // plans them.
        for (const std::string& name : options.projects) {
            for (std::size_t p = 0; p < projects.projectCount(); ++p)
                if (projects.projectName(p) == name)
                    selected.push_back(p);
            scope = UploadRun::Scope::SelectedProject;
        }
        const UploadRun::Outcome outcome = run.start(projects, scope, std::move(selected));
        leftForLater = !outcome.foldersLeftAlone.empty() || outcome.deletionsHeldBack > 0;
        if (outcome.deletionsHeldBack > 0)
            report.print(err, MassDeletionRefusal(outcome.deletionsHeldBack));
        if (outcome.kind == UploadRun::Outcome::Kind::NothingToUpload) {
            // Files left alone are worth the command's last line even when
            // nothing else was done.
            std::optional<RunTally> tally;
            if (run.filesLeftAlone() > 0) {
                tally.emplace();
                tally->leftAlone = run.filesLeftAlone();
            }
            return {true, leftForLater ? 1 : 0, tally};
        }
        if (outcome.kind != UploadRun::Outcome::Kind::HandedOver) {
            // The run's own message says why and what to do; nothing was
            // handed over, so nothing is pending.
            std::string why = lastMessage.empty() ? std::string("no project could be scanned") : lastMessage;
            if (const std::string said = "The upload could not be prepared: "; why.rfind(said, 0) == 0)
                why.erase(0, said.size());
            std::fprintf(err, "tavlinftp-cli webwatch: the run could not be prepared: %s\n", why.c_str());
            return {true, 1};
        }
        if (!options.quiet)
            std::fprintf(out, "%zu files to upload, %zu to delete\n", outcome.queued, outcome.deletions);
    }
    if (!driver.takeUpPendingRun(paths.koefilDfd)) {
        std::fprintf(err, "tavlinftp-cli webwatch: cannot read %s\n", paths.koefilDfd.c_str());
        return {false, 1};
    }
    // A queue of the right shape whose entries the queue cannot take would
    // leave nothing to wait for but the end of time. (A run without a queue
    // file, deletions only or cut short at its end, is finished at start.)
    if (run.queueFileWaits() && queue.entries().empty() && !run.deletionsPending()) {
        std::fprintf(err, "tavlinftp-cli webwatch: cannot read %s: it holds no file the queue can take\n",
                     paths.koefilDfd.c_str());
        return {false, 1};
    }

    report.watch(&queue, isatty(fileno(out)) != 0);

    const auto stop = [&](int exitStatus, bool ended, const std::string& why) {
        if (!why.empty())
            report.print(err, "tavlinftp-cli webwatch: " + why);
        result.ended = ended;
        result.status = exitStatus == 0 && leftForLater ? 1 : exitStatus;
        QCoreApplication::exit(result.status);
    };
    QObject::connect(&driver, &WebwatchRunDriver::runEnded, [&](UploadRun::EndResult end) {
        if (end == UploadRun::EndResult::CopyFailed) {
            const std::string fault = projectFileFault(paths.nyweb2Dfd);
            stop(1, false,
                 paths.wbprjDfd + " could not be replaced; the run stays pending"
                     + (fault.empty() ? std::string("; free space or fix the data folder's permissions, and the "
                                                    "next run finishes it")
                                      : ": " + fault));
            return;
        }
        // The files still queued were tried and failed: each is named with
        // the server's answer, and sent again by the next run.
        std::size_t failed = 0;
        for (const QueueEntry& entry : queue.entries().all()) {
            const std::string reply = failureReplies[entry.localPath()];
            report.print(err, "tavlinftp-cli webwatch: " + entry.localPath() + " failed: "
                                  + (reply.empty() ? std::string("no answer from the server") : reply));
            ++failed;
        }
        const std::size_t kept = run.deletionsKept();
        if (failed > 0)
            report.print(err, "tavlinftp-cli webwatch: " + std::to_string(failed)
                                  + " files failed twice; they are sent again by the next run");
        if (kept > 0)
            report.print(err, "tavlinftp-cli webwatch: " + std::to_string(kept)
                                  + " remote deletions failed; they are tried again by the next run");
        stop(failed > 0 || kept > 0 ? 1 : 0, true, {});
    });
    QObject::connect(&driver, &WebwatchRunDriver::runCancelled, [&] { stop(1, true, "the run was cancelled"); });
    // A log-in that failed leaves the queue, or the deletions, waiting for
    // a start button no one will press: stop, everything still pending.
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (queue.busy() || driver.deleting())
            return;
        const bool uploadsWait = !queue.entries().empty() && queue.setAsideCount() < queue.entries().count();
        if (uploadsWait || run.deletionsPending())
            stop(1, false, "the run stopped; what is left stays pending for the next run");
    });
    QTimer::singleShot(0, [&] {
        driver.start();
        watch.start(200);
    });
    QCoreApplication::exec();
    result.tally = driver.tally();
    return result;
}

}  // namespace

int RunWebwatchUpload(const DataFilePaths& paths, const CliWebwatchRunOptions& options, std::FILE* out,
                      std::FILE* err)
{
    namespace fs = std::filesystem;
    // A run's queue a kill left aside, and what a killed run noted beside
    // the queue file, go into it first, so the checks below see the queue as
    // it stands.
    settleRunQueue(paths.koefilDfd, paths.nyweb2Dfd);
    settleQueueFile(paths.koefilDfd);
    if (fs::exists(paths.rstfilTxt)) {
        std::fprintf(err, "tavlinftp-cli webwatch: an interrupted download waits in %s; finish or remove it "
                          "in the window first\n", paths.dataDirectory.c_str());
        return 1;
    }
    // A pending project file marks a run, with or without a queue file (a
    // run of deletions only has none; a run cut short at its end, none
    // left). A queue file alone is not a WebWatch run.
    const bool queueWaits = fs::exists(paths.koefilDfd);
    const bool runPending = fs::exists(paths.nyweb2Dfd);
    if (queueWaits && !runPending) {
        std::fprintf(err, "tavlinftp-cli webwatch: a transfer queue that is not a WebWatch run waits in %s; "
                          "it is left alone; finish or delete it in the window first\n", paths.dataDirectory.c_str());
        return 1;
    }

    // The file the run works from is checked whole first: a damaged one
    // would be read shifted (a password taken for a log-in) or replace the
    // project file at the run's end.
    if (runPending && queueWaits) {
        // A queue that cannot be taken up would leave the run waiting for
        // files that never come.
        if (const std::string fault = queueFileFault(paths.koefilDfd); !fault.empty()) {
            std::fprintf(err, "tavlinftp-cli webwatch: %s\nThe pending run is left as it is; put back a copy of the "
                              "file, or give the run up in the window (Delete on the queue).\n", fault.c_str());
            return 1;
        }
    }
    const std::string& projectFile = runPending ? paths.nyweb2Dfd : paths.wbprjDfd;
    if (fs::exists(projectFile) || runPending) {
        if (const std::string fault = projectFileFault(projectFile); !fault.empty()) {
            std::fprintf(err, "tavlinftp-cli webwatch: %s\n%s\n", fault.c_str(), kDamagedProjectFileAdvice);
            return 1;
        }
    }

    // Names are checked before anything runs, against the projects the
    // fresh scan will read, as the dry run checks them.
    if (!options.projects.empty()) {
        ProjectStore current;
        current.load(projectFile);
        bool unknown = false;
        for (const std::string& name : options.projects) {
            if (!findProjectByName(current, name)) {
                std::fprintf(err, "tavlinftp-cli webwatch: no project named \"%s\"; --list shows the projects\n",
                             name.c_str());
                unknown = true;
            }
        }
        if (unknown)
            return 1;
    }

    int status = 0;
    RunTally done;
    bool ranAny = false;
    const auto add = [&](const PassResult& pass) {
        status = std::max(status, pass.status);
        if (!pass.tally)
            return;
        ranAny = true;
        done.published += pass.tally->published;
        done.publishedBytes += pass.tally->publishedBytes;
        done.deleted += pass.tally->deleted;
        done.failed += pass.tally->failed;
        done.leftAlone += pass.tally->leftAlone;
    };
    bool goOn = true;
    if (runPending) {
        const PassResult pending = runPass(paths, options, true, out, err);
        add(pending);
        goOn = pending.ended;
    }
    // A cron job never stops at a pending run: what changed since is
    // published by the same command.
    if (goOn)
        add(runPass(paths, options, false, out, err));
    // What this command did, in one line a cron mail can be read by.
    if (ranAny && !options.quiet)
        std::fprintf(out, "%s\n", done.text().c_str());
    return status;
}
