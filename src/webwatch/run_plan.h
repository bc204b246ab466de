#pragma once

#include "webwatch/deletion_list.h"
#include "webwatch/project_scan.h"
#include "webwatch/project_store.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// What an upload run would do, worked out without changing anything: the
// same scans a run makes, on a copy of the project list that is never
// saved. For a dry run from the command line and for listing the projects.
struct RunPlan {
    struct Upload {
        enum class Reason { Changed, NeverUploaded, Discovered };
        Reason reason = Reason::Changed;
        std::string localPath;
        std::string remotePath;  // directory and name on the server
        std::uint64_t size = 0;
    };
    struct Project {
        std::string name;
        std::size_t files = 0;  // records before the scan
        std::vector<Upload> uploads;
        std::vector<DeletionEntry> deletions;
        // Local files missing now; with "delete missing files" on they
        // leave the project (and are deleted on the server).
        std::vector<std::string> missing;
        bool missingLeave = false;
        // Missing folders whose files are left alone (they are neither
        // deleted nor leave the project), new sub-folders of clean folders
        // whose files would go up, links that are not published.
        std::vector<MissingFolder> foldersLeftAlone;
        std::vector<std::string> newFolders;
        std::vector<std::string> skippedLinks;
    };
    std::vector<Project> projects;
    // Remote deletions left out because the run was not allowed so many (see
    // massDeletionQuestion); their files stay in the projects.
    std::size_t deletionsHeldBack = 0;

    std::size_t uploadCount() const;
    std::size_t deletionCount() const;
    std::uint64_t uploadBytes() const;
};

// Plans a run over the named projects of `projects` (all when `names` is
// empty). Names that match no project are returned in `unknownNames`.
struct RunPlanOptions {
    // The files of a missing folder are deleted (the run's question
    // answered Yes).
    bool deleteMissingFolders = false;
    // More deletions than a run makes unasked are made (the run's question
    // answered Yes).
    bool allowMassDelete = false;
};
RunPlan planRun(const ProjectStore& projects, const std::vector<std::string>& names,
                const std::vector<std::string>& asciiExtensions, std::vector<std::string>& unknownNames,
                RunPlanOptions options = {});
