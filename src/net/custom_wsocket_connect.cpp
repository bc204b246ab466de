#include "net/custom_wsocket.h"

#include "net/custom_wsocket_internal.h"
#include "net/socket_message_window.h"
#include "net/socket_resolve.h"

#include <cerrno>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

// Opening a connection of the socket component: resolving the target,
// connecting, binding locally, listening, accepting and taking over a
// socket that is already connected.

using wsocket_internal::lastSocketError;

namespace {

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
    if (!ResolveAndOpenHandle("Connect (socket)"))
        return;
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

bool TCustomWSocket::ResolveAndOpenHandle(const char* socketFailureOp)
{
    try {
        ResolveForConnect();
    } catch (const ESocketException& e) {
        FLastError = e.ErrorCode;
        ReportError(e.what());
        return false;
    }
    DeleteBufferedData();
    if (FHSocket != INVALID_SOCKET)
        CloseHandleNow();   // left over from a failed Connect or Listen
    FHSocket = ::socket(AF_INET, FType | SOCK_NONBLOCK | SOCK_CLOEXEC, FProto);
    if (FHSocket == INVALID_SOCKET) {
        SocketError(socketFailureOp, lastSocketError());
        return false;
    }
    ++FSerial;
    DropReadAhead();
    return true;
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
    if (!ResolveAndOpenHandle("socket"))
        return;
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
    DropReadAhead();
    const int flags = fcntl(FHSocket, F_GETFL, 0);
    if (flags >= 0)
        fcntl(FHSocket, F_SETFL, flags | O_NONBLOCK);
    SetLingerOption();
    SelectEvents(FD_READ | FD_WRITE | FD_CONNECT | FD_CLOSE);
    ChangeState(wsConnected);
    PostSocketEvent(FD_WRITE, 0);
}
