#pragma once

#include "core/text_line_list.h"
#include "webwatch/project_file_entry.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The web project file ("wbprj.dfd", and the pending "nyweb2.dfd"), held as
// its lines exactly as on disk plus an index of where each project starts.
//
// Layout: line 0 is the number of projects; each project is its name line,
// a clean-directory flag line ("1"/"0"), a delete-missing-files flag line,
// then zero or more file records of nine lines, every record line beginning
// with one space. A project's records end at the first line that does not
// begin with a space, or at the end of the file.
//
// The upload run and the WebWatch window work on this file by line index
// (they replace stamp lines and insert discovered records at computed
// positions), so the lines are exposed as they are; whoever changes them
// directly calls rebuildIndex() afterwards.
//
// load() and save() take only a file that reads whole (projectLinesFault
// below): a damaged file is never used and never written over. Lines set
// directly (setLines) are read as far as they go and never repaired: the index
// stops where the lines end, a file count never reaches past the end of the
// list or into the next project, accessors outside the file give empty
// values, and operations that would have to guess where lines belong refuse
// (return false) and leave the lines as they were.
class ProjectStore {
public:
    // Reads the whole file and rebuilds the index. On failure (missing or
    // unreadable file, or one that does not read whole as a project file)
    // the store is left unchanged and false is returned.
    bool load(const std::string& path);
    // Writes the whole line list to path (CR LF line ends), replacing the
    // file. Lines that do not read whole as a project file are not written:
    // a store that never loaded must not empty the file it failed to load.
    bool save(const std::string& path) const;

    const TextLineList& lines() const { return lines_; }
    TextLineList& lines() { return lines_; }
    void setLines(TextLineList lines);
    // Reads the project index again from the lines.
    void rebuildIndex();

    // The number on line 0, or nothing when line 0 is missing or not an
    // unsigned decimal number.
    std::optional<std::uint64_t> declaredProjectCount() const;
    // The number of projects the index found: the number on line 0 when the
    // file holds that many, fewer when the lines end sooner.
    std::size_t projectCount() const { return index_.size(); }
    // Line index of project p's name line.
    std::size_t projectLine(std::size_t p) const;

    std::string projectName(std::size_t p) const;
    bool cleanDirectory(std::size_t p) const;
    bool deleteMissing(std::size_t p) const;
    bool setCleanDirectory(std::size_t p, bool on);
    bool setDeleteMissing(std::size_t p, bool on);

    // Complete nine-line records (every line beginning with a space) that
    // follow the project's header.
    std::size_t fileCount(std::size_t p) const;
    // Line index of the first line of file j of project p.
    std::size_t recordLine(std::size_t p, std::size_t j) const;
    // Line index of field k (1..9) of file j of project p.
    std::size_t fieldLine(std::size_t p, std::size_t j, ProjectField k) const;

    // Field k of file j without its leading space; empty outside the file.
    std::string field(std::size_t p, std::size_t j, ProjectField k) const;
    // Replaces the field's line by " " + value. False (nothing changed) for a
    // file that does not exist or a value holding a line break.
    bool setField(std::size_t p, std::size_t j, ProjectField k, std::string_view value);

    ProjectFileEntry file(std::size_t p, std::size_t j) const;
    WebProject project(std::size_t p) const;

    // Inserts whole records so that they become files position, position+1,
    // ... of project p. Refused for a project whose header is cut short, a
    // position past its last file, or a value holding a line break.
    bool insertFiles(std::size_t p, std::size_t position, const std::vector<ProjectFileEntry>& records);
    // Deletes the nine lines of file j.
    bool removeFile(std::size_t p, std::size_t j);
    // Decrements line 0 and deletes the project: its header and every line
    // beginning with a space that follows it. Refused when line 0 is not a
    // number.
    bool removeProject(std::size_t p);
    // Increments line 0 and appends the header lines and the records at the
    // end. An empty list is taken as the empty store "0". Refused when line 0
    // is not a number, the name cannot be stored (see isValidProjectName), a
    // value holds a line break, or the file is damaged so that the new
    // project would not be found where it was written.
    bool appendProject(std::string_view name, bool cleanDirectory, bool deleteMissing,
                       const std::vector<ProjectFileEntry>& records);

    // A project name must be non-empty, must not begin with a space (it would
    // be read as a record line) and must hold no line break.
    static bool isValidProjectName(std::string_view name);
    // The current upload stamp of a local file, or nothing when it is missing.
    static std::optional<std::string> stampOf(const std::string& localPath);

private:
    bool validProject(std::size_t p) const { return p < index_.size(); }
    bool setFlag(std::size_t line, bool on);
    bool addToDeclaredCount(int delta);

    TextLineList lines_;
    std::vector<std::size_t> index_;
};

// What keeps a project file from being used, as one line naming the file and
// the line (counting from 1), or empty when it reads whole: the count on the
// first line matches the project blocks that follow, each block has its name
// line and its two flag lines ("0"/"1"), every record has its nine lines
// beginning with a space, with a mode code of 0 to 3 and a stamp of digits or
// "May". Nothing else of a record is judged (a port stays as typed). The
// text never quotes a record's line, which may be a password.
std::string projectLinesFault(const TextLineList& lines, const std::string& fileName);
// The same for the file at path; a file that cannot be read gives
// "cannot read PATH: " and the reason.
std::string projectFileFault(const std::string& path);

// The index of the first project of that name in the store, if any.
std::optional<std::size_t> findProjectByName(const ProjectStore& store, const std::string& name);
