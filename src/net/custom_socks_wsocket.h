#pragma once

#include "net/custom_wsocket.h"

#include <cstdint>
#include <string>

enum TSocksAuthentication { socksNoAuthentication = 0, socksAuthenticateUsercode = 1 };

enum TSocksAuthState {
    socksAuthStart = 0,
    socksAuthSuccess = 1,
    socksAuthFailure = 2,
    socksAuthNotRequired = 3,
};

using TSocksConnected = std::function<void(TCustomWSocket* Sender, std::uint16_t Error)>;
using TSocksErrorEvent = std::function<void(TCustomWSocket* Sender, int Error, const std::string& Msg)>;
using TSocksAuthStateEvent = std::function<void(TCustomWSocket* Sender, TSocksAuthState AuthState)>;

// Lets Connect go through a SOCKS 4, 4A or 5 proxy. With SocksServer empty
// every call passes straight through. The proxy settings are cleared by
// every close, so they must be set again before each Connect.
class TCustomSocksWSocket : public TCustomWSocket {
public:
    TCustomSocksWSocket();

    const std::string& SocksLevel() const { return FSocksLevel; }
    void SetSocksLevel(const std::string& value);
    const std::string& SocksServer() const { return FSocksServer; }
    virtual void SetSocksServer(const std::string& value);
    const std::string& SocksPort() const { return FSocksPort; }
    virtual void SetSocksPort(const std::string& value);
    const std::string& SocksUsercode() const { return FSocksUsercode; }
    void SetSocksUsercode(const std::string& value) { FSocksUsercode = value; }
    const std::string& SocksPassword() const { return FSocksPassword; }
    void SetSocksPassword(const std::string& value) { FSocksPassword = value; }
    TSocksAuthentication SocksAuthentication() const { return FSocksAuthentication; }
    void SetSocksAuthentication(TSocksAuthentication value) { FSocksAuthentication = value; }
    // Address and port the SOCKS 5 server reported for the connection.
    const std::string& BoundAddr() const { return FBoundAddr; }
    const std::string& BoundPort() const { return FBoundPort; }

    TSocksConnected OnSocksConnected;
    TSocksErrorEvent OnSocksError;
    TSocksAuthStateEvent OnSocksAuthState;

    void Connect() override;
    void Listen() override;
    int RcvdCount() override;

protected:
    // True while the proxy handshake owns the received bytes.
    bool SocksNegotiating() const { return FSocksState != 0; }
    void ResetProperties() override;
    void TriggerSessionConnected(std::uint16_t error) override;
    void TriggerSessionClosed(std::uint16_t error) override;
    bool TriggerDataAvailable(std::uint16_t error) override;
    int RecvRaw(void* buffer, int length, int flags) override;
    virtual void TriggerSocksConnected(std::uint16_t error);
    virtual void TriggerSocksError(int error, const std::string& msg);
    void TriggerSocksAuthState(TSocksAuthState state);

private:
    void SocksDoConnect();
    void SocksDoAuthenticate();
    void SocksFail(int error, const std::string& msg);
    void SendSocksBytes(const std::string& bytes);
    void DataAvailableWhileNegotiating(std::uint16_t error);
    void HandleSocks5Answer();
    void HandleSocks4Answer();

    std::string FSocksLevel = "5";
    std::string FSocksServer;
    std::string FSocksPort;
    std::string FSocksUsercode;
    std::string FSocksPassword;
    TSocksAuthentication FSocksAuthentication = socksNoAuthentication;
    int FSocksState = 0;           // 0 none, 1 method, 2 authentication, 3 connect answer
    std::uint8_t FSocksMethod = 0;
    char FRcvBuf[128] = {};
    int FRcvCnt = 0;
    std::uint16_t FSocksDestPort = 0;
    std::string FBoundAddr;
    std::string FBoundPort;
    std::string FLeftover;         // bytes that came behind the SOCKS 5 answer
    std::size_t FLeftoverPos = 0;
};
