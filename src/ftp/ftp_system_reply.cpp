#include "ftp/ftp_system_reply.h"

#include <cctype>

bool SystemReplyNamesUnix(const std::string& reply)
{
    // Only the final line counts: a multi-line reply ends with "215 ...".
    const std::size_t lineStart = reply.find_last_of('\n', reply.size() > 1 ? reply.size() - 2 : 0);
    std::size_t i = lineStart == std::string::npos ? 0 : lineStart + 1;
    if (reply.compare(i, 3, "215") != 0)
        return false;
    i += 3;
    while (i < reply.size() && reply[i] == ' ')
        ++i;
    static const std::string kSystemName = "UNIX";
    for (const char expected : kSystemName) {
        if (i >= reply.size() || std::toupper(static_cast<unsigned char>(reply[i])) != expected)
            return false;
        ++i;
    }
    return i == reply.size() || !std::isalnum(static_cast<unsigned char>(reply[i]));
}
