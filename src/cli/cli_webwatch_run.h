#pragma once

#include "core/data_files.h"

#include <cstdio>
#include <string>
#include <vector>

// The upload run itself from the command line: what "Upload all" does with
// "Start upload ?" answered Yes, or the end of a run left pending by the
// window, an earlier command or a kill. No window: the same engines (the
// run, its driver, the transfer queue) with fixed answers to the questions.
struct CliWebwatchRunOptions {
    bool passive = true;
    bool quiet = false;
    bool verbose = false;
    // Only these projects (all when empty).
    std::vector<std::string> projects;
    // Server certificates trusted beside the system's and the trust file's
    // ("SHA256:..." fingerprints, --trust).
    std::vector<std::string> trust;
    // Files whose local folder is missing are deleted on the server too
    // (--delete-missing-folders); otherwise they are left alone.
    bool deleteMissingFolders = false;
    // More remote deletions than a run makes unasked (more than 20, or more
    // than half of a project) are made (--allow-mass-delete); otherwise the
    // run uploads and deletes nothing.
    bool allowMassDelete = false;
    // How many transfer connections send the files at once (--connections).
    std::size_t connections = 4;
};

// Why a run deleted nothing, as the command says it.
std::string MassDeletionRefusal(std::size_t heldBack);

// Why a pending run's deletion list stops the run, and that it is kept.
std::string DeletionListRefusal(const std::string& path, const std::string& fault);

// Returns the exit status: 0 done or nothing to do, 1 something failed
// (what is left stays pending for the next run).
int RunWebwatchUpload(const DataFilePaths& paths, const CliWebwatchRunOptions& options, std::FILE* out,
                      std::FILE* err);

// What to do about a project file that does not read whole; it is never
// used or written over, so the user's own copy or hand repair decides.
inline constexpr const char* kDamagedProjectFileAdvice =
    "The file is left as it is and nothing was done; correct that line or put back a copy of the file, then "
    "run again.";
