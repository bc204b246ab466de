#include "core/restore_files.h"

#include "core/data_file_read.h"
#include "core/queue_journal.h"
#include "core/run_queue_aside.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdint>

namespace {

constexpr std::size_t kResumeRecordLines = 11;
constexpr std::size_t kQueueFieldsPerEntry = 9;

bool isDecimal(const std::string& text)
{
    return !text.empty() && text.size() <= 9 &&
           std::all_of(text.begin(), text.end(), [](unsigned char ch) { return std::isdigit(ch); });
}

// The count on a queue file's first line. A count is only believed as far
// as the file holds lines for it, so however large a damaged file says it
// is, nothing is made for entries that are not there.
bool queueCountOf(const TextLineList& lines, std::uint64_t& count)
{
    if (lines.empty())
        return false;
    const std::string& text = lines[0];
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), count);
    return !text.empty() && error == std::errc() && end == text.data() + text.size();
}

bool loadIf(const std::string& path, TextLineList& into, bool (*wellFormed)(const TextLineList&))
{
    TextLineList lines;
    if (!lines.loadFromFile(path) || !wellFormed(lines))
        return false;
    into = std::move(lines);
    return true;
}

bool loadQueueIf(const std::string& path, TextLineList& into)
{
    TextLineList lines;
    if (!loadQueueFile(path, lines) || !looksLikeQueueFile(lines))
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
    std::uint64_t count = 0;
    return queueCountOf(lines, count) && count >= 1 && count <= (lines.size() - 1) / kQueueFieldsPerEntry;
}

bool looksLikeProjectFile(const TextLineList& lines)
{
    return !lines.empty() && isDecimal(lines[0]);
}

StartupFlags loadRestoreFiles(const DataFilePaths& paths, TextLineList& restoreBuffer, TextLineList& deletionList)
{
    StartupFlags flags;
    // A WebWatch run's queue that a kill left aside goes back in place (or
    // away, with no run to belong to), then what a killed run noted beside
    // the queue file goes into it.
    settleRunQueue(paths.koefilDfd, paths.nyweb2Dfd);
    settleQueueFile(paths.koefilDfd);
    flags.resumeRecordLoaded = loadIf(paths.rstfilTxt, restoreBuffer, looksLikeResumeRecord);
    if (!flags.resumeRecordLoaded)
        flags.queueLoaded = loadQueueIf(paths.koefilDfd, restoreBuffer);
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
    if (!loadQueueFile(path, lines, &failure))
        return "cannot read " + path + ": " + failure;
    if (looksLikeQueueFile(lines))
        return {};
    if (lines.empty())
        return "cannot read " + path + ": the file is empty";
    std::uint64_t count = 0;
    if (!queueCountOf(lines, count) || count < 1)
        return "cannot read " + path + ": line 1 is not a count of 1 or more queued files";
    return "cannot read " + path + ": it holds fewer lines than the " + lines[0] + " queued files it counts";
}
