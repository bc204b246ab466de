// The life of the control connection: open, welcome, close and abort.
#include "ftp/ftp_custom_client.h"

#include "ftp/ftp_host_scheme.h"
#include "core/url_password_mask.h"
#include "net/wsocket.h"

#include <arpa/inet.h>

namespace {

// An IPv6 literal, bracketed or not, with or without a zone ("fe80::1%eth0").
bool IsIpv6Address(const std::string& host)
{
    std::string address = host.substr(0, host.find('%'));
    // A bare host text keeps its brackets.
    if (address.size() > 2 && address.front() == '[' && address.back() == ']')
        address = address.substr(1, address.size() - 2);
    in6_addr parsed {};
    return ::inet_pton(AF_INET6, address.c_str(), &parsed) == 1;
}

}  // namespace

void TCustomFtpCli::StepOpen()
{
    FCurrentStep = ftpStepOpen;
    if (FState != ftpStateReady && FState != ftpStateStepDone)
        UsageError("FTP component not ready");
    if (FConnected)
        UsageError("FTP component already connected");
    if (!FMultiStep) {
        FRequestType = ftpRqOpen;
        FErrorMessage.clear();
    }
    ArmRequestDone();
    FReceiveLen = 0;
    FReplyLines = 0;
    FReplyBytes = 0;
    FSizeAnswered = false;
    ForgetServerSettings();
    FStepStatus = 0;
    FDnsResult.clear();
    FCloseReason.clear();
    FClosingOnPurpose = false;
    FControlCloseHandled = false;
    const FtpHostAddress address = ParseFtpHost(FHostName);
    FServerName = address.host;
    // A port written in the host text wins over the port setting.
    FServerPort = address.port.empty() ? FPort : address.port;
    FTlsRequired = address.tlsRequired;
    FDataProtected = false;
    FDataTlsResumed = false;
    FTlsDescription.clear();
    FServerCertificate = {};
    std::string refusal = address.error;
    // A port setting in digits must be a port; "0" would be taken by the
    // system as "any", and names a service ("ftp") pass on to the lookup.
    if (refusal.empty() && !FServerPort.empty() &&
        FServerPort.find_first_not_of("0123456789") == std::string::npos && !IsFtpPortNumber(FServerPort))
        refusal = "the port \"" + FServerPort + "\" is not a port number from 1 to 65535";
    // Sockets, lookups and PORT/PASV are IPv4 throughout; an IPv6 address
    // would only end in a lookup error that names something else.
    if (refusal.empty() && IsIpv6Address(address.host))
        refusal = "the host address \"" + MaskUrlPassword(FHostName) + "\" is an IPv6 address, and Tavlin FTP "
                  "connects over IPv4 only: use the server's IPv4 address or a host name that has one";
    if (!refusal.empty()) {
        // Nothing is looked up or connected to: a part of the text taken for
        // the host could reach some other server.
        SetState(ftpStateResolving);
        FLastResponse = "500 Cannot connect: " + refusal;
        FStatusCode = 500;
        FStepStatus = 500;
        KeepFirstError();
        Finish(WSAEINVAL);
        return;
    }
    SetState(ftpStateResolving);
    if (FProxy.NamesGoToProxy() && !FServerName.empty()) {
        // The proxy looks the name up; a lookup here could fail (or give
        // another answer) where only the proxy can see the server.
        ConnectControl(FServerName);
        return;
    }
    try {
        FControlSocket->DnsLookup(FServerName);
    } catch (const ESocketException& e) {
        // An unusable host name (empty, say) is refused by the socket before
        // any lookup starts; the open still ends as a failed lookup.
        if (FState == ftpStateResolving)
            FailOpen(e.ErrorCode != 0 ? e.ErrorCode : WSAEINVAL);
    }
}

std::string TCustomFtpCli::ConnectErrorText(int error) const
{
    if (!FSocksErrorText.empty())
        return "500 SOCKS proxy " + FProxy.host + ":" + FProxy.port + ": " + FSocksErrorText + " (error #" +
               std::to_string(error) + ")";
    return "500 " + SocketErrorText(error) + " (Winsock error #" + std::to_string(error) + ")";
}

void TCustomFtpCli::FailOpen(int error)
{
    FLastResponse = ConnectErrorText(error);
    FStatusCode = 500;
    FStepStatus = 500;
    KeepFirstError();
    Finish(error);
}

void TCustomFtpCli::ControlDnsLookupDone(std::uint16_t error)
{
    if (FState != ftpStateResolving && FState != ftpStateAborting)
        return;
    if (error != 0) {
        FailOpen(error);
        return;
    }
    ConnectControl(FControlSocket->DnsResult());
}

void TCustomFtpCli::ConnectControl(const std::string& address)
{
    FDnsResult = address;
    FSocksErrorText.clear();
    SetState(ftpStateAwaitingWelcome);
    try {
        FProxy.ApplyTo(*FControlSocket);
        FControlSocket->SetAddr(address);
        FControlSocket->SetProto("tcp");
        FControlSocket->SetPort(FServerPort);
        FControlSocket->Connect();
    } catch (const ESocketException& e) {
        // A port name that cannot be resolved, for one: the open fails like
        // a refused connection instead of leaving the client waiting.
        int code = e.ErrorCode != 0 ? e.ErrorCode : FControlSocket->LastError();
        ControlSessionConnected(static_cast<std::uint16_t>(code != 0 ? code : WSAEINVAL));
    }
}

void TCustomFtpCli::ControlSessionConnected(std::uint16_t error)
{
    if (error != 0) {
        FLastResponse = ConnectErrorText(error);
        // Through a proxy the socket connects to the proxy: a refusal with
        // no word from the proxy came from the proxy's own address.
        if (FProxy.Enabled() && FSocksErrorText.empty())
            FLastResponse = "500 SOCKS proxy " + FProxy.host + ":" + FProxy.port + ": " + SocketErrorText(error)
                            + " (Winsock error #" + std::to_string(error) + ")";
        FStatusCode = 500;
        FStepStatus = 500;
        KeepFirstError();
        FStepContinuation = nullptr;
        Finish(error);
        CloseControl();
        SetState(ftpStateReady);
        return;
    }
    FConnected = true;
}

void TCustomFtpCli::WelcomeLine(std::uint16_t error)
{
    if (!IsFinalLine())
        return;
    if (FStatusCode != 220) {
        KeepFirstError();
        FStepStatus = FStatusCode;
        CloseControl();
        return;
    }
    if (FTlsRequired) {
        StartAuthTls();
        return;
    }
    ControlReady(error);
}

void TCustomFtpCli::ControlReady(std::uint16_t error)
{
    SetState(ftpStateConnected);
    if (OnSessionConnected)
        OnSessionConnected(this, error);
    Finish(0);
}

void TCustomFtpCli::CloseControl()
{
    FClosingOnPurpose = true;
    if (FControlSocket->State() != wsClosed)
        FControlSocket->Close();
    FClosingOnPurpose = false;
}

void TCustomFtpCli::ControlSessionClosed(std::uint16_t error)
{
    // One close per connection, even if the socket should report it twice.
    if (FControlCloseHandled)
        return;
    FControlCloseHandled = true;
    ForgetServerSettings();
    const bool aborting = FState == ftpStateAborting;
    // The server went away while a request still waited for it: that request
    // has failed, whatever its earlier steps achieved.
    const bool lost = !aborting && !FClosingOnPurpose && !FRequestDoneFlag;
    if (FConnected) {
        FConnected = false;
        if (!aborting)
            SetState(ftpStateNotConnected);
        if (OnSessionClosed)
            OnSessionClosed(this, error);
    }
    if (!aborting)
        SetState(ftpStateStepDone);
    if (lost) {
        std::string reason = FCloseReason;
        if (reason.empty()) {
            reason = "426 Connection closed by server";
            if (error != 0)
                reason += " (Winsock error #" + std::to_string(error) + ")";
        }
        FCloseReason.clear();
        FStatusCode = 426;
        FStepStatus = error != 0 ? error : 426;
        if (FErrorMessage.empty())
            FErrorMessage = reason;
        FStepContinuation = nullptr;
    }
    Finish(FStepStatus);
}

void TCustomFtpCli::BeginAbort()
{
    const bool wasResolving = FState == ftpStateResolving;
    SetState(ftpStateAborting);
    ForgetServerSettings();
    ReleaseLocalStream();
    if (wasResolving)
        FControlSocket->CancelDnsLookup();
    if (FControlSocket->State() != wsClosed)
        FControlSocket->Close();
    CloseDataSocket();
    ReleaseLocalStream();
    FConnected = false;
    SetState(ftpStateReady);
}

void TCustomFtpCli::DropConnectionsAndEnd(int code)
{
    FStepStatus = code;
    FStepContinuation = nullptr;
    FPendingSteps.Clear();
    // The transfer's handlers must not take this close for the end of the
    // transfer: the request ends here, with the code given.
    TWSocket& data = *FDataSocket;
    data.OnSessionAvailable = nullptr;
    data.OnSessionConnected = nullptr;
    data.OnSessionClosed = nullptr;
    data.OnDataAvailable = nullptr;
    data.OnDataSent = nullptr;
    data.OnSendData = nullptr;
    CloseDataSocket();
    ReleaseLocalStream();
    if (FState == ftpStateResolving) {
        // Leaving the resolving state first keeps the cancelled lookup from
        // ending the open as a lookup failure.
        SetState(ftpStateStepDone);
        FControlSocket->CancelDnsLookup();
    }
    // The server's answer to what was cut short would come in reply to the
    // next command: the connection goes. Its close ends the request.
    const bool closeEndsRequest = FControlSocket->HSocket() != INVALID_SOCKET
                                  && FControlSocket->State() != wsClosed && !FControlCloseHandled;
    CloseControl();
    if (!closeEndsRequest)
        Finish(code);
}
