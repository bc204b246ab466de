#include "webwatch/clean_directory_scan.h"

#include "core/directory_search.h"
#include "core/file_attributes.h"
#include "transfer/transfer_mode_decision.h"

#include <algorithm>
#include <unordered_set>
#include <utility>

namespace {

// New records to put into the line list before line `position` (a line
// index of the list as it stood before the scan).
struct Insertion {
    std::size_t position;
    std::vector<std::string> lines;
};

// Puts every insertion in place in one pass, so taking in thousands of files
// costs one copy of the list rather than one shift of its tail per file.
std::vector<std::string> withInsertions(const std::vector<std::string>& lines, std::vector<Insertion>& insertions,
                                        std::size_t added)
{
    std::vector<std::string> result;
    result.reserve(lines.size() + added);
    std::size_t copied = 0;
    for (auto& insertion : insertions) {
        result.insert(result.end(), lines.begin() + static_cast<std::ptrdiff_t>(copied),
                      lines.begin() + static_cast<std::ptrdiff_t>(insertion.position));
        copied = insertion.position;
        std::move(insertion.lines.begin(), insertion.lines.end(), std::back_inserter(result));
    }
    result.insert(result.end(), lines.begin() + static_cast<std::ptrdiff_t>(copied), lines.end());
    return result;
}

} // namespace

std::string folderPartOf(const std::string& localPath)
{
    const std::size_t separator = localPath.find_last_of("/\\");
    return separator == std::string::npos ? std::string() : localPath.substr(0, separator + 1);
}

std::size_t takeInCleanDirectoryFiles(ProjectStore& projects, std::size_t p, std::size_t fileCount,
                                      const std::vector<std::string>& asciiExtensions)
{
    const std::vector<std::string>& lines = projects.lines().lines();
    if (p >= projects.projectCount() || projects.recordLine(p, fileCount) > lines.size())
        return 0;

    std::unordered_set<std::string> known;
    known.reserve(fileCount * 2 + 16);
    for (std::size_t j = 0; j < fileCount; ++j)
        known.insert(lines[projects.recordLine(p, j)]);

    std::vector<Insertion> insertions;
    std::size_t discovered = 0;
    // Each folder is read once per scan, however its files are spread over
    // the project: a second reading could only find what the first already
    // took in.
    std::unordered_set<std::string> listedFolders;
    for (std::size_t j = 0; j < fileCount; ++j) {
        const std::size_t first = projects.recordLine(p, j);
        const std::string& modeLine = lines[first + static_cast<std::size_t>(ProjectField::ModeCode) - 1];
        if (modeLine != " 0" && modeLine != " 1")
            continue;
        // A path without a folder names no folder to look after; the data
        // folder it would be read from is not the user's site.
        const std::string folder = folderPartOf(lines[first].substr(1));
        if (folder.empty())
            continue;
        if (!listedFolders.insert(folder).second)
            continue;

        std::string nativePattern = folder + "*.*";
        std::replace(nativePattern.begin(), nativePattern.end(), '\\', '/');
        DirectorySearch search(nativePattern, true);
        Insertion insertion{first + kProjectRecordLines, {}};
        DirectoryEntry entry;
        while (search.next(entry)) {
            if (entry.attributes != kAttrArchive || !isStorableValue(entry.name))
                continue;
            std::string candidate = " " + folder + entry.name;
            if (!known.insert(candidate).second)
                continue;
            insertion.lines.push_back(std::move(candidate));
            for (ProjectField k : {ProjectField::Server, ProjectField::Login, ProjectField::Password, ProjectField::Port,
                                   ProjectField::RemoteDirectory})
                insertion.lines.push_back(lines[first + static_cast<std::size_t>(k) - 1]);
            insertion.lines.push_back(" " + entry.name);
            insertion.lines.push_back(
                " " + decideTransferMode(TransferModeChoice::AutoDetect, entry.name, asciiExtensions));
            insertion.lines.push_back(" " + std::string(kNeverUploadedStamp));
            ++discovered;
        }
        if (!insertion.lines.empty())
            insertions.push_back(std::move(insertion));
    }
    if (discovered > 0)
        projects.setLines(TextLineList(withInsertions(lines, insertions, discovered * kProjectRecordLines)));
    return discovered;
}
