#pragma once

#include <string>
#include <string_view>

// A WebWatch run lies in two files: its queue ("koefil.dfd") and its
// pending project file ("nyweb2.dfd"), which already records every queued
// file as sent. A pending project file without a queue file is a run whose
// files all went up (or one of deletions only), and is finished as such. So
// while a pending project file stands, the run's queue must never be missing
// from disk, not even between two writes a kill can fall between:
//
// - a run is handed over by writing its queue aside (beside the queue file,
//   at runQueueAsidePath), then the pending project file, then putting the
//   queue in place;
// - a run is given up by setting its queue aside, removing the pending
//   project file, then removing the queue set aside.
//
// At start, settleRunQueue takes a queue set aside beside a pending project
// file for the run's queue, and removes one without it (its run was never
// handed over, or was given up).

// Where a run's queue waits while its pending project file is written or
// removed.
std::string runQueueAsidePath(const std::string& queuePath);

// Writes `bytes` (a queue file's) aside, for the user's eyes only.
bool writeRunQueueAside(const std::string& queuePath, std::string_view bytes);

// The queue written aside becomes the queue file (an old queue file and its
// journal are replaced; a queue file that is a link to a regular file stays
// a link and the file it leads to is replaced). True when nothing is aside
// any more.
bool putRunQueueInPlace(const std::string& queuePath);

// The queue file, less what its journal says has left it, is written aside
// and the queue file removed. True when no queue file is left and whatever
// it held is aside (or there was none).
bool setRunQueueAside(const std::string& queuePath);

// Removes the queue set aside. True when none is left.
bool removeRunQueueAside(const std::string& queuePath);

// At start, by the one writer of the data directory: see above.
void settleRunQueue(const std::string& queuePath, const std::string& pendingProjectPath);
