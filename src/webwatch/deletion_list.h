#pragma once

#include "core/text_line_list.h"
#include "webwatch/remote_file_target.h"

#include <cstddef>
#include <string>
#include <vector>

// One remote file that a pending upload run still has to delete.
struct DeletionEntry : RemoteFileTarget {
    friend bool operator==(const DeletionEntry&, const DeletionEntry&) = default;
};

// The deletion list "defil.dfd": six lines per entry (server, login,
// password, port, remote directory, remote file name), no count line, no
// leading spaces, in the order the entries are to be processed.
//
// Only complete entries count. Lines left over at the end of a damaged file
// (fewer than six) cannot name a remote file; they are never processed and
// they are dropped when the list is stored again.
class DeletionList {
public:
    // Replaces the list with the file's lines; false (list unchanged) when
    // the file cannot be read.
    bool load(const std::string& path);
    // Loads the file for a run that finishes its deletions: empty when it
    // is missing, else why it cannot be used (unreadable, not a regular
    // file, lines that are not whole entries, a port that is no port). A
    // list that cannot be used is never dropped: its deletions would be
    // lost without a word.
    std::string loadFault(const std::string& path);
    // Writes the complete entries; an empty list is never stored, its file is
    // removed instead. False when writing or removing failed.
    bool store(const std::string& path) const;

    std::size_t count() const { return lines_.size() / kLinesPerEntry; }
    bool empty() const { return count() == 0; }
    DeletionEntry entry(std::size_t i) const;
    std::vector<DeletionEntry> entries() const;

    void append(const DeletionEntry& entry);
    // Removes the first entry (the one just processed).
    void removeFirst();
    void clear() { lines_.clear(); }

    const TextLineList& lines() const { return lines_; }

    static constexpr std::size_t kLinesPerEntry = 6;

private:
    TextLineList lines_;
};
