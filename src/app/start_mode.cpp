#include "app/start_mode.h"

#include <algorithm>
#include <cctype>

bool isClientProgramName(const std::string& programFile)
{
    static const std::string kClientName = "TAVLINFTP";
    std::string name = programFile.substr(programFile.rfind('/') + 1);
    std::transform(name.begin(), name.end(), name.begin(), [](unsigned char ch) {
        return static_cast<char>(std::toupper(ch));
    });
    return name.size() >= kClientName.size() &&
           name.compare(name.size() - kClientName.size(), kClientName.size(), kClientName) == 0;
}

StartDecision decideStartMode(const std::string& programFile, const std::vector<std::string>& arguments)
{
    static const std::string kDataDirOption = "--data-dir";
    StartDecision decision;
    std::size_t next = 0;
    while (next < arguments.size()) {
        const std::string& argument = arguments[next];
        if (argument == kDataDirOption) {
            if (next + 1 >= arguments.size() || arguments[next + 1].empty()) {
                decision.mode = StartMode::WrongUsage;
                decision.usageError = "--data-dir needs a folder: tavlinftp --data-dir DIR";
                return decision;
            }
            decision.dataDirectory = arguments[next + 1];
            next += 2;
        } else if (argument.rfind(kDataDirOption + "=", 0) == 0) {
            decision.dataDirectory = argument.substr(kDataDirOption.size() + 1);
            if (decision.dataDirectory.empty()) {
                decision.mode = StartMode::WrongUsage;
                decision.usageError = "--data-dir needs a folder: tavlinftp --data-dir DIR";
                return decision;
            }
            ++next;
        } else {
            break;
        }
    }
    if (next < arguments.size()) {
        if (arguments[next] == "uinstall")
            decision.mode = StartMode::Uninstall;
        else {
            decision.mode = StartMode::RemoveLeftover;
            decision.leftoverPath = arguments[next];
        }
        return decision;
    }
    decision.mode = isClientProgramName(programFile) ? StartMode::Client : StartMode::Install;
    return decision;
}
