#pragma once

#include "core/text_line_list.h"

#include <functional>
#include <string>
#include <string_view>

// Every data file of the program (projects, pending run, queue and its
// journal, deletion list, settings, site list, trust files) is read and
// written only through these and readDataFile, and only as a regular file.
// One that is, or leads through a link to, a folder, a FIFO, a device or a
// socket is refused and left as it is: written through, a device would get
// the site list with its passwords and a FIFO would hold the program for
// ever. A link to a regular file (a data file kept in a dotfiles folder)
// stays a link, and the file it leads to is replaced.

// writeWholeFile with the reason it failed: the system's text, or that the
// file is not a regular file. A replaced file keeps the permissions of the
// one it replaces, but never lets group or others write it; a new one never
// lets them write either.
bool writeDataFile(const std::string& path, std::string_view bytes, std::string& failure,
                   FileAccess access = FileAccess::KeepMode, FileReplace replace = FileReplace::Settled);

// Removes a data file, or the link standing for it (a link is removed, not
// the file it leads to). True when nothing is left under the name; a folder,
// FIFO, device or socket there (or at the end of the link) is kept.
bool removeDataFile(const std::string& path);

// Opens a data file to add to its end (truncated first when `truncate`),
// made 0600 when missing; -1 with `failure` set when it cannot be, or is not
// a regular file. Never blocks on a FIFO.
int openDataFileToAppend(const std::string& path, bool truncate, std::string& failure);

// Whether `path` is a regular file, or a link to one, or nothing yet: the
// only things a data file may be written into. Otherwise `failure` says
// what it is, and the program says that it left it alone.
bool mayHoldDataFile(const std::string& path, std::string& failure);

// Where the program says that it left a data file alone, or could not write
// one: the window's log, the command's error output. Notices made before a
// sink is set are kept (the last few) and handed to it when it is set.
using DataFileNoticeSink = std::function<void(const std::string& message)>;
void setDataFileNoticeSink(DataFileNoticeSink sink);
void noteDataFileProblem(const std::string& message);
