#pragma once

#include "core/data_files.h"
#include "core/text_line_list.h"

#include <string>
#include <vector>

// The data files a first start creates, and their contents.

// Six sites of eight lines each (name, host, login, password, port, local
// directory, remote directory, passive flag); the local demo server first.
TextLineList builtInSiteList();
// The extensions sent in ASCII mode until the user changes the list.
TextLineList defaultAsciiExtensions();
// An empty web project file: no projects.
TextLineList emptyProjectFile();
// The settings file: two unused lines, then the passive-mode flag, off.
TextLineList defaultSettingsFile();

struct FirstStartOutcome {
    // serv.adr could be read; its lines are here (the site list converts it
    // when it loads, so no built-in list is written).
    bool oldSiteListRead = false;
    TextLineList oldSiteList;
    // The files written, in order.
    std::vector<std::string> written;
};

// Writes the initial data files: the site list `builtInSites` (unless
// serv.adr can be read), the ASCII extensions, the empty project file and
// the settings file. A file that already exists is never replaced: a first
// start is detected by a missing icon table, and deleting that table must
// not cost the user the sites, extensions, projects or settings kept beside
// it.
FirstStartOutcome writeFirstStartFiles(const DataFilePaths& paths, const TextLineList& builtInSites);
