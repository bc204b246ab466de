// Construction, properties and the small helpers every request uses.
#include "ftp/ftp_custom_client.h"

#include "ftp/ftp_message_window.h"
#include "net/wsocket.h"

#include <QTimer>

#include <cctype>
#include <chrono>

namespace {

// The stored share value is the platform's share-flag number, as the
// property has always been kept; reading maps it back.
constexpr int ShareFlagCompat = 0x0000;
constexpr int ShareFlagExclusive = 0x0010;
constexpr int ShareFlagDenyWrite = 0x0020;
constexpr int ShareFlagDenyRead = 0x0030;
constexpr int ShareFlagDenyNone = 0x0040;

// The data handler still takes at most 2048 bytes per receive event; the
// data socket fetches this much per system call and serves those pieces
// from memory.
constexpr int DataReadAhead = 256 * 1024;

// An upload queues large pieces of the file on the data socket; it keeps
// them in blocks of this size, which the socket sends many at a time.
constexpr int DataSendBlock = 64 * 1024;

} // namespace

TCustomFtpCli::TCustomFtpCli()
    : FShareFlags(ShareFlagExclusive),
      FWindow(std::make_unique<FtpMessageWindow>(this)),
      FControlSocket(std::make_unique<TWSocket>()),
      FDataSocket(std::make_unique<TWSocket>())
{
    FControlSocket->OnDnsLookupDone = [this](TCustomWSocket*, std::uint16_t e) { ControlDnsLookupDone(e); };
    FControlSocket->OnSessionConnected = [this](TCustomWSocket*, std::uint16_t e) { ControlSessionConnected(e); };
    FControlSocket->OnDataAvailable = [this](TCustomWSocket*, std::uint16_t e) { ControlDataAvailable(e); };
    FControlSocket->OnSessionClosed = [this](TCustomWSocket*, std::uint16_t e) { ControlSessionClosed(e); };
    for (TWSocket* socket : {FControlSocket.get(), FDataSocket.get()})
        socket->OnSocksError = [this](TCustomWSocket*, int, const std::string& text) { FSocksErrorText = text; };
    FDataSocket->SetReadAhead(DataReadAhead);
    FDataSocket->SetBufSize(DataSendBlock);
}

TCustomFtpCli::~TCustomFtpCli()
{
    // Nothing may call back into a half-destroyed component.
    for (TWSocket* socket : {FControlSocket.get(), FDataSocket.get()}) {
        socket->OnDnsLookupDone = nullptr;
        socket->OnSessionConnected = nullptr;
        socket->OnDataAvailable = nullptr;
        socket->OnSessionClosed = nullptr;
        socket->OnSessionAvailable = nullptr;
        socket->OnDataSent = nullptr;
        socket->OnSendData = nullptr;
        socket->OnSocksError = nullptr;
    }
    FWindow.reset();
    FLocalStream.Release();
}

TFtpShareMode TCustomFtpCli::ShareMode() const
{
    switch (FShareFlags) {
    case ShareFlagCompat: return ftpShareCompat;
    case ShareFlagDenyWrite: return ftpShareDenyWrite;
    case ShareFlagDenyRead: return ftpShareDenyRead;
    case ShareFlagDenyNone: return ftpShareDenyNone;
    default: return ftpShareExclusive;
    }
}

void TCustomFtpCli::SetShareMode(TFtpShareMode v)
{
    switch (v) {
    case ftpShareCompat: FShareFlags = ShareFlagCompat; break;
    case ftpShareDenyWrite: FShareFlags = ShareFlagDenyWrite; break;
    case ftpShareDenyRead: FShareFlags = ShareFlagDenyRead; break;
    case ftpShareDenyNone: FShareFlags = ShareFlagDenyNone; break;
    default: FShareFlags = ShareFlagExclusive; break;
    }
}

std::uint64_t TCustomFtpCli::TickCount()
{
    using namespace std::chrono;
    return static_cast<std::uint64_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

void TCustomFtpCli::SetState(TFtpClientState state)
{
    if (state == FState)
        return;
    FState = state;
    if (OnStateChange)
        OnStateChange(this);
}

void TCustomFtpCli::Display(const std::string& text)
{
    if (!OnDisplay)
        return;
    std::string msg = text;
    OnDisplay(this, msg);
}

void TCustomFtpCli::SetProxy(const FtpProxy& proxy)
{
    if (!(proxy == FProxy))
        FForcedPassiveNoted = false;
    FProxy = proxy;
}

void TCustomFtpCli::KeepFirstError()
{
    if (FErrorMessage.empty())
        FErrorMessage = FLastResponse;
}

void TCustomFtpCli::TriggerProgress(std::int64_t count, bool& abort)
{
    if (OnProgress)
        OnProgress(this, count, abort);
}

void TCustomFtpCli::UsageError(const std::string& msg)
{
    FLastUsageMessage = msg;
    if (OnUsageError) {
        FUsageErrorReported = true;
        std::string text = msg;
        OnUsageError(this, text);
        throw UsageReported{};
    }
    throw FtpException(msg);
}

namespace {

bool IsPasswordCommand(const std::string& command)
{
    if (command.size() < 5 || command[4] != ' ')
        return false;
    for (int i = 0; i < 4; ++i) {
        if (std::toupper(static_cast<unsigned char>(command[static_cast<std::size_t>(i)])) != "PASS"[i])
            return false;
    }
    return true;
}

} // namespace

bool TCustomFtpCli::SendCommand(const std::string& command)
{
    std::string cmd = command;
    if (OnCommand)
        OnCommand(this, cmd);
    // The last line of defence: a line break would end this command early
    // and make the rest a command of its own.
    if (cmd.find_first_of(std::string("\r\n\0", 3)) != std::string::npos) {
        RefuseRequest(501, "501 Not sent: the command contains CR, LF or NUL");
        return false;
    }
    // The log is shown on screens and kept in files; the password is not.
    Display(IsPasswordCommand(cmd) ? "> PASS ****" : "> " + cmd);
    KeepOrForgetSizeAnswer();
    NoteCommandSent();
    ++FControlActivity;
    if (FControlSocket->State() == wsConnected)
        FControlSocket->SendStr(cmd + "\r\n");
    return true;
}

void TCustomFtpCli::IssueCommand(TFtpRequest request, const std::string& command,
                                 std::initializer_list<int> accepted, Handler afterReply)
{
    if (FState != ftpStateReady && FState != ftpStateStepDone)
        UsageError("FTP component not ready");
    if (!FConnected)
        UsageError("FTP component not connected");
    if (!FMultiStep) {
        FRequestType = request;
        // The first error of *this* request is what ErrorMessage tells.
        FErrorMessage.clear();
    }
    if (RefuseUnsafeArgument(FCurrentStep))
        return;
    FOkResponses.fill(0);
    std::size_t i = 0;
    for (int code : accepted) {
        if (i + 1 >= FOkResponses.size())
            break;
        FOkResponses[i++] = code;
    }
    ArmRequestDone();
    FNext = &TCustomFtpCli::GenericReply;
    FAfterReply = afterReply;
    SetState(ftpStateAwaitingReply);
    SendCommand(command);
}

void TCustomFtpCli::PostRequestDone(int code)
{
    FWindow->Post(WM_FTP_REQUEST_DONE, static_cast<std::intptr_t>(FStepSerial), code);
}

void TCustomFtpCli::ArmRequestDone()
{
    FRequestDoneFlag = false;
    ++FStepSerial;
}

void TCustomFtpCli::HandleWindowMessage(unsigned msg, std::intptr_t wParam, std::intptr_t lParam)
{
    try {
        switch (msg) {
        case WM_FTP_REQUEST_DONE:
            if (static_cast<std::uint64_t>(wParam) != FStepSerial)
                break;
            if (OnRequestDone)
                OnRequestDone(this, FRequestType, static_cast<std::uint16_t>(lParam));
            break;
        case WM_FTP_SENDDATA:
            FStartTick = TickCount();
            SendNextChunk(0);
            break;
        default:
            break;
        }
    } catch (const std::exception& e) {
        bool canClose = true;
        if (OnBgException) {
            try {
                OnBgException(this, e, canClose);
            } catch (...) {
            }
        }
    } catch (...) {
        bool canClose = true;
        if (OnBgException) {
            try {
                OnBgException(this, std::runtime_error("unknown exception"), canClose);
            } catch (...) {
            }
        }
    }
}

std::string TCustomFtpCli::TransferStatisticsText(std::int64_t byteCount, std::uint64_t startTick,
                                                  std::uint64_t stopTick)
{
    const std::int64_t elapsed = static_cast<std::int64_t>(stopTick - startTick);
    std::string text = std::to_string(byteCount) + " bytes received/sent in "
                       + std::to_string(elapsed / 1000) + " seconds";
    if (elapsed != 0) {
        // Small counts multiply first to keep precision; large ones divide
        // first, as the figure has always been computed.
        const std::int64_t rate = byteCount < 32768 ? byteCount * 1000 / elapsed
                                                    : byteCount / elapsed * 1000;
        text += " (" + std::to_string(rate) + " Bytes/sec)";
    }
    return text;
}
