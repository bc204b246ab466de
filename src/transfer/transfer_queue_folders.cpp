// An upload into a remote folder the server does not have yet (a new
// sub-folder of a web project): the folder is made, level by level, and
// entered again.
#include "transfer/transfer_queue.h"

bool TransferQueue::makeFoldersForUpload(TransferLane& lane)
{
    if (lane.direction != Direction::Upload || !lane.busy())
        return false;
    // A folder in the login folder is made where the CWD looked for it.
    const std::string folder = lane.entryFolder(lane.entry());
    if (lane.client().HostDirName() != folder)
        return false;
    lane.foldersToMake = lane.foldersToMakeFor(folder);
    if (lane.foldersToMake.empty())
        return false;
    logFor(lane, "Making the folder " + folder + " (" + lane.client().LastResponse() + ")");
    makeNextFolder(lane);
    return true;
}

void TransferQueue::makeNextFolder(TransferLane& lane)
{
    if (!lane.busy())
        return;
    if (lane.foldersToMake.empty()) {
        lane.client().SetHostDirName(lane.entryFolder(lane.entry()));
        begin(lane, ftpRqChangeDir, [&lane] { lane.client().BeginChangeDir(); });
        return;
    }
    lane.client().SetHostFileName(lane.foldersToMake.front());
    lane.foldersToMake.erase(lane.foldersToMake.begin());
    begin(lane, ftpRqMakeDir, [&lane] { lane.client().BeginMakeDir(); });
}
