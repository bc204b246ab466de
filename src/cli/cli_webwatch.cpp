#include "cli/cli_webwatch.h"

#include "cli/cli_options.h"
#include "cli/cli_webwatch_run.h"

#include "core/data_directory_lock.h"
#include "core/data_files.h"
#include "core/data_paths.h"
#include "core/stale_temporary_files.h"
#include "core/text_line_list.h"
#include "webwatch/deletion_list.h"
#include "webwatch/project_store.h"
#include "webwatch/run_plan.h"
#include "transfer/transfer_queue.h"
#include "webwatch/upload_run_queue.h"

#include <QCommandLineParser>
#include <QStringList>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <thread>

#include <unistd.h>

namespace {

std::string s(const QString& text)
{
    return text.toStdString();
}

const char* reasonText(RunPlan::Upload::Reason reason)
{
    switch (reason) {
    case RunPlan::Upload::Reason::Changed:
        return "changed";
    case RunPlan::Upload::Reason::NeverUploaded:
        return "new";
    case RunPlan::Upload::Reason::Discovered:
        return "discovered";
    }
    return "";
}

// What a pending run still has to do: its queue and its deletion list.
struct PendingWork {
    std::vector<QueuedUpload> uploads;
    std::vector<DeletionEntry> deletions;
    std::uint64_t bytes() const
    {
        std::uint64_t n = 0;
        for (const QueuedUpload& upload : uploads)
            n += upload.size;
        return n;
    }
};

PendingWork pendingWorkIn(const DataFilePaths& paths)
{
    PendingWork work;
    UploadRunQueue queue;
    if (queue.load(paths.koefilDfd))
        work.uploads = queue.entries();
    DeletionList deletions;
    if (deletions.load(paths.defilDfd))
        work.deletions = deletions.entries();
    return work;
}

std::string remotePathOf(const RemoteFileTarget& target)
{
    std::string directory = target.remoteDirectory;
    if (directory.empty() || directory.back() != '/')
        directory += '/';
    return directory + target.remoteFileName;
}

void printPlan(const std::optional<PendingWork>& pending, const RunPlan& plan, bool quiet, std::FILE* out)
{
    // The real run finishes the pending run first, then scans afresh.
    if (pending && !quiet) {
        std::fprintf(out, "Pending run: %zu to upload, %zu to delete on the server\n", pending->uploads.size(),
                     pending->deletions.size());
        for (const DeletionEntry& deletion : pending->deletions)
            std::fprintf(out, "  delete %s\n", remoteFileTargetText(deletion).c_str());
        for (const QueuedUpload& upload : pending->uploads)
            std::fprintf(out, "  upload %-10s %s -> %s (%llu bytes)\n", "pending", upload.localPath.c_str(),
                         remotePathOf(upload).c_str(), static_cast<unsigned long long>(upload.size));
    }
    for (const RunPlan::Project& project : plan.projects) {
        if (!quiet)
            std::fprintf(out, "Project \"%s\": %zu to upload, %zu to delete on the server\n", project.name.c_str(),
                         project.uploads.size(), project.deletions.size());
        if (quiet)
            continue;
        for (const RunPlan::Upload& upload : project.uploads)
            std::fprintf(out, "  upload %-10s %s -> %s (%llu bytes)\n", reasonText(upload.reason),
                         upload.localPath.c_str(), upload.remotePath.c_str(),
                         static_cast<unsigned long long>(upload.size));
        for (const DeletionEntry& deletion : project.deletions)
            std::fprintf(out, "  delete %s\n", remoteFileTargetText(deletion).c_str());
        for (const std::string& missing : project.missing)
            std::fprintf(out, "  %s %s\n", project.missingLeave ? "leaves" : "missing", missing.c_str());
        for (const std::string& folder : project.newFolders)
            std::fprintf(out, "  new folder %s\n", folder.c_str());
        for (const std::string& link : project.skippedLinks)
            std::fprintf(out, "  not published, a symbolic link: %s\n", link.c_str());
    }
    const std::size_t uploads = plan.uploadCount() + (pending ? pending->uploads.size() : 0);
    const std::uint64_t bytes = plan.uploadBytes() + (pending ? pending->bytes() : 0);
    const std::size_t deletions = plan.deletionCount() + (pending ? pending->deletions.size() : 0);
    std::fprintf(out, "Dry run: %zu files to upload (%llu bytes), %zu to delete; nothing was changed\n", uploads,
                 static_cast<unsigned long long>(bytes), deletions);
}

void printList(const RunPlan& plan, std::FILE* out)
{
    for (const RunPlan::Project& project : plan.projects) {
        std::size_t changed = 0;
        std::size_t added = 0;
        for (const RunPlan::Upload& upload : project.uploads)
            (upload.reason == RunPlan::Upload::Reason::Changed ? changed : added) += 1;
        std::fprintf(out, "%s: %zu files, %zu changed, %zu new, %zu missing\n", project.name.c_str(), project.files,
                     changed, added, project.missing.size());
    }
}

// --list and --dry-run: what a run would do, read from the current project
// file; nothing is written.
int PrintWebwatchPlan(const DataFilePaths& paths, const QStringList& projectNames, bool listOnly, bool quiet,
                      const RunPlanOptions& planOptions, std::FILE* out, std::FILE* err)
{
    // While a run is pending its project file is the current one; the run
    // is pending by that file, with or without a queue file.
    const bool pending = std::filesystem::exists(paths.nyweb2Dfd);
    const std::string& projectFile = pending ? paths.nyweb2Dfd : paths.wbprjDfd;
    if (!std::filesystem::exists(projectFile)) {
        std::fprintf(err, "tavlinftp-cli webwatch: no web projects in %s; record one in the window first\n",
                     paths.dataDirectory.c_str());
        return 1;
    }
    if (const std::string fault = projectFileFault(projectFile); !fault.empty()) {
        std::fprintf(err, "tavlinftp-cli webwatch: %s\n%s\n", fault.c_str(), kDamagedProjectFileAdvice);
        return 1;
    }
    ProjectStore projects;
    projects.load(projectFile);
    TextLineList asciiExtensions;
    asciiExtensions.loadFromFile(paths.ascdDfd);

    std::vector<std::string> names;
    for (const QString& name : projectNames)
        names.push_back(s(name));
    std::vector<std::string> unknown;
    const RunPlan plan = planRun(projects, names, asciiExtensions.lines(), unknown, planOptions);
    for (const std::string& name : unknown)
        std::fprintf(err, "tavlinftp-cli webwatch: no project named \"%s\"; --list shows the projects\n",
                     name.c_str());
    if (!unknown.empty())
        return 1;
    std::optional<PendingWork> pendingWork;
    if (pending) {
        if (const std::string fault = DeletionList().loadFault(paths.defilDfd); !fault.empty()) {
            std::fprintf(err, "tavlinftp-cli webwatch: %s\n", DeletionListRefusal(paths.defilDfd, fault).c_str());
            return 1;
        }
        pendingWork = pendingWorkIn(paths);
    }
    if (listOnly) {
        if (pendingWork)
            std::fprintf(out, "A run is pending: %zu to upload, %zu to delete on the server\n",
                         pendingWork->uploads.size(), pendingWork->deletions.size());
        printList(plan, out);
    } else {
        printPlan(pendingWork, plan, quiet, out);
    }
    // Said as the run says it, and failing as the run fails.
    bool leftAlone = false;
    for (const RunPlan::Project& planned : plan.projects)
        for (const MissingFolder& folder : planned.foldersLeftAlone) {
            std::fprintf(err, "Folder %s is missing: its %zu files are left alone\n", folder.displayName().c_str(),
                         folder.files);
            leftAlone = true;
        }
    if (plan.deletionsHeldBack > 0)
        std::fprintf(err, "%s\n", MassDeletionRefusal(plan.deletionsHeldBack).c_str());
    return leftAlone || plan.deletionsHeldBack > 0 ? 1 : 0;
}

// Takes the data directory's lock for a run. While another holds it (the
// window with work of its own, or another run) the command waits up to
// waitSeconds for it and then gives up, saying who has it. 0 when taken,
// otherwise the exit status.
int TakeDataDirectory(DataDirectoryLock& lock, const std::string& directory, int waitSeconds, bool quiet,
                      std::FILE* out, std::FILE* err)
{
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + std::chrono::seconds(waitSeconds);
    bool toldWaiting = false;
    for (;;) {
        switch (lock.take(directory)) {
        case DataDirectoryLock::Result::Taken:
            return 0;
        case DataDirectoryLock::Result::Failed:
            std::fprintf(err, "tavlinftp-cli webwatch: cannot lock %s (%s): a run writes its files there; make the "
                              "folder writable, or use --list or --dry-run to look without a run\n",
                         directory.c_str(), lock.failure().c_str());
            return 1;
        case DataDirectoryLock::Result::HeldElsewhere:
            break;
        }
        std::string holder = DataDirectoryLock::holderOf(directory);
        if (holder.empty())
            holder = "Tavlin FTP or another run";
        if (Clock::now() >= deadline) {
            std::fprintf(err, "tavlinftp-cli webwatch: %s is in use by %s; waited %d second%s for it; try again "
                              "later, or wait longer with --wait SECONDS\n",
                         directory.c_str(), holder.c_str(), waitSeconds, waitSeconds == 1 ? "" : "s");
            return kExitDataDirectoryBusy;
        }
        if (!toldWaiting && !quiet) {
            std::fprintf(out, "Waiting for %s: in use by %s (at most %d seconds)\n", directory.c_str(),
                         holder.c_str(), waitSeconds);
            std::fflush(out);
            toldWaiting = true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(kWaitPollMilliseconds));
    }
}

}  // namespace

std::string DefaultDataDirectory(const std::string& homeDirectory)
{
    return defaultDataDirectory(std::getenv("XDG_DATA_HOME"), homeDirectory);
}

int RunWebwatchCommand(const std::vector<std::string>& arguments, const std::string& defaultDataDirectory,
                       std::FILE* out, std::FILE* err)
{
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption dataDir(QStringLiteral("data-dir"), {}, QStringLiteral("DIR"));
    const QCommandLineOption project(QStringLiteral("project"), {}, QStringLiteral("NAME"));
    const QCommandLineOption dryRun(QStringLiteral("dry-run"));
    const QCommandLineOption list(QStringLiteral("list"));
    const QCommandLineOption passive(QStringLiteral("passive"));
    const QCommandLineOption active(QStringLiteral("active"));
    const QCommandLineOption verbose(QStringList{QStringLiteral("v"), QStringLiteral("verbose")});
    const QCommandLineOption quiet(QStringLiteral("quiet"));
    const QCommandLineOption trust(QStringLiteral("trust"), {}, QStringLiteral("SHA256:FINGERPRINT"));
    const QCommandLineOption deleteMissingFolders(QStringLiteral("delete-missing-folders"));
    const QCommandLineOption allowMassDelete(QStringLiteral("allow-mass-delete"));
    const QCommandLineOption connections(QStringLiteral("connections"), {}, QStringLiteral("N"));
    const QCommandLineOption wait(QStringLiteral("wait"), {}, QStringLiteral("SECONDS"));
    parser.addOptions({dataDir, project, dryRun, list, passive, active, verbose, quiet, trust, deleteMissingFolders,
                       allowMassDelete, connections, wait});
    QStringList args{QStringLiteral("tavlinftp-cli webwatch")};
    for (const std::string& argument : arguments)
        args << QString::fromStdString(argument);
    if (!parser.parse(args)) {
        std::fprintf(err, "tavlinftp-cli webwatch: %s\n", s(parser.errorText()).c_str());
        return 2;
    }
    if (!parser.positionalArguments().isEmpty()) {
        std::fprintf(err, "tavlinftp-cli webwatch: unexpected argument %s\n",
                     s(parser.positionalArguments().first()).c_str());
        return 2;
    }
    std::vector<std::string> trusted;
    if (std::string error; !TakeTrustedFingerprints(parser.values(trust), trusted, error)) {
        std::fprintf(err, "tavlinftp-cli webwatch: %s\n", error.c_str());
        return 2;
    }
    if (parser.isSet(passive) && parser.isSet(active)) {
        std::fprintf(err, "tavlinftp-cli webwatch: --passive and --active exclude each other\n");
        return 2;
    }
    std::size_t connectionCount = CliWebwatchRunOptions().connections;
    if (parser.isSet(connections)) {
        bool number = false;
        const int given = parser.value(connections).toInt(&number);
        if (!number || given < 1 || given > static_cast<int>(TransferQueue::kMostConnections)) {
            std::fprintf(err, "tavlinftp-cli webwatch: --connections takes a number from 1 to %zu\n",
                         TransferQueue::kMostConnections);
            return 2;
        }
        connectionCount = static_cast<std::size_t>(given);
    }
    int waitSeconds = kDefaultWaitSeconds;
    if (parser.isSet(wait)) {
        bool number = false;
        waitSeconds = parser.value(wait).toInt(&number);
        if (!number || waitSeconds < 0) {
            std::fprintf(err, "tavlinftp-cli webwatch: --wait takes a number of seconds, 0 or more\n");
            return 2;
        }
    }
    const bool realRun = !parser.isSet(dryRun) && !parser.isSet(list);
    const std::string directory = parser.isSet(dataDir) ? s(parser.value(dataDir)) : defaultDataDirectory;
    if (!std::filesystem::is_directory(directory)) {
        std::fprintf(err, "tavlinftp-cli webwatch: no data directory %s; name the program's data directory with "
                          "--data-dir DIR\n", directory.c_str());
        return 1;
    }
    const DataFilePaths paths = DataFilePaths::inDirectory(directory);
    if (!realRun)
        return PrintWebwatchPlan(paths, parser.values(project), parser.isSet(list), parser.isSet(quiet),
                                 RunPlanOptions{parser.isSet(deleteMissingFolders), parser.isSet(allowMassDelete)},
                                 out, err);

    // One writer per data directory. Listing and dry runs only read, and
    // every data file is replaced whole, so they need no lock and work on a
    // data directory they cannot write.
    DataDirectoryLock lock;
    if (const int status = TakeDataDirectory(lock, directory, waitSeconds, parser.isSet(quiet), out, err);
        status != 0)
        return status;
    lock.describeHolder("a WebWatch run from the command line (process " + std::to_string(::getpid()) + ")");

    // Under the lock no one else writes here: what a killed write left
    // behind can go.
    removeStaleTemporaryFiles(directory);
    CliWebwatchRunOptions options;
    options.passive = !parser.isSet(active);
    options.quiet = parser.isSet(quiet);
    options.verbose = parser.isSet(verbose);
    for (const QString& name : parser.values(project))
        options.projects.push_back(s(name));
    options.trust = trusted;
    options.deleteMissingFolders = parser.isSet(deleteMissingFolders);
    options.allowMassDelete = parser.isSet(allowMassDelete);
    options.connections = connectionCount;
    return RunWebwatchUpload(paths, options, out, err);
}
