// Receiving over the data connection: RETR, LIST and NLST.
#include "ftp/ftp_custom_client.h"

#include "ftp/ftp_download_file.h"
#include "net/wsocket.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

void TCustomFtpCli::StartReceive(const char* word, TFtpRequest single)
{
    // A receive is a command on the connection like any other; starting one
    // while another request runs would tangle both.
    if (FState != ftpStateReady && FState != ftpStateStepDone)
        UsageError("FTP component not ready");
    if (!FConnected || FControlSocket->State() != wsConnected)
        UsageError(std::string(word) + ": not connected");
    if (FLocalFileName.empty() && !FDisplayFileFlag)
        UsageError("LocalFileName empty");
    if (!FMultiStep) {
        FRequestType = single;
        FErrorMessage.clear();
    }
    FLocalFileWritten = false;
    if (RefuseUnsafeArgument(FCurrentStep))
        return;
    FDataCommandWord = word;
    FReplyOk = false;
    FReceiveDataClosed = false;
    ArmRequestDone();
    FByteCount = 0;
    FTransferStatus = 0;
    FTransferFault = 0;
    FTransferFaultText.clear();
    // REST without a local file leaves -1 behind; nothing to resume then.
    if (FResumeAt < 0)
        FResumeAt = 0;
    TakeExpectedDownloadSize();
    FDataSocket->OnSessionAvailable = [this](TCustomWSocket*, std::uint16_t e) { AcceptForReceive(e); };
    // An unusable passive reply ends the request before the local file is
    // created, so an existing file is not emptied for nothing.
    int passivePort = 0;
    if (DataPassive() && !PassiveDataPortOrFail(FPasvResponse, passivePort))
        return;

    FDownloadDestination.clear();
    FDownloadPart.clear();
    // A file fetched in ASCII type comes with the network's CR LF line
    // ends; it is stored with this system's LF. Listings are left as sent.
    FConvertLineEnds = FType == 'A' && FDataCommandWord == "RETR" && !FDisplayFileFlag;
    FHeldCR = false;
    FAsciiHeadPending = FConvertLineEnds && FCheckAsciiForBinary;
    FAsciiHeldBinaryData = false;
    FAsciiHead.clear();
    if (!FDisplayFileFlag) {
        ReleaseLocalStream();
        std::string writePath = FLocalFileName;
        std::string seedFrom;
        if (FDataCommandWord == "RETR" && DownloadUsesPartFile(FLocalFileName)) {
            FDownloadDestination = DownloadDestination(FLocalFileName);
            FDownloadPart = DownloadPartPath(FLocalFileName);
            writePath = FDownloadPart;
            // Resuming a file that has no part file yet: the part file
            // starts as a copy of it, and the file stays as it is until
            // the download is complete.
            if (FResumeAt > 0 && FtpLocalStream::FileSize(FDownloadPart) < 0)
                seedFrom = FDownloadDestination;
        }
        // Opened (and locked) now, so that a file we cannot write ends the
        // request before the server is asked for anything; emptied only
        // when the transfer starts, so that a refusal leaves it as it was.
        if (!FLocalStream.PrepareForWrite(writePath, FResumeAt, ShareMode(), seedFrom)) {
            FLastResponse = "Unable to open local file " + FLocalFileName;
            FStatusCode = 550;
            KeepFirstError();
            CloseDataSocket();
            FStepStatus = 550;
            Finish(550);
            return;
        }
    }
    if (DataPassive() && !ConnectPassiveData(passivePort, true))
        return;
    if (!DataPassive() && TakeEarlyDataConnection()) {
        AcceptForReceive(0);
        if (FRequestDoneFlag)
            return;
    }
    SetState(ftpStateAwaitingReply);
    FNext = &TCustomFtpCli::ReceiveStartReply;
    SendCommand(FHostFileName.empty() ? FDataCommandWord : FDataCommandWord + " " + FHostFileName);
}

void TCustomFtpCli::BindReceiveHandlers()
{
    FDataSocket->OnSessionClosed = [this](TCustomWSocket*, std::uint16_t e) { ReceiveClosed(e); };
    FDataSocket->OnDataAvailable = [this](TCustomWSocket*, std::uint16_t e) { ReceiveData(e); };
    FDataSocket->OnDataSent = nullptr;
}

void TCustomFtpCli::AcceptForReceive(std::uint16_t)
{
    const TSocket handle = AcceptDataConnection();
    if (handle == INVALID_SOCKET)
        return;
    BindReceiveHandlers();
    FDataSocket->AdoptHandle(handle);
    FStartTick = TickCount();
    StartDataTls();
}

void TCustomFtpCli::PassiveReceiveConnected(std::uint16_t error)
{
    BindReceiveHandlers();
    FStartTick = TickCount();
    if (error != 0) {
        DataConnectFailed(error);
        return;
    }
    StartDataTls();
}

void TCustomFtpCli::ReceiveStartReply()
{
    if (!IsFinalLine())
        return;
    if (FStatusCode == 125 || FStatusCode == 150) {
        FNext = &TCustomFtpCli::ReceiveEndReply;
        if (FDataCommandWord == "RETR")
            FAnnouncedSize = AnnouncedByteCount(FLastResponse);
        StartWritingLocalFile();
        return;
    }
    RefuseTransferByReply();
}

void TCustomFtpCli::ReceiveEndReply()
{
    if (!IsFinalLine())
        return;
    if (FStatusCode == 125 || FStatusCode == 226 || FStatusCode == 250) {
        FReplyOk = true;
        TryToEndReceive();
        return;
    }
    KeepFirstError();
    ReleaseLocalStream();
    CloseDataSocket();
    DisplayStatus("RETR/LIST/NLST Failed");
    FStepStatus = FStatusCode;
    Finish(FStatusCode);
}

void TCustomFtpCli::NoteTransferFault(int code, const std::string& text)
{
    if (FTransferFault != 0)
        return;
    FTransferFault = code;
    FTransferFaultText = text;
}

void TCustomFtpCli::ReceiveData(std::uint16_t)
{
    bool abort = false;
    TriggerProgress(FByteCount + FResumeAt, abort);
    if (abort) {
        DisplayStatus("Abort requested");
        NoteTransferFault(426, "426 Transfer aborted");
        CloseDataSocket();
        return;
    }
    TWSocket& data = *FDataSocket;
    const int n = data.Receive(FRecvBuffer.data(), static_cast<int>(FRecvBuffer.size()));
    if (n > 0) {
        FByteCount += n;
        // Data may come before the 125/150 reply; the transfer has started.
        if (!StartWritingLocalFile())
            return;
        if (FLocalStream.IsOpen() && !WriteReceived(FRecvBuffer.data(), n)) {
            EndOnLocalWriteError(FLocalStream.ErrorNumber());
            return;
        }
        if (FDisplayFileFlag)
            DisplayReceivedLines(FRecvBuffer.data(), n);
    } else if (n < 0) {
        if (data.State() == wsConnected && data.LastError() != WSAEWOULDBLOCK) {
            DisplayStatus("Data: Receive error " + std::to_string(data.LastError()));
            std::string text = "426 Data: Receive error " + std::to_string(data.LastError());
            if (data.Tls() && !data.TlsErrorText().empty())
                text += " (" + data.TlsErrorText() + ")";
            NoteTransferFault(data.LastError(), text);
            data.Shutdown(2);
        }
    }
}

void TCustomFtpCli::DisplayReceivedLines(const char* block, int length)
{
    // Runs of bytes other than CR and LF are lines; a line cut by the end of
    // the block arrives in two pieces, as received.
    int i = 0;
    while (i < length) {
        const int start = i;
        while (i < length && block[i] != '\r' && block[i] != '\n')
            ++i;
        std::string line(block + start, static_cast<std::size_t>(i - start));
        if (OnDisplayFile)
            OnDisplayFile(this, line);
        while (i < length && (block[i] == '\r' || block[i] == '\n'))
            ++i;
    }
}

void TCustomFtpCli::ReceiveClosed(std::uint16_t error)
{
    FReceiveDataClosed = true;
    FTransferStatus = error;
    // A file shorter than the part that decides is decided at its end.
    if (FAsciiHeadPending && FLocalStream.IsOpen() && !DecideOnAsciiHead(false)) {
        EndOnLocalWriteError(FLocalStream.ErrorNumber());
        return;
    }
    // A data connection that ends before anything arrived may be an empty
    // file whose 150 reply is still on its way, or a transfer the server
    // refuses: the file stays open, untouched, until the reply tells.
    if (FLocalStream.WritingBegun() && !CloseLocalFile())
        return;
    TryToEndReceive();
}

bool TCustomFtpCli::CloseLocalFile()
{
    // A CR that ended the file was no line end.
    if (FHeldCR && FLocalStream.IsOpen()) {
        FHeldCR = false;
        if (!FLocalStream.Write("\r", 1)) {
            EndOnLocalWriteError(FLocalStream.ErrorNumber());
            return false;
        }
    }
    if (!ReleaseLocalStream()) {
        EndOnLocalWriteError(FLocalStream.ErrorNumber());
        return false;
    }
    return true;
}

void TCustomFtpCli::TryToEndReceive()
{
    if (!FReplyOk || !FReceiveDataClosed)
        return;
    // The server has confirmed a transfer that brought nothing: an empty
    // file is a file too.
    if (FLocalStream.IsOpen() && (!StartWritingLocalFile() || !CloseLocalFile()))
        return;
    ShowStatistics();
    CheckDownloadSize();
    FResumeAt = 0;
    int status = EndStatusOfTransfer();
    if (status == 0 && !FDownloadPart.empty())
        status = CompleteDownloadFile();
    FStepStatus = status;
    Finish(status);
}

int TCustomFtpCli::EndStatusOfTransfer()
{
    if (FTransferStatus >= TLS_E_HANDSHAKE && FTransferStatus <= TLS_E_CERTIFICATE) {
        // The server may well have said 226: over TLS only close_notify
        // proves that all the data arrived.
        FStatusCode = 426;
        if (FErrorMessage.empty())
            FErrorMessage = FTransferFault != 0 ? FTransferFaultText
                                                : "426 " + SocketErrorText(FTransferStatus) + ": the transfer is incomplete";
        return FTransferStatus;
    }
    if (FTransferStatus != 0) {
        // The data connection broke (a reset, say): whatever the server
        // replies, the file is incomplete, and the reply must not stand as
        // the reason.
        FStatusCode = 426;
        if (FErrorMessage.empty())
            FErrorMessage = FTransferFault != 0
                ? FTransferFaultText
                : "426 Data connection broken: " + SocketErrorText(FTransferStatus)
                      + "; the transfer is incomplete (Winsock error #" + std::to_string(FTransferStatus) + ")";
        return FTransferStatus;
    }
    if (FTransferFault == 0)
        return 0;
    // The server confirmed the transfer, but our side of it failed or was
    // stopped: that must not end as a success.
    FStatusCode = FTransferFault < 1000 ? FTransferFault : 426;
    if (FErrorMessage.empty())
        FErrorMessage = FTransferFaultText;
    return FTransferFault;
}

void TCustomFtpCli::ShowStatistics()
{
    FStopTick = TickCount();
    DisplayStatus(TransferStatisticsText(FByteCount, FStartTick, FStopTick));
}

int TCustomFtpCli::CompleteDownloadFile()
{
    const std::string reason = ReplaceWithPartFile(FDownloadPart, FDownloadDestination);
    if (reason.empty())
        return 0;
    const std::string text = "550 Could not replace " + FLocalFileName + " with the downloaded file: " + reason;
    DisplayStatus(text);
    FStatusCode = 550;
    if (FErrorMessage.empty())
        FErrorMessage = text;
    return 550;
}

void TCustomFtpCli::EndOnLocalWriteError(int errorNumber)
{
    // Waiting for the server would only wait for data there is no room
    // for (a full disk can hold up a resumed download until the inactivity
    // limit, or for good without one); the transfer ends here, and with it
    // the connection, whose late reply to the transfer could otherwise be
    // taken for the answer to the next command.
    const std::string reason = std::strerror(errorNumber != 0 ? errorNumber : EIO);
    DisplayStatus("Error writing local file: " + reason);
    const std::string text = "550 Error writing local file " + FLocalFileName + ": " + reason;
    NoteTransferFault(550, text);
    FStatusCode = 550;
    if (FErrorMessage.empty())
        FErrorMessage = text;
    DropConnectionsAndEnd(550);
}

namespace {

// How much of an ASCII download shows whether it is text.
constexpr std::size_t AsciiHeadSize = 64 * 1024;

}  // namespace

bool TCustomFtpCli::WriteReceived(const char* block, int length)
{
    if (!FConvertLineEnds)
        return FLocalStream.Write(block, length);
    if (FAsciiHeadPending) {
        FAsciiHead.append(block, static_cast<std::size_t>(length));
        return FAsciiHead.size() < AsciiHeadSize || DecideOnAsciiHead(true);
    }
    return WriteConverted(block, static_cast<std::size_t>(length));
}

bool TCustomFtpCli::DecideOnAsciiHead(bool closeData)
{
    FAsciiHeadPending = false;
    std::string head;
    head.swap(FAsciiHead);
    if (head.find('\0') == std::string::npos)
        return WriteConverted(head.data(), head.size());
    // Nothing is written: the part file stays empty, and the file the
    // download is to replace stays as it was.
    FAsciiHeldBinaryData = true;
    const std::string text = "426 " + FHostFileName + " holds binary data (a NUL byte); not stored in ASCII mode";
    DisplayStatus(text.substr(4));
    NoteTransferFault(426, text);
    if (closeData)
        CloseDataSocket();
    return true;
}

bool TCustomFtpCli::WriteConverted(const char* block, std::size_t length)
{
    // CR LF becomes LF; any other CR stays. A CR at the end of a block waits
    // for the next block to tell which it is.
    const std::size_t piece = FLineEndBuffer.size() - 1;
    for (std::size_t start = 0; start < length; start += piece) {
        const std::size_t end = std::min(length, start + piece);
        char* out = FLineEndBuffer.data();
        int n = 0;
        for (std::size_t i = start; i < end; ++i) {
            const char c = block[i];
            if (FHeldCR) {
                FHeldCR = false;
                if (c != '\n')
                    out[n++] = '\r';
            }
            if (c == '\r')
                FHeldCR = true;
            else
                out[n++] = c;
        }
        if (n > 0 && !FLocalStream.Write(out, n))
            return false;
    }
    return true;
}
