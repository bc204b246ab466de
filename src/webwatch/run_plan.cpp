#include "webwatch/run_plan.h"

#include "webwatch/clean_directory_scan.h"
#include "webwatch/mass_deletion.h"
#include "webwatch/project_scan.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

std::size_t RunPlan::uploadCount() const
{
    std::size_t n = 0;
    for (const Project& project : projects)
        n += project.uploads.size();
    return n;
}

std::size_t RunPlan::deletionCount() const
{
    std::size_t n = 0;
    for (const Project& project : projects)
        n += project.deletions.size();
    return n;
}

std::uint64_t RunPlan::uploadBytes() const
{
    std::uint64_t n = 0;
    for (const Project& project : projects)
        for (const Upload& upload : project.uploads)
            n += upload.size;
    return n;
}

namespace {

std::string remotePathOf(const RemoteFileTarget& target)
{
    std::string directory = target.remoteDirectory;
    if (directory.empty() || directory.back() != '/')
        directory += '/';
    return directory + target.remoteFileName;
}

}  // namespace

RunPlan planRun(const ProjectStore& projects, const std::vector<std::string>& names,
                const std::vector<std::string>& asciiExtensions, std::vector<std::string>& unknownNames,
                RunPlanOptions options)
{
    unknownNames.clear();
    for (const std::string& name : names)
        if (!findProjectByName(projects, name))
            unknownNames.push_back(name);

    RunPlan plan;
    ProjectStore copy = projects;
    ProjectScanner scanner(asciiExtensions);
    scanner.setMissingFolderDecision([options](const std::string&, std::size_t) {
        return options.deleteMissingFolders;
    });
    for (std::size_t p = 0; p < copy.projectCount(); ++p) {
        const std::string name = copy.projectName(p);
        if (!names.empty() && std::find(names.begin(), names.end(), name) == names.end())
            continue;
        RunPlan::Project planned;
        planned.name = name;
        planned.files = copy.fileCount(p);
        planned.missingLeave = copy.deleteMissing(p);
        // The stamps before the scan tell a changed file from one never
        // uploaded; a file not in the project before was discovered.
        std::unordered_map<std::string, std::string> stampBefore;
        stampBefore.reserve(planned.files);
        const std::vector<std::string>& lines = copy.lines().lines();
        for (std::size_t j = 0; j < planned.files; ++j) {
            const std::size_t first = copy.recordLine(p, j);
            const std::string path = lines[first].substr(1);
            stampBefore.emplace(path,
                                lines[first + static_cast<std::size_t>(ProjectField::UploadStamp) - 1].substr(1));
            if (!ProjectStore::stampOf(path))
                planned.missing.push_back(path);
        }

        RunLists lists;
        scanner.scan(copy, p, ProjectScanner::Mode::Run, &lists);
        for (const QueuedUpload& queued : lists.queue.entries()) {
            RunPlan::Upload upload;
            upload.localPath = queued.localPath;
            upload.remotePath = remotePathOf(queued);
            upload.size = queued.size;
            const auto before = stampBefore.find(queued.localPath);
            if (before == stampBefore.end())
                upload.reason = RunPlan::Upload::Reason::Discovered;
            else if (before->second == kNeverUploadedStamp)
                upload.reason = RunPlan::Upload::Reason::NeverUploaded;
            else
                upload.reason = RunPlan::Upload::Reason::Changed;
            planned.uploads.push_back(std::move(upload));
        }
        planned.deletions = lists.deletions.entries();
        planned.foldersLeftAlone = lists.foldersLeftAlone;
        planned.newFolders = lists.newFolders;
        planned.skippedLinks = lists.skippedLinks;
        // Files left alone stay in the project: they do not leave it.
        if (!planned.foldersLeftAlone.empty()) {
            std::unordered_set<std::string> alone;
            for (const MissingFolder& folder : planned.foldersLeftAlone)
                alone.insert(folder.folder);
            std::erase_if(planned.missing,
                          [&](const std::string& path) { return alone.contains(folderPartOf(path)); });
        }
        plan.projects.push_back(std::move(planned));
        // The scan may have taken files in; the next project's index must
        // follow.
        copy.rebuildIndex();
    }
    std::vector<ProjectDeletions> deletions;
    for (const RunPlan::Project& planned : plan.projects)
        deletions.push_back({planned.name, planned.files, planned.deletions.size()});
    if (!options.allowMassDelete && massDeletionQuestion(deletions)) {
        plan.deletionsHeldBack = plan.deletionCount();
        for (RunPlan::Project& planned : plan.projects) {
            planned.deletions.clear();
            planned.missingLeave = false;
        }
    }
    return plan;
}
