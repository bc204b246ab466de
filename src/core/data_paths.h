#pragma once

#include <string>

// The data directory is the process's current directory when the main window
// is created; every data file lives directly inside it.
//
// Joins a directory and a file name with one '/', unless the directory
// already ends with one (the root "/" gives "/name", not "//name").
// Paths are never cut: a shortened path would name a different file.
std::string joinPath(const std::string& directory, const std::string& name);

// The process's current directory, or an empty string when it cannot be read.
std::string currentDirectory();
