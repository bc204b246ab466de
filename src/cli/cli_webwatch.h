#pragma once

#include <cstdio>
#include <string>
#include <vector>

// tavlinftp-cli webwatch: the web projects of a data directory, from the
// command line. Takes the arguments after "webwatch"; returns the exit
// status (0 done, 1 something failed, 2 wrong usage, 75 the data directory
// stayed held by another run or the window for the whole --wait).
int RunWebwatchCommand(const std::vector<std::string>& arguments, const std::string& defaultDataDirectory,
                       std::FILE* out, std::FILE* err);

// The default data directory: the one the program's start script uses.
std::string DefaultDataDirectory(const std::string& homeDirectory);

inline constexpr int kExitDataDirectoryBusy = 75;
// How long a run waits for a data directory the window (or another run) is
// working in, unless --wait says otherwise; and how often it looks.
inline constexpr int kDefaultWaitSeconds = 300;
inline constexpr int kWaitPollMilliseconds = 200;
