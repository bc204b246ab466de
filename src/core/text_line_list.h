#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// Who may read a data file the program writes. Files that hold a password
// (the queue, the resume record, the site list) are the user's alone: a new
// one is created for its owner only, and an existing one that others could
// read is closed to them when it is written.
enum class FileAccess { KeepMode, OwnerOnly };

// An ordered list of byte strings that is loaded from and saved to a text file
// as a whole, one item per line. Every data file of the program and most of
// its in-memory tables are kept this way.
//
// Lines are written with CR LF. Reading accepts CR LF and bare LF, so files
// edited by hand on Linux still load. Bytes are kept as they are: no encoding
// conversion, so a file that is not valid UTF-8 round-trips unchanged.
class TextLineList {
public:
    TextLineList() = default;
    explicit TextLineList(std::vector<std::string> lines) : items_(std::move(lines)) {}

    // Replaces the list with the lines of the file. On failure (missing or
    // unreadable file) the list is left unchanged and false is returned;
    // callers treat that as "not loaded", never as an error to report.
    bool loadFromFile(const std::string& path);

    // Writes the whole list, each line ended by CR LF. The file is written
    // under a temporary name and renamed over the old one, so an interrupted
    // save never leaves a half-written queue or project file behind.
    bool saveToFile(const std::string& path, FileAccess access = FileAccess::KeepMode) const;

    // Splits file contents into lines (CR LF or LF). A final line without a
    // line end counts as a line; a final line end does not start a new one.
    static std::vector<std::string> splitLines(std::string_view bytes);
    // The bytes saveToFile writes.
    std::string joinedText() const;

    std::size_t size() const { return items_.size(); }
    bool empty() const { return items_.empty(); }
    void clear() { items_.clear(); }
    const std::string& operator[](std::size_t i) const { return items_[i]; }
    std::string& operator[](std::size_t i) { return items_[i]; }
    // The line at i, or an empty string when i lies past the end: records of
    // fixed line counts may be cut short in a damaged file.
    std::string lineOr(std::size_t i, std::string fallback = {}) const;
    void append(std::string line) { items_.push_back(std::move(line)); }
    void insert(std::size_t index, std::string line);
    void removeAt(std::size_t index);

    const std::vector<std::string>& lines() const { return items_; }
    std::vector<std::string>& lines() { return items_; }

    auto begin() const { return items_.begin(); }
    auto end() const { return items_.end(); }

    friend bool operator==(const TextLineList&, const TextLineList&) = default;

private:
    std::vector<std::string> items_;
};

// Reads a whole file into a string; false when it cannot be opened or read.
bool readWholeFile(const std::string& path, std::string& out);
// How a save puts its new file in place of an existing one. Either way a
// kill at any moment leaves the old file or the new one, whole.
enum class FileReplace {
    // Renamed over the old file. Some file systems (ext4) then write the new
    // data out before the rename is done, so even a power cut does not leave
    // an empty file; that costs a disk flush per save.
    Settled,
    // Written into a swap file beside it, which is then swapped with the old
    // file in one step and keeps the old contents for the next save: no
    // flush, and no file made or deleted per save. For files rewritten after
    // every transferred file, where either would cost more than the transfer
    // itself. Remove such a file with removeWholeFile.
    Frequent,
};

// Writes a whole file (temporary name, then rename or swap); false on any
// failure. The new file keeps the old one's permissions; with OwnerOnly a
// new file gets 0600 and an existing one readable by group or others 0600.
bool writeWholeFile(const std::string& path, std::string_view bytes,
                    FileAccess access = FileAccess::KeepMode, FileReplace replace = FileReplace::Settled);
// Removes a file and the swap file its frequent saves keep beside it.
void removeWholeFile(const std::string& path);
// Removes a frequently saved file from sight but keeps it as its swap file,
// so the next save of it makes no new file.
void retireWholeFile(const std::string& path);
