// Preparing the data connection: PORT (we listen) or PASV (we connect).
#include "ftp/ftp_custom_client.h"

#include "net/wsocket.h"

#include <arpa/inet.h>
#include <cstdio>
#include <cstdlib>

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Six numbers 0..255 separated by commas (blanks allowed around them),
// starting at `pos`; false when the text there is not such a list.
bool SixNumbersAt(const std::string& text, std::size_t pos, int (&numbers)[6])
{
    std::size_t i = pos;
    for (int n = 0; n < 6; ++n) {
        if (n > 0) {
            while (i < text.size() && text[i] == ' ')
                ++i;
            if (i >= text.size() || text[i] != ',')
                return false;
            ++i;
            while (i < text.size() && text[i] == ' ')
                ++i;
        }
        int value = 0;
        int digits = 0;
        while (i < text.size() && IsDigit(text[i]) && digits < 4) {
            value = value * 10 + (text[i] - '0');
            ++digits;
            ++i;
        }
        if (digits == 0 || digits > 3 || value > 255)
            return false;
        numbers[n] = value;
    }
    return true;
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
    data.OnSendData = nullptr;
    if (data.State() != wsClosed)
        data.Close();
    data.SetProto("tcp");
    data.SetAddr("0.0.0.0");
    data.SetPort("0");

    // The control connection's local address: where PORT tells the server
    // to connect, and the one address the data listener takes connections
    // on, so no other network can reach it.
    sockaddr_in local{};
    int length = sizeof local;
    const bool localKnown = !DataPassive() && FControlSocket->GetSockName(local, length) == 0;

    std::string command;
    if (DataPassive()) {
        if (!FPassive)
            NoteForcedPassive();
        command = "PASV";
    } else {
        // Some servers connect as soon as they get PORT, before the
        // transfer command is even sent; the connection waits in the
        // listening socket until the transfer starts and takes it.
        FEarlyDataConnection = false;
        data.OnSessionAvailable = [this](TCustomWSocket*, std::uint16_t) { FEarlyDataConnection = true; };
        int port = 0;
        try {
            if (localKnown) {
                char address[INET_ADDRSTRLEN] = {};
                if (::inet_ntop(AF_INET, &local.sin_addr, address, sizeof address))
                    data.SetAddr(address);
            }
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

void TCustomFtpCli::NoteForcedPassive()
{
    if (FForcedPassiveNoted)
        return;
    FForcedPassiveNoted = true;
    DisplayStatus("Passive mode is used: through a SOCKS proxy the server cannot connect back for active mode");
}

bool TCustomFtpCli::PassiveDataPort(const std::string& reply, int& port) const
{
    // "227 Entering Passive Mode (h1,h2,h3,h4,p1,p2)"; servers differ in the
    // words and leave out the parentheses, so the address is the first six
    // comma-separated numbers after the code, wherever they stand. Only p1
    // and p2 are used: the data connection goes where the control
    // connection goes.
    std::size_t i = 0;
    while (i < reply.size() && IsDigit(reply[i]))
        ++i;
    for (; i < reply.size(); ++i) {
        if (!IsDigit(reply[i]) || (i > 0 && IsDigit(reply[i - 1])))
            continue;
        int numbers[6];
        if (!SixNumbersAt(reply, i, numbers))
            continue;
        const int p = numbers[4] * 256 + numbers[5];
        if (p == 0)
            return false;
        port = p;
        return true;
    }
    return false;
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
        FSocksErrorText.clear();
        FProxy.ApplyTo(data);
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
    if (!FSocksErrorText.empty())
        FLastResponse += " (SOCKS proxy " + FProxy.host + ":" + FProxy.port + ": " + FSocksErrorText + ")";
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
