#pragma once

#include <string>
#include <vector>

// How the program was started decides what it does. "--data-dir DIR" (or
// "--data-dir=DIR") before the rest names the data directory; then:
// - first argument "uinstall": remove the installation;
// - any other first argument: remove the file the installer left behind
//   (see removeInstallerLeftover) and end;
// - no argument, and a program file whose name, upper-cased, ends with
//   "TAVLINFTP": the FTP client;
// - no argument and any other program name: install the program.
enum class StartMode { Client, Install, Uninstall, RemoveLeftover, WrongUsage };

struct StartDecision {
    StartMode mode = StartMode::Client;
    std::string leftoverPath;  // for RemoveLeftover
    // What --data-dir named; empty when it was not given.
    std::string dataDirectory;
    // For WrongUsage: what is wrong, for standard error.
    std::string usageError;
};

// `programFile` is the path of the running program file; `arguments` the
// command-line arguments after the program name.
StartDecision decideStartMode(const std::string& programFile, const std::vector<std::string>& arguments);

// Whether the program file's name makes it the FTP client.
bool isClientProgramName(const std::string& programFile);
