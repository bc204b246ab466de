#include "net/custom_wsocket.h"

#include "net/custom_wsocket_internal.h"

#include <algorithm>
#include <cerrno>
#include <poll.h>
#include <sys/socket.h>

// Sending of the socket component: data is queued in the chain of blocks
// and pushed out as the network takes it; Flush waits until it is gone.

using wsocket_internal::lastSocketError;

void TCustomWSocket::DeleteBufferedData()
{
    FBufList.clear();
}

int TCustomWSocket::Send(const void* data, int length)
{
    if (FState != wsConnected) {
        SocketError("Send", WSAENOTCONN);
        return -1;
    }
    FAllSent = false;
    if (length > 0) {
        const char* bytes = static_cast<const char*>(data);
        int stored = 0;
        if (!FBufList.empty())
            stored = FBufList.back()->Write(bytes, length);
        while (stored < length) {
            FBufList.push_back(std::make_unique<TBuffer>(FBufSize));
            stored += FBufList.back()->Write(bytes + stored, length - stored);
        }
    }
    TryToSend();
    if (FAllSent && FHSocket != INVALID_SOCKET)
        PostSocketEvent(FD_WRITE, 0);
    return length <= 0 ? 0 : length;
}

int TCustomWSocket::SendStr(const std::string& text)
{
    return Send(text.data(), static_cast<int>(text.size()));
}

int TCustomWSocket::SendRaw(const void* data, int length)
{
    int flags = MSG_NOSIGNAL;
    if (FSendFlags == wsSendUrgent)
        flags |= MSG_OOB;
    ssize_t count;
    if (FType == SOCK_DGRAM)
        count = ::sendto(FHSocket, data, static_cast<std::size_t>(length), flags,
                         reinterpret_cast<const sockaddr*>(&FSin), sizeof FSin);
    else
        count = ::send(FHSocket, data, static_cast<std::size_t>(length), flags);
    if (count > 0) {
        const int savedErrno = errno;
        TriggerSendData(static_cast<int>(count));
        errno = savedErrno;
    }
    return static_cast<int>(count);
}

int TCustomWSocket::SendTo(const sockaddr_in& dest, const void* data, int length)
{
    if (FHSocket == INVALID_SOCKET) {
        FLastError = WSAENOTSOCK;
        return -1;
    }
    int flags = MSG_NOSIGNAL;
    if (FSendFlags == wsSendUrgent)
        flags |= MSG_OOB;
    const int count = static_cast<int>(::sendto(FHSocket, data, static_cast<std::size_t>(std::max(0, length)), flags,
                                                reinterpret_cast<const sockaddr*>(&dest), sizeof dest));
    if (count < 0)
        FLastError = lastSocketError();
    else if (count > 0)
        TriggerSendData(count);
    return count;
}

void TCustomWSocket::TryToSend()
{
    if (FHSocket == INVALID_SOCKET)
        return;
    if (FBufList.empty()) {
        // Nothing queued at all counts as everything sent; otherwise a Send
        // of zero bytes on a fresh connection would leave Flush waiting
        // forever.
        FAllSent = true;
        return;
    }
    for (;;) {
        TBuffer& block = *FBufList.front();
        int length = 0;
        const char* data = block.Peek(length);
        if (length <= 0) {
            if (FBufList.size() > 1) {
                FBufList.pop_front();
                continue;
            }
            FAllSent = true;
            break;
        }
        const int count = SendRaw(data, length);
        if (count > 0) {
            block.Remove(count);
            if (count < length) {
                WatchForWrite(true);
                break;
            }
            continue;
        }
        if (count == 0) {
            WatchForWrite(true);
            break;
        }
        const int error = lastSocketError();
        if (error == WSAEWOULDBLOCK) {
            WatchForWrite(true);
            break;
        }
        if (error == WSAEINVAL || error == WSAENOTSOCK || error == WSAECONNABORTED || error == WSAECONNRESET ||
            error == WSAENOTCONN) {
            FCloseInvoked = true;
            DoClose(true, error);
            TriggerSessionClosed(static_cast<std::uint16_t>(error));
            break;
        }
        SocketError("TryToSend failed", error);
        break;
    }
}

void TCustomWSocket::Flush()
{
    while (FHSocket != INVALID_SOCKET && !FAllSent) {
        TryToSend();
        if (FHSocket == INVALID_SOCKET || FAllSent)
            break;
        PumpMessages();
        if (FHSocket == INVALID_SOCKET)
            break;
        // Sleep until the network takes more instead of spinning.
        pollfd waitFor{FHSocket, POLLOUT, 0};
        ::poll(&waitFor, 1, 50);
    }
}
