#pragma once

#include "webwatch/remote_file_target.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// The nine fields of a file record in the web project file, in file order.
// Field numbers count from 1 because records are addressed that way
// throughout the upload run and the WebWatch window.
enum class ProjectField : int {
    LocalPath = 1,
    Server,
    Login,
    Password,
    Port,
    RemoteDirectory,
    RemoteFileName,
    ModeCode,
    UploadStamp,
};

inline constexpr std::size_t kProjectRecordLines = 9;
inline constexpr std::size_t kProjectHeaderLines = 3;

// The stamp of a file that must be uploaded by the next run: never uploaded
// yet, or its record was edited. It is not made of digits, so it never equals
// a real stamp.
inline constexpr std::string_view kNeverUploadedStamp = "May";

// One uploaded (or to-be-uploaded) file of a web project. On disk each value
// is one line with a leading space; the mode code packs `binary` (bit 0) and
// `notClean` (bit 1) into one digit.
struct ProjectFileEntry : RemoteFileTarget {
    std::string localPath;
    bool binary = true;
    // Added as a single file: it does not stand for its whole directory, so
    // the clean-directory scan never lists that directory because of it.
    bool notClean = false;
    std::string stamp{kNeverUploadedStamp};

    // "0" ASCII clean, "1" binary clean, "2" ASCII not clean, "3" binary not clean.
    std::string modeCode() const;
    // Reads a stored mode code. Anything but "0".."3" is taken the way the
    // upload run reads it: binary only for "1"/"3", clean only for "0"/"1".
    void setModeCode(std::string_view code);

    // The value of field k (without the leading space).
    std::string value(ProjectField field) const;
    // The record's nine lines as stored, each value after one space.
    std::vector<std::string> recordLines() const;
    // Builds an entry from nine stored lines (leading space removed when
    // present); missing lines give empty values.
    static ProjectFileEntry fromRecordLines(const std::vector<std::string>& lines);

    friend bool operator==(const ProjectFileEntry&, const ProjectFileEntry&) = default;
};

// A web project as read from the project file.
struct WebProject {
    std::string name;
    bool cleanDirectory = false;
    bool deleteMissing = false;
    std::vector<ProjectFileEntry> files;

    friend bool operator==(const WebProject&, const WebProject&) = default;
};

// A value can be stored when it holds no line break: a line break would cut
// the record in two and shift every following field of the file.
bool isStorableValue(std::string_view value);
