#include "net/custom_wsocket.h"

#include "net/custom_wsocket_internal.h"

#include <algorithm>
#include <cerrno>
#include <sys/ioctl.h>
#include <sys/socket.h>

// Receiving of the socket component: the reads a handler makes, and the
// loop that keeps offering data to the handler until the socket is drained.

using wsocket_internal::lastSocketError;

int TCustomWSocket::RecvRaw(void* buffer, int length, int flags)
{
    if (FHSocket == INVALID_SOCKET) {
        errno = ENOTSOCK;
        return -1;
    }
    return static_cast<int>(::recv(FHSocket, buffer, static_cast<std::size_t>(std::max(0, length)), flags));
}

int TCustomWSocket::Receive(void* buffer, int length)
{
    const int count = RecvRaw(buffer, length, 0);
    if (count < 0)
        FLastError = lastSocketError();
    else
        FReadCount += count;
    return count;
}

std::string TCustomWSocket::ReceiveStr()
{
    const int waiting = RcvdCount();
    if (waiting <= 0)
        return {};
    std::string data(static_cast<std::size_t>(waiting), '\0');
    const int count = Receive(data.data(), waiting);
    if (count <= 0)
        return {};
    data.resize(static_cast<std::size_t>(count));
    return data;
}

int TCustomWSocket::ReceiveFrom(void* buffer, int length, sockaddr_in& from, int& fromLength)
{
    if (FHSocket == INVALID_SOCKET) {
        FLastError = WSAENOTSOCK;
        return -1;
    }
    socklen_t size = static_cast<socklen_t>(std::max(0, fromLength));
    const int count = static_cast<int>(::recvfrom(FHSocket, buffer, static_cast<std::size_t>(std::max(0, length)), 0,
                                                  reinterpret_cast<sockaddr*>(&from), &size));
    if (count < 0) {
        FLastError = lastSocketError();
    } else {
        FReadCount += count;
        fromLength = static_cast<int>(size);
    }
    return count;
}

void TCustomWSocket::ReceiveLoop(std::uint16_t error)
{
    for (;;) {
        FLastError = 0;
        if (!TriggerDataAvailable(error)) {
            // Nobody reads: drain so that the connection does not stall.
            char discard[1024];
            const int count = Receive(discard, sizeof discard);
            if (count < 0 && FLastError == WSAEWOULDBLOCK)
                FLastError = 0;
            if (count <= 0)
                break;
        }
        if (FLastError != 0 || FHSocket == INVALID_SOCKET)
            break;
        int waiting = 0;
        if (ioctl(FHSocket, FIONREAD, &waiting) != 0) {
            FLastError = lastSocketError();
            break;
        }
        if (waiting <= 0)
            break;
    }
}
