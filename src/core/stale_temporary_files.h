#pragma once

#include <string>

// Removes the temporary files that whole-file writes of the program's data
// files killed halfway left in a folder ("wbprj.dfd.tmp" + a process id, see
// writeWholeFile), and no other file, whatever its name. Only for a
// folder no one else writes in at the moment, such as the data directory
// under its lock.
void removeStaleTemporaryFiles(const std::string& directory);
