#include "net/custom_wsocket.h"

#include "net/socket_library.h"
#include "net/socket_message_window.h"
#include "net/socket_resolve.h"

#include <QCoreApplication>
#include <QThread>

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

std::string trimmed(const std::string& text)
{
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return {};
    const auto last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

int lastSocketError()
{
    return WinsockErrorFromErrno(errno);
}

// Outcomes of connect() that the network decides. Windows Sockets reports
// them through the connect notification even when the stack knows at once,
// and callers rely on that order, so they are delivered the same way.
bool isConnectOutcome(int posixErrno)
{
    switch (posixErrno) {
    case ECONNREFUSED:
    case ETIMEDOUT:
    case ENETUNREACH:
    case EHOSTUNREACH:
    case ECONNRESET:
        return true;
    default:
        return false;
    }
}

}  // namespace

TCustomWSocket::TCustomWSocket()
{
    FWindow = new SocketMessageWindow(this);
    ResetProperties();
    SocketLibrary::Acquire();
}

TCustomWSocket::~TCustomWSocket()
{
    FDestroying = true;
    try {
        CancelDnsLookup();
    } catch (...) {
    }
    try {
        if (FHSocket != INVALID_SOCKET)
            DoClose(false, 0);
    } catch (...) {
    }
    if (FHSocket != INVALID_SOCKET)
        CloseHandleNow();
    SocketLibrary::Release();
    FBufList.clear();
    FWindow->Release();
    FWindow = nullptr;
}

// --- properties ------------------------------------------------------------

void TCustomWSocket::SetAddr(const std::string& value)
{
    const std::string addr = trimmed(value);
    if (FState != wsClosed) {
        if (addr != FAddrStr)
            ReportError("Cannot change Addr if not closed");
        return;
    }
    FAddrStr = addr;
    FAddrAssigned = !addr.empty();
    FAddrResolved = false;
}

void TCustomWSocket::SetPort(const std::string& value)
{
    const std::string port = trimmed(value);
    if (FState != wsClosed) {
        if (port != FPortStr)
            ReportError("Cannot change Port if not closed");
        return;
    }
    FPortStr = port;
    FPortAssigned = !port.empty();
    FPortResolved = false;
}

void TCustomWSocket::SetProto(const std::string& value)
{
    const std::string proto = trimmed(value);
    if (FState != wsClosed) {
        if (proto != FProtoStr)
            ReportError("Cannot change Proto if not closed");
        return;
    }
    FProtoStr = proto;
    FProtoAssigned = !proto.empty();
    FProtoResolved = false;
}

void TCustomWSocket::SetLocalAddr(const std::string& value)
{
    if (FState != wsClosed) {
        ReportError("Cannot change LocalAddr if not closed");
        return;
    }
    std::string addr = trimmed(value);
    if (addr.empty())
        addr = "0.0.0.0";
    if (inet_addr(addr.c_str()) == INADDR_NONE) {
        ReportError("SetLocalAddr(): Invalid IP address");
        return;
    }
    FLocalAddr = addr;
}

void TCustomWSocket::SetLocalPort(const std::string& value)
{
    if (FState != wsClosed) {
        ReportError("Cannot change LocalPort if not closed");
        return;
    }
    FLocalPortStr = value;
    FLocalPortResolved = false;
}

std::string TCustomWSocket::PeerAddr()
{
    if (FState != wsConnected)
        return "error";
    sockaddr_in peer{};
    socklen_t length = sizeof peer;
    if (getpeername(FHSocket, reinterpret_cast<sockaddr*>(&peer), &length) != 0) {
        SocketError("GetPeerName", lastSocketError());
        return "error";
    }
    return DottedAddress(peer.sin_addr.s_addr);
}

std::string TCustomWSocket::PeerPort()
{
    if (FState != wsConnected)
        return "error";
    sockaddr_in peer{};
    socklen_t length = sizeof peer;
    if (getpeername(FHSocket, reinterpret_cast<sockaddr*>(&peer), &length) != 0) {
        SocketError("GetPeerPort", lastSocketError());
        return "error";
    }
    return std::to_string(ntohs(peer.sin_port));
}

int TCustomWSocket::RcvdCount()
{
    if (FHSocket == INVALID_SOCKET)
        return 0;
    int waiting = 0;
    if (ioctl(FHSocket, FIONREAD, &waiting) != 0)
        return 0;
    return waiting;
}

TSocketSendFlags TCustomWSocket::SendFlags()
{
    if (FSendFlags != wsSendNormal && FSendFlags != wsSendUrgent) {
        ReportError("Invalid internal SendFlags");
        return wsSendNormal;
    }
    return static_cast<TSocketSendFlags>(FSendFlags);
}

void TCustomWSocket::SetSendFlags(TSocketSendFlags value)
{
    if (value != wsSendNormal && value != wsSendUrgent) {
        ReportError("Invalid SendFlags");
        return;
    }
    FSendFlags = value;
}

// --- state and reporting -----------------------------------------------------

void TCustomWSocket::ResetProperties()
{
    FSin = sockaddr_in{};
    FSin.sin_family = AF_INET;
    FProtoStr = "tcp";
    FProto = IPPROTO_TCP;
    FType = SOCK_STREAM;
    FProtoAssigned = true;
    FAddrAssigned = false;
    FPortAssigned = false;
    FAddrResolved = false;
    FPortResolved = false;
    FProtoResolved = false;
    FLocalPortResolved = false;
    FLocalPortStr = std::string("0");   // (a temporary: GCC 12 misreads the literal form as an overlapping copy)
    FLocalAddr = "0.0.0.0";
    FLingerOnOff = wsLingerOn;
    FLingerTimeout = 0;
    FHSocket = INVALID_SOCKET;
    FState = wsClosed;   // a plain reset, not a state change anyone sees
    FAllSent = true;
    FPaused = false;
    FReadCount = 0;
    FCloseInvoked = false;
}

void TCustomWSocket::ChangeState(TSocketState newState)
{
    const TSocketState oldState = FState;
    FState = newState;
    TriggerChangeState(oldState, newState);
}

void TCustomWSocket::ReportErrorFmt(const char* format, ...)
{
    char text[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    ReportError(text);
}

void TCustomWSocket::ReportError(const std::string& text)
{
    FLastErrorMessage = text;
    if (OnError)
        TriggerError();
    else
        throw ESocketException(text, FLastError);
}

void TCustomWSocket::SocketError(const std::string& op, int error)
{
    FLastError = error;
    const std::string text = "Error " + std::to_string(error) + " in function " + op + "\r\n" + SocketErrorText(error);
    if (error == WSAECONNRESET || error == WSAENOTCONN) {
        if (FHSocket != INVALID_SOCKET)
            CloseHandleNow();
        ChangeState(wsClosed);
    }
    ReportError(text);
}

void TCustomWSocket::HandleBgException(const std::exception& e)
{
    bool canClose = true;
    if (OnBgException) {
        try {
            OnBgException(this, e, canClose);
        } catch (...) {
        }
    }
    if (canClose) {
        try {
            Abort();
        } catch (...) {
        }
    }
}

// --- triggers ------------------------------------------------------------------

bool TCustomWSocket::TriggerDataAvailable(std::uint16_t error)
{
    if (!OnDataAvailable)
        return false;
    OnDataAvailable(this, error);
    return true;
}

void TCustomWSocket::TriggerDataSent(std::uint16_t error)
{
    if (OnDataSent)
        OnDataSent(this, error);
}

void TCustomWSocket::TriggerSendData(int bytesSent)
{
    if (OnSendData)
        OnSendData(this, bytesSent);
}

void TCustomWSocket::TriggerSessionClosed(std::uint16_t error)
{
    if (OnSessionClosed)
        OnSessionClosed(this, error);
}

void TCustomWSocket::TriggerSessionAvailable(std::uint16_t error)
{
    if (OnSessionAvailable)
        OnSessionAvailable(this, error);
}

void TCustomWSocket::TriggerSessionConnected(std::uint16_t error)
{
    if (OnSessionConnected)
        OnSessionConnected(this, error);
}

void TCustomWSocket::TriggerChangeState(TSocketState oldState, TSocketState newState)
{
    // The owner is usually being torn down too when a socket is destroyed;
    // calling back into it from here would reach a half-destroyed object.
    if (OnChangeState && !FDestroying)
        OnChangeState(this, oldState, newState);
}

void TCustomWSocket::TriggerDnsLookupDone(std::uint16_t error)
{
    if (OnDnsLookupDone)
        OnDnsLookupDone(this, error);
}

void TCustomWSocket::TriggerError()
{
    if (OnError)
        OnError(this);
}

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
    if ((events & FD_CLOSE) && FState != wsConnecting) {
        ReceiveLoop(0);
        // Closed by a handler during the last reads: that close has
        // already been reported, and the report resets the once-flag.
        if (connectionGone())
            return;
        if (!FCloseInvoked) {
            FCloseInvoked = true;
            TriggerSessionClosed(error);
        }
        if (FState != wsClosed && !connectionGone())
            Close();
    }
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

void TCustomWSocket::CloseHandleNow()
{
    FWindow->StopWatching();
    if (FHSocket != INVALID_SOCKET)
        ::close(FHSocket);
    FHSocket = INVALID_SOCKET;
    FConnectPending = false;
    FCloseSeen = false;
    FAcceptPending = false;
    FWriteBlocked = false;
}

// --- connect, listen, accept ---------------------------------------------------

void TCustomWSocket::ResolveForConnect()
{
    if (!FProtoResolved) {
        FProto = ResolveProto(FProtoStr);
        FType = FProto == IPPROTO_UDP ? SOCK_DGRAM : SOCK_STREAM;
        FProtoResolved = true;
    }
    if (!FPortResolved) {
        FSin.sin_port = htons(ResolvePort(FPortStr, FProtoStr));
        FPortResolved = true;
    }
    if (!FLocalPortResolved) {
        FLocalPortNum = ResolvePort(FLocalPortStr, FProtoStr);
        FLocalPortResolved = true;
    }
    if (!FAddrResolved) {
        FSin.sin_addr.s_addr = ResolveHost(FAddrStr);
        FAddrResolved = true;
    }
    FSin.sin_family = AF_INET;
}

void TCustomWSocket::Connect()
{
    if (FHSocket != INVALID_SOCKET && FState != wsClosed) {
        ReportError("Connect: Socket already in use");
        return;
    }
    if (!FPortAssigned) {
        ReportError("Connect: No Port Specified");
        return;
    }
    if (!FAddrAssigned) {
        ReportError("Connect: No IP Address Specified");
        return;
    }
    if (!FProtoAssigned) {
        ReportError("Connect: No Protocol Specified");
        return;
    }
    try {
        ResolveForConnect();
    } catch (const ESocketException& e) {
        FLastError = e.ErrorCode;
        ReportError(e.what());
        return;
    }

    DeleteBufferedData();
    if (FHSocket != INVALID_SOCKET)
        CloseHandleNow();   // left over from a failed Listen
    FHSocket = ::socket(AF_INET, FType | SOCK_NONBLOCK | SOCK_CLOEXEC, FProto);
    if (FHSocket == INVALID_SOCKET) {
        SocketError("Connect (socket)", lastSocketError());
        return;
    }
    ++FSerial;
    ChangeState(wsOpened);

    if (FType == SOCK_DGRAM) {
        BindLocal();
        if (FSin.sin_addr.s_addr == INADDR_BROADCAST) {
            const int on = 1;
            if (setsockopt(FHSocket, SOL_SOCKET, SO_BROADCAST, &on, sizeof on) != 0) {
                SocketError("setsockopt(SO_BROADCAST)", lastSocketError());
                return;
            }
        }
    } else {
        if (FLocalPortStr != "0" || FLocalAddr != "0.0.0.0")
            BindLocal();
        SetLingerOption();
        const int on = 1;
        if (setsockopt(FHSocket, SOL_SOCKET, SO_KEEPALIVE, &on, sizeof on) != 0) {
            SocketError("setsockopt(SO_KEEPALIVE)", lastSocketError());
            return;
        }
        if (setsockopt(FHSocket, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) != 0) {
            SocketError("setsockopt(SO_REUSEADDR)", lastSocketError());
            return;
        }
    }

    if (FType == SOCK_DGRAM) {
        SelectEvents(FD_READ | FD_WRITE | FD_ACCEPT | FD_CONNECT | FD_CLOSE);
        ChangeState(wsConnected);
        PostSocketEvent(FD_WRITE, 0);
        TriggerSessionConnected(0);
        return;
    }

    const int rc = ::connect(FHSocket, reinterpret_cast<const sockaddr*>(&FSin), sizeof FSin);
    const int connectErrno = rc == 0 ? 0 : errno;
    if (rc == 0 || connectErrno == EINPROGRESS || connectErrno == EAGAIN) {
        FConnectPending = true;
        SelectEvents(FD_READ | FD_WRITE | FD_ACCEPT | FD_CONNECT | FD_CLOSE);
        ChangeState(wsConnecting);
    } else if (isConnectOutcome(connectErrno)) {
        SelectEvents(FD_READ | FD_WRITE | FD_ACCEPT | FD_CONNECT | FD_CLOSE);
        ChangeState(wsConnecting);
        PostSocketEvent(FD_CONNECT, static_cast<std::uint16_t>(WinsockErrorFromErrno(connectErrno)));
    } else {
        FLastError = WinsockErrorFromErrno(connectErrno);
        SocketError("Connect", FLastError);
    }
}

void TCustomWSocket::BindLocal()
{
    sockaddr_in local{};
    local.sin_family = AF_INET;
    try {
        local.sin_port = htons(ResolvePort(FLocalPortStr, FProtoStr));
        local.sin_addr.s_addr = ResolveHost(FLocalAddr);
    } catch (const ESocketException& e) {
        FLastError = e.ErrorCode;
        ReportError(e.what());
        return;
    }
    if (::bind(FHSocket, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
        FLastError = lastSocketError();
        ReportErrorFmt("winsock.bind failed, error #%d", FLastError);
        return;
    }
    socklen_t length = sizeof local;
    if (getsockname(FHSocket, reinterpret_cast<sockaddr*>(&local), &length) != 0) {
        FLastError = lastSocketError();
        ReportErrorFmt("winsock.getsockname failed, error #%d", FLastError);
        return;
    }
    FLocalPortStr = std::to_string(ntohs(local.sin_port));
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

void TCustomWSocket::Listen()
{
    if (!FPortAssigned) {
        FLastError = WSAEINVAL;
        ReportError("listen: port not assigned");
        return;
    }
    if (!FProtoAssigned) {
        FLastError = WSAEINVAL;
        ReportError("listen: protocol not assigned");
        return;
    }
    if (!FAddrAssigned) {
        FLastError = WSAEINVAL;
        ReportError("listen: address not assigned");
        return;
    }
    try {
        ResolveForConnect();
    } catch (const ESocketException& e) {
        FLastError = e.ErrorCode;
        ReportError(e.what());
        return;
    }
    DeleteBufferedData();
    if (FHSocket != INVALID_SOCKET)
        CloseHandleNow();
    FHSocket = ::socket(AF_INET, FType | SOCK_NONBLOCK | SOCK_CLOEXEC, FProto);
    if (FHSocket == INVALID_SOCKET) {
        SocketError("socket", lastSocketError());
        return;
    }
    ++FSerial;
    if (::bind(FHSocket, reinterpret_cast<const sockaddr*>(&FSin), sizeof FSin) != 0) {
        const int error = lastSocketError();
        // Release the socket before reporting: the report may raise, and the
        // state is still closed, so nothing else would ever free it.
        CloseHandleNow();
        SocketError("Bind", error);
        Close();
        return;
    }
    ChangeState(wsBound);
    if (FType == SOCK_DGRAM) {
        ChangeState(wsListening);
        ChangeState(wsConnected);
        TriggerSessionConnected(0);
    } else {
        if (::listen(FHSocket, 5) != 0) {
            SocketError("Listen", lastSocketError());
            return;
        }
        ChangeState(wsListening);
    }
    SelectEvents(FD_READ | FD_WRITE | FD_ACCEPT | FD_CLOSE);
}

TSocket TCustomWSocket::Accept()
{
    if (FState != wsListening) {
        FLastError = WSAEINVAL;
        ReportError("not a listening socket");
        return INVALID_SOCKET;
    }
    socklen_t length = sizeof FSin;
    const TSocket handle = ::accept4(FHSocket, reinterpret_cast<sockaddr*>(&FSin), &length, SOCK_NONBLOCK | SOCK_CLOEXEC);
    const int acceptErrno = errno;
    FAcceptPending = false;
    UpdateWatches();
    if (handle == INVALID_SOCKET) {
        SocketError("Accept", WinsockErrorFromErrno(acceptErrno));
        return INVALID_SOCKET;
    }
    return handle;
}

void TCustomWSocket::AdoptHandle(TSocket handle)
{
    // Descriptor 0 is a valid socket on POSIX (when standard input is
    // closed); only negative values mean "no socket".
    if (handle < 0) {
        SocketError("Dup", WSAEINVAL);
        return;
    }
    if (FHSocket != INVALID_SOCKET) {
        FWindow->StopWatching();
        const int rc = ::close(FHSocket);
        FHSocket = INVALID_SOCKET;
        if (rc != 0 && errno != EINTR) {
            SocketError("Dup (closesocket)", lastSocketError());
            return;
        }
        ChangeState(wsClosed);
    }
    CloseHandleNow();
    FHSocket = handle;
    ++FSerial;
    const int flags = fcntl(FHSocket, F_GETFL, 0);
    if (flags >= 0)
        fcntl(FHSocket, F_SETFL, flags | O_NONBLOCK);
    SetLingerOption();
    SelectEvents(FD_READ | FD_WRITE | FD_CONNECT | FD_CLOSE);
    ChangeState(wsConnected);
    PostSocketEvent(FD_WRITE, 0);
}

// --- close ---------------------------------------------------------------------

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
        ::shutdown(FHSocket, SHUT_WR);
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
    if (FHSocket != INVALID_SOCKET && FState == wsConnected)
        PostSocketEvent(FD_WRITE, 0);
}

// --- waiting ---------------------------------------------------------------------

void TCustomWSocket::PumpMessages()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    if (FMultiThreaded && QThread::currentThread()->isInterruptionRequested())
        FTerminated = true;
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

// --- receiving -------------------------------------------------------------------

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

// --- sending ---------------------------------------------------------------------

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

// --- addresses ---------------------------------------------------------------------

int TCustomWSocket::GetPeerName(sockaddr_in& name, int& nameLength)
{
    if (FState != wsConnected)
        return -1;
    socklen_t size = static_cast<socklen_t>(std::max(0, nameLength));
    const int rc = getpeername(FHSocket, reinterpret_cast<sockaddr*>(&name), &size);
    if (rc != 0) {
        FLastError = lastSocketError();
        return -1;
    }
    nameLength = static_cast<int>(size);
    return 0;
}

int TCustomWSocket::GetSockName(sockaddr_in& name, int& nameLength)
{
    socklen_t size = static_cast<socklen_t>(std::max(0, nameLength));
    const int rc = getsockname(FHSocket, reinterpret_cast<sockaddr*>(&name), &size);
    if (rc != 0) {
        FLastError = lastSocketError();
        return -1;
    }
    nameLength = static_cast<int>(size);
    return 0;
}

std::string TCustomWSocket::GetXPort()
{
    if (FState != wsBound && FState != wsConnected && FState != wsListening)
        return "error";
    sockaddr_in local{};
    int length = sizeof local;
    if (GetSockName(local, length) != 0)
        return "error";
    return std::to_string(ntohs(local.sin_port));
}
