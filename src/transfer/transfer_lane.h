#pragma once

#include "ftp/ftp_client.h"
#include "transfer/queue_store.h"

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>

// One transfer connection of the queue: its own client, logged in on its
// own, and what it knows of the server it is on. It carries one queue entry
// at a time; the queue hands it the next one and hears when it is done.
class TransferLane {
public:
    enum class Direction { Upload, Download };

    // Lanes are numbered from 1; the number marks the connection's lines in
    // the log.
    explicit TransferLane(int number) : number_(number) {}
    TransferLane(const TransferLane&) = delete;
    TransferLane& operator=(const TransferLane&) = delete;

    int number() const { return number_; }
    TFtpClient& client() { return client_; }
    const TFtpClient& client() const { return client_; }

    // --- the entry it carries ------------------------------------------------
    bool busy() const { return entry_.has_value(); }
    const QueueEntry& entry() const { return *entry_; }
    QueueEntries::Id entryId() const { return entryId_; }
    void take(const QueueEntry& entry, QueueEntries::Id id);
    // The entry is done with here (sent, given up, or back to waiting).
    void release();

    // --- what the connection knows -------------------------------------------
    // The log-in, the folders entered and where the server put the log-in
    // are forgotten: the connection is new, or gone.
    void forgetConnection();
    // Whether a log-in that stands serves this entry's site.
    bool loggedInFor(const QueueEntry& entry) const;
    // The entry's folder as an absolute server path; one in the login
    // folder needs the folder the log-in reported (directoryKnown).
    bool directoryKnown(const QueueEntry& entry) const;
    std::string entryFolder(const QueueEntry& entry) const;
    // The folder and every level above it exist, as far as this connection
    // has seen.
    bool folderKnownToExist(const std::string& folder) const;
    // For an upload whose CWD to `folder` was refused: the first folder to
    // make, the entry's folder itself; nothing when it was tried once
    // already for the entry. Each next folder follows the server's answer
    // to the last MKD (made: true).
    std::optional<std::string> firstFolderToMake(const std::string& folder);
    std::optional<std::string> nextFolderToMake(bool lastMade);

    // --- the state of its request chain --------------------------------------
    Direction direction = Direction::Upload;
    // The log-in has started: a failure from here on is the file's failure,
    // asked about, not one of the connection.
    bool loggedIn = false;
    // The server accepted the log-in (PASS done) and the connection stands.
    bool established = false;
    // Quitting one site's log-in to log in to another.
    bool otherSite = false;
    bool abortRequested = false;
    // A request of ours is running; request-done events at other times
    // (left over from a connection that was closed) are not ours to act on.
    bool awaitingRequest = false;
    bool firstProgress = false;
    // A failure of this lane waits for the question being asked about
    // another's.
    bool awaitingAnswer = false;
    std::int64_t runningSize = 0;
    std::int64_t bytesMoved = 0;
    int percentage = 0;
    // The folder the server put this connection's log-in in, once asked.
    std::optional<std::string> loginFolder;
    // What the server's SYST said, asked before the connection's first
    // ASCII upload: a UNIX server gets the file's own line ends.
    std::optional<bool> unixServer;
    // Folders this connection has entered, the login folder among them:
    // they and every level above them exist, so a new folder below one of
    // them is made without sending MKD for those levels again.
    std::set<std::string> foldersEntered;

private:
    int number_;
    TFtpClient client_;
    std::optional<QueueEntry> entry_;
    QueueEntries::Id entryId_ = 0;
    // The remote folder the running upload made its levels for (once per
    // entry).
    std::string foldersMadeFor_;
    // The levels of that folder that may be missing, from the highest down
    // to the folder itself; the one whose MKD was sent last; and whether
    // the making goes back down already.
    std::vector<std::string> levelsToMake_;
    std::size_t levelMaking_ = 0;
    bool makingDown_ = false;
};
