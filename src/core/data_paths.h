#pragma once

#include <string>

// Every data file lives directly inside the data directory.
//
// Joins a directory and a file name with one '/', unless the directory
// already ends with one (the root "/" gives "/name", not "//name").
// Paths are never cut: a shortened path would name a different file.
std::string joinPath(const std::string& directory, const std::string& name);

// The process's current directory, or an empty string when it cannot be read.
std::string currentDirectory();

// The program's data directory when none is named: "tavlinftp" in the
// user's XDG data folder, ${XDG_DATA_HOME:-$HOME/.local/share}. An
// XDG_DATA_HOME that is empty or not an absolute path is ignored, as the XDG
// rules ask. The window, tavlinftp-cli and the start scripts agree on it, so
// whichever way the program is started it finds the same sites and projects.
std::string defaultDataDirectory(const char* xdgDataHome, const std::string& homeDirectory);
// The same from the environment: XDG_DATA_HOME, and HOME (else the home
// folder of the user's account).
std::string defaultDataDirectory();
