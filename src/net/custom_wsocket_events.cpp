#include "net/custom_wsocket.h"

#include "net/custom_wsocket_internal.h"
#include "net/socket_message_window.h"

#include <QCoreApplication>
#include <QThread>

#include <cerrno>
#include <stdexcept>
#include <sys/ioctl.h>
#include <sys/socket.h>

// How the socket component hears from the event loop: its own posted
// messages, the readiness of its socket turned into network events, and the
// dispatch of those events to the handlers. Pausing stops the watching.

using wsocket_internal::lastSocketError;

// --- messages --------------------------------------------------------------------

void TCustomWSocket::PostUserMessage(unsigned msg, std::intptr_t wParam, std::intptr_t lParam)
{
    FWindow->Post(TSocketMessage{msg, wParam, lParam, FSerial});
}

void TCustomWSocket::DispatchGuarded(const TSocketMessage& message)
{
    InvokeGuarded([this, &message] { HandleMessage(message); });
}

void TCustomWSocket::InvokeGuarded(const std::function<void()>& action)
{
    try {
        action();
    } catch (const std::exception& e) {
        HandleBgException(e);
    } catch (...) {
        HandleBgException(std::runtime_error("Unknown exception in socket event handler"));
    }
}

void TCustomWSocket::HandleMessage(const TSocketMessage& message)
{
    switch (message.Msg) {
    case WM_SOCKET_EVENT:
        if (message.WParam != FHSocket || message.Serial != FSerial || FPaused)
            return;
        HandleSocketEvent(LParamLow(message.LParam), LParamHigh(message.LParam));
        break;
    case WM_CLOSE_REQUEST:
        Close();
        break;
    case WM_RELEASE_REQUEST:
        delete this;
        break;
    case WM_TEST_EXCEPTION:
        throw ESocketException("Test exception in WSocket");
    default:
        break;
    }
}

void TCustomWSocket::DispatchSocketEvent(std::uint16_t events, std::uint16_t error)
{
    DispatchGuarded(TSocketMessage{WM_SOCKET_EVENT, FHSocket, MakeSocketLParam(events, error), FSerial});
}

void TCustomWSocket::PostSocketEvent(std::uint16_t events, std::uint16_t error)
{
    PostUserMessage(WM_SOCKET_EVENT, FHSocket, MakeSocketLParam(events, error));
}

void TCustomWSocket::HandleSocketEvent(std::uint16_t events, std::uint16_t error)
{
    // A handler may close (or even reopen) the socket; the remaining steps
    // of this notification belong to the connection that is gone then.
    const std::uint64_t serial = FSerial;
    const auto connectionGone = [&] { return FSerial != serial || FHSocket == INVALID_SOCKET; };
    if (FTlsHandshaking) {
        ContinueTlsHandshake(events, error);
        return;
    }
    if (FTls) {
        // A TLS read may wait for the socket to take data, a TLS send for
        // data to arrive.
        if ((events & FD_WRITE) && FTlsReadWantsWrite)
            events |= FD_READ;
        if ((events & FD_READ) && FTlsWriteWantsRead)
            events |= FD_WRITE;
    }
    if (events & FD_CONNECT) {
        ChangeState(wsConnected);
        TriggerSessionConnected(error);
        if (error != 0 && FState != wsClosed)
            Close();
        if (connectionGone())
            return;
    }
    if (events & FD_READ) {
        ReceiveLoop(error);
        if (connectionGone())
            return;
    }
    if (events & FD_WRITE) {
        TryToSend();
        // A send failure inside TryToSend may have closed the connection;
        // "all sent" then means nothing.
        if (connectionGone())
            return;
        if (FAllSent)
            TriggerDataSent(error);
        if (connectionGone())
            return;
    }
    if (events & FD_ACCEPT) {
        TriggerSessionAvailable(error);
        if (connectionGone())
            return;
    }
    // An end of sending that waited for the chain to empty, or for room
    // for close_notify.
    if (FEndSendingWanted) {
        ContinueEndSending();
        if (connectionGone())
            return;
    }
    if ((events & FD_CLOSE) && FState != wsConnecting) {
        ReceiveLoop(0);
        // Closed by a handler during the last reads: that close has
        // already been reported, and the report resets the once-flag.
        if (connectionGone())
            return;
        if (!FCloseInvoked) {
            FCloseInvoked = true;
            TriggerSessionClosed(TlsCloseError(error));
        }
        if (FState != wsClosed && !connectionGone())
            Close();
    }
}

// --- readiness -----------------------------------------------------------------

void TCustomWSocket::SelectEvents(std::uint16_t events)
{
    FSelectedEvents = events;
    UpdateWatches();
}

void TCustomWSocket::UpdateWatches()
{
    if (FHSocket == INVALID_SOCKET) {
        FWindow->StopWatching();
        return;
    }
    bool read = false;
    bool write = false;
    if (!FPaused) {
        if (FConnectPending) {
            write = true;
        } else {
            if (FState == wsListening && FType == SOCK_STREAM)
                read = (FSelectedEvents & FD_ACCEPT) && !FAcceptPending;
            else
                read = (FSelectedEvents & (FD_READ | FD_CLOSE)) && !FCloseSeen;
            write = FWriteBlocked && (FSelectedEvents & FD_WRITE);
            // The TLS handshake (or a read) waiting to send.
            if (FTls && FWriteBlocked)
                write = true;
        }
    }
    FWindow->WatchRead(FHSocket, read);
    FWindow->WatchWrite(FHSocket, write);
}

void TCustomWSocket::WatchForWrite(bool on)
{
    FWriteBlocked = on;
    UpdateWatches();
}

void TCustomWSocket::OnReadReady()
{
    if (FHSocket == INVALID_SOCKET)
        return;
    if (FState == wsListening && FType == SOCK_STREAM) {
        // Like the notification it replaces, the next one comes only after
        // Accept, so a listener nobody serves does not spin.
        FAcceptPending = true;
        UpdateWatches();
        DispatchSocketEvent(FD_ACCEPT, 0);
        return;
    }
    if (FType == SOCK_DGRAM) {
        DispatchSocketEvent(FD_READ, 0);
        return;
    }
    int waiting = 0;
    if (ioctl(FHSocket, FIONREAD, &waiting) == 0 && waiting > 0) {
        DispatchSocketEvent(FD_READ, 0);
        return;
    }
    char probe = 0;
    const ssize_t count = recv(FHSocket, &probe, 1, MSG_PEEK | MSG_DONTWAIT);
    if (count > 0) {
        DispatchSocketEvent(FD_READ, 0);
        return;
    }
    if (count < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR))
        return;
    const int error = count == 0 ? 0 : lastSocketError();
    // The peer is gone: report it once and stop watching for reads.
    FCloseSeen = true;
    UpdateWatches();
    DispatchSocketEvent(FD_CLOSE, static_cast<std::uint16_t>(error));
}

void TCustomWSocket::OnWriteReady()
{
    if (FHSocket == INVALID_SOCKET)
        return;
    if (FConnectPending) {
        FConnectPending = false;
        int soError = 0;
        socklen_t length = sizeof soError;
        if (getsockopt(FHSocket, SOL_SOCKET, SO_ERROR, &soError, &length) != 0)
            soError = errno;
        const int error = WinsockErrorFromErrno(soError);
        UpdateWatches();
        if (error == 0)
            PostSocketEvent(FD_WRITE, 0);   // a fresh connection can be written to
        DispatchSocketEvent(FD_CONNECT, static_cast<std::uint16_t>(error));
        return;
    }
    FWriteBlocked = false;
    UpdateWatches();
    DispatchSocketEvent(FD_WRITE, 0);
}

void TCustomWSocket::Pause()
{
    FPaused = true;
    UpdateWatches();
}

void TCustomWSocket::Resume()
{
    FPaused = false;
    std::uint16_t events = FD_READ | FD_WRITE | FD_CONNECT | FD_CLOSE;
    if (FState == wsListening)
        events |= FD_ACCEPT;   // otherwise a resumed listener would never accept again
    SelectEvents(events);
    if (FHSocket != INVALID_SOCKET && FState == wsConnected) {
        // Bytes read ahead before the pause wake no readiness watch.
        PostSocketEvent(AheadBuffered() > 0 ? FD_READ | FD_WRITE : FD_WRITE, 0);
    }
}

// --- running the event loop ------------------------------------------------------

void TCustomWSocket::PumpMessages()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    if (FMultiThreaded && QThread::currentThread()->isInterruptionRequested())
        FTerminated = true;
}
