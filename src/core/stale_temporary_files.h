#pragma once

#include <string>

// Removes the temporary files that whole-file writes killed halfway left in
// a folder ("NAME.tmp" + a process id, see writeWholeFile). Only for a
// folder no one else writes in at the moment, such as the data directory
// under its lock.
void removeStaleTemporaryFiles(const std::string& directory);
