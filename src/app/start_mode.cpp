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
    if (!arguments.empty()) {
        if (arguments.front() == "uinstall")
            return {StartMode::Uninstall, {}};
        return {StartMode::RemoveLeftover, arguments.front()};
    }
    return {isClientProgramName(programFile) ? StartMode::Client : StartMode::Install, {}};
}
