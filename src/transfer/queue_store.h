#pragma once

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

// The queue in transfer order, with room for a fixed number of files.
class QueueEntries {
public:
    static constexpr std::size_t kCapacity = 3500;

    std::size_t count() const { return entries_.size(); }
    bool empty() const { return entries_.empty(); }
    bool full() const { return entries_.size() >= kCapacity; }
    const QueueEntry& first() const { return entries_.front(); }
    const QueueEntry& at(std::size_t i) const { return entries_[i]; }
    const std::deque<QueueEntry>& all() const { return entries_; }

    // False when the queue is full; the entry is then not added.
    bool append(QueueEntry entry);
    // Takes as long for a queue of thousands as for a queue of two: it runs
    // after every transferred file.
    void removeFirst();
    void prepend(QueueEntry entry);
    void clear();

    // The queue file's lines: the count, then nine lines per entry.
    TextLineList toLines() const;
    // The same as the file's bytes, kept up to date entry by entry: a long
    // queue is written before every transfer, and building it anew each
    // time would cost more than the transfer of a small file.
    std::string toText() const;
    // The queue from a queue file's lines; nothing when the lines do not
    // describe a queue (count missing or not matching the lines).
    static std::optional<QueueEntries> fromLines(const TextLineList& lines);

private:
    static std::string textOf(const QueueEntry& entry);

    std::deque<QueueEntry> entries_;
    // The entries' lines as the file holds them, from textStart_ on, and
    // each entry's share. The lines of removed entries stay in front until
    // they are half of the text, and are then dropped in one go.
    std::string text_;
    std::size_t textStart_ = 0;
    std::deque<std::size_t> textLengths_;
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
// kill at any moment leaves the old or the new file.
class QueueFiles {
public:
    QueueFiles(std::string queueFilePath, std::string resumeRecordPath)
        : queuePath_(std::move(queueFilePath)), resumePath_(std::move(resumeRecordPath))
    {
    }

    bool saveQueue(const QueueEntries& entries) const;
    // The queue as stored; nothing when the file is missing or damaged.
    std::optional<QueueEntries> loadQueue() const;
    void removeQueue() const;

    bool saveResumeRecord(const ResumeRecord& record) const;
    std::optional<ResumeRecord> loadResumeRecord() const;
    void removeResumeRecord() const;

    const std::string& queuePath() const { return queuePath_; }
    const std::string& resumeRecordPath() const { return resumePath_; }

private:
    std::string queuePath_;
    std::string resumePath_;
};
