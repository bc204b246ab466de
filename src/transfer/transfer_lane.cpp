#include "transfer/transfer_lane.h"

#include "core/placeholder_password.h"
#include "core/remote_directory.h"

#include <algorithm>

void TransferLane::take(const QueueEntry& entry, QueueEntries::Id id)
{
    entry_ = entry;
    entryId_ = id;
    direction = entry.isDownload() ? Direction::Download : Direction::Upload;
    foldersMadeFor_.clear();
    foldersToMake.clear();
    bytesMoved = 0;
    percentage = 0;
    runningSize = entry.sizeInBytes();
}

void TransferLane::release()
{
    entry_.reset();
    entryId_ = 0;
    foldersMadeFor_.clear();
    foldersToMake.clear();
    bytesMoved = 0;
    percentage = 0;
    awaitingAnswer = false;
}

void TransferLane::forgetConnection()
{
    loggedIn = false;
    established = false;
    otherSite = false;
    loginFolder.reset();
    foldersEntered.clear();
}

bool TransferLane::loggedInFor(const QueueEntry& entry) const
{
    return entry.host == client_.HostName() && entry.user == client_.UserName() &&
           (entry.password == client_.PassWord() ||
            (entry.password.empty() && client_.PassWord() == kPlaceholderEmailPassword)) &&
           entry.port == client_.Port();
}

bool TransferLane::directoryKnown(const QueueEntry& entry) const
{
    return loginFolder.has_value() || !isRelativeToLoginFolder(entry.remoteDirectory);
}

std::string TransferLane::entryFolder(const QueueEntry& entry) const
{
    // "./www" (a path of the remote tree) and "/www" name the same folder;
    // one in the login folder is joined to the folder the log-in reported.
    return absoluteRemoteDirectory(entry.remoteDirectory,
                                   isRelativeToLoginFolder(entry.remoteDirectory) ? loginFolder.value_or("/") : "/");
}

bool TransferLane::folderKnownToExist(const std::string& folder) const
{
    return std::any_of(foldersEntered.begin(), foldersEntered.end(), [&folder](const std::string& entered) {
        return entered == folder || (entered.starts_with(folder) && entered[folder.size()] == '/');
    });
}

std::vector<std::string> TransferLane::foldersToMakeFor(const std::string& folder)
{
    // Only the entry's own folder is made, and only once for the entry: a
    // CWD still refused after that is the upload's failure.
    if (folder.empty() || folder == "/" || foldersMadeFor_ == folder)
        return {};
    foldersMadeFor_ = folder;
    // Every level from the top that this connection has not seen: which of
    // them exist is not known otherwise, and a MKD's reply is not trusted
    // either way (servers answer 550 or 521 for a folder that exists, and
    // some say 257 for one they did not make).
    std::vector<std::string> levels;
    for (std::size_t end = folder.find('/', 1); ; end = folder.find('/', end + 1)) {
        const std::string level = folder.substr(0, end);
        if (!level.empty() && level.back() != '/' && (levels.empty() || levels.back() != level)
            && (level == folder || !folderKnownToExist(level)))
            levels.push_back(level);
        if (end == std::string::npos)
            break;
    }
    return levels;
}
