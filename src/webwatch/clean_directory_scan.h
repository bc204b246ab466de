#pragma once

#include "webwatch/project_store.h"

#include <cstddef>
#include <string>
#include <vector>

// Discovers files that lie in the local folder of a clean file of project p
// (mode code "0" or "1") but are not yet in the project, and takes each one
// into the project list right behind the first clean file of its folder,
// after the ones taken in before it. A new record copies that file's
// server, login, password, port and remote directory, takes the new file's
// name as remote name, the mode the ASCII list gives its extension, and the
// stamp " May" so the next run uploads it.
//
// Only ordinary, writable, visible files are taken (attribute word exactly
// archive): read-only and hidden files, folders and special files never.
// Each folder is listed once per scan, at its first clean file, so a folder
// whose files are spread over the project neither adds a file twice nor
// costs a listing per file. Candidates are checked against the project's
// paths by hashing, so the check stays linear in the number of files.
//
// Only the first `fileCount` records are looked at (those counted by the
// scan). Returns the number of files taken in; the store's index is rebuilt
// when there were any.
std::size_t takeInCleanDirectoryFiles(ProjectStore& projects, std::size_t p, std::size_t fileCount,
                                      const std::vector<std::string>& asciiExtensions);

// The folder part of a stored local path: everything up to and including its
// last separator ('/' or '\'); empty when it has none.
std::string folderPartOf(const std::string& localPath);
