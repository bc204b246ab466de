#include "core/kill_point.h"

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <string>

void passKillPoint(const char* name)
{
    static const std::string wanted = [] {
        const char* value = std::getenv("TAVLINFTP_TEST_KILL_AT");
        return std::string(value ? value : "");
    }();
    if (wanted.empty())
        return;
    const std::size_t colon = wanted.rfind(':');
    if (colon == std::string::npos || wanted.compare(0, colon, name) != 0 || std::strlen(name) != colon)
        return;
    static long passed = 0;
    if (++passed == std::strtol(wanted.c_str() + colon + 1, nullptr, 10))
        std::raise(SIGKILL);
}
