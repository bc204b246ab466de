#pragma once

#include "webwatch/project_store.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// What one clean-directory discovery found.
struct CleanDirectoryDiscovery {
    std::size_t taken = 0;  // files taken into the project
    // Sub-folders (local paths, ending in a separator) whose files were
    // taken in; their remote folders do not exist yet.
    std::vector<std::string> newFolders;
    // Symbolic links met where a file would have been taken in: they are
    // never published, so a link cannot carry a file from elsewhere (say
    // /etc/passwd) onto the server.
    std::vector<std::string> skippedLinks;
};

// Discovers files that lie in the local folder of a clean file of project p
// (mode code "0" or "1") but are not yet in the project, and takes each one
// into the project list right behind the first clean file of its folder,
// after the ones taken in before it. A new record copies that file's
// server, login, password, port and remote directory, takes the new file's
// name as remote name, the mode the ASCII list gives its extension, and the
// stamp " May" so the next run uploads it.
//
// Sub-folders that hold no file of the project are new: their files are
// taken in too, at any depth, with the clean file's remote directory
// followed by the sub-folder's path as their remote directory. Folders whose
// name begins with '.' (.git, .svn) and linked folders are never entered.
//
// Only ordinary, writable, visible regular files are taken (attribute word
// exactly archive, not a link): read-only and hidden files, folders, links
// and special files never. Nor is litter (editor backups, system files;
// isLitterName) or what a ".tavlinignore" lists: one wildcard per line,
// '#' starting a comment; a line without '/' is matched against names at any
// depth below the file's folder, one with '/' against the path from that
// folder ("drafts/", "img/*.psd"). Ignore files are read from the project's
// common folder down to each folder listed.
//
// Each folder is listed once per scan, at its first clean file, so a folder
// whose files are spread over the project neither adds a file twice nor
// costs a listing per file. Candidates are checked against the project's
// paths by hashing, so the check stays linear in the number of files.
//
// Only the first `fileCount` records are looked at (those counted by the
// scan). The store's index is rebuilt when files were taken in.
CleanDirectoryDiscovery takeInCleanDirectoryFiles(ProjectStore& projects, std::size_t p, std::size_t fileCount,
                                                  const std::vector<std::string>& asciiExtensions);

// Editor backups and system litter that are never taken in: "*~", ".#*",
// "*.swp", "*.tmp", ".DS_Store", "Thumbs.db", "desktop.ini", and the ignore
// file ".tavlinignore" itself.
bool isLitterName(std::string_view name);

inline constexpr const char* kIgnoreFileName = ".tavlinignore";

// The folder part of a stored local path: everything up to and including its
// last separator ('/' or '\'); empty when it has none.
std::string folderPartOf(const std::string& localPath);
