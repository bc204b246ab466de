#include "webwatch/upload_run.h"

#include "core/data_file_io.h"

#include "core/kill_point.h"
#include "core/queue_journal.h"
#include "core/run_queue_aside.h"
#include "core/text_line_list.h"
#include "services/dialogs.h"
#include "transfer/queue_store.h"
#include "webwatch/mass_deletion.h"

#include <QLocale>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <set>

#include <sys/stat.h>

namespace {

// The run looks at no more projects than this.
constexpr std::size_t kMaxProjectsPerRun = 1000;

bool removeFile(const std::string& path)
{
    return removeDataFile(path);
}

QString qs(const std::string& text)
{
    return QString::fromStdString(text);
}

} // namespace

UploadRun::UploadRun(UploadRunFiles files, Dialogs& dialogs, const std::vector<std::string>& asciiExtensions)
    : files_(std::move(files)), dialogs_(dialogs), asciiExtensions_(asciiExtensions)
{
}

bool UploadRun::queueFileWaits() const
{
    std::error_code error;
    return std::filesystem::exists(files_.queueFile, error);
}

const std::string& UploadRun::currentProjectFile() const
{
    return pending_ ? files_.pendingProjectFile : files_.projectFile;
}

UploadRun::Outcome UploadRun::start(ProjectStore& projects, Scope scope, std::optional<std::size_t> selectedProject)
{
    std::vector<std::size_t> selected;
    if (selectedProject)
        selected.push_back(*selectedProject);
    return start(projects, scope, std::move(selected));
}

UploadRun::Outcome UploadRun::start(ProjectStore& projects, Scope scope, std::vector<std::size_t> selectedProjects)
{
    Outcome outcome;
    filesLeftAlone_ = 0;
    std::sort(selectedProjects.begin(), selectedProjects.end());
    selectedProjects.erase(std::unique(selectedProjects.begin(), selectedProjects.end()), selectedProjects.end());
    const auto selectionFits = [&] {
        return !selectedProjects.empty() && selectedProjects.back() < projects.projectCount();
    };
    if (scope == Scope::SelectedProject && !selectionFits())
        return outcome;
    switch (offerToDiscardOldQueue(projects, outcome)) {
    case OldQueue::None:
    case OldQueue::Discarded:
        break;
    case OldQueue::Kept:
        outcome.kind = Outcome::Kind::OldQueueKept;
        return outcome;
    case OldQueue::DiscardFailed:
        // Going on would write this run's queue over a queue that is still
        // there (a transfer running it, or a file that would not go).
        outcome.kind = Outcome::Kind::DiscardFailed;
        return outcome;
    }

    // Discarding an old queue may have brought back the project file in
    // place of a pending one, which need not hold the selected project.
    if (scope == Scope::SelectedProject && !selectionFits())
        return outcome;

    scanning_ = true;
    RunLists lists;
    ProjectScanner scanner(asciiExtensions_);
    scanner.setQueuedCallback(queued_);
    scanner.setMissingFolderDecision(
        [this](const std::string& folder, std::size_t files) { return deleteFilesOfMissingFolder(folder, files); });
    std::vector<ProjectDeletions> deletionsByProject;
    const auto scanProject = [&](std::size_t p) {
        ProjectDeletions counted{projects.projectName(p), projects.fileCount(p), lists.deletions.count()};
        scanner.scan(projects, p, ProjectScanner::Mode::Run, &lists);
        counted.deleting = lists.deletions.count() - counted.deleting;
        deletionsByProject.push_back(std::move(counted));
    };
    if (scope == Scope::SelectedProject) {
        for (const std::size_t p : selectedProjects)
            scanProject(p);
    } else {
        for (std::size_t p = 0; p < std::min(projects.projectCount(), kMaxProjectsPerRun); ++p)
            scanProject(p);
    }
    tellScanFindings(lists);
    outcome.foldersLeftAlone = lists.foldersLeftAlone;
    for (const MissingFolder& folder : lists.foldersLeftAlone)
        filesLeftAlone_ += folder.files;
    if (const auto question = massDeletionQuestion(deletionsByProject);
        question && !lists.deletions.empty() && !allowMassDeletion(*question)) {
        // The uploads go ahead; the missing files stay in the project, so a
        // later run that is allowed to delete them finds them again.
        outcome.deletionsHeldBack = lists.deletions.count();
        lists.deletions.clear();
        lists.missingRecords.clear();
    }
    outcome.queued = lists.queue.count();
    outcome.rows = lists.rows;

    // Remote files to delete are work too, even with nothing to send.
    if (outcome.queued == 0 && lists.deletions.empty()) {
        dialogs_.message(QStringLiteral("No files for upload"));
        rollBack(projects);
        outcome.kind = Outcome::Kind::NothingToUpload;
    } else if (confirm(scope, lists)) {
        removeRecordsAt(projects, lists.missingRecords);
        if (handOver(projects, lists)) {
            outcome.kind = Outcome::Kind::HandedOver;
            outcome.deletions = lists.deletions.count();
            outcome.closeWindow = true;
        } else {
            rollBack(projects);
            outcome.kind = Outcome::Kind::HandOverFailed;
        }
    } else {
        dialogs_.message(QStringLiteral("No files uploaded"));
        rollBack(projects);
        outcome.kind = Outcome::Kind::Declined;
        outcome.refillProjects = true;
    }
    scanning_ = false;
    return outcome;
}

UploadRun::OldQueue UploadRun::offerToDiscardOldQueue(ProjectStore& projects, Outcome& outcome)
{
    UploadRunQueue old;
    if (!old.load(files_.queueFile))
        return OldQueue::None;
    if (dialogs_.askYesNo(QStringLiteral("Found old files to upload!"),
                          QStringLiteral("Do You want to delete old file transfer?"))
        != DialogAnswer::Yes)
        return OldQueue::Kept;
    bool discarded = false;
    if (discardOldQueue_) {
        discarded = discardOldQueue_();
    } else {
        cancelRun();
        discarded = removeQueueFile(files_.queueFile);
    }
    const bool reloaded = projects.load(currentProjectFile());
    if (!discarded || !reloaded) {
        dialogs_.message(QStringLiteral("Unknown Error!"));
        outcome.closeWindow = true;
        return OldQueue::DiscardFailed;
    }
    return OldQueue::Discarded;
}

void UploadRun::scanAll(ProjectScanner& scanner, ProjectStore& projects, RunLists& lists)
{
    const std::size_t count = std::min(projects.projectCount(), kMaxProjectsPerRun);
    for (std::size_t p = 0; p < count; ++p)
        scanner.scan(projects, p, ProjectScanner::Mode::Run, &lists);
}

// Files can vanish with their folder for reasons that say nothing about the
// site (an unmounted drive, a renamed folder), so deleting them on the
// server is the user's explicit choice, "No" being the default.
bool UploadRun::deleteFilesOfMissingFolder(const std::string& folder, std::size_t files)
{
    const QString question = QStringLiteral("The folder ") + qs(folder) + QStringLiteral(" is missing: delete its ")
        + QString::number(files) + QStringLiteral(" files on the server?");
    return dialogs_.askChoice(QStringLiteral("Folder missing"), question,
                              {QStringLiteral("Yes"), QStringLiteral("No")})
        == 0;
}

void UploadRun::tellScanFindings(const RunLists& lists)
{
    if (!notice_)
        return;
    for (const MissingFolder& folder : lists.foldersLeftAlone)
        notice_("Folder " + folder.displayName() + " is missing: its " + std::to_string(folder.files)
                + " files are left alone");
    for (const std::string& link : lists.skippedLinks)
        notice_("Not published, a symbolic link: " + link);
}

bool UploadRun::confirm(Scope scope, const RunLists& lists)
{
    if (scope == Scope::Quick)
        return true;
    // The question names the work: the counts in its text, the names in
    // its details.
    std::uint64_t bytes = 0;
    QString details = QStringLiteral("Upload:\n");
    for (const QueuedUpload& upload : lists.queue.entries()) {
        bytes += upload.size;
        details += qs(upload.localPath) + QStringLiteral(" -> ") + qs(remoteFileTargetText(upload)) + u'\n';
    }
    if (!lists.deletions.empty()) {
        details += QStringLiteral("Delete on the server:\n");
        for (const DeletionEntry& deletion : lists.deletions.entries())
            details += qs(remoteFileTargetText(deletion)) + u'\n';
    }
    const QString counts = QStringLiteral("%1 files to upload (%2), %3 remote files to delete")
                               .arg(lists.queue.count())
                               .arg(QLocale::c().formattedDataSize(static_cast<qint64>(bytes), 1,
                                                                   QLocale::DataSizeSIFormat))
                               .arg(lists.deletions.count());
    return dialogs_.askYesNoWithDetails(QStringLiteral("Files ready for upload"),
                                        QStringLiteral("Start upload ?\n") + counts, details)
        == DialogAnswer::Yes;
}

bool UploadRun::allowMassDeletion(const std::string& question)
{
    return dialogs_.askChoice(QStringLiteral("Many files to delete"), qs(question),
                              {QStringLiteral("Yes"), QStringLiteral("No")})
        == 0;
}

void UploadRun::rollBack(ProjectStore& projects)
{
    // Stamps written, files taken in and records removed by the scans are
    // dropped with the list they were made in.
    projects.load(currentProjectFile());
}

bool UploadRun::handOver(ProjectStore& projects, const RunLists& lists)
{
    // A deletion list of an earlier run must not stay behind to be carried
    // out with this one; a run with deletions only has no queue file. The
    // pending project file marks the run as pending and already records its
    // files as sent, so the queue is written aside first and put in place
    // only after it: a run cut short while handing over is either complete
    // on disk or not pending at all, and never pending without its queue.
    const bool withQueue = lists.queue.count() > 0;
    const std::string* failed = nullptr;
    if (!lists.deletions.store(files_.deletionListFile))
        failed = &files_.deletionListFile;
    else if (withQueue ? !writeRunQueueAside(files_.queueFile, lists.queue.lines().joinedText())
                       : !removeQueueFile(files_.queueFile) || !removeRunQueueAside(files_.queueFile))
        failed = &files_.queueFile;
    if (!failed) {
        passKillPoint("run-queue-written");
        if (!projects.save(files_.pendingProjectFile))
            failed = &files_.pendingProjectFile;
    }
    if (!failed) {
        passKillPoint("pending-project-written");
        if (withQueue && !putRunQueueInPlace(files_.queueFile))
            failed = &files_.queueFile;
    }
    if (failed) {
        const int error = errno;
        if (!pending_) {
            // The pending project file first: without it nothing else
            // left here makes a run.
            removeFile(files_.pendingProjectFile);
            removeRunQueueAside(files_.queueFile);
            removeQueueFile(files_.queueFile);
            removeFile(files_.deletionListFile);
        }
        dialogs_.message(QStringLiteral("The upload could not be prepared: ") + qs(*failed)
                         + QStringLiteral(" could not be written (") + qs(std::strerror(error))
                         + QStringLiteral("); free space or make the data folder writable and try again."));
        return false;
    }
    pending_ = true;
    deletions_ = lists.deletions;
    deletionsPending_ = !deletions_.empty();
    deletionsKept_ = 0;
    return true;
}

void UploadRun::restoreAfterStart(bool pendingProjectLoaded, const TextLineList& deletionLines)
{
    pending_ = pendingProjectLoaded;
    filesLeftAlone_ = 0;
    deletions_.clear();
    if (pending_) {
        for (std::size_t first = 0; first + DeletionList::kLinesPerEntry <= deletionLines.size();
             first += DeletionList::kLinesPerEntry) {
            DeletionEntry entry;
            entry.readLines(deletionLines, first);
            deletions_.append(entry);
        }
    }
    deletionsKept_ = 0;
    deletionsPending_ = !deletions_.empty();
}

bool UploadRun::completeFirstDeletion()
{
    deletions_.removeFirst();
    deletionsPending_ = !deletions_.empty();
    return deletions_.store(files_.deletionListFile);
}

namespace {

// The same remote file of the same log-in; the password may have been
// edited since.
bool sameRemoteFile(const RemoteFileTarget& a, const RemoteFileTarget& b)
{
    return a.server == b.server && a.login == b.login && a.port == b.port && a.remoteDirectory == b.remoteDirectory
        && a.remoteFileName == b.remoteFileName;
}

std::optional<std::size_t> recordOf(const ProjectStore& store, std::size_t p, const RemoteFileTarget& target)
{
    for (std::size_t j = 0; j < store.fileCount(p); ++j)
        if (sameRemoteFile(store.file(p, j), target))
            return j;
    return std::nullopt;
}

// Where a record that stood at `position` of project p in `before` goes in
// `after`: behind the nearest record before it that is still there.
std::size_t oldPlaceOf(const ProjectStore& before, std::size_t p, std::size_t position, const ProjectStore& after,
                       std::size_t q)
{
    for (std::size_t j = position; j-- > 0;)
        if (const std::optional<std::size_t> there = recordOf(after, q, before.file(p, j)))
            return *there + 1;
    return 0;
}

}  // namespace

std::size_t UploadRun::changeDeletionLogin(const SiteLogin& old, const SiteLogin& now, bool& stored)
{
    stored = true;
    if (!pending_)
        return 0;
    const std::size_t changed = ::changeDeletionLogin(deletions_, old, now);
    if (changed > 0)
        stored = deletions_.store(files_.deletionListFile);
    return changed;
}

bool UploadRun::keepFirstDeletion()
{
    if (deletions_.empty())
        return true;
    const DeletionEntry refused = deletions_.entry(0);
    // The record is taken from the project file as it was before the run
    // (the pending one no longer holds it), into the project at the same
    // place in the pending file; a project of the same name when the list of
    // projects was changed meanwhile.
    ProjectStore before;
    ProjectStore after;
    if (!before.load(files_.projectFile) || !after.load(files_.pendingProjectFile))
        return false;
    bool changed = false;
    for (std::size_t p = 0; p < before.projectCount(); ++p) {
        const std::optional<std::size_t> record = recordOf(before, p, refused);
        if (!record)
            continue;
        std::optional<std::size_t> target;
        if (p < after.projectCount() && after.projectName(p) == before.projectName(p))
            target = p;
        else
            target = findProjectByName(after, before.projectName(p));
        if (!target || recordOf(after, *target, refused))
            continue;
        if (!after.insertFiles(*target, oldPlaceOf(before, p, *record, after, *target), {before.file(p, *record)}))
            return false;
        changed = true;
    }
    if (changed && !after.save(files_.pendingProjectFile))
        return false;
    passKillPoint("deletion-kept");
    ++deletionsKept_;
    return completeFirstDeletion();
}

bool UploadRun::markNotUploaded(const std::vector<QueueEntry>& files)
{
    if (files.empty())
        return true;
    ProjectStore pending;
    if (!pending.load(files_.pendingProjectFile))
        return false;
    std::set<std::vector<std::string>> unsent;
    for (const QueueEntry& file : files)
        unsent.insert({file.localPath(), file.host, file.user, file.port, file.remoteDirectory, file.fileName});
    bool changed = false;
    for (std::size_t p = 0; p < pending.projectCount(); ++p) {
        for (std::size_t j = 0; j < pending.fileCount(p); ++j) {
            const ProjectFileEntry record = pending.file(p, j);
            if (record.stamp == kNeverUploadedStamp
                || !unsent.contains({record.localPath, record.server, record.login, record.port,
                                     record.remoteDirectory, record.remoteFileName}))
                continue;
            pending.setField(p, j, ProjectField::UploadStamp, kNeverUploadedStamp);
            changed = true;
        }
    }
    return !changed || pending.save(files_.pendingProjectFile);
}

UploadRun::EndResult UploadRun::finishRun(const std::vector<QueueEntry>& unsent)
{
    if (!pending_)
        return EndResult::NotPending;
    if (!markNotUploaded(unsent)) {
        dialogs_.message(QStringLiteral("Please give the destination filename"));
        return EndResult::CopyFailed;
    }
    passKillPoint("unsent-marked");
    // Copied byte for byte, but only a file that reads as a project file,
    // written beside the project file and renamed over it with the project
    // file's own permissions: a kill at any moment leaves the old or the new
    // file.
    // A project file others may read stays readable; a private one is
    // written private from its first byte.
    struct stat previous {};
    const bool shared = ::stat(files_.projectFile.c_str(), &previous) == 0 && (previous.st_mode & 077) != 0;
    std::string bytes;
    const bool copied = readWholeFile(files_.pendingProjectFile, bytes)
        && projectLinesFault(TextLineList(TextLineList::splitLines(bytes)), files_.pendingProjectFile).empty()
        && writeWholeFile(files_.projectFile, bytes, shared ? FileAccess::KeepMode : FileAccess::OwnerOnly);
    if (!copied) {
        dialogs_.message(QStringLiteral("Please give the destination filename"));
        return EndResult::CopyFailed;
    }
    passKillPoint("project-replaced");
    // The project file holds the run now; what marked it pending goes, the
    // pending project file last, as it alone still makes a run to finish.
    // The queue file before its journal, which names nothing without it.
    removeQueueFile(files_.queueFile);
    removeFile(files_.deletionListFile);
    passKillPoint("run-retired");
    removeFile(files_.pendingProjectFile);
    pending_ = false;
    deletionsPending_ = false;
    deletions_.clear();
    return EndResult::Finished;
}

void UploadRun::cancelRun()
{
    // The queue goes aside before the pending project file goes, and for
    // good only after it: a pending project file whose queue is gone would
    // be taken for a run whose files all went up. A kill in between brings
    // the run back whole, or leaves it given up. Where nothing can be set
    // aside (a full disk), the pending project file goes first: a queue
    // left without it sends its files again, and records nothing.
    const bool setAside = setRunQueueAside(files_.queueFile);
    passKillPoint("queue-set-aside");
    removeFile(files_.pendingProjectFile);
    removeFile(files_.deletionListFile);
    passKillPoint("run-cancelled");
    if (!setAside)
        removeQueueFile(files_.queueFile);
    removeRunQueueAside(files_.queueFile);
    pending_ = false;
    deletionsPending_ = false;
    deletions_.clear();
}

bool UploadRun::setUploadStatusAll(ProjectStore& projects)
{
    if (dialogs_.askYesNo(QStringLiteral("Change staus of all files to uploaded"),
                          QStringLiteral("This feature is only used when all files in all Web projects are allready "
                                         "uploaded. Do You still want to change the status of all the files?"))
        != DialogAnswer::Yes)
        return false;
    RunLists discarded;
    ProjectScanner scanner(asciiExtensions_);
    scanAll(scanner, projects, discarded);
    return projects.save(currentProjectFile());
}
