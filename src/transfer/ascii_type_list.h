#pragma once

#include <cstddef>
#include <string>
#include <vector>

// The extensions that are sent in ASCII mode, kept in "ascd.dfd" in the data
// directory, one extension with its leading dot per line.
//
// The list in memory is the one the mode decision reads for the whole run;
// the file is only rewritten when the user confirms with "OK", so removals
// that are never confirmed come back at the next start.
class AsciiTypeList {
public:
    static constexpr const char* kFileName = "ascd.dfd";

    // At program start: the path is built from the data directory and the
    // list loaded from it. A missing or unreadable file leaves the list
    // empty and remembers the failure so that showing the editor retries.
    void loadAtStart(const std::string& dataDirectory);

    // Before the editor is shown: the path is rebuilt from the directory the
    // editor was given, and the file is read now if the first load failed.
    void prepareForShowing(const std::string& dataDirectory);

    enum class AfterConfirm { KeepOpen, Close };
    struct ConfirmResult {
        AfterConfirm next;
        bool saved;  // false when the file could not be written
    };
    // "OK": a non-empty typed text gets a leading dot if it lacks one and is
    // appended (duplicates are allowed); then the whole list is written.
    // The editor stays open for the next extension after an addition and
    // closes when nothing was typed.
    ConfirmResult confirm(const std::string& typedText);

    // "Delete": removes the item at the index; an index outside the list
    // (nothing selected) removes nothing. The file is not touched.
    void removeAt(std::size_t index);

    const std::vector<std::string>& extensions() const { return extensions_; }
    const std::string& path() const { return path_; }
    bool loadFailedAtStart() const { return loadFailedAtStart_; }

private:
    std::vector<std::string> extensions_;
    std::string path_;
    bool loadFailedAtStart_ = false;
};
