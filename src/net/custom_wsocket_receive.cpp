#include "net/custom_wsocket.h"

#include "net/custom_wsocket_internal.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <sys/ioctl.h>
#include <sys/socket.h>

// Receiving of the socket component: the reads a handler makes, and the
// loop that keeps offering data to the handler until the socket is drained.

using wsocket_internal::lastSocketError;

void TCustomWSocket::SetReadAhead(int size)
{
    // Bytes already fetched stay readable; the buffer only grows while it
    // holds some.
    const std::size_t wanted = static_cast<std::size_t>(std::max(0, size));
    if (AheadBuffered() == 0) {
        FReadAhead.assign(wanted, '\0');
        FAheadPos = FAheadEnd = 0;
        FAheadFull = false;
    } else if (wanted > FReadAhead.size()) {
        FReadAhead.resize(wanted);
    }
}

void TCustomWSocket::DropReadAhead()
{
    FAheadPos = FAheadEnd = 0;
    FAheadFull = false;
}

int TCustomWSocket::RecvRaw(void* buffer, int length, int flags)
{
    if (FHSocket == INVALID_SOCKET) {
        errno = ENOTSOCK;
        return -1;
    }
    if (FTls)
        return TlsRecv(buffer, length);
    const std::size_t wanted = static_cast<std::size_t>(std::max(0, length));
    // Urgent data and other special reads bypass the buffer.
    if (FReadAhead.empty() || (flags & ~MSG_PEEK) != 0)
        return static_cast<int>(::recv(FHSocket, buffer, wanted, flags));
    if (AheadBuffered() == 0) {
        // One large fetch; end of stream and errors reach the caller just
        // as a direct read would have returned them.
        const ssize_t count = ::recv(FHSocket, FReadAhead.data(), FReadAhead.size(), 0);
        FAheadFull = count == static_cast<ssize_t>(FReadAhead.size());
        if (count <= 0)
            return static_cast<int>(count);
        FAheadPos = 0;
        FAheadEnd = static_cast<std::size_t>(count);
    }
    const std::size_t count = std::min(wanted, AheadBuffered());
    if (count > 0)
        std::memcpy(buffer, FReadAhead.data() + FAheadPos, count);
    if ((flags & MSG_PEEK) == 0)
        FAheadPos += count;
    return static_cast<int>(count);
}

int TCustomWSocket::Receive(void* buffer, int length)
{
    const int count = RecvRaw(buffer, length, 0);
    if (count < 0)
        FLastError = ReceiveErrorCode();
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
        const std::size_t aheadBefore = AheadBuffered();
        const int tlsPendingBefore = FTls ? FTls->Pending() : 0;
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
        // A handler that paused the socket wants no further data events;
        // Resume brings the rest.
        if (FLastError != 0 || FHSocket == INVALID_SOCKET || FPaused)
            break;
        if (FTls) {
            // Decrypted bytes inside the TLS connection wake no readiness
            // watch either; a partial record in the kernel waits for its rest.
            const TlsMore more = TlsMoreToRead(tlsPendingBefore);
            if (more == TlsMore::Later)
                PostSocketEvent(FD_READ, 0);
            if (more != TlsMore::Yes)
                break;
            continue;
        }
        if (!FReadAhead.empty()) {
            // Bytes in our own buffer wake no readiness watch, so they are
            // offered here until taken. A reader that took none of them gets
            // them offered again from the event loop, not in a tight spin.
            if (AheadBuffered() > 0) {
                if (AheadBuffered() == aheadBefore) {
                    PostSocketEvent(FD_READ, 0);
                    break;
                }
                continue;
            }
            // After a fetch that filled the buffer more may be waiting; the
            // next read finds out (at worst "would block"). A shorter fetch
            // emptied the network, and the readiness watch reports the rest.
            if (FAheadFull)
                continue;
            break;
        }
        int waiting = 0;
        if (ioctl(FHSocket, FIONREAD, &waiting) != 0) {
            FLastError = lastSocketError();
            break;
        }
        if (waiting <= 0)
            break;
    }
}
