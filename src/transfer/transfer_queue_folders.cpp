// An upload into a remote folder the server does not have yet (a new
// sub-folder of a web project): the folder is made, the deepest missing
// level first, and entered again.
#include "transfer/transfer_queue.h"

bool TransferQueue::makeFoldersForUpload(TransferLane& lane)
{
    if (lane.direction != Direction::Upload || !lane.busy())
        return false;
    // A folder in the login folder is made where the CWD looked for it.
    const std::string folder = lane.entryFolder(lane.entry());
    if (lane.client().HostDirName() != folder)
        return false;
    const std::optional<std::string> first = lane.firstFolderToMake(folder);
    if (!first)
        return false;
    logFor(lane, "Making the folder " + folder + " (" + lane.client().LastResponse() + ")");
    makeFolder(lane, *first);
    return true;
}

void TransferQueue::folderMade(TransferLane& lane, bool made)
{
    if (!lane.busy())
        return;
    if (const std::optional<std::string> next = lane.nextFolderToMake(made)) {
        makeFolder(lane, *next);
        return;
    }
    lane.client().SetHostDirName(lane.entryFolder(lane.entry()));
    begin(lane, ftpRqChangeDir, [&lane] { lane.client().BeginChangeDir(); });
}

void TransferQueue::makeFolder(TransferLane& lane, const std::string& folder)
{
    lane.client().SetHostFileName(folder);
    begin(lane, ftpRqMakeDir, [&lane] { lane.client().BeginMakeDir(); });
}
