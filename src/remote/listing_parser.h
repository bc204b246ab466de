#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Reads the server's LIST output (the Unix long-listing layout) into entries.
//
//   drwxr-xr-x   2 user  group     4096 Jan 14 10:22 www
//   -rw-r--r--   1 user  group    12345 Jan 14 10:22 index.html
//   lrwxrwxrwx   1 user  group        9 Feb  1 12:00 docs -> /pub/docs
//
// The columns are found by what they hold: type and permissions, the link
// count, owner and group (the group may be missing), the size, and the date
// as month, day and time or year. The name is everything after the blank
// that follows the date, blanks, tabs and digits included ("release 2
// notes", " leading blank"); a link's name ends at the first " -> ", and
// its target is the rest of the line.
//
// A line whose columns cannot be found that way is taken by position: the
// name starts after the last blank that follows a digit (for a link, it is
// the word before " -> target"), the date is the 12 characters before the
// name and the size the number that ends two characters before the date.
// A line with neither reuses the name position of the line before.
//
// Windows-style lines ("01-14-24  10:22AM       <DIR>          My Folder",
// "01-14-2024  09:05PM          12345 index.html") are read into the same
// entries: the date and time in the form a Unix line gives them (see
// unixFormOfWindowsDate), "<DIR>" a folder, else the size; the name is the
// rest of the line after the blanks that follow.
//
// The parser works one entry at a time so that the caller can let the event
// loop run between entries and stop early when the user moves on.

// The limits of one listing. Items beyond them are left out, never cut: a cut
// name would name another file on the server.
inline constexpr std::size_t kListingMaxLines = 10000;
inline constexpr std::size_t kListingMaxLineLength = 1022;
inline constexpr std::size_t kListingMaxNameLength = 511;
inline constexpr std::size_t kListingMaxLinkTargetLength = 511;
inline constexpr std::size_t kListingMaxSizeTextLength = 31;
inline constexpr std::size_t kListingDateLength = 12;

struct ListingEntry {
    enum class Kind { File, Directory, Link };
    Kind kind = Kind::File;
    std::string name;
    std::string linkTarget; // links only
    std::string date;       // the date characters exactly as listed
    std::int64_t size = 0;  // leading number of the size column, 0 when none
};

class ListingParser {
public:
    // The lines of the listing file, in order. `now` decides which form a
    // Windows-style line's date takes.
    explicit ListingParser(std::vector<std::string> lines,
                           std::chrono::sys_seconds now = std::chrono::floor<std::chrono::seconds>(
                               std::chrono::system_clock::now()));

    // True when the listing has no lines at all (an empty directory on most
    // servers; the walks treat it specially).
    bool emptyListing() const { return lines_.empty(); }

    // The next entry of the listing, or nothing when the listing has ended
    // (the last line, the line limit or an empty line).
    std::optional<ListingEntry> next();

    // Lines that held an entry but were left out because a line, name, link
    // target or size was longer than its limit, or the name could not be a
    // remote file name.
    std::size_t leftOutCount() const { return leftOut_; }
    // True when the listing had more lines than the parser looks at.
    bool truncatedAtLineLimit() const { return truncated_; }

private:
    // Column positions of the last line whose columns were found; a line
    // whose columns cannot be found reuses them.
    struct Columns {
        std::size_t nameStart = 0;
        std::optional<std::size_t> nameEnd;     // links: one past the name
        std::optional<std::size_t> targetStart; // links: the target's first character
    };

    std::optional<ListingEntry> entryFromLine(std::string_view line);
    // The entry of a Windows-style line; nothing, with `isWindowsLine`
    // false, for a line of another layout.
    std::optional<ListingEntry> windowsEntryFromLine(std::string_view line, bool& isWindowsLine);
    std::optional<Columns> findColumns(std::string_view line, bool isLink) const;

    std::vector<std::string> lines_;
    std::chrono::sys_seconds now_;
    std::size_t index_ = 0;
    std::size_t end_ = 0;
    Columns previous_;
    std::size_t leftOut_ = 0;
    bool truncated_ = false;
    bool finished_ = false;
};

// The leading decimal number of text after any blanks; 0 when there is none
// or when it does not fit.
std::int64_t leadingNumber(std::string_view text);

// Size column of the remote file list: empty for 0 or less, the whole
// kilobytes with "KB" from 1024 bytes on, else the bytes without a unit.
std::string remoteSizeText(std::int64_t size);

// Type column of a remote file: the extension without its dot and " File".
std::string remoteTypeText(std::string_view fileName);

// The extension of a file name from its last dot, dot included; empty when
// the name has no dot.
std::string_view remoteFileExtension(std::string_view fileName);

// Icon index of a remote file from the file-type icon table (lines of an
// extension directly followed by the icon number, ".html12"). Only the first
// four characters of the extension are compared, so short extensions (".gz")
// get the default icon 0.
int iconIndexForFile(std::string_view fileName, const std::vector<std::string>& iconTable);
