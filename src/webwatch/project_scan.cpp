#include "webwatch/project_scan.h"

#include "core/directory_search.h"
#include "webwatch/clean_directory_scan.h"

void RunLists::clear()
{
    queue.clear();
    deletions.clear();
    missingRecords.clear();
    rows.clear();
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

    std::size_t firstPassMissing = 0;
    std::size_t count = scanRecords(projects, p, mode, run, false, firstPassMissing, result);
    if (!result.cleanDirectory)
        return result;
    result.discovered = takeInCleanDirectoryFiles(projects, p, count, asciiExtensions_);
    if (result.discovered == 0)
        return result;
    // The records behind the new files moved: the missing ones of this
    // project are listed again, at their new lines, by the second pass.
    if (run)
        run->missingRecords.resize(run->missingRecords.size() - firstPassMissing);
    scanRecords(projects, p, mode, run, true, firstPassMissing, result);
    return result;
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

    for (std::size_t j = 0; j < count; ++j) {
        const std::size_t first = projects.recordLine(p, j);
        const std::string localPath = value(first, ProjectField::LocalPath);
        const auto found = lookUpPath(localPath);
        if (!found || !found->statusKnown) {
            if (display) {
                result.rows.push_back({kFileMissingRow, localPath, true});
            } else if (result.deleteMissing) {
                if (!secondPass) {
                    DeletionEntry gone;
                    gone.server = value(first, ProjectField::Server);
                    gone.login = value(first, ProjectField::Login);
                    gone.password = value(first, ProjectField::Password);
                    gone.port = value(first, ProjectField::Port);
                    gone.remoteDirectory = value(first, ProjectField::RemoteDirectory);
                    gone.remoteFileName = value(first, ProjectField::RemoteFileName);
                    run->deletions.append(gone);
                    if (result.cleanDirectory)
                        ++firstPassMissing;
                }
                run->missingRecords.push_back(first);
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
    return count;
}
