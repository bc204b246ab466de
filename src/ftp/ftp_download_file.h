#pragma once

#include <string>

// Where a download is written until it is complete. A download does not
// write the file it is meant for: it goes into a hidden file beside it,
// ".NAME.tavlin-part", which takes the target's place only once the server
// has confirmed the transfer and the size checks have passed. So a download
// that fails, stalls or runs out of disk space leaves the file the user had
// as it was, and what it received stays in the part file to be resumed.
//
// Targets that are not regular files (a device such as /dev/null, a pipe)
// have nothing to protect and cannot be replaced: they are written directly.

// Whether a download into `target` goes through a part file: when the
// target does not exist yet or is a regular file (or a link to one).
bool DownloadUsesPartFile(const std::string& target);

// The file a download into `target` finally replaces: the target itself,
// or, when the target is a symbolic link, the file it leads to, so that the
// link stays a link.
std::string DownloadDestination(const std::string& target);

// The part file of a download into `target`: ".NAME.tavlin-part" in the
// folder of its destination. A name too long to take the additions is
// shortened and given a checksum of the whole name, so that two long names
// never share a part file.
std::string DownloadPartPath(const std::string& target);

// Makes the part file the destination, keeping the destination's
// permissions when it exists. Empty on success, else the system's reason.
std::string ReplaceWithPartFile(const std::string& part, const std::string& destination);

// The number of bytes a resumed download into `target` continues after:
// its part file's size, or, with no part file, the target's own size; -1
// when there is neither.
long long DownloadResumeSize(const std::string& target);
