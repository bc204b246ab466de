// Preparing the data connection: PORT (we listen) or PASV (we connect).
#include "ftp/ftp_custom_client.h"

#include "net/wsocket.h"

#include <arpa/inet.h>
#include <cstdio>
#include <cstdlib>

namespace {

// A text of blanks and up to three digits as a number 0..255; -1 when it is
// not one.
int ByteNumber(const std::string& text)
{
    std::size_t b = text.find_first_not_of(' ');
    std::size_t e = text.find_last_not_of(' ');
    if (b == std::string::npos)
        return -1;
    std::string digits = text.substr(b, e - b + 1);
    if (digits.empty() || digits.size() > 3 || digits.find_first_not_of("0123456789") != std::string::npos)
        return -1;
    int value = std::atoi(digits.c_str());
    return value <= 255 ? value : -1;
}

} // namespace

void TCustomFtpCli::StepPort()
{
    FCurrentStep = ftpStepPort;
    // Checked before listening, so a refused request leaves no listening
    // socket behind.
    if (FState != ftpStateReady && FState != ftpStateStepDone)
        UsageError("FTP component not ready");
    if (!FConnected)
        UsageError("FTP component not connected");

    TWSocket& data = *FDataSocket;
    // Handlers of an earlier transfer must not see this socket's close.
    data.OnSessionAvailable = nullptr;
    data.OnSessionClosed = nullptr;
    data.OnDataAvailable = nullptr;
    data.OnSessionConnected = nullptr;
    data.OnDataSent = nullptr;
    if (data.State() != wsClosed)
        data.Close();
    data.SetProto("tcp");
    data.SetAddr("0.0.0.0");
    data.SetPort("0");

    std::string command;
    if (FPassive) {
        command = "PASV";
    } else {
        // Some servers connect as soon as they get PORT, before the
        // transfer command is even sent; the connection waits in the
        // listening socket until the transfer starts and takes it.
        FEarlyDataConnection = false;
        data.OnSessionAvailable = [this](TCustomWSocket*, std::uint16_t) { FEarlyDataConnection = true; };
        int port = 0;
        try {
            data.SetLingerOnOff(wsLingerOn);
            data.SetLingerTimeout(10);
            data.Listen();
            port = std::atoi(data.GetXPort().c_str());
        } catch (const ESocketException& e) {
            UsageError(e.what());
        }
        if (FDnsResult == "127.0.0.1") {
            char text[64];
            std::snprintf(text, sizeof text, "PORT 127,0,0,1,%d,%d", port / 256, port % 256);
            command = text;
        } else {
            sockaddr_in local{};
            int length = sizeof local;
            FControlSocket->GetSockName(local, length);
            const auto* b = reinterpret_cast<const unsigned char*>(&local.sin_addr.s_addr);
            char text[64];
            std::snprintf(text, sizeof text, "PORT %d,%d,%d,%d,%d,%d", b[0], b[1], b[2], b[3],
                          port / 256, port % 256);
            command = text;
        }
    }
    FByteCount = 0;
    IssueCommand(ftpRqDataPort, command, {200, 227});
}

bool TCustomFtpCli::PassiveDataPort(const std::string& reply, int& port) const
{
    // "227 Entering Passive Mode (h1,h2,h3,h4,p1,p2)": only p1 and p2 are
    // used; the data connection goes where the control connection goes.
    std::size_t pos = reply.find('(');
    if (pos == std::string::npos)
        return false;
    std::string rest = reply.substr(pos + 1);
    for (int i = 0; i < 4; ++i) {
        std::size_t comma = rest.find(',');
        if (comma == std::string::npos)
            return false;
        rest.erase(0, comma + 1);
    }
    std::size_t comma = rest.find(',');
    if (comma == std::string::npos)
        return false;
    int p1 = ByteNumber(rest.substr(0, comma));
    rest.erase(0, comma + 1);
    std::size_t close = rest.find(')');
    if (close == std::string::npos)
        return false;
    int p2 = ByteNumber(rest.substr(0, close));
    if (p1 < 0 || p2 < 0 || p1 * 256 + p2 == 0)
        return false;
    port = p1 * 256 + p2;
    return true;
}

bool TCustomFtpCli::PassiveDataPortOrFail(const std::string& reply, int& port)
{
    if (PassiveDataPort(reply, port))
        return true;
    // Without the numbers there is nowhere to connect to; the request ends
    // before its command is sent, so the server is not left waiting.
    FLastResponse = "Unable to establish data connection, passive reply not understood: " + reply;
    FStatusCode = 550;
    KeepFirstError();
    CloseDataSocket();
    FStepStatus = 550;
    Finish(550);
    return false;
}

bool TCustomFtpCli::ConnectPassiveData(int port, bool receive)
{
    TWSocket& data = *FDataSocket;
    try {
        if (data.State() != wsClosed)
            data.Close();
        data.SetPort(std::to_string(port));
        data.SetAddr(FControlSocket->Addr());
        if (receive)
            data.OnSessionConnected = [this](TCustomWSocket*, std::uint16_t e) { PassiveReceiveConnected(e); };
        else
            data.OnSessionConnected = [this](TCustomWSocket*, std::uint16_t e) { PassiveSendConnected(e); };
        data.SetLingerOnOff(wsLingerOff);
        data.SetLingerTimeout(0);
        data.Connect();
    } catch (const ESocketException& e) {
        DataConnectFailed(e.ErrorCode != 0 ? e.ErrorCode : WSAEINVAL);
        return false;
    }
    return true;
}

void TCustomFtpCli::DataConnectFailed(int error)
{
    FLastResponse = "Unable to establish data connection, error #" + std::to_string(error);
    FStatusCode = 550;
    KeepFirstError();
    CloseDataSocket();
    FStepStatus = 550;
    Finish(550);
}

void TCustomFtpCli::CloseDataSocket()
{
    if (FDataSocket->State() != wsClosed)
        FDataSocket->Close();
}

bool TCustomFtpCli::ReleaseLocalStream()
{
    return FLocalStream.Release();
}

// The server answered the transfer command with something other than "start
// sending": drop the data connection and the local file, forget any resume
// offset, and end the request with the server's code.
void TCustomFtpCli::RefuseTransferByReply()
{
    KeepFirstError();
    FNext = nullptr;
    CloseDataSocket();
    ReleaseLocalStream();
    FResumeAt = 0;
    FStepStatus = FStatusCode;
    Finish(FStatusCode);
}

TSocket TCustomFtpCli::AcceptDataConnection()
{
    TWSocket& data = *FDataSocket;
    TSocket handle = INVALID_SOCKET;
    try {
        handle = data.Accept();
    } catch (const ESocketException&) {
        handle = INVALID_SOCKET;
    }
    const int error = data.LastError();
    // The listening socket has done its work; its close reports nothing,
    // since no close handler is bound yet.
    data.Close();
    if (handle == INVALID_SOCKET)
        DataConnectFailed(error != 0 ? error : WSAEINVAL);
    return handle;
}

bool TCustomFtpCli::TakeEarlyDataConnection()
{
    const bool early = FEarlyDataConnection;
    FEarlyDataConnection = false;
    return early && FDataSocket->State() == wsListening;
}
