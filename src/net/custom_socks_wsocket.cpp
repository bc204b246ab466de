#include "net/custom_socks_wsocket.h"

// First cut: the proxy settings and their guards exist; Connect and the
// triggers pass straight through to the plain socket until the SOCKS
// handshakes are added.

TCustomSocksWSocket::TCustomSocksWSocket() = default;

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
    FSocksServer = value;
}

void TCustomSocksWSocket::SetSocksPort(const std::string& value)
{
    if (FState != wsClosed) {
        ReportError("Can't change socks port if not closed");
        return;
    }
    FSocksPort = value;
}

void TCustomSocksWSocket::Connect() { TCustomWSocket::Connect(); }
void TCustomSocksWSocket::Listen() { TCustomWSocket::Listen(); }
int TCustomSocksWSocket::RcvdCount() { return TCustomWSocket::RcvdCount(); }

void TCustomSocksWSocket::ResetProperties()
{
    TCustomWSocket::ResetProperties();
    FSocksServer.clear();
    FSocksPort.clear();
    FSocksLevel = "5";
}

void TCustomSocksWSocket::TriggerSessionConnected(std::uint16_t error) { TCustomWSocket::TriggerSessionConnected(error); }
void TCustomSocksWSocket::TriggerSessionClosed(std::uint16_t error) { TCustomWSocket::TriggerSessionClosed(error); }
bool TCustomSocksWSocket::TriggerDataAvailable(std::uint16_t error) { return TCustomWSocket::TriggerDataAvailable(error); }
int TCustomSocksWSocket::RecvRaw(void* buffer, int length, int flags) { return TCustomWSocket::RecvRaw(buffer, length, flags); }

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
