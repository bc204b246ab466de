#pragma once

#include "core/queue_journal.h"
#include "core/text_line_list.h"

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// One file waiting for transfer, nine text fields kept and stored in this
// order. The first field is the direction digit followed by the full local
// path; the others say where and how the file travels.
struct QueueEntry {
    std::string directionAndPath;  // "1" + local path (upload) or "2" + local path (download)
    std::string host;
    std::string user;
    std::string password;
    std::string port;
    std::string remoteDirectory;
    std::string fileName;  // the same name on both sides
    std::string size;      // bytes, decimal
    std::string mode;      // "0" ASCII, "1" binary

    static constexpr std::size_t kFieldCount = 9;

    bool isDownload() const { return !directionAndPath.empty() && directionAndPath[0] == '2'; }
    std::string localPath() const { return directionAndPath.empty() ? std::string() : directionAndPath.substr(1); }
    // The size field as a number; 0 when it is not a plain decimal number.
    std::int64_t sizeInBytes() const;
    bool binary() const { return mode == "1"; }
    // Same host, user, password and port: one log-in serves both.
    bool sameSiteAs(const QueueEntry& other) const;

    std::vector<std::string> fields() const;
    static QueueEntry fromFields(const std::vector<std::string>& lines, std::size_t first);
};

// Where a file is queued from or to: the connection fields at the moment it
// is queued.
struct QueueSite {
    std::string host;
    std::string user;
    std::string password;
    std::string port;
};

inline constexpr const char* kUploadDirection = "1";
inline constexpr const char* kDownloadDirection = "2";
// The queue list marks uploads and downloads with these (UTF-8 of the two
// characters).
inline constexpr const char* kUploadMark = "\xC2\xBB\xC2\xBB ";
inline constexpr const char* kDownloadMark = "\xC2\xAB\xC2\xAB ";

// The line the queue list shows for an entry.
std::string queueListLine(const QueueEntry& entry);

// The local path of a file of a local folder: the folder, one '/' unless it
// ends with one, and the name.
std::string localPathIn(const std::string& directory, const std::string& name);

// A remote name that may be joined to the local folder: not empty, not "."
// or "..", and without a '/' (which would lead out of the folder or into
// another one) or a NUL.
bool isSafeLocalName(std::string_view name);

// The queue in transfer order, as long as it grows. Each entry remembers
// its place in the queue file last written whole (0 for one queued since),
// so that one leaving the queue can be noted in the file's journal instead
// of the whole file being written again, and carries a number of its own
// for as long as it is queued: several connections work on entries near the
// front at once, and each entry leaves by that number, in any order.
class QueueEntries {
public:
    using Id = std::uint64_t;

    std::size_t count() const { return entries_.size(); }
    bool empty() const { return entries_.empty(); }
    const QueueEntry& first() const { return entries_.front(); }
    const QueueEntry& at(std::size_t i) const { return entries_[i]; }
    const std::deque<QueueEntry>& all() const { return entries_; }
    // Entry i's place in the queue file; 0 when the file does not hold it.
    std::size_t placeInFile(std::size_t i) const { return places_[i]; }
    Id idAt(std::size_t i) const { return ids_[i]; }
    // Where the entry of that number stands now. Looked for from the front,
    // where the running entries are.
    std::optional<std::size_t> indexOf(Id id) const;
    // The sizes of every entry queued, summed as they come and go.
    std::int64_t totalBytes() const { return totalBytes_; }

    void append(QueueEntry entry);
    // Takes as long for a queue of thousands as for a queue of two when i
    // is near the front: it runs after every transferred file.
    void removeAt(std::size_t i);
    void removeFirst() { removeAt(0); }
    void moveToEnd(std::size_t i);
    void moveToFront(std::size_t i);
    // Entries i and j change places, each keeping its number.
    void swap(std::size_t i, std::size_t j);
    void prepend(QueueEntry entry);
    void clear();
    // The queue file has just been written from these entries: their places
    // are 1, 2, ... in order.
    void numberAsStored();

    // The queue file's lines: the count, then nine lines per entry.
    TextLineList toLines() const;
    // The same as the file's bytes.
    std::string toText() const;
    // The nine lines of one entry as the file holds them.
    static std::string textOf(const QueueEntry& entry);
    // The queue from a queue file's lines, placed as the lines hold them;
    // nothing when the lines do not describe a queue (count missing or not
    // matching the lines).
    static std::optional<QueueEntries> fromLines(const TextLineList& lines);

private:
    std::deque<QueueEntry> entries_;
    std::deque<std::size_t> places_;
    std::deque<Id> ids_;
    Id nextId_ = 1;
    std::int64_t totalBytes_ = 0;
};

// The resume record of a running or interrupted download: eleven lines
// describing it. The local path is the download's target; what has arrived
// lies in the target's part file (see ftp_download_file.h) until the
// download is complete, so the record never leads to a file the user had.
struct ResumeRecord {
    std::string host;
    std::string user;
    std::string password;
    std::string port;
    std::string localPath;
    std::string fileName;
    std::string remoteDirectory;
    std::string size;
    std::string mode;

    static constexpr std::size_t kLineCount = 11;

    static ResumeRecord forDownload(const QueueEntry& entry);
    TextLineList toLines() const;
    // Nothing when there are fewer than eleven lines; lines after the
    // eleventh are not read.
    static std::optional<ResumeRecord> fromLines(const TextLineList& lines);
    std::int64_t sizeInBytes() const;
    // The entry this record describes, for a queue that has lost it.
    QueueEntry toEntry() const;
};

// The queue file and the resume record on disk. Both hold passwords, so the
// program creates them for their owner only; both are replaced whole, so a
// kill at any moment leaves the old or the new file. Between two whole
// writes of the queue file, entries that leave the queue are noted in its
// journal (queue_journal.h).
class QueueFiles {
public:
    QueueFiles(std::string queueFilePath, std::string resumeRecordPath)
        : queuePath_(std::move(queueFilePath)), resumePath_(std::move(resumeRecordPath)), journal_(queuePath_)
    {
    }

    // Writes the queue file whole; its journal starts afresh.
    bool saveQueue(const QueueEntries& entries);
    // The queue as stored, less what its journal names; nothing when the
    // file is missing or damaged. The entries are placed as the file holds
    // them only once this process writes it again.
    std::optional<QueueEntries> loadQueue();
    void removeQueue();
    // Notes that the entry at `place` of the file last written whole has
    // left the queue. False when that cannot be noted: the file must then be
    // written whole again.
    bool noteLeft(std::size_t place, const QueueEntry& entry);
    // Entries noted since the last whole write.
    std::size_t notedCount() const { return journal_.notedCount(); }
    // Someone else may have written the queue file: nothing is noted until
    // it is written here again.
    void forgetWrittenFile() { journal_.forgetFile(); }

    bool saveResumeRecord(const ResumeRecord& record) const;
    std::optional<ResumeRecord> loadResumeRecord() const;
    void removeResumeRecord() const;

    const std::string& queuePath() const { return queuePath_; }
    const std::string& resumeRecordPath() const { return resumePath_; }

private:
    std::string queuePath_;
    std::string resumePath_;
    QueueJournal journal_;
};
