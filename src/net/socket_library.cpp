#include "net/socket_library.h"

#include <atomic>
#include <csignal>

namespace SocketLibrary {
namespace {
std::atomic<int> liveSockets{0};
std::atomic<bool> prepared{false};
}  // namespace

void Acquire()
{
    if (liveSockets.fetch_add(1) == 0 && !prepared.exchange(true)) {
        // Writing to a connection the peer has dropped must surface as an
        // error number on that socket; the default SIGPIPE would end the
        // whole program instead. Sends also pass MSG_NOSIGNAL, this covers
        // any other write path. Left in place after the last socket goes:
        // restoring it could kill a program that still has pipes open.
        std::signal(SIGPIPE, SIG_IGN);
    }
}

void Release()
{
    liveSockets.fetch_sub(1);
}

int LiveSocketCount()
{
    return liveSockets.load();
}

}  // namespace SocketLibrary
