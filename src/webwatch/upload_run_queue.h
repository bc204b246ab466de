#pragma once

#include "core/text_line_list.h"
#include "webwatch/remote_file_target.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// One file an upload run sends, as a queue entry. Brace-initialised, the
// shared remote values come first: {{server, ..., remoteFileName}, localPath, ...}.
struct QueuedUpload : RemoteFileTarget {
    std::string localPath;
    std::uint64_t size = 0; // bytes, taken when the run scanned the file
    bool binary = true;

    friend bool operator==(const QueuedUpload&, const QueuedUpload&) = default;
};

// The queue an upload run builds and hands to the transfer queue through
// "koefil.dfd": line 0 the number of entries, then nine lines per entry with
// no leading spaces: "1" + local path, server, login, password, port, remote
// directory, remote file name, size in bytes, transfer mode ("1" binary,
// "0" ASCII). An empty queue has no lines at all; the count line appears
// with the first entry.
class UploadRunQueue {
public:
    // Replaces the queue with the file's lines; false (queue unchanged) when
    // the file cannot be read.
    bool load(const std::string& path);
    bool save(const std::string& path) const;

    void append(const QueuedUpload& upload);
    void clear() { lines_.clear(); }

    // Entries as the count line gives them, fewer when the lines end sooner.
    std::size_t count() const;
    // The complete entries. An entry whose first line does not begin with
    // "1" (a download left in a queue file) is read as an upload of the rest
    // of the line; callers that care look at the lines.
    std::vector<QueuedUpload> entries() const;

    const TextLineList& lines() const { return lines_; }

    static constexpr std::size_t kLinesPerEntry = 9;

private:
    TextLineList lines_;
};
