#pragma once

#include <cstddef>
#include <string>
#include <vector>

// The commands tavlinftp-cli knows: how many arguments each takes, whether
// it works on one server named by a URL, and its line in the usage text.
// Parsing and dispatch read this one table, so a new command (one that works
// on the program's data files rather than a URL, say) is one more row.
struct CliCommand {
    std::string name;
    bool needsUrl = true;
    std::size_t minArguments = 0;
    std::size_t maxArguments = 0;
    std::string synopsis;  // the arguments as the usage text shows them
};

const std::vector<CliCommand>& CliCommands();
// The row of `name`, or null for an unknown command.
const CliCommand* FindCliCommand(const std::string& name);
