#pragma once

#include <string>

// Whether a SYST reply ("215 UNIX Type: L8") names UNIX as the server's
// system: the first word after the code, in any case. Such a server keeps
// the line ends of a file sent in ASCII type as they are on a UNIX client.
bool SystemReplyNamesUnix(const std::string& reply);
