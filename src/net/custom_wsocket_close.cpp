#include "net/custom_wsocket.h"

#include "net/custom_wsocket_internal.h"
#include "net/socket_message_window.h"

#include <cerrno>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

// Closing of the socket component: orderly close, abort, deferred close and
// release, shutdown, the linger option, and waiting for the peer to close.

using wsocket_internal::lastSocketError;

void TCustomWSocket::Close()
{
    DoClose(true, 0);
}

void TCustomWSocket::CloseLater()
{
    PostUserMessage(WM_CLOSE_REQUEST);
}

void TCustomWSocket::ReleaseLater()
{
    PostUserMessage(WM_RELEASE_REQUEST);
}

void TCustomWSocket::Abort()
{
    CancelDnsLookup();
    DeleteBufferedData();
    if (FHSocket != INVALID_SOCKET && FType == SOCK_STREAM && FState == wsConnected) {
        FLingerOnOff = wsLingerOff;
        SetLingerOption();
    }
    DoClose(false, 0);
}

void TCustomWSocket::DoClose(bool shutdown, int error)
{
    if (FHSocket == INVALID_SOCKET) {
        if (FState != wsClosed) {
            ChangeState(wsClosed);
            ResetProperties();
        }
        return;
    }
    if (FState == wsClosed) {
        // A socket that never got past creation (a failed bind): release it
        // quietly, there was no session to report.
        CloseHandleNow();
        return;
    }
    if (shutdown) {
        TlsSendCloseNotify();
        ::shutdown(FHSocket, SHUT_WR);
        // Bytes that arrived and were never read (a TLS session ticket on an
        // upload's data connection, a late reply) would turn the close into
        // a reset, and a reset can cost the peer the end of what was sent.
        // What has arrived is read away first; it would be lost anyway.
        char unread[4096];
        for (int round = 0; round < 64; ++round)
            if (::recv(FHSocket, unread, sizeof unread, MSG_DONTWAIT) <= 0)
                break;
        // A linger of zero seconds turns close into a reset that throws away
        // whatever the peer has not yet received. An orderly close must
        // deliver everything that was sent, so the reset is kept for Abort.
        if (FLingerOnOff == wsLingerOn && FLingerTimeout == 0 && FType == SOCK_STREAM) {
            linger option{};
            setsockopt(FHSocket, SOL_SOCKET, SO_LINGER, &option, sizeof option);
        }
    }
    FWindow->StopWatching();
    const int rc = ::close(FHSocket);
    if (rc != 0 && errno != EINTR)
        FLastError = lastSocketError();   // the descriptor is released anyway
    FHSocket = INVALID_SOCKET;
    CloseHandleNow();   // resets the watch flags
    ChangeState(wsClosed);
    const std::uint64_t serial = FSerial;
    if (!FDestroying && !FCloseInvoked) {
        FCloseInvoked = true;
        TriggerSessionClosed(static_cast<std::uint16_t>(error));
    }
    // A handler that connected again from the close event owns a new
    // socket now; resetting would cut it loose.
    if (FSerial != serial)
        return;
    try {
        ResetProperties();
    } catch (...) {
    }
}

void TCustomWSocket::Shutdown(int how)
{
    if (FHSocket != INVALID_SOCKET)
        ::shutdown(FHSocket, how);
}

void TCustomWSocket::EndSending()
{
    if (FHSocket == INVALID_SOCKET || FState != wsConnected || FType != SOCK_STREAM)
        return;
    FEndSendingWanted = true;
    ContinueEndSending();
}

void TCustomWSocket::ContinueEndSending()
{
    if (!FEndSendingWanted || FHSocket == INVALID_SOCKET || !FAllSent || FTlsHandshaking)
        return;
    if (FTls && FTls->Established() && !FTls->Failed()) {
        // Unlike the close, nothing here waits: the alert that finds the
        // socket full goes out from the event loop once there is room (or,
        // amid a renegotiation, once the peer's part has come).
        if (FTls->SendCloseNotify() == 0) {
            if (FTls->Wants() == TlsChannel::Want::Write)
                WatchForWrite(true);
            return;
        }
    }
    FEndSendingWanted = false;
    ::shutdown(FHSocket, SHUT_WR);
}

void TCustomWSocket::CloseHandleNow()
{
    FWindow->StopWatching();
    if (FHSocket != INVALID_SOCKET)
        ::close(FHSocket);
    FHSocket = INVALID_SOCKET;
    DropTls();
    FConnectPending = false;
    FEndSendingWanted = false;
    FCloseSeen = false;
    FAcceptPending = false;
    DropReadAhead();
    FWriteBlocked = false;
}

void TCustomWSocket::SetLingerOption()
{
    if (FLingerOnOff == wsLingerNoSet)
        return;
    if (FHSocket == INVALID_SOCKET) {
        ReportError("Cannot set linger option at this time");
        return;
    }
    linger option{};
    option.l_onoff = FLingerOnOff == wsLingerOn ? 1 : 0;
    option.l_linger = FLingerTimeout;
    if (setsockopt(FHSocket, SOL_SOCKET, SO_LINGER, &option, sizeof option) != 0)
        SocketError("setsockopt(SO_LINGER)", lastSocketError());
}

void TCustomWSocket::WaitForClose()
{
    while (FHSocket != INVALID_SOCKET && FState != wsClosed) {
        PumpMessages();
        if (FHSocket == INVALID_SOCKET)
            break;
        if (RcvdCount() > 0)
            TriggerDataAvailable(0);
        if (FHSocket == INVALID_SOCKET)
            break;
        // A zero-length receive says nothing on POSIX; peek at one byte
        // instead: only "nothing yet" keeps the wait going.
        char probe = 0;
        const ssize_t count = recv(FHSocket, &probe, 1, MSG_PEEK | MSG_DONTWAIT);
        if (!(count < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)))
            break;
        pollfd waitFor{FHSocket, POLLIN, 0};
        ::poll(&waitFor, 1, 50);
    }
}
