#pragma once

#include "webwatch/project_file_entry.h"
#include "webwatch/project_store.h"

#include <optional>
#include <string>
#include <vector>

// A stopped recording: the project it belongs to and the files recorded.
struct Recording {
    std::string projectName;
    bool cleanDirectory = false;
    bool deleteMissing = false;
    // Recorded into a project that already exists (the WebWatch window's
    // "Add file") rather than as a new project.
    bool intoExisting = false;
    // The project chosen for it, by its place in the file (several projects
    // may share a name); taken only while that place still holds a project
    // of this name.
    std::optional<std::size_t> projectIndex;
    std::vector<ProjectFileEntry> files;
};

// Where "Add file" chose the project: the project file it was shown from and
// the line index below that project's flag lines.
struct ProjectPlace {
    std::string projectFile;
    std::size_t insertLine = 0;
};

// The project whose files begin at insertLine, if it bears this name.
std::optional<std::size_t> projectAtInsertLine(const ProjectStore& store, std::size_t insertLine,
                                               const std::string& name);

// Puts a recording into a loaded project file. A new project is appended.
// Files recorded into an existing project become its first files; the
// project is the one at the recording's projectIndex when that still bears
// its name, else the first of that name in this very file. When no project
// of that name is left (it was removed meanwhile) the recording is kept as a
// new project of that name.
// False (store unchanged) when the file is too damaged to take it.
bool storeRecording(ProjectStore& store, const Recording& recording);

// Loads a project file for a recording to be written into. A file that does
// not exist is taken as the empty store; any other failure to read it gives
// false.
bool loadProjectFileForWriting(const std::string& path, ProjectStore& store);
