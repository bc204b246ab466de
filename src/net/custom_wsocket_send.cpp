#include "net/custom_wsocket.h"

#include "net/custom_wsocket_internal.h"

#include <algorithm>
#include <cerrno>
#include <poll.h>
#include <sys/socket.h>
#include <sys/uio.h>

// Sending of the socket component: data is queued in the chain of blocks
// and pushed out as the network takes it; Flush waits until it is gone.
// A stream socket hands the kernel many blocks per system call, and asks
// the event loop for write readiness only when the kernel took less than
// it was offered.

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

int TCustomWSocket::SendGathered(const iovec* parts, int partCount)
{
    if (FTls)
        return TlsSendGathered(parts, partCount);
    msghdr message{};
    message.msg_iov = const_cast<iovec*>(parts);
    message.msg_iovlen = static_cast<std::size_t>(partCount);
    const ssize_t count = ::sendmsg(FHSocket, &message, MSG_NOSIGNAL);
    return static_cast<int>(count);
}

void TCustomWSocket::TryToSend()
{
    if (FHSocket == INVALID_SOCKET)
        return;
    // Until the handshake is done, data waits in the chain.
    if (FTlsHandshaking)
        return;
    if (FBufList.empty()) {
        // Nothing queued at all counts as everything sent; otherwise a Send
        // of zero bytes on a fresh connection would leave Flush waiting
        // forever.
        FAllSent = true;
        return;
    }
    // A datagram ends with its send, and urgent data marks the last byte of
    // each send: both keep going out one block per call.
    if (!FTls && (FType == SOCK_DGRAM || FSendFlags == wsSendUrgent))
        TrySendBlockByBlock();
    else
        TrySendGathered();
}

void TCustomWSocket::DropSentBlocks()
{
    while (FBufList.size() > 1) {
        int length = 0;
        FBufList.front()->Peek(length);
        if (length > 0)
            break;
        FBufList.pop_front();
    }
}

void TCustomWSocket::HandleSendFailure(int count)
{
    if (FTls && FTlsWriteWantsRead) {
        // The send goes on when data arrives; the read watch brings it.
        WatchForWrite(false);
        return;
    }
    if (count >= 0) {
        WatchForWrite(true);
        return;
    }
    const int error = FTls && FTls->Failed() ? FTls->ErrorCode() : lastSocketError();
    if (error == WSAEWOULDBLOCK) {
        WatchForWrite(true);
        return;
    }
    if (error == WSAEINVAL || error == WSAENOTSOCK || error == WSAECONNABORTED || error == WSAECONNRESET ||
        error == WSAENOTCONN || (FTls && FTls->Failed())) {
        FCloseInvoked = true;
        DoClose(true, error);
        TriggerSessionClosed(static_cast<std::uint16_t>(error));
        return;
    }
    SocketError("TryToSend failed", error);
}

void TCustomWSocket::TrySendGathered()
{
    // One system call offers the kernel every queued block it can hold, so
    // a large queue costs few calls. OnSendData still comes once for each
    // block the kernel took from, with that block's share, as it does when
    // blocks go out one by one.
    const std::uint64_t serial = FSerial;
    for (;;) {
        DropSentBlocks();
        iovec parts[MaxGatheredBlocks];
        int partCount = 0;
        std::size_t offered = 0;
        for (const auto& block : FBufList) {
            if (partCount == MaxGatheredBlocks)
                break;
            int length = 0;
            const char* data = block->Peek(length);
            if (length <= 0)
                break;   // only the last block can be empty
            // The count taken must fit the result, whatever the block size.
            if (partCount > 0 && offered + static_cast<std::size_t>(length) > MaxGatheredBytes)
                break;
            parts[partCount++] = iovec{const_cast<char*>(data), static_cast<std::size_t>(length)};
            offered += static_cast<std::size_t>(length);
        }
        if (partCount == 0) {
            FAllSent = true;
            return;
        }
        const int count = SendGathered(parts, partCount);
        if (count <= 0) {
            HandleSendFailure(count);
            return;
        }
        // The blocks are settled before any handler runs, so a handler may
        // send, close or abort.
        int taken[MaxGatheredBlocks];
        int takenCount = 0;
        int left = count;
        for (auto it = FBufList.begin(); left > 0 && it != FBufList.end(); ++it) {
            int length = 0;
            (*it)->Peek(length);
            const int part = std::min(left, length);
            (*it)->Remove(part);
            taken[takenCount++] = part;
            left -= part;
        }
        for (int i = 0; i < takenCount; ++i) {
            TriggerSendData(taken[i]);
            if (FSerial != serial || FHSocket == INVALID_SOCKET)
                return;
        }
        if (static_cast<std::size_t>(count) < offered) {
            // The kernel is full; its readiness brings the rest.
            WatchForWrite(true);
            return;
        }
    }
}

void TCustomWSocket::TrySendBlockByBlock()
{
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
        HandleSendFailure(count);
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
