#include "net/custom_wsocket.h"

#include "net/custom_wsocket_internal.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/uio.h>

// TLS on the socket component. The handshake and every read and write run
// on the same readiness events as plain data; OpenSSL may need the other
// direction (a read that must first send, a send that must first read), and
// the watches follow what it asks for.

using wsocket_internal::lastSocketError;

namespace {
// Plain text handed to one TLS write: several full records, so that small
// blocks of the send chain do not each become a record of their own.
constexpr std::size_t TlsWriteBatch = 64 * 1024;
// How long an orderly close waits for room to send close_notify.
constexpr int CloseNotifyWaitMs = 2000;
}  // namespace

bool TCustomWSocket::StartTls(const TlsClientSettings& settings)
{
    if (FHSocket == INVALID_SOCKET || FState != wsConnected || FType != SOCK_STREAM) {
        SocketError("StartTls", WSAENOTCONN);
        return false;
    }
    if (FTls) {
        ReportError("StartTls: TLS already started");
        return false;
    }
    FTlsErrorText.clear();
    FTls = std::make_unique<TlsChannel>(settings, FHSocket);
    if (!FTls->Valid()) {
        FTlsErrorText = FTls->ErrorText();
        FTls.reset();
        SocketError("StartTls", TLS_E_SETUP);
        return false;
    }
    FTlsHandshaking = true;
    FTlsReadWantsWrite = FTlsWriteWantsRead = FTlsReadBlocked = FTlsCloseReported = false;
    // The client speaks first; the event loop gets it going, so OnTlsDone
    // never fires inside this call.
    PostSocketEvent(FD_WRITE, 0);
    return true;
}

void TCustomWSocket::ContinueTlsHandshake(std::uint16_t events, std::uint16_t error)
{
    int result = 0;
    if ((events & FD_CLOSE) && !(events & FD_READ)) {
        // Closed before any answer: whatever is left is read by the handshake.
        result = FTls->Handshake();
        if (result == 0)
            result = -1;
    } else if (events & (FD_READ | FD_WRITE)) {
        result = FTls->Handshake();
    } else {
        return;
    }
    if (result == 0) {
        // The watches follow the direction the handshake waits for.
        WatchForWrite(FTls->Wants() == TlsChannel::Want::Write);
        return;
    }
    FTlsHandshaking = false;
    WatchForWrite(false);
    if (result < 0) {
        FTlsErrorText = FTls->Failed() ? FTls->ErrorText() : "TLS handshake failed: the server closed the connection";
        if (error == 0)
            error = static_cast<std::uint16_t>(FTls->Failed() ? FTls->ErrorCode() : TLS_E_HANDSHAKE);
        FLastError = error;
        const std::uint64_t serial = FSerial;
        TriggerTlsDone(error);
        if (FSerial == serial && FHSocket != INVALID_SOCKET)
            DoClose(false, error);
        return;
    }
    const std::uint64_t serial = FSerial;
    TriggerTlsDone(0);
    if (FSerial != serial || FHSocket == INVALID_SOCKET)
        return;
    // What was sent during the handshake goes out now; its OnDataSent
    // follows as for any send.
    if (!FAllSent) {
        TryToSend();
        if (FSerial != serial || FHSocket == INVALID_SOCKET)
            return;
        if (FAllSent)
            PostSocketEvent(FD_WRITE, 0);
    }
    if (FEndSendingWanted) {
        ContinueEndSending();
        if (FSerial != serial || FHSocket == INVALID_SOCKET)
            return;
    }
    // Data that came with the end of the handshake wakes no watch.
    int waiting = 0;
    if (FTls->Pending() > 0 || (ioctl(FHSocket, FIONREAD, &waiting) == 0 && waiting > 0))
        PostSocketEvent(FD_READ, 0);
}

int TCustomWSocket::TlsRecv(void* buffer, int length)
{
    if (FTlsHandshaking) {
        errno = EAGAIN;
        return -1;
    }
    const int count = FTls->Read(buffer, std::max(0, length));
    FTlsReadBlocked = false;
    FTlsReadWantsWrite = false;
    if (count > 0)
        return count;
    if (count == 0) {
        // close_notify: the end of the data, whether or not the peer has
        // closed the connection itself yet.
        if (!FTlsCloseReported) {
            FTlsCloseReported = true;
            PostSocketEvent(FD_CLOSE, 0);
        }
        return 0;
    }
    if (FTls->Failed()) {
        FTlsErrorText = FTls->ErrorText();
        errno = EPROTO;
        return -1;
    }
    FTlsReadBlocked = true;
    if (FTls->Wants() == TlsChannel::Want::Write) {
        FTlsReadWantsWrite = true;
        WatchForWrite(true);
    }
    errno = EAGAIN;
    return -1;
}

int TCustomWSocket::TlsSendGathered(const iovec* parts, int partCount)
{
    // The blocks are copied into one batch: a TLS record per 1514-byte block
    // would cost a record header and a seal each. A write that has to wait
    // is offered the same bytes again (the chain keeps them), possibly more.
    std::size_t total = 0;
    for (int i = 0; i < partCount && total < TlsWriteBatch; ++i)
        total += std::min(parts[i].iov_len, TlsWriteBatch - total);
    FTlsStaging.resize(total);
    std::size_t at = 0;
    for (int i = 0; i < partCount && at < total; ++i) {
        const std::size_t part = std::min(parts[i].iov_len, total - at);
        std::memcpy(FTlsStaging.data() + at, parts[i].iov_base, part);
        at += part;
    }
    FTlsWriteWantsRead = false;
    int written = 0;
    while (static_cast<std::size_t>(written) < total) {
        const int count = FTls->Write(FTlsStaging.data() + written, static_cast<int>(total) - written);
        if (count > 0) {
            written += count;
            continue;
        }
        if (FTls->Failed()) {
            FTlsErrorText = FTls->ErrorText();
            if (written > 0)
                break;
            errno = EPROTO;
            return -1;
        }
        if (FTls->Wants() == TlsChannel::Want::Read)
            FTlsWriteWantsRead = true;
        if (written > 0)
            break;
        errno = EAGAIN;
        return -1;
    }
    return written;
}

void TCustomWSocket::TlsSendCloseNotify()
{
    if (!FTls || FTlsHandshaking || !FTls->Established() || FTls->Failed())
        return;
    // The alert is small, and everything sent before it has been taken by
    // the kernel; only a full send buffer makes it wait, and only briefly:
    // an orderly close must not hang on a peer that reads nothing.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(CloseNotifyWaitMs);
    for (;;) {
        const int result = FTls->SendCloseNotify();
        if (result != 0)
            return;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
        if (left <= 0)
            return;
        pollfd waitFor{FHSocket, static_cast<short>(FTls->Wants() == TlsChannel::Want::Read ? POLLIN : POLLOUT), 0};
        if (::poll(&waitFor, 1, static_cast<int>(left)) <= 0)
            return;
    }
}

std::uint16_t TCustomWSocket::TlsCloseError(std::uint16_t error) const
{
    if (!FTls || error != 0)
        return error;
    if (FTlsHandshaking)
        return TLS_E_HANDSHAKE;
    if (FTls->Failed())
        return static_cast<std::uint16_t>(FTls->ErrorCode());
    return FTls->PeerClosed() ? 0 : static_cast<std::uint16_t>(TLS_E_TRUNCATED);
}

TCustomWSocket::TlsMore TCustomWSocket::TlsMoreToRead(int pendingBefore) const
{
    const int pending = FTls->Pending();
    if (pending > 0)
        return pending == pendingBefore ? TlsMore::Later : TlsMore::Yes;
    if (FTlsReadBlocked || FTls->PeerClosed() || FTls->Failed())
        return TlsMore::No;
    int waiting = 0;
    if (ioctl(FHSocket, FIONREAD, &waiting) != 0 || waiting <= 0)
        return TlsMore::No;
    return TlsMore::Yes;
}

void TCustomWSocket::DropTls()
{
    FTls.reset();
    FTlsHandshaking = false;
    FTlsReadWantsWrite = FTlsWriteWantsRead = FTlsReadBlocked = FTlsCloseReported = false;
}

void TCustomWSocket::TriggerTlsDone(std::uint16_t error)
{
    if (OnTlsDone)
        OnTlsDone(this, error);
}

int TCustomWSocket::ReceiveErrorCode() const
{
    if (FTls && FTls->Failed())
        return FTls->ErrorCode();
    return lastSocketError();
}
