#pragma once

#include <string>

// Where the window keeps its data files, decided once at program start:
// 1. the folder --data-dir names;
// 2. else, for a program that the installer copied into its data directory
//    (the folder holds the installer's manifest), that folder: its menu
//    entry started it there, wherever XDG_DATA_HOME points today;
// 3. else the program's default data directory (defaultDataDirectory()),
//    which tavlinftp-cli uses too.
// The folder the program was started in never decides: started from a
// terminal in ~/Documents it still shows the user's sites.
struct DataDirectoryChoice {
    std::string directory;
    // The folder the program was started in holds data files of its own
    // that are not the ones used: a line for the log that says where they
    // are and how to use them. Empty otherwise.
    std::string notice;
};

// `named`: the --data-dir value, empty when not given (a relative one is
// taken from `currentDirectory`). `programFile`: the running program.
DataDirectoryChoice chooseDataDirectory(const std::string& named, const std::string& programFile,
                                        const std::string& currentDirectory, const std::string& defaultDirectory);

// Makes the data directory when it is not there yet, readable by its owner
// only (its files hold passwords), with the folders above it. False with
// the system's reason.
bool makeDataDirectory(const std::string& directory, std::string& why);
