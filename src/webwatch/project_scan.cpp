#include "webwatch/project_scan.h"

#include "core/directory_search.h"
#include "webwatch/clean_directory_scan.h"

#include <algorithm>
#include <ctime>

#include <sys/stat.h>
#include <unistd.h>

namespace {

// The two-second step of the upload stamp that a moment falls in.
std::time_t stampStep(std::time_t t)
{
    return t >= 0 ? t / 2 : (t - 1) / 2;
}

} // namespace

std::string MissingFolder::displayName() const
{
    std::string name = folder;
    while (name.size() > 1 && (name.back() == '/' || name.back() == '\\'))
        name.pop_back();
    return name;
}

void RunLists::clear()
{
    queue.clear();
    deletions.clear();
    missingRecords.clear();
    rows.clear();
    foldersLeftAlone.clear();
    newFolders.clear();
    skippedLinks.clear();
}

void removeRecordsAt(ProjectStore& projects, std::vector<std::size_t> firstLines)
{
    if (firstLines.empty())
        return;
    std::sort(firstLines.begin(), firstLines.end());
    firstLines.erase(std::unique(firstLines.begin(), firstLines.end()), firstLines.end());
    // One pass that keeps every line outside the removed records, rather
    // than one shift of the list's tail per record.
    std::vector<std::string>& lines = projects.lines().lines();
    std::size_t kept = 0;
    auto next = firstLines.begin();
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (next != firstLines.end() && i == *next) {
            i += kProjectRecordLines - 1;
            ++next;
            continue;
        }
        if (kept != i)
            lines[kept] = std::move(lines[i]);
        ++kept;
    }
    lines.resize(std::min(kept, lines.size()));
    projects.rebuildIndex();
}

ProjectScanner::Result ProjectScanner::scan(ProjectStore& projects, std::size_t p, Mode mode, RunLists* run)
{
    Result result;
    if (p >= projects.projectCount())
        return result;
    if (!run)
        mode = Mode::Display;
    result.cleanDirectory = projects.cleanDirectory(p);
    result.deleteMissing = projects.deleteMissing(p);
    folderAvailable_.clear();
    missingFolderDecided_.clear();
    freshFiles_.clear();

    std::size_t firstPassMissing = 0;
    std::size_t count = scanRecords(projects, p, mode, run, false, firstPassMissing, result);
    if (result.cleanDirectory) {
        CleanDirectoryDiscovery found = takeInCleanDirectoryFiles(projects, p, count, asciiExtensions_);
        result.discovered = found.taken;
        if (run) {
            run->newFolders.insert(run->newFolders.end(), found.newFolders.begin(), found.newFolders.end());
            run->skippedLinks.insert(run->skippedLinks.end(), found.skippedLinks.begin(), found.skippedLinks.end());
        }
        if (found.taken > 0) {
            // The records behind the new files moved: the missing ones of
            // this project are listed again, at their new lines, by the
            // second pass.
            if (run)
                run->missingRecords.resize(run->missingRecords.size() - firstPassMissing);
            scanRecords(projects, p, mode, run, true, firstPassMissing, result);
        }
    }
    if (!freshFiles_.empty()) {
        auto& lines = projects.lines().lines();
        for (std::size_t j = 0, n = projects.fileCount(p); j < n; ++j) {
            const std::size_t first = projects.recordLine(p, j);
            if (freshFiles_.contains(lines[first].substr(1)))
                lines[first + static_cast<std::size_t>(ProjectField::UploadStamp) - 1] =
                    " " + std::string(kNeverUploadedStamp);
        }
    }
    return result;
}

bool ProjectScanner::folderAvailable(const std::string& folder)
{
    const auto known = folderAvailable_.find(folder);
    if (known != folderAvailable_.end())
        return known->second;
    std::string native = folder;
    std::replace(native.begin(), native.end(), '\\', '/');
    struct stat status {};
    const bool available = ::stat(native.c_str(), &status) == 0 && S_ISDIR(status.st_mode)
        && ::access(native.c_str(), R_OK | X_OK) == 0;
    folderAvailable_.emplace(folder, available);
    return available;
}

void ProjectScanner::listMissing(const ProjectStore& projects, std::size_t first, bool secondPass,
                                 std::size_t& firstPassMissing, const Result& result, RunLists& run)
{
    if (!secondPass) {
        const auto& lines = projects.lines().lines();
        const auto value = [&](ProjectField k) { return lines[first + static_cast<std::size_t>(k) - 1].substr(1); };
        DeletionEntry gone;
        gone.server = value(ProjectField::Server);
        gone.login = value(ProjectField::Login);
        gone.password = value(ProjectField::Password);
        gone.port = value(ProjectField::Port);
        gone.remoteDirectory = value(ProjectField::RemoteDirectory);
        gone.remoteFileName = value(ProjectField::RemoteFileName);
        run.deletions.append(gone);
        if (result.cleanDirectory)
            ++firstPassMissing;
    }
    run.missingRecords.push_back(first);
}

std::size_t ProjectScanner::scanRecords(ProjectStore& projects, std::size_t p, Mode mode, RunLists* run,
                                        bool secondPass, std::size_t& firstPassMissing, Result& result)
{
    const bool display = mode == Mode::Display;
    if (display)
        result.rows.clear();
    const std::size_t count = projects.fileCount(p);
    result.fileCount = count;
    auto& lines = projects.lines().lines();
    const auto line = [&](std::size_t first, ProjectField k) -> std::string& {
        return lines[first + static_cast<std::size_t>(k) - 1];
    };
    const auto value = [&](std::size_t first, ProjectField k) { return line(first, k).substr(1); };
    // Missing files whose folder is missing too, by folder, in scan order.
    std::vector<std::pair<std::string, std::vector<std::size_t>>> unavailable;
    std::unordered_map<std::string, std::size_t> unavailableGroup;

    for (std::size_t j = 0; j < count; ++j) {
        const std::size_t first = projects.recordLine(p, j);
        const std::string localPath = value(first, ProjectField::LocalPath);
        const auto found = lookUpPath(localPath);
        if (!found || !found->statusKnown) {
            if (display) {
                result.rows.push_back({kFileMissingRow, localPath, true});
            } else if (result.deleteMissing) {
                const std::string folder = folderPartOf(localPath);
                if (!folder.empty() && !folderAvailable(folder)) {
                    const auto [group, isNew] = unavailableGroup.try_emplace(folder, unavailable.size());
                    if (isNew)
                        unavailable.push_back({folder, {}});
                    unavailable[group->second].second.push_back(first);
                } else {
                    listMissing(projects, first, secondPass, firstPassMissing, result, *run);
                }
            }
            continue;
        }
        if (display) {
            result.rows.push_back({found->name, localPath, false});
            continue;
        }
        const std::string stampLine = " " + uploadStampText(found->dosTime);
        std::string& storedStamp = line(first, ProjectField::UploadStamp);
        if (storedStamp == stampLine)
            continue;
        storedStamp = stampLine;
        if (stampStep(found->lastWrite) == stampStep(clock_()))
            freshFiles_.insert(localPath);
        run->rows.push_back({found->name, localPath, false});
        const std::string modeCode = value(first, ProjectField::ModeCode);
        QueuedUpload upload;
        upload.server = value(first, ProjectField::Server);
        upload.login = value(first, ProjectField::Login);
        upload.password = value(first, ProjectField::Password);
        upload.port = value(first, ProjectField::Port);
        upload.remoteDirectory = value(first, ProjectField::RemoteDirectory);
        upload.remoteFileName = value(first, ProjectField::RemoteFileName);
        upload.localPath = localPath;
        upload.size = found->size;
        upload.binary = modeCode == "1" || modeCode == "3";
        run->queue.append(upload);
        if (queued_)
            queued_(run->queue.count());
    }

    // A missing folder is one question, asked once per scan of the project
    // with all its files counted; the second pass only follows the answer.
    for (const auto& [folder, records] : unavailable) {
        auto [decided, isNew] = missingFolderDecided_.try_emplace(folder, false);
        if (isNew)
            decided->second = deleteMissingFolder_
                && deleteMissingFolder_(MissingFolder{folder, records.size()}.displayName(), records.size());
        if (decided->second) {
            for (const std::size_t first : records)
                listMissing(projects, first, secondPass, firstPassMissing, result, *run);
        } else if (!secondPass) {
            run->foldersLeftAlone.push_back({folder, records.size()});
        }
    }
    return count;
}
