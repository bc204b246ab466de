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
    levelsToMake_.clear();
    bytesMoved = 0;
    percentage = 0;
    runningSize = entry.sizeInBytes();
}

void TransferLane::release()
{
    entry_.reset();
    entryId_ = 0;
    foldersMadeFor_.clear();
    levelsToMake_.clear();
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
    unixServer.reset();
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

std::optional<std::string> TransferLane::firstFolderToMake(const std::string& folder)
{
    // Only the entry's own folder is made, and only once for the entry: a
    // CWD still refused after that is the upload's failure.
    if (folder.empty() || folder == "/" || foldersMadeFor_ == folder)
        return std::nullopt;
    foldersMadeFor_ = folder;
    // The folder and the levels above it up to one this connection has
    // been in (which exists), or up to the top.
    levelsToMake_.clear();
    for (std::string level = folder; !level.empty() && level != "/";) {
        if (level != folder && folderKnownToExist(level))
            break;
        levelsToMake_.insert(levelsToMake_.begin(), level);
        const std::size_t slash = level.rfind('/');
        level = slash == std::string::npos ? std::string() : level.substr(0, slash);
    }
    // The deepest first: a new folder mostly lies in one that exists, and
    // every level sent from the top is a round trip refused.
    levelMaking_ = levelsToMake_.size() - 1;
    makingDown_ = false;
    return levelsToMake_[levelMaking_];
}

std::optional<std::string> TransferLane::nextFolderToMake(bool lastMade)
{
    if (levelsToMake_.empty())
        return std::nullopt;
    // Refused: the level above may be missing too, so up one level, as
    // long as the server refuses. Made, or at the top, the levels below
    // follow one by one whatever the server answers (a MKD's reply is not
    // trusted either way: servers answer 550 or 521 for a folder that
    // exists); the entry's CWD decides.
    if (!makingDown_ && !lastMade && levelMaking_ > 0)
        return levelsToMake_[--levelMaking_];
    makingDown_ = true;
    if (levelMaking_ + 1 >= levelsToMake_.size()) {
        levelsToMake_.clear();
        return std::nullopt;
    }
    return levelsToMake_[++levelMaking_];
}
