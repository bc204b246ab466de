#include "webwatch/remote_file_target.h"

void RemoteFileTarget::appendLines(TextLineList& lines) const
{
    for (const auto* value : {&server, &login, &password, &port, &remoteDirectory, &remoteFileName})
        lines.append(*value);
}

void RemoteFileTarget::readLines(const TextLineList& lines, std::size_t first)
{
    for (auto* value : {&server, &login, &password, &port, &remoteDirectory, &remoteFileName})
        *value = lines[first++];
}

std::string remoteFileTargetText(const RemoteFileTarget& target)
{
    const std::string directory = target.remoteDirectory == "/" ? std::string() : target.remoteDirectory;
    return directory + "/" + target.remoteFileName + " on " + target.server;
}
