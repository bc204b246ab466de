#include "core/restore_files.h"

#include "core/data_file_read.h"

#include <algorithm>
#include <cctype>

namespace {

constexpr std::size_t kResumeRecordLines = 11;
constexpr std::size_t kQueueFieldsPerEntry = 9;
constexpr long kQueueCapacity = 3500;

bool isDecimal(const std::string& text)
{
    return !text.empty() && text.size() <= 9 &&
           std::all_of(text.begin(), text.end(), [](unsigned char ch) { return std::isdigit(ch); });
}

bool loadIf(const std::string& path, TextLineList& into, bool (*wellFormed)(const TextLineList&))
{
    TextLineList lines;
    if (!lines.loadFromFile(path) || !wellFormed(lines))
        return false;
    into = std::move(lines);
    return true;
}

}  // namespace

bool looksLikeResumeRecord(const TextLineList& lines)
{
    return lines.size() >= kResumeRecordLines;
}

bool looksLikeQueueFile(const TextLineList& lines)
{
    if (lines.empty() || !isDecimal(lines[0]))
        return false;
    const long count = std::stol(lines[0]);
    return count >= 1 && count <= kQueueCapacity &&
           lines.size() >= static_cast<std::size_t>(count) * kQueueFieldsPerEntry + 1;
}

bool looksLikeProjectFile(const TextLineList& lines)
{
    return !lines.empty() && isDecimal(lines[0]);
}

StartupFlags loadRestoreFiles(const DataFilePaths& paths, TextLineList& restoreBuffer, TextLineList& deletionList)
{
    StartupFlags flags;
    flags.resumeRecordLoaded = loadIf(paths.rstfilTxt, restoreBuffer, looksLikeResumeRecord);
    if (!flags.resumeRecordLoaded)
        flags.queueLoaded = loadIf(paths.koefilDfd, restoreBuffer, looksLikeQueueFile);
    // A WebWatch run is pending by its pending project file, with or
    // without a queue: a run of deletions only has none, and one whose queue
    // was worked off before a kill has none left.
    if (!flags.resumeRecordLoaded) {
        // The pending project file is only checked for here; the WebWatch
        // window reads it itself. The restore buffer keeps the queue.
        TextLineList pendingProject;
        flags.pendingProjectLoaded = loadIf(paths.nyweb2Dfd, pendingProject, looksLikeProjectFile);
    }
    if ((flags.queueLoaded || flags.pendingProjectLoaded) && !deletionList.loadFromFile(paths.defilDfd))
        deletionList.clear();
    return flags;
}

std::string queueFileFault(const std::string& path)
{
    TextLineList lines;
    std::string failure;
    if (!loadDataFile(lines, path, failure))
        return "cannot read " + path + ": " + failure;
    if (looksLikeQueueFile(lines))
        return {};
    if (lines.empty())
        return "cannot read " + path + ": the file is empty";
    if (!isDecimal(lines[0]) || std::stol(lines[0]) < 1 || std::stol(lines[0]) > kQueueCapacity)
        return "cannot read " + path + ": line 1 is not a count of 1 to " + std::to_string(kQueueCapacity)
            + " queued files";
    return "cannot read " + path + ": it holds fewer lines than the " + lines[0] + " queued files it counts";
}
