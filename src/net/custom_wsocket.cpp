#include "net/custom_wsocket.h"

#include "net/custom_wsocket_internal.h"
#include "net/socket_library.h"
#include "net/socket_message_window.h"
#include "net/socket_resolve.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cstdarg>
#include <cstdio>
#include <netinet/in.h>
#include <stdexcept>
#include <sys/ioctl.h>
#include <sys/socket.h>

// Life cycle, properties, addresses, state changes, error reporting and the
// event triggers of the socket component. Opening, data transfer, event
// dispatch and closing live in the other custom_wsocket_*.cpp files.

using wsocket_internal::lastSocketError;

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
    const std::string addr = TrimmedSocketText(value);
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
    const std::string port = TrimmedSocketText(value);
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
    const std::string proto = TrimmedSocketText(value);
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
    std::string addr = TrimmedSocketText(value);
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
        waiting = 0;
    if (FTls) {
        // Plain text comes out of records: what is decrypted already, or up
        // to one record's worth when encrypted bytes wait.
        if (FTls->Pending() > 0)
            return FTls->Pending();
        return waiting > 0 && !FTlsHandshaking ? 16384 : 0;
    }
    return waiting + static_cast<int>(AheadBuffered());
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
