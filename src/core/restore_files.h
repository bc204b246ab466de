#pragma once

#include "core/data_files.h"
#include "core/text_line_list.h"

// Loads what an interrupted session left behind, in this order: the resume
// record of a download; only when there is none, the transfer queue; with a
// queue, the pending project file of an upload run (which only sets its
// flag) and the run's deletion list.
//
// Afterwards `restoreBuffer` holds the resume record or the queue, and
// `deletionList` holds the deletion list (emptied when a queue was loaded
// without one; left alone when no queue was loaded).
//
// A file that is missing, unreadable or too damaged to describe what it
// should is simply not loaded: its flag stays clear and nothing is reported.
StartupFlags loadRestoreFiles(const DataFilePaths& paths, TextLineList& restoreBuffer,
                              TextLineList& deletionList);

// The shape checks behind "too damaged": a resume record has its eleven
// lines; a queue file starts with a count N of 1 or more and holds its
// 9N+1 lines; a project file starts with a count. The queue file is read
// with what its journal says has left it (see queue_journal.h), and a
// journal is folded into it first.
bool looksLikeResumeRecord(const TextLineList& lines);
bool looksLikeQueueFile(const TextLineList& lines);
bool looksLikeProjectFile(const TextLineList& lines);

// Why the queue file at path cannot be taken up, as "cannot read PATH: " and
// the reason (the system's, the loader's, or the shape check's above); empty
// when it can.
std::string queueFileFault(const std::string& path);
