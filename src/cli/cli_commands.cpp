#include "cli/cli_commands.h"

const std::vector<CliCommand>& CliCommands()
{
    static const std::vector<CliCommand> commands = {
        {"ls", true, 0, 1, "[PATH]"},
        {"nlst", true, 0, 1, "[PATH]"},
        {"get", true, 2, 2, "REMOTE LOCAL"},
        {"resume-get", true, 2, 2, "REMOTE LOCAL"},
        {"put", true, 2, 2, "LOCAL REMOTE"},
        {"append", true, 2, 2, "LOCAL REMOTE"},
        {"size", true, 1, 1, "REMOTE"},
        {"mkdir", true, 1, 1, "NAME"},
        {"rmdir", true, 1, 1, "NAME"},
        {"delete", true, 1, 1, "NAME"},
        {"rename", true, 2, 2, "FROM TO"},
        {"raw", true, 1, 1, "\"COMMAND\""},
    };
    return commands;
}

const CliCommand* FindCliCommand(const std::string& name)
{
    for (const CliCommand& command : CliCommands())
        if (command.name == name)
            return &command;
    return nullptr;
}
