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
    std::vector<ProjectFileEntry> files;
};

// Puts a recording into a loaded project file. A new project is appended.
// Files recorded into an existing project become its first files; the
// project is looked up by its name in this very file, since line numbers
// taken from another file (the pending project file the WebWatch window
// showed) need not match. When no project of that name is left (it was
// removed meanwhile) the recording is kept as a new project of that name.
// False (store unchanged) when the file is too damaged to take it.
bool storeRecording(ProjectStore& store, const Recording& recording);

// Loads a project file for a recording to be written into. A file that does
// not exist is taken as the empty store; any other failure to read it gives
// false.
bool loadProjectFileForWriting(const std::string& path, ProjectStore& store);
