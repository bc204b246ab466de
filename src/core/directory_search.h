#pragma once

#include "core/dos_date_time.h"

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

// One entry found by a directory search or a path lookup.
struct DirectoryEntry {
    std::string name;              // last path component, bytes as on disk
    std::uint32_t attributes = 0;  // see core/file_attributes.h
    std::uint64_t size = 0;        // 0 for directories and unknown sizes
    DosDateTime dosTime;           // last write, local time, packed
    std::time_t lastWrite = 0;     // last write, seconds since the epoch
    // False when the entry is a symbolic link that leads nowhere: it is still
    // found, but it has no size or time of its own.
    bool statusKnown = false;
    // The entry itself is a symbolic link (its size, time and attributes are
    // those of what it leads to). Set by directory searches only.
    bool symbolicLink = false;
};

// Reads one directory and yields the entries whose names match a wildcard
// pattern (core/wildcard.h), one by one, in the order the directory read
// returns them; nothing is sorted. The pattern is a directory, '/', and a
// name pattern ("/home/u/site/*.htm"); without a '/', the name pattern is
// looked for in the current directory. "." and ".." are never yielded.
//
// Entries other than directories are always yielded; directories only when
// asked for. Callers that want plain files only look at the attribute word.
// Long directories are read lazily, so a caller may let the event loop run
// between entries.
class DirectorySearch {
public:
    DirectorySearch(const std::string& pattern, bool includeDirectories);
    ~DirectorySearch();
    DirectorySearch(const DirectorySearch&) = delete;
    DirectorySearch& operator=(const DirectorySearch&) = delete;

    // False when the directory could not be opened (then next() yields nothing).
    bool isOpen() const { return directory_ != nullptr; }
    // Fills `entry` with the next match; false when there is none left.
    bool next(DirectoryEntry& entry);

private:
    void* directory_ = nullptr; // DIR*, kept out of this header
    std::string namePattern_;
    bool includeDirectories_ = true;
};

// Every match of a search at once.
std::vector<DirectoryEntry> findEntries(const std::string& pattern, bool includeDirectories);

// Looks up exactly one path. Backslashes are taken as separators too, as
// stored project paths may carry them. Wildcard characters are ordinary
// characters here: the lookup never finds another file than the one named.
// A directory of that name is found as well.
std::optional<DirectoryEntry> lookUpPath(const std::string& path);

// The current upload stamp of a local file (DOS date digits followed by DOS
// time digits), or nothing when the path names no entry (or a symbolic link
// that leads nowhere).
std::optional<std::string> uploadStampOf(const std::string& path);
