#include "core/run_queue_aside.h"

#include "core/data_file_read.h"
#include "core/queue_journal.h"
#include "core/text_line_list.h"

#include <cerrno>
#include <cstdio>

#include <sys/stat.h>

namespace {

bool exists(const std::string& path)
{
    struct stat status {};
    return ::lstat(path.c_str(), &status) == 0;
}

}  // namespace

std::string runQueueAsidePath(const std::string& queuePath)
{
    return queuePath + ".run";
}

bool writeRunQueueAside(const std::string& queuePath, std::string_view bytes)
{
    // It holds the log-ins of the queued files, passwords included.
    return writeWholeFile(runQueueAsidePath(queuePath), bytes, FileAccess::OwnerOnly, FileReplace::Settled);
}

bool putRunQueueInPlace(const std::string& queuePath)
{
    const std::string aside = runQueueAsidePath(queuePath);
    if (!exists(aside))
        return true;
    if (!exists(queuePath)) {
        // Nothing there, not even a link to keep: a rename puts the whole
        // file in place in one step and needs no space. A journal without
        // its queue file names nothing, and must not name entries of this
        // one.
        std::remove(queueJournalPath(queuePath).c_str());
        return std::rename(aside.c_str(), queuePath.c_str()) == 0;
    }
    std::string bytes;
    std::string failure;
    if (!readDataFile(aside, bytes, failure))
        return false;
    return replaceQueueFile(queuePath, bytes, FileAccess::OwnerOnly, FileReplace::Settled)
        && removeRunQueueAside(queuePath);
}

bool setRunQueueAside(const std::string& queuePath)
{
    if (!exists(queuePath))
        return true;
    TextLineList lines;
    if (!loadQueueFile(queuePath, lines))
        return false;
    // A queue whose journal names every entry has been worked off: there is
    // nothing to keep.
    const bool workedOff = !lines.empty() && lines[0] == "0";
    if (!workedOff && !writeRunQueueAside(queuePath, lines.joinedText()))
        return false;
    return removeQueueFile(queuePath);
}

bool removeRunQueueAside(const std::string& queuePath)
{
    return std::remove(runQueueAsidePath(queuePath).c_str()) == 0 || errno == ENOENT;
}

void settleRunQueue(const std::string& queuePath, const std::string& pendingProjectPath)
{
    if (!exists(runQueueAsidePath(queuePath)))
        return;
    if (exists(pendingProjectPath))
        putRunQueueInPlace(queuePath);
    else
        removeRunQueueAside(queuePath);
}
