// Sending over the data connection: STOR and APPE, a window of the file at a time.
#include "ftp/ftp_custom_client.h"

#include "ftp/ftp_message_window.h"
#include "net/socket_errors.h"
#include "net/wsocket.h"

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

namespace {

// The kernel keeps no more than about one block of the file (512 KiB) that
// it has not yet put on the wire: it asks for more as soon as it runs short,
// and what the server reads is still fresh in memory instead of queued
// behind megabytes. Without the limit the kernel takes as much as its
// buffers grow to, and a busy server reads markedly slower.
constexpr int UploadUnsentLimit = FtpLocalStream::ReadBlockSize;

void limitUnsentData(TSocket handle)
{
    // Kernels without the option just keep their own limit.
    const int limit = UploadUnsentLimit;
    ::setsockopt(handle, IPPROTO_TCP, TCP_NOTSENT_LOWAT, &limit, sizeof limit);
}

// Between the blocks of the file, progress is reported as the data goes out,
// once per this many bytes at most: often enough that the progress display
// moves and an abort asked for from OnProgress takes effect soon, even on a
// slow line where one block takes seconds.
constexpr std::int64_t UploadProgressStep = 64 * 1024;

}  // namespace

void TCustomFtpCli::StartUpload(const char* word, TFtpRequest request)
{
    FRequestType = request;
    if (FState != ftpStateReady && FState != ftpStateStepDone)
        UsageError("FTP component not ready");
    if (!FConnected || FControlSocket->State() != wsConnected)
        UsageError("STOR/APPE: not connected");
    if (FLocalFileName.empty())
        UsageError("LocalFileName empty");
    if (!FMultiStep)
        FErrorMessage.clear();
    if (RefuseUnsafeArgument(FCurrentStep))
        return;
    FDataCommandWord = word;
    FReplyOk = false;
    FSendDataClosed = false;
    FDataConnected = false;
    FStorAnswered = false;
    ArmRequestDone();
    FStartTick = 0;
    FByteCount = 0;
    FProgressReportedAt = 0;
    FTransferStatus = 0;
    FTransferFault = 0;
    FTransferFaultText.clear();

    bool cancel = false;
    if (OnReadyToTransmit)
        OnReadyToTransmit(this, cancel);
    if (cancel) {
        FErrorMessage = "426 Transmit cancelled by application";
        FStatusCode = 426;
        DisplayStatus(FErrorMessage);
        FStepStatus = 426;
        Finish(426);
        return;
    }

    FDataSocket->OnSessionAvailable = [this](TCustomWSocket*, std::uint16_t e) { AcceptForSend(e); };
    // Within the request sequences the passive reply is the last line
    // received when the upload starts.
    int passivePort = 0;
    if (DataPassive() && !PassiveDataPortOrFail(FLastResponse, passivePort))
        return;
    ReleaseLocalStream();
    if (!FLocalStream.OpenForRead(FLocalFileName, FResumeAt > 0 ? FResumeAt : 0, ShareMode())) {
        FErrorMessage = "426 Unable to open local file " + FLocalFileName
            + (FLocalStream.NotRegularFile() ? ": not a regular file" : "");
        FStatusCode = 426;
        DisplayStatus(FErrorMessage);
        CloseDataSocket();
        FStepStatus = 426;
        Finish(426);
        return;
    }
    FEofFlag = false;
    FConvertLineEnds = FType == 'A' && !FAsciiUploadKeepsLineEnds;
    FSentCR = false;
    if (DataPassive()) {
        // The command goes out once the data connection is up.
        ConnectPassiveData(passivePort, false);
        return;
    }
    if (TakeEarlyDataConnection()) {
        AcceptForSend(0);
        if (FRequestDoneFlag)
            return;
    }
    SendUploadCommand();
}

void TCustomFtpCli::SendUploadCommand()
{
    SetState(ftpStateAwaitingReply);
    FNext = &TCustomFtpCli::UploadStartReply;
    SendCommand(FDataCommandWord + " " + FHostFileName);
}

void TCustomFtpCli::PassiveSendConnected(std::uint16_t error)
{
    FDataSocket->OnSessionClosed = [this](TCustomWSocket*, std::uint16_t e) { SendClosed(e); };
    FDataSocket->OnDataAvailable = nullptr;
    FDataSocket->OnDataSent = nullptr;
    FDataSocket->OnSendData = nullptr;
    FDataConnected = true;
    FStartTick = TickCount();
    if (error != 0) {
        DataConnectFailed(error);
        return;
    }
    limitUnsentData(FDataSocket->HSocket());
    // The command goes out with the handshake under way: some servers take
    // the data connection only once they have the command.
    if (!StartDataTls())
        return;
    SendUploadCommand();
}

void TCustomFtpCli::AcceptForSend(std::uint16_t)
{
    const TSocket handle = AcceptDataConnection();
    if (handle == INVALID_SOCKET)
        return;
    TWSocket& data = *FDataSocket;
    data.OnSessionClosed = [this](TCustomWSocket*, std::uint16_t e) { SendClosed(e); };
    data.OnDataAvailable = [this](TCustomWSocket* socket, std::uint16_t) {
        // Nothing is expected from the server on an upload; read it away.
        socket->Receive(FRecvBuffer.data(), static_cast<int>(FRecvBuffer.size()));
    };
    BindUploadSending();
    data.AdoptHandle(handle);

    int sendBufferSize = 0;
    socklen_t length = sizeof sendBufferSize;
    if (::getsockopt(data.HSocket(), SOL_SOCKET, SO_SNDBUF, &sendBufferSize, &length) != 0) {
        FLastUsageMessage = "winsock.getsockopt(SO_SNDBUF) failed";
        if (OnUsageError) {
            std::string text = FLastUsageMessage;
            OnUsageError(this, text);
        } else {
            DisplayStatus(FLastUsageMessage);
        }
        return;
    }
    data.SetLingerOnOff(wsLingerOff);
    data.SetLingerTimeout(10);
    linger option{0, 10};
    ::setsockopt(data.HSocket(), SOL_SOCKET, SO_LINGER, &option, sizeof option);
    limitUnsentData(data.HSocket());
    if (!StartDataTls())
        return;
    FDataConnected = true;
    if (FStorAnswered && FStartTick == 0)
        FWindow->Post(WM_FTP_SENDDATA);
}

void TCustomFtpCli::UploadStartReply()
{
    if (!IsFinalLine())
        return;
    if (FStatusCode == 125 || FStatusCode == 150) {
        FStorAnswered = true;
        FNext = &TCustomFtpCli::UploadEndReply;
        if (DataPassive()) {
            BindUploadSending();
            SendNextChunk(0);
        } else if (FDataConnected && FStartTick == 0) {
            FWindow->Post(WM_FTP_SENDDATA);
        }
        return;
    }
    RefuseTransferByReply();
}

void TCustomFtpCli::BindUploadSending()
{
    FDataSocket->OnDataSent = [this](TCustomWSocket*, std::uint16_t e) { SendNextChunk(e); };
    FDataSocket->OnSendData = [this](TCustomWSocket*, int count) { UploadDataGone(count); };
}

bool TCustomFtpCli::ReportUploadProgress()
{
    FProgressReportedAt = FByteCount;
    bool abort = false;
    TriggerProgress(FByteCount + FResumeAt, abort);
    if (!abort)
        return true;
    DisplayStatus("Abort requested");
    NoteTransferFault(426, "426 Transfer aborted");
    CloseDataSocket();
    return false;
}

void TCustomFtpCli::SendNextChunk(std::uint16_t error)
{
    if (!FLocalStream.IsOpen())
        return;
    // A data connection made before the command (a server that connects at
    // PORT) reports itself ready before the server has taken the STOR. An
    // abort must not close it then: over a slow link the server takes the
    // command afterwards and waits for a connection that never comes, and
    // the upload hangs instead of ending. The abort is acted on once the
    // server has answered, at the first block.
    if (!FStorAnswered && error == 0)
        return;
    if (!ReportUploadProgress())
        return;
    if (error != 0) {
        DisplayStatus("Error #" + std::to_string(error) + " sending data");
        NoteTransferFault(error, "426 Error #" + std::to_string(error) + " sending data");
        CloseDataSocket();
        return;
    }
    if (FEofFlag || !FStorAnswered || !FDataConnected)
        return;
    // Two things start the sending: the posted start once both the reply
    // and the connection are there, and the socket's first "all sent" on a
    // fresh connection (or at the end of its TLS handshake). Whichever comes
    // second finds the first block still queued and leaves it to the
    // socket's next "all sent"; reading on would meet the end of a small
    // file and close the connection with part of it still queued.
    if (!FDataSocket->AllSent())
        return;
    // A whole block of the file goes to the socket at once; the socket
    // queues it and pushes it into the kernel with as few calls as the
    // kernel allows. The next block is read as soon as the socket reports
    // everything handed to the network: the kernel still holds what it took
    // then, so the connection does not wait for the file.
    const char* block = nullptr;
    const int n = ReadBlockToSend(block);
    if (n < 0) {
        DisplayStatus("Error reading file");
        NoteTransferFault(426, "426 Error reading local file " + FLocalFileName);
        CloseDataSocket();
        return;
    }
    if (n == 0) {
        FEofFlag = true;
        // An empty file can end before the TLS handshake has: the end
        // waits for it, or the server would see a broken connection.
        if (FDataSocket->TlsHandshaking()) {
            FCloseAfterTls = true;
            return;
        }
        EndUploadData();
        return;
    }
    // ByteCount grows as the socket hands the block to the network. An abort
    // from the progress reported meanwhile closes the data connection and
    // lets go of the file; nothing here touches either afterwards.
    FDataSocket->Send(block, n);
}

void TCustomFtpCli::UploadDataGone(int count)
{
    FByteCount += count;
    if (FByteCount - FProgressReportedAt >= UploadProgressStep && FLocalStream.IsOpen())
        ReportUploadProgress();
}

void TCustomFtpCli::EndUploadData()
{
    // The kernel may still hold much of the file when the last block has
    // been handed over (a server that reads slowly). The connection only
    // says it is done (close_notify, then the FIN) and stays open until the
    // server has read to the end and closes, or has confirmed the file: a
    // socket released earlier turns anything the server sends afterwards
    // (a TLS session ticket it was late with) into a reset that drops what
    // was still queued, and the server takes the reset for the end of a
    // file it then confirms cut short.
    FDataSocket->EndSending();
}

void TCustomFtpCli::SendClosed(std::uint16_t error)
{
    ReleaseLocalStream();
    // A data connection that closes before the whole file went out leaves
    // the server with part of it, whatever it replies afterwards.
    if (!FEofFlag)
        NoteTransferFault(426, "426 Data connection closed before the whole file was sent");
    // Once the whole file and its close_notify have gone out, a server that
    // closes its side without its own close_notify cuts nothing: it sends
    // no data on an upload.
    if (FEofFlag && error == TLS_E_TRUNCATED)
        error = 0;
    FSendDataClosed = true;
    FTransferStatus = error;
    TryToEndUpload();
}

void TCustomFtpCli::UploadEndReply()
{
    if (!IsFinalLine())
        return;
    if (FStatusCode == 226 || FStatusCode == 250) {
        FReplyOk = true;
        // The server has read the whole file up to our end of it and
        // confirmed it; a data connection it keeps open carries nothing more.
        if (FEofFlag && !FSendDataClosed) {
            CloseDataSocket();
            // Its close report has ended the upload.
            if (FSendDataClosed)
                return;
        }
        TryToEndUpload();
        return;
    }
    KeepFirstError();
    ReleaseLocalStream();
    CloseDataSocket();
    DisplayStatus("STOR Failed");
    FStepStatus = FStatusCode;
    Finish(FStatusCode);
}

void TCustomFtpCli::TryToEndUpload()
{
    if (!FReplyOk || !FSendDataClosed)
        return;
    ShowStatistics();
    FResumeAt = 0;
    const int status = EndStatusOfTransfer();
    FStepStatus = status;
    Finish(status);
}

int TCustomFtpCli::ReadBlockToSend(const char*& block)
{
    const int n = FLocalStream.ReadBlock(block);
    if (!FConvertLineEnds || n <= 0)
        return n;
    // LF goes out as CR LF unless a CR already stands before it.
    FSendConverted.resize(2 * static_cast<std::size_t>(n));
    char* out = FSendConverted.data();
    std::size_t length = 0;
    for (int i = 0; i < n; ++i) {
        const char c = block[i];
        if (c == '\n' && !FSentCR)
            out[length++] = '\r';
        out[length++] = c;
        FSentCR = c == '\r';
    }
    block = out;
    return static_cast<int>(length);
}
