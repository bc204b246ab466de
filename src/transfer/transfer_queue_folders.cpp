// An upload into a remote folder the server does not have yet (a new
// sub-folder of a web project): the folder is made, level by level, and
// entered again.
#include "transfer/transfer_queue.h"

#include <algorithm>

bool TransferQueue::makeFoldersForUpload()
{
    if (direction_ != Direction::Upload || entries_.empty())
        return false;
    // A folder in the login folder is made where the CWD looked for it.
    const std::string folder = entryFolder(entries_.first());
    // Only the entry's own folder is made, and only once for the entry: a
    // CWD still refused after that is the upload's failure.
    if (folder.empty() || folder == "/" || client_.HostDirName() != folder || foldersMadeFor_ == folder)
        return false;
    foldersMadeFor_ = folder;
    foldersToMake_.clear();
    // Every level from the top that this connection has not seen: which of
    // them exist is not known otherwise, and a MKD's reply is not trusted
    // either way (servers answer 550 or 521 for a folder that exists, and
    // some say 257 for one they did not make).
    for (std::size_t end = folder.find('/', 1); ; end = folder.find('/', end + 1)) {
        const std::string level = folder.substr(0, end);
        if (!level.empty() && level.back() != '/' && (foldersToMake_.empty() || foldersToMake_.back() != level)
            && (level == folder || !folderKnownToExist(level)))
            foldersToMake_.push_back(level);
        if (end == std::string::npos)
            break;
    }
    observer_->logLine("Making the folder " + folder + " (" + client_.LastResponse() + ")");
    makeNextFolder();
    return true;
}

void TransferQueue::makeNextFolder()
{
    if (entries_.empty())
        return;
    if (foldersToMake_.empty()) {
        client_.SetHostDirName(entryFolder(entries_.first()));
        begin(ftpRqChangeDir, [this] { client_.BeginChangeDir(); });
        return;
    }
    client_.SetHostFileName(foldersToMake_.front());
    foldersToMake_.erase(foldersToMake_.begin());
    begin(ftpRqMakeDir, [this] { client_.BeginMakeDir(); });
}

bool TransferQueue::folderKnownToExist(const std::string& folder) const
{
    return std::any_of(foldersEntered_.begin(), foldersEntered_.end(), [&folder](const std::string& entered) {
        return entered == folder || (entered.starts_with(folder) && entered[folder.size()] == '/');
    });
}
