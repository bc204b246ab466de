#pragma once

#include "net/socket_errors.h"

#include <cerrno>

// Shared by the source files of TCustomWSocket and nothing else.
namespace wsocket_internal {

// The failure of the socket call that just returned, as the Windows Sockets
// number the rest of the program shows and compares.
inline int lastSocketError()
{
    return WinsockErrorFromErrno(errno);
}

}  // namespace wsocket_internal
