#include "net/custom_socks_wsocket.h"

#include "net/socket_resolve.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace {

enum SocksPhase { PhaseNone = 0, PhaseMethod = 1, PhaseAuthentication = 2, PhaseConnectAnswer = 3 };

enum SocksError {
    SocksLogicError = 20001,
    SocksVersionError = 20002,
    SocksMethodNotAcceptable = 20003,
    SocksAddressTypeNotSupported = 20011,
    SocksUnassigned = 20012,
    SocksInternalError = 20013,
    SocksAuthenticationFailed = 20015,
    SocksRequestRejected = 20016,
    SocksCannotResolveDestination = 20017,
};

std::string lowerCase(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

void appendPort(std::string& bytes, std::uint16_t port)
{
    bytes += static_cast<char>(port >> 8);
    bytes += static_cast<char>(port & 0xFF);
}

std::uint8_t byteAt(const char* buffer, int index)
{
    return static_cast<std::uint8_t>(buffer[index]);
}

}  // namespace

TCustomSocksWSocket::TCustomSocksWSocket() = default;

// --- properties ----------------------------------------------------------------

void TCustomSocksWSocket::SetSocksLevel(const std::string& value)
{
    if (FState != wsClosed) {
        ReportError("Can't change socks level if not closed");
        return;
    }
    if (value != "4" && value != "4A" && value != "4a" && value != "5") {
        ReportError("Invalid socks level. Must be 4, 4A or 5.");
        return;
    }
    FSocksLevel = value == "4a" ? "4A" : value;
}

void TCustomSocksWSocket::SetSocksServer(const std::string& value)
{
    if (FState != wsClosed) {
        ReportError("Can't change socks server if not closed");
        return;
    }
    FSocksServer = TrimmedSocketText(value);
}

void TCustomSocksWSocket::SetSocksPort(const std::string& value)
{
    if (FState != wsClosed) {
        ReportError("Can't change socks port if not closed");
        return;
    }
    FSocksPort = TrimmedSocketText(value);
}

void TCustomSocksWSocket::ResetProperties()
{
    TCustomWSocket::ResetProperties();
    // Every connection has to ask for the proxy anew; the credentials stay.
    FSocksServer.clear();
    FSocksPort.clear();
    FSocksLevel = std::string("5");   // (a temporary: GCC 12 misreads the literal form as an overlapping copy)
    FSocksState = PhaseNone;
    FRcvCnt = 0;
    FLeftover.clear();
    FLeftoverPos = 0;
}

// --- connect and listen ----------------------------------------------------------

void TCustomSocksWSocket::Listen()
{
    if (!FSocksServer.empty()) {
        ReportError("listening is not supported thru socks server");
        return;
    }
    TCustomWSocket::Listen();
}

void TCustomSocksWSocket::Connect()
{
    if (FSocksServer.empty()) {
        TCustomWSocket::Connect();
        return;
    }
    if (lowerCase(FProtoStr) != "tcp") {
        ReportError("tcp is the only protocol supported thru socks server");
        return;
    }
    // The names go out as one length byte each; longer ones cannot be
    // expressed and would otherwise be sent cut, naming something else.
    if (FSocksLevel == "5" && FAddrStr.size() > 255) {
        ReportError("WSocketResolveHost: '" + FAddrStr + "' Invalid Hostname.");
        return;
    }
    if (FSocksLevel == "5" && FSocksAuthentication == socksAuthenticateUsercode &&
        (FSocksUsercode.size() > 255 || FSocksPassword.size() > 255)) {
        ReportError("Socks user code and password must be at most 255 characters");
        return;
    }
    try {
        FSin.sin_port = htons(ResolvePort(FSocksPort, FProtoStr));
        FPortResolved = true;
        FSin.sin_addr.s_addr = ResolveHost(FSocksServer);
        FAddrResolved = true;
        FSocksDestPort = ResolvePort(FPortStr, FProtoStr);
    } catch (const ESocketException& e) {
        FLastError = e.ErrorCode;
        ReportError(e.what());
        return;
    }
    FSocksState = PhaseMethod;
    FRcvCnt = 0;
    FLeftover.clear();
    FLeftoverPos = 0;
    TCustomWSocket::Connect();
}

// --- triggers --------------------------------------------------------------------

void TCustomSocksWSocket::TriggerSessionConnected(std::uint16_t error)
{
    if (FSocksState != PhaseMethod) {
        TCustomWSocket::TriggerSessionConnected(error);
        return;
    }
    // This is the connection to the proxy; the session itself is reported
    // once the proxy has connected us through.
    TriggerSocksConnected(error);
    if (error != 0) {
        TCustomWSocket::TriggerSessionConnected(error);
        return;
    }
    if (FSocksLevel[0] == '4') {
        SocksDoConnect();
        return;
    }
    FSocksMethod = FSocksAuthentication == socksAuthenticateUsercode ? 2 : 0;
    std::string offer;
    offer += '\x05';
    offer += '\x01';
    offer += static_cast<char>(FSocksMethod);
    SendSocksBytes(offer);
}

void TCustomSocksWSocket::TriggerSessionClosed(std::uint16_t error)
{
    if (FSocksState == PhaseAuthentication)
        TriggerSocksAuthState(socksAuthFailure);
    TCustomWSocket::TriggerSessionClosed(error);
}

bool TCustomSocksWSocket::TriggerDataAvailable(std::uint16_t error)
{
    if (FSocksState == PhaseNone)
        return TCustomWSocket::TriggerDataAvailable(error);
    if (error != 0) {
        SocksFail(error, "data receive error");
        return true;
    }
    DataAvailableWhileNegotiating(error);
    return true;
}

void TCustomSocksWSocket::TriggerSocksConnected(std::uint16_t error)
{
    if (OnSocksConnected)
        OnSocksConnected(this, error);
}

void TCustomSocksWSocket::TriggerSocksError(int error, const std::string& msg)
{
    if (OnSocksError)
        OnSocksError(this, error, msg);
}

void TCustomSocksWSocket::TriggerSocksAuthState(TSocksAuthState state)
{
    if (OnSocksAuthState)
        OnSocksAuthState(this, state);
}

// --- leftover data behind the proxy's answer -------------------------------------------

int TCustomSocksWSocket::RcvdCount()
{
    if (FLeftoverPos < FLeftover.size())
        return static_cast<int>(FLeftover.size() - FLeftoverPos);
    return TCustomWSocket::RcvdCount();
}

int TCustomSocksWSocket::RecvRaw(void* buffer, int length, int flags)
{
    if (FLeftoverPos < FLeftover.size()) {
        const int count = std::min(std::max(0, length), static_cast<int>(FLeftover.size() - FLeftoverPos));
        std::memcpy(buffer, FLeftover.data() + FLeftoverPos, static_cast<std::size_t>(count));
        FLeftoverPos += static_cast<std::size_t>(count);
        if (FLeftoverPos >= FLeftover.size()) {
            FLeftover.clear();
            FLeftoverPos = 0;
        }
        return count;
    }
    return TCustomWSocket::RecvRaw(buffer, length, flags);
}

// --- negotiation ---------------------------------------------------------------------

void TCustomSocksWSocket::SendSocksBytes(const std::string& bytes)
{
    Send(bytes.data(), static_cast<int>(bytes.size()));
}

void TCustomSocksWSocket::SocksFail(int error, const std::string& msg)
{
    // Negotiation is over; a close from here on is an ordinary close.
    FSocksState = PhaseNone;
    TriggerSocksError(error, msg);
    TCustomWSocket::TriggerSessionConnected(static_cast<std::uint16_t>(error));
    DoClose(true, error);
}

void TCustomSocksWSocket::SocksDoConnect()
{
    std::string request;
    if (FSocksLevel[0] == '4') {
        request += '\x04';
        request += '\x01';
        appendPort(request, FSocksDestPort);
        if (FSocksLevel == "4A") {
            request += std::string("\x00\x00\x00\x01", 4);
            request += FSocksUsercode;
            request += '\0';
            request += FAddrStr;
            request += '\0';
        } else {
            in_addr_t destination = 0;
            try {
                destination = ResolveHost(FAddrStr);
            } catch (const ESocketException& e) {
                SocksFail(SocksCannotResolveDestination, e.what());
                return;
            }
            request.append(reinterpret_cast<const char*>(&destination), 4);   // already network order
            request += FSocksUsercode;
            request += '\0';
        }
    } else {
        request += '\x05';
        request += '\x01';
        request += '\x00';
        request += '\x03';
        request += static_cast<char>(FAddrStr.size());
        request += FAddrStr;
        appendPort(request, FSocksDestPort);
    }
    FSocksState = PhaseConnectAnswer;
    FRcvCnt = 0;
    SendSocksBytes(request);
}

void TCustomSocksWSocket::SocksDoAuthenticate()
{
    std::string request;
    request += '\x01';
    request += static_cast<char>(FSocksUsercode.size());
    request += FSocksUsercode;
    request += static_cast<char>(FSocksPassword.size());
    request += FSocksPassword;
    SendSocksBytes(request);
}

void TCustomSocksWSocket::DataAvailableWhileNegotiating(std::uint16_t)
{
    const bool socks4 = FSocksLevel[0] == '4';
    // The SOCKS 4 answer has a fixed size; SOCKS 5 answers are read as they
    // come, up to what the reply buffer holds.
    const int limit = (socks4 && FSocksState == PhaseConnectAnswer) ? 8 : 127;
    if (FRcvCnt >= limit)
        return;
    const int count = TCustomWSocket::RecvRaw(FRcvBuf + FRcvCnt, limit - FRcvCnt, 0);
    if (count <= 0)
        return;
    FRcvCnt += count;

    switch (FSocksState) {
    case PhaseMethod: {
        if (socks4) {
            SocksFail(SocksLogicError, "TWSocket logic error");
            return;
        }
        if (FRcvCnt < 2)
            return;
        FRcvCnt = 0;
        if (byteAt(FRcvBuf, 0) != 5) {
            SocksFail(SocksVersionError, "socks version error");
            return;
        }
        const std::uint8_t method = byteAt(FRcvBuf, 1);
        if (method == 0) {
            if (FSocksAuthentication == socksAuthenticateUsercode)
                TriggerSocksAuthState(socksAuthNotRequired);
            SocksDoConnect();
        } else if (method == 2) {
            FSocksState = PhaseAuthentication;
            TriggerSocksAuthState(socksAuthStart);
            SocksDoAuthenticate();
        } else {
            SocksFail(SocksMethodNotAcceptable, "authentification method not acceptable");
        }
        return;
    }
    case PhaseAuthentication:
        if (byteAt(FRcvBuf, 0) != 1) {
            TriggerSocksAuthState(socksAuthFailure);
            SocksFail(SocksVersionError, "socks version error");
            return;
        }
        if (FRcvCnt > 2) {
            TriggerSocksAuthState(socksAuthFailure);
            SocksFail(SocksLogicError, "too much data availaible");
            return;
        }
        if (FRcvCnt < 2)
            return;
        if (byteAt(FRcvBuf, 1) != 0) {
            TriggerSocksAuthState(socksAuthFailure);
            SocksFail(SocksAuthenticationFailed, "socks authentication failed");
            return;
        }
        FRcvCnt = 0;
        TriggerSocksAuthState(socksAuthSuccess);
        SocksDoConnect();
        return;
    case PhaseConnectAnswer:
        if (socks4)
            HandleSocks4Answer();
        else
            HandleSocks5Answer();
        return;
    default:
        SocksFail(SocksInternalError, "internal error");
        return;
    }
}

void TCustomSocksWSocket::HandleSocks5Answer()
{
    if (byteAt(FRcvBuf, 0) != 5) {
        SocksFail(SocksVersionError, "socks version error");
        return;
    }
    if (FRcvCnt < 2)
        return;
    const std::uint8_t reply = byteAt(FRcvBuf, 1);
    if (reply != 0) {
        switch (reply) {
        case 1: SocksFail(20004, "general SOCKS server failure"); break;
        case 2: SocksFail(20005, "connection not allowed by ruleset"); break;
        case 3: SocksFail(20006, "network unreachable"); break;
        case 4: SocksFail(20007, "host unreachable"); break;
        case 5: SocksFail(20008, "connection refused"); break;
        case 6: SocksFail(20009, "time to live expired"); break;
        case 7: SocksFail(20010, "command not supported"); break;
        case 8: SocksFail(20011, "address type not supported"); break;
        default: SocksFail(SocksUnassigned, "unassigned error #" + std::to_string(reply)); break;
        }
        return;
    }
    if (FRcvCnt <= 4)
        return;
    const std::uint8_t addressType = byteAt(FRcvBuf, 3);
    int needed = 5;
    if (addressType == 1)
        needed = 10;
    else if (addressType == 3)
        needed = 7 + byteAt(FRcvBuf, 4);
    if (FRcvCnt < needed)
        return;
    int portAt = 0;
    if (addressType == 1) {
        in_addr_t bound = 0;
        std::memcpy(&bound, FRcvBuf + 4, 4);
        FBoundAddr = DottedAddress(bound);
        portAt = 8;
    } else if (addressType == 3) {
        FBoundAddr.assign(FRcvBuf + 5, byteAt(FRcvBuf, 4));
        portAt = 5 + byteAt(FRcvBuf, 4);
    } else {
        SocksFail(SocksAddressTypeNotSupported, "address type not supported");
        return;
    }
    FBoundPort = std::to_string((byteAt(FRcvBuf, portAt) << 8) | byteAt(FRcvBuf, portAt + 1));
    FSocksState = PhaseNone;
    // Bytes the server sent right behind its answer belong to the session
    // and must be read before anything that arrives later.
    FLeftover.assign(FRcvBuf + needed, static_cast<std::size_t>(FRcvCnt - needed));
    FLeftoverPos = 0;
    FRcvCnt = 0;
    TCustomWSocket::TriggerSessionConnected(0);
    if (FHSocket != INVALID_SOCKET)
        TriggerDataAvailable(0);
}

void TCustomSocksWSocket::HandleSocks4Answer()
{
    if (FRcvCnt < 8)
        return;
    FRcvCnt = 0;
    if (byteAt(FRcvBuf, 0) != 0) {
        SocksFail(SocksVersionError, "socks version error");
        return;
    }
    const std::uint8_t reply = byteAt(FRcvBuf, 1);
    switch (reply) {
    case 90:
        FSocksState = PhaseNone;
        TCustomWSocket::TriggerSessionConnected(0);
        if (FHSocket != INVALID_SOCKET)
            TriggerDataAvailable(0);
        return;
    case 91: SocksFail(SocksRequestRejected, "request rejected or failed"); return;
    case 92: SocksFail(20008, "connection refused"); return;
    case 93: SocksFail(SocksAuthenticationFailed, "authentification failed"); return;
    default: SocksFail(SocksUnassigned, "unassigned error #" + std::to_string(reply)); return;
    }
}
