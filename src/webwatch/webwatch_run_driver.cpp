#include "webwatch/webwatch_run_driver.h"

#include "core/kill_point.h"
#include "core/placeholder_password.h"
#include "core/queue_journal.h"
#include "core/remote_directory.h"
#include "core/text_line_list.h"
#include "remote/listing_parser.h"
#include "transfer/transfer_queue.h"

#include <QDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <iterator>
#include <vector>

WebwatchRunDriver::WebwatchRunDriver(UploadRun& run, TransferQueue& queue, QObject* parent)
    : QObject(parent), run_(run), queue_(queue)
{
    connect(&queue_, &TransferQueue::ranDry, this, &WebwatchRunDriver::queueRanDry);
    connect(&queue_, &TransferQueue::discarded, this, &WebwatchRunDriver::queueDiscarded);
    connect(&queue_, &TransferQueue::stoppedWithFailures, this, &WebwatchRunDriver::queueStoppedWithFailures);
    // Only the run's own files count: a file queued by hand meanwhile is
    // not published by the run.
    connect(&queue_, &TransferQueue::fileTransferred, this, [this](const QueueEntry& entry) {
        if (run_.pending() && !entry.isDownload()) {
            ++tally_.published;
            tally_.publishedBytes += static_cast<std::uint64_t>(std::max<std::int64_t>(0, entry.sizeInBytes()));
        }
    });
    // A file of the run that failed (removed from the queue, or set aside)
    // was not sent: the next run sends it.
    connect(&queue_, &TransferQueue::fileFailed, this, [this](const QueueEntry& entry) {
        if (!run_.pending() || entry.isDownload())
            return;
        ++tally_.failed;
        if (!run_.markNotUploaded({entry}))
            log("! Could not write " + run_.currentProjectFile());
    });
    // Files of the run the user takes out of the waiting queue are not sent
    // either: the project marks them for the next run before the queue file
    // is written without them, so neither a run that ends later nor a kill
    // in between counts them as uploaded. Files the project cannot mark stay
    // queued.
    queue_.setRemovalRecorder([this](const std::vector<QueueEntry>& entries) {
        if (!run_.pending())
            return true;
        std::vector<QueueEntry> uploads;
        std::copy_if(entries.begin(), entries.end(), std::back_inserter(uploads),
                     [](const QueueEntry& entry) { return !entry.isDownload(); });
        if (uploads.empty())
            return true;
        if (!run_.markNotUploaded(uploads)) {
            log("! Could not write " + run_.currentProjectFile() + "; the files stay queued");
            return false;
        }
        passKillPoint("removal-recorded");
        return true;
    });
    // Delete on the queue gives the run up; the run's files go before the
    // queue's own.
    connect(&queue_, &TransferQueue::discarding, this, [this] {
        if (!run_.pending())
            return;
        run_.cancelRun();
        cancelledByDiscard_ = true;
    });
}

WebwatchRunDriver::~WebwatchRunDriver()
{
    queue_.setRemovalRecorder({});
    if (lent_)
        queue_.takeClientBack();
}

bool WebwatchRunDriver::takeUpPendingRun(const std::string& queueFile)
{
    if (!std::filesystem::exists(queueFile)) {
        if (!run_.pending())
            return false;
        startTally();
        return true;
    }
    // A queue file that does not read as a queue is never taken for an
    // empty one: the run's end would record its files as sent.
    TextLineList lines;
    if (!loadQueueFile(queueFile, lines) || !QueueEntries::fromLines(lines))
        return false;
    if (!queue_.showPendingQueue(lines))
        return false;
    startTally();
    return true;
}

void WebwatchRunDriver::startTally()
{
    tally_ = RunTally();
    tally_.leftAlone = run_.filesLeftAlone();
}

void WebwatchRunDriver::start()
{
    if (stage_ != Stage::Idle)
        return;
    if (!run_.deletionsPending()) {
        // A run with nothing left to send (deletions only, or a queue worked
        // off before a kill) ends here.
        if (run_.pending() && queue_.entries().empty() && !queue_.busy() && !run_.queueFileWaits()) {
            endRun();
            return;
        }
        queue_.startButtonClicked();
        return;
    }
    const bool lent = queue_.lendClient([this](TFtpRequest request, std::uint16_t error) {
        requestDone(request, error);
    });
    if (!lent) {
        log("! The transfer client is busy; the remote deletions wait for the start button");
        return;
    }
    lent_ = true;
    // Whatever the client was logged in as before the pass is not known
    // here; an open connection is closed before the first entry's log-in.
    loggedIn_ = false;
    if (hooks_.browsingConnected && hooks_.connectBrowsing && !hooks_.browsingConnected()
        && !run_.deletionList().empty()) {
        const DeletionEntry first = run_.deletionList().entry(0);
        hooks_.connectBrowsing(QueueSite{first.server, first.login, first.password, first.port});
    }
    nextDeletion();
}

void WebwatchRunDriver::nextDeletion()
{
    if (!run_.deletionsPending()) {
        endPass();
        return;
    }
    const DeletionEntry entry = run_.deletionList().entry(0);
    if (hooks_.showDeletion)
        hooks_.showDeletion(entry.remoteFileName + " removed");
    TFtpClient& client = queue_.client();
    const bool directoryKnown = loginFolder_.has_value() || !isRelativeToLoginFolder(entry.remoteDirectory);
    if (loggedIn_ && client.Connected() && loggedInAs(entry) && directoryKnown) {
        enterFolderOf(entry);
    } else if (client.Connected()) {
        begin(Stage::Quitting, ftpRqQuit, [&client] { client.BeginQuit(); });
    } else {
        openFor(entry);
    }
}

// The connection is reused only for the very log-in the entry names: the
// same host alone is not enough, a DELE must never run under another user's
// rights or on another port's server.
bool WebwatchRunDriver::loggedInAs(const DeletionEntry& entry) const
{
    TFtpClient& client = queue_.client();
    const std::string password = entry.password.empty() ? std::string(kPlaceholderEmailPassword) : entry.password;
    return client.HostName() == entry.server && client.UserName() == entry.login && client.PassWord() == password
        && client.Port() == entry.port;
}

std::string WebwatchRunDriver::serverFolderOf(const DeletionEntry& entry) const
{
    const bool inLoginFolder = isRelativeToLoginFolder(entry.remoteDirectory);
    return absoluteRemoteDirectory(entry.remoteDirectory, inLoginFolder ? loginFolder_.value_or("/") : "/");
}

// One CWD to the folder's server path, and none while the connection is
// known to be there already (the last deletion's folder): on a distant
// server every command is a round trip.
void WebwatchRunDriver::enterFolderOf(const DeletionEntry& entry)
{
    TFtpClient& client = queue_.client();
    const std::string folder = serverFolderOf(entry);
    if (client.KnowsDirectory(folder)) {
        deleteEntry(entry);
        return;
    }
    client.SetHostDirName(folder);
    // A root that cannot be entered says nothing about the file; a folder
    // below it that cannot be entered is gone, and its file with it.
    begin(folder == "/" ? Stage::RootDir : Stage::EntryDir, ftpRqChangeDir, [&client] { client.BeginChangeDir(); });
}

void WebwatchRunDriver::deleteEntry(const DeletionEntry& entry)
{
    TFtpClient& client = queue_.client();
    client.SetHostFileName(entry.remoteFileName);
    begin(Stage::Deleting, ftpRqDelete, [&client] { client.BeginDelete(); });
}

void WebwatchRunDriver::openFor(const DeletionEntry& entry)
{
    TFtpClient& client = queue_.client();
    if (client.Connected() || client.State() != ftpStateReady)
        client.BeginAbort();
    loggedIn_ = false;
    loginFolder_.reset();
    client.SetHostName(entry.server);
    client.SetPort(entry.port);
    client.SetHostDirName("/");
    client.SetPassive(hooks_.passiveMode && hooks_.passiveMode());
    begin(Stage::Opening, ftpRqOpen, [&client] { client.BeginOpen(); });
}

void WebwatchRunDriver::begin(Stage stage, TFtpRequest request, const std::function<void()>& start)
{
    stage_ = stage;
    awaiting_ = request;
    try {
        start();
    } catch (const std::exception& e) {
        // A request the client refuses ends like a failed one, later, as a
        // request's end always comes.
        log(std::string("! ") + e.what());
        QTimer::singleShot(0, this, [this, request] {
            if (awaiting_ == request)
                requestDone(request, 500);
        });
    }
}

void WebwatchRunDriver::requestDone(TFtpRequest request, std::uint16_t error)
{
    // An end nobody waits for is left over from a connection already given up.
    if (awaiting_ == ftpRqNone || stage_ == Stage::Idle)
        return;
    awaiting_ = ftpRqNone;
    // After the final QUIT, or once the list is worked off, whatever the
    // request's outcome, the pass ends.
    if (stage_ == Stage::FinalQuit || !run_.deletionsPending()) {
        endPass();
        return;
    }
    if (stage_ == Stage::Listing) {
        folderListed(error);
        return;
    }
    if (error != 0)
        stepFailed(request, error);
    else
        stepDone(request);
}

void WebwatchRunDriver::stepDone(TFtpRequest)
{
    TFtpClient& client = queue_.client();
    const DeletionEntry entry = run_.deletionList().entry(0);
    switch (stage_) {
    case Stage::Quitting:
        openFor(entry);
        break;
    case Stage::Opening:
        client.SetUserName(entry.login);
        begin(Stage::User, ftpRqUser, [&client] { client.BeginUser(); });
        break;
    case Stage::User:
        client.SetPassWord(entry.password.empty() ? std::string(kPlaceholderEmailPassword) : entry.password);
        begin(Stage::Pass, ftpRqPass, [&client] { client.BeginPass(); });
        break;
    case Stage::Pass:
        loggedIn_ = true;
        if (isRelativeToLoginFolder(entry.remoteDirectory)) {
            // The entry's folder lies in the login folder: ask where that
            // is while the server is still there.
            begin(Stage::LoginFolder, ftpRqPrintDir, [&client] { client.BeginPrintDir(); });
            break;
        }
        enterFolderOf(entry);
        break;
    case Stage::LoginFolder:
        loginFolder_ = client.DirResult();
        enterFolderOf(entry);
        break;
    case Stage::RootDir:
    case Stage::EntryDir:
        deleteEntry(entry);
        break;
    case Stage::Deleting:
        ++tally_.deleted;
        entryDone();
        break;
    case Stage::Idle:
    case Stage::Listing:
    case Stage::FinalQuit:
        break;
    }
}

void WebwatchRunDriver::stepFailed(TFtpRequest, std::uint16_t error)
{
    TFtpClient& client = queue_.client();
    if (stage_ == Stage::Quitting) {
        // The old log-in is over even when its QUIT went wrong.
        client.BeginAbort();
        openFor(run_.deletionList().entry(0));
        return;
    }
    const std::string reply = client.LastResponse();
    if (stage_ == Stage::EntryDir && client.Connected()) {
        // The folder itself is gone (or closed to us): nothing of it can
        // be listed, so its file counts as deleted.
        const DeletionEntry entry = run_.deletionList().entry(0);
        log("! " + entry.remoteDirectory + " on " + entry.server + " cannot be entered ("
            + (reply.empty() ? "error " + std::to_string(error) : reply) + "); " + entry.remoteFileName
            + " counts as deleted");
        ++tally_.deleted;
        entryDone();
        return;
    }
    if (stage_ == Stage::Deleting && client.Connected()) {
        // Servers give the same answer for a file that is already gone and
        // for one they will not delete: the folder's listing decides.
        deleteError_ = error;
        deleteReply_ = reply;
        listFolder();
        return;
    }
    if (stage_ == Stage::Opening || stage_ == Stage::User || stage_ == Stage::Pass || stage_ == Stage::LoginFolder
        || !client.Connected()) {
        // The log-in did not stand: the next entry starts from a fresh one.
        loggedIn_ = false;
        client.BeginAbort();
    }
    entryRefused(error, reply);
}

// The folder's listing, hidden files included where the server takes
// "LIST -a" (a refused ".htaccess" must not count as gone); a server that
// does not take it is listed with plain LIST, as the browsing session does.
void WebwatchRunDriver::listFolder()
{
    TFtpClient& client = queue_.client();
    // Unnamed, so that a run killed while listing leaves no file behind.
    if (!listingScratch_.open(QDir::tempPath().toStdString())) {
        entryRefused(deleteError_, deleteReply_);
        return;
    }
    listingFile_ = listingScratch_.path();
    const std::string option = hiddenFiles_.startListing(client.HostName() + ":" + client.Port());
    listingHidden_ = !option.empty();
    client.SetLocalFileName(listingFile_);
    client.SetDisplayFileFlag(false);
    client.SetHostFileName(option);
    client.SetPassive(hooks_.passiveMode && hooks_.passiveMode());
    begin(Stage::Listing, ftpRqListDir, [&client] { client.BeginListDir(); });
}

void WebwatchRunDriver::folderListed(std::uint16_t error)
{
    TFtpClient& client = queue_.client();
    const DeletionEntry entry = run_.deletionList().entry(0);
    TextLineList lines;
    if (error == 0)
        lines.loadFromFile(listingFile_);
    ListingParser parser(lines.lines());
    bool listed = parser.truncatedAtLineLimit();
    bool anyEntry = false;
    while (!listed) {
        const std::optional<ListingEntry> found = parser.next();
        if (!found)
            break;
        anyEntry = true;
        listed = found->name == entry.remoteFileName;
    }
    const bool hidden = listingHidden_;
    listingHidden_ = false;
    const HiddenFilesListing::Next next
        = hiddenFiles_.listingEnded(client.HostName() + ":" + client.Port(), error, error == 0 && !anyEntry);
    if (next == HiddenFilesListing::Next::ListPlain && client.Connected()) {
        client.SetHostFileName({});
        begin(Stage::Listing, ftpRqListDir, [&client] { client.BeginListDir(); });
        return;
    }
    if (error != 0) {
        if (!client.Connected())
            loggedIn_ = false;
        entryRefused(deleteError_, deleteReply_);
        return;
    }
    // A listing cut at its limit may hold the name further on, and a plain
    // listing leaves out hidden names: neither is proof.
    const bool provesNothing = parser.truncatedAtLineLimit() || (!hidden && entry.remoteFileName.starts_with('.'));
    if (listed || provesNothing) {
        entryRefused(deleteError_, deleteReply_);
        return;
    }
    log("! " + remoteFileTargetText(entry) + " is not on the server any more; it counts as deleted");
    ++tally_.deleted;
    entryDone();
}

void WebwatchRunDriver::entryRefused(std::uint16_t error, const std::string& reply)
{
    // The record goes back into the project, where it stood, and the pass
    // goes on; the log keeps the server's own answer.
    ++tally_.failed;
    const DeletionEntry entry = run_.deletionList().entry(0);
    log("! Could not delete " + entry.remoteFileName + " in " + entry.remoteDirectory + " on " + entry.server
        + " (error " + std::to_string(error) + (reply.empty() ? std::string() : ": " + reply)
        + "); kept for the next run");
    if (!run_.keepFirstDeletion()) {
        // Nothing can be recorded: the pass stops with the entry still
        // listed, so nothing is lost and the next start tries it again.
        log("! Could not write " + run_.currentProjectFile() + " or the deletion list");
        endPass();
        return;
    }
    nextDeletion();
}

void WebwatchRunDriver::entryDone()
{
    if (hooks_.deleted)
        hooks_.deleted(run_.deletionList().entry(0));
    passKillPoint("deleted");
    if (!run_.completeFirstDeletion())
        log("! Could not write the deletion list");
    nextDeletion();
}

void WebwatchRunDriver::endPass()
{
    TFtpClient& client = queue_.client();
    if (stage_ != Stage::FinalQuit && client.Connected()) {
        begin(Stage::FinalQuit, ftpRqQuit, [&client] { client.BeginQuit(); });
        return;
    }
    stage_ = Stage::Idle;
    awaiting_ = ftpRqNone;
    loggedIn_ = false;
    client.BeginAbort();
    queue_.takeClientBack();
    lent_ = false;
    emit deletionPassEnded();
    if (run_.deletionsPending())
        return;
    // The start button's work goes on with the transfers; a run with none
    // ends here.
    if (run_.pending() && queue_.entries().empty() && !run_.queueFileWaits()) {
        endRun();
        return;
    }
    queue_.startButtonClicked();
}

void WebwatchRunDriver::queueRanDry()
{
    // Deletions still listed belong before the transfers; a queue that ran
    // dry without them (files queued by hand meanwhile) does not end the run.
    if (!run_.pending() || run_.deletionsPending())
        return;
    endRun();
}

void WebwatchRunDriver::queueStoppedWithFailures()
{
    // Every file has been tried and only the failed ones are left: the run
    // ends, and they go back into the project as not uploaded.
    if (!run_.pending() || run_.deletionsPending())
        return;
    endRun();
}

void WebwatchRunDriver::endRun()
{
    const std::vector<QueueEntry> unsent(queue_.entries().all().begin(), queue_.entries().all().end());
    emit runEnded(run_.finishRun(unsent));
}

void WebwatchRunDriver::queueDiscarded()
{
    if (!cancelledByDiscard_)
        return;
    cancelledByDiscard_ = false;
    emit runCancelled();
}

void WebwatchRunDriver::log(const std::string& line) const
{
    if (hooks_.log)
        hooks_.log(line);
}
