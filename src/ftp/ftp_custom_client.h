#pragma once

#include "ftp/ftp_local_stream.h"
#include "ftp/ftp_proxy.h"
#include "ftp/ftp_types.h"
#include "net/tls_channel.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class TWSocket;
class TCustomWSocket;
class FtpMessageWindow;
class QTimer;

// The FTP client component: one control connection carrying commands and
// replies, one data connection for listings and file transfers. Every
// operation is an asynchronous request (Begin...) that returns at once and
// ends, later and from the event loop, with exactly one OnRequestDone.
// Requests are built of steps, one FTP command each; a multi-step request
// chains its steps itself and reports only once, at its end.
//
// The implementation is split by concern: requests and their table
// (ftp_requests.cpp, ftp_session_requests.cpp), the step runner and finish
// (ftp_step_runner.cpp), reading and judging replies (ftp_replies.cpp), the
// open / close / abort life of the control connection (ftp_connection.cpp),
// the data connection (ftp_data_port.cpp) and the transfers over it
// (ftp_receive.cpp, ftp_send.cpp), with the checks of what a download
// brought (ftp_download_checks.cpp); the guards against unsafe command
// arguments and endless replies (ftp_request_guards.cpp) and the
// inactivity limit (ftp_inactivity.cpp).
// A server certificate met on a TLS control connection, for the program to
// decide whether it is trusted.
struct FtpServerCertificate {
    std::string host;
    std::string port;   // the port connected to, as digits
    TlsPeerCertificate certificate;
};
// Accept comes in true when the certificate verified against the system's
// trust store and the host name; a handler may change it. Reason is the
// text shown when the certificate is refused.
using TFtpCheckCertificate = std::function<void(class TCustomFtpCli* Sender, const FtpServerCertificate& Certificate,
                                                bool& Accept, std::string& Reason)>;

class TCustomFtpCli {
public:
    TCustomFtpCli();
    virtual ~TCustomFtpCli();
    TCustomFtpCli(const TCustomFtpCli&) = delete;
    TCustomFtpCli& operator=(const TCustomFtpCli&) = delete;

    // --- published properties -----------------------------------------------
    const std::string& HostName() const { return FHostName; }
    void SetHostName(const std::string& v) { FHostName = v; }
    const std::string& Port() const { return FPort; }
    void SetPort(const std::string& v) { FPort = v; }
    const std::string& UserName() const { return FUserName; }
    void SetUserName(const std::string& v) { FUserName = v; }
    const std::string& PassWord() const { return FPassWord; }
    void SetPassWord(const std::string& v) { FPassWord = v; }
    const std::string& HostDirName() const { return FHostDirName; }
    void SetHostDirName(const std::string& v) { FHostDirName = v; }
    const std::string& HostFileName() const { return FHostFileName; }
    void SetHostFileName(const std::string& v) { FHostFileName = v; }
    const std::string& LocalFileName() const { return FLocalFileName; }
    void SetLocalFileName(const std::string& v) { FLocalFileName = v; }
    bool DisplayFileFlag() const { return FDisplayFileFlag; }
    void SetDisplayFileFlag(bool v) { FDisplayFileFlag = v; }
    bool Binary() const { return FType == 'I'; }
    void SetBinary(bool v) { FType = v ? 'I' : 'A'; }
    // A file fetched in ASCII type whose first 64 KiB hold a NUL byte is no
    // text, and converting its line ends would corrupt it: with this set,
    // such a download stores nothing and ends as failed, with
    // AsciiDownloadHeldBinaryData() true, so the caller can fetch it again
    // in binary type. Off by default: an explicit ASCII request is kept.
    void SetCheckAsciiDownloadForBinaryData(bool v) { FCheckAsciiForBinary = v; }
    bool AsciiDownloadHeldBinaryData() const { return FAsciiHeldBinaryData; }
    // ASCII uploads go out with the local file's own line ends instead of
    // CR LF: for a server of the same kind (SYST names UNIX), which stores
    // them as they come whether it converts or not. Off by default.
    void SetAsciiUploadKeepsLineEnds(bool v) { FAsciiUploadKeepsLineEnds = v; }
    bool AsciiUploadKeepsLineEnds() const { return FAsciiUploadKeepsLineEnds; }
    const std::string& ErrorMessage() const { return FErrorMessage; }
    TFtpShareMode ShareMode() const;
    void SetShareMode(TFtpShareMode v);
    TFtpOptions Options() const { return FOptions; }
    void SetOptions(TFtpOptions v) { FOptions = v; }

    // --- public properties --------------------------------------------------
    TFtpClientState State() const { return FState; }
    int StatusCode() const { return FStatusCode; }
    const std::string& LastResponse() const { return FLastResponse; }
    TFtpRequest RequestType() const { return FRequestType; }
    bool Connected() const { return FConnected; }
    bool Passive() const { return FPassive; }
    void SetPassive(bool v) { FPassive = v; }
    // The SOCKS proxy both connections go through; none by default. While
    // one is set every data connection is passive, whatever Passive says:
    // a proxy connects outward only, so the server could never reach a
    // PORT address.
    const FtpProxy& Proxy() const { return FProxy; }
    void SetProxy(const FtpProxy& proxy);
    // Whether the next data connection is opened passively.
    bool DataPassive() const { return FPassive || FProxy.Enabled(); }
    const std::string& DirResult() const { return FDirResult; }
    std::int64_t SizeResult() const { return FSizeResult; }
    std::int64_t ByteCount() const { return FByteCount; }
    std::int64_t ResumeAt() const { return FResumeAt; }
    void SetResumeAt(std::int64_t v) { FResumeAt = v; }
    TWSocket* ControlSocket() const { return FControlSocket.get(); }
    TWSocket* DataSocket() const { return FDataSocket.get(); }

    // How long, in seconds, a request may go without a byte moving on the
    // control or the data connection. Past it the request ends with 426
    // ("426 Timeout: ..."), both connections are closed and the client is
    // ready again. 0 means no limit. This is not the blocking forms'
    // Timeout, which limits a whole blocking call.
    int InactivityTimeout() const { return FInactivityTimeout; }
    void SetInactivityTimeout(int seconds) { FInactivityTimeout = seconds > 0 ? seconds : 0; }

    // Whether the current or last download (RETR, LIST or NLST into
    // LocalFileName) began writing its local file: created or emptied it
    // or, when resuming, began writing at ResumeAt. That happens only when
    // the transfer starts (the 125/150 reply, or the first data byte if it
    // comes earlier). While false, the local file is exactly as it was
    // before the request: a download refused, cut off or timed out before
    // it started has not touched it, and a file that did not exist has not
    // been left behind. When true and the download failed, the file holds
    // what arrived (a partial file, fit for resuming).
    bool LocalFileWritten() const { return FLocalFileWritten; }

    // --- events -------------------------------------------------------------
    TFtpDisplay OnDisplay;
    TFtpDisplay OnDisplayFile;
    TFtpCommand OnCommand;
    TFtpNotify OnResponse;
    TFtpProgress OnProgress;
    TFtpSessionEvent OnSessionConnected;
    TFtpSessionEvent OnSessionClosed;
    TFtpRequestDone OnRequestDone;
    TFtpNotify OnStateChange;
    TFtpReadyToTransmit OnReadyToTransmit;
    TFtpBgException OnBgException;
    TFtpDisplay OnUsageError;
    // Asked once per control connection made over TLS ("ftpes://" hosts).
    // Without a handler only certificates that verify are accepted.
    TFtpCheckCertificate OnCheckCertificate;

    // --- TLS ------------------------------------------------------------------
    // Whether the current connection protects its data connections (AUTH
    // TLS, PBSZ 0 and PROT P succeeded).
    bool DataProtected() const { return FDataProtected; }
    // "TLSv1.3, TLS_AES_256_GCM_SHA384" for an encrypted control
    // connection, as the log showed it; empty for a plain one.
    const std::string& TlsDescription() const { return FTlsDescription; }
    // The certificate of the current (or last) TLS control connection.
    const FtpServerCertificate& ServerCertificate() const { return FServerCertificate; }
    // Whether the last TLS data connection resumed the control connection's
    // session.
    bool DataTlsResumed() const { return FDataTlsResumed; }

    // --- what the server is known to have set -----------------------------------
    // True when a CWD to exactly this absolute path succeeded on this
    // connection and nothing since may have moved the server; a caller that
    // wants to be there need not send it again.
    bool KnowsDirectory(const std::string& directory) const;
    // True when the server is known to use the type Binary now says.
    bool KnowsType() const;

    // --- single-step requests -------------------------------------------------
    void BeginOpen();
    void BeginUser();
    void BeginPass();
    void BeginChangeDir();
    void BeginParentDir();
    void BeginPrintDir();
    void BeginMakeDir();
    void BeginRemoveDir();
    void BeginDelete();
    void BeginRenameFrom();
    void BeginRenameTo();
    void BeginFileSize();
    void BeginSystem();
    void BeginSetType();
    void BeginSetBinary();
    void BeginSetAscii();
    void BeginRawCommand();
    void BeginRestart();
    void BeginQuit();
    void BeginDataPort();
    void BeginRetrieve();
    void BeginList();
    void BeginNameList();
    void BeginStore();
    void BeginAppend();

    // --- multi-step requests --------------------------------------------------
    void BeginLogin();
    void BeginListDir();
    void BeginListNames();
    void BeginGetFile();
    void BeginPutFile();
    void BeginAppendFile();
    void BeginResumeGetFile();
    void BeginRename();
    void BeginSessionGet();
    void BeginSessionResumeGet();
    void BeginSessionPut();
    void BeginSessionAppend();
    void BeginSessionListDir();
    void BeginSessionListNames();
    void BeginSessionSystem();
    void BeginSessionFileSize();
    void BeginSessionRename();
    void BeginSessionDelete();
    void BeginSessionMakeDir();
    void BeginSessionRemoveDir();
    void BeginSessionRawCommand();

    // Ends whatever runs, at once: closes both connections. A multi-step
    // request in flight ends with 426.
    void BeginAbort();

    // The statistics line shown after a transfer (without its "! " prefix).
    static std::string TransferStatisticsText(std::int64_t byteCount, std::uint64_t startTick,
                                              std::uint64_t stopTick);

protected:
    // Status of the last step: 0 success, else the failing code.
    int LastStepStatus() const { return FStepStatus; }
    // Set when a usage error was reported through OnUsageError during the
    // last request call, so callers that do not see an exception can tell.
    bool UsageErrorReported() const { return FUsageErrorReported; }
    void ClearUsageErrorReported() { FUsageErrorReported = false; }
    void SetErrorMessage(const std::string& v) { FErrorMessage = v; }
    void SetStatusCode(int v) { FStatusCode = v; }
    virtual void TriggerProgress(std::int64_t count, bool& abort);
    // The process's monotonic millisecond tick.
    static std::uint64_t TickCount();

private:
    friend class FtpMessageWindow;
    using Handler = void (TCustomFtpCli::*)();
    using StepStarter = void (TCustomFtpCli::*)();

    enum : unsigned { WM_FTP_REQUEST_DONE = 1, WM_FTP_SENDDATA = 2 };

    // Thrown after a usage error went to OnUsageError, to leave the request
    // method at once; never escapes the component.
    struct UsageReported {};

    // Runs one public request: usage errors reported through OnUsageError
    // end the call quietly, otherwise FtpException reaches the caller.
    template <typename Start>
    void RunRequest(Start start)
    {
        FUsageErrorReported = false;
        // A refused call starts nothing, so it must not leave its step as
        // the running request's current step: the runner judges the next
        // step by it (REST before RETR keeps the resume offset).
        const TFtpStep runningStep = FCurrentStep;
        ++FCallDepth;
        try {
            start();
        } catch (const UsageReported&) {
            FCurrentStep = runningStep;
            --FCallDepth;
            return;
        } catch (...) {
            FCurrentStep = runningStep;
            --FCallDepth;
            throw;
        }
        --FCallDepth;
        // Only a request this call started gets a fresh inactivity limit; a
        // refused call leaves the running request's limit alone.
        WatchInactivity();
    }
    [[noreturn]] void UsageError(const std::string& msg);
    void StartMultiStep(TFtpRequest request, TFtpSteps steps);

    // Step starters (one command each); they may raise usage errors.
    void StepOpen();
    void StepUser();
    void StepPass();
    void StepCwd();
    void StepCdup();
    void StepPwd();
    void StepMkd();
    void StepRmd();
    void StepDele();
    void StepRnfr();
    void StepRnto();
    void StepSize();
    void StepSyst();
    void StepType();
    void StepRaw();
    void StepRest();
    void StepQuit();
    void StepPort();
    void StepRetr();
    void StepList();
    void StepNlst();
    void StepStor();
    void StepAppe();
    StepStarter StarterFor(TFtpStep step) const;

    // Sends one command of a single step and waits for its final reply.
    void IssueCommand(TFtpRequest request, const std::string& command,
                      std::initializer_list<int> accepted, Handler afterReply = nullptr);
    // False when the command was refused (the request has then ended).
    bool SendCommand(const std::string& command);

    // Guards of what goes out and comes in (ftp_request_guards.cpp).
    bool RefuseUnsafeArguments(TFtpSteps steps);
    bool RefuseUnsafeArgument(TFtpStep step);
    void RefuseRequest(int code, const std::string& reason);
    bool ReplyTooLong(const std::string& line, int consumed);

    // The inactivity limit (ftp_inactivity.cpp).
    void WatchInactivity();
    void CheckInactivity();
    void EndInactiveRequest(const std::string& reason);
    // Ends the running request with `code` at once, closing the data and
    // the control connection (nothing the server sends later is taken for
    // the answer to another command).
    void DropConnectionsAndEnd(int code);

    // What a download should bring (ftp_download_checks.cpp).
    void KeepOrForgetSizeAnswer();
    void NoteSizeAnswer();
    void TakeExpectedDownloadSize();
    bool RefuseNeedlessResume();
    void CheckDownloadSize();
    bool StartWritingLocalFile();
    // A download's local file could not be written: the request ends now,
    // with the system's reason.
    void EndOnLocalWriteError(int errorNumber);
    // The part file of a confirmed download takes the target's place; 0, or
    // 550 when it could not.
    int CompleteDownloadFile();
    // At the end of a request: forgets the download's part file, and
    // removes it when the download failed before anything arrived.
    void ForgetDownloadPart(int code);
    // The "(n bytes)" of a 150 reply; -1 when it names none.
    static std::int64_t AnnouncedByteCount(const std::string& line);

    // Step runner and end of requests.
    void RunNextStep();
    void StartStepFromRunner(TFtpStep step);
    void AbandonMultiStep();
    void EndWithUsageError(const std::string& msg);
    void Finish(int code);
    void PostRequestDone(int code);
    void ArmRequestDone();
    void HandleWindowMessage(unsigned msg, std::intptr_t wParam, std::intptr_t lParam);

    // Control connection.
    void ControlDnsLookupDone(std::uint16_t error);
    void ControlSessionConnected(std::uint16_t error);
    void ControlDataAvailable(std::uint16_t error);
    void ControlSessionClosed(std::uint16_t error);
    void FailOpen(int error);
    void ConnectControl(const std::string& address);
    // The failure text of a connection: the proxy's own when the proxy
    // failed it, else the socket error's.
    std::string ConnectErrorText(int error) const;
    void NoteForcedPassive();
    void CloseControl();
    void DispatchLine(std::uint16_t error);
    void WelcomeLine(std::uint16_t error);
    // The connection is ready for the log-in: the open step ends.
    void ControlReady(std::uint16_t error);

    // Explicit TLS (ftp_tls.cpp).
    void StartAuthTls();
    void AuthTlsReply();
    void ControlTlsDone(std::uint16_t error);
    void PbszReply();
    void ProtReply();
    void FailTlsOpen(int status, const std::string& text);
    // Starts TLS on a fresh data connection when the data is protected;
    // false when it could not start (the transfer has failed then).
    bool StartDataTls();
    void DataTlsDone(std::uint16_t error);
    bool IsFinalLine();
    void GenericReply();
    void ParseDirResult();
    void ParseSizeResult();
    void SetState(TFtpClientState state);
    // What the server is known to have set (ftp_server_settings.cpp).
    void ForgetServerSettings();
    void NoteCommandSent();
    void NoteCommandSucceeded();
    void Display(const std::string& text);
    void DisplayStatus(const std::string& text) { Display("! " + text); }
    void KeepFirstError();

    // Data connection and transfers.
    bool PassiveDataPort(const std::string& reply, int& port) const;
    bool PassiveDataPortOrFail(const std::string& reply, int& port);
    bool ConnectPassiveData(int port, bool receive);
    int AcceptDataConnection();
    bool TakeEarlyDataConnection();
    void DataConnectFailed(int error);
    void CloseDataSocket();
    bool ReleaseLocalStream();
    void RefuseTransferByReply();
    void NoteTransferFault(int code, const std::string& text);
    int EndStatusOfTransfer();
    void ShowStatistics();
    void StartReceive(const char* word, TFtpRequest single);
    void BindReceiveHandlers();
    void AcceptForReceive(std::uint16_t error);
    void PassiveReceiveConnected(std::uint16_t error);
    void ReceiveStartReply();
    void ReceiveEndReply();
    void ReceiveData(std::uint16_t error);
    void DisplayReceivedLines(const char* block, int length);
    // Writes a received block to the local file, with line ends converted
    // in ASCII type; false when the write failed.
    bool WriteReceived(const char* block, int length);
    bool WriteConverted(const char* block, std::size_t length);
    bool DecideOnAsciiHead(bool closeData);
    // The block of the file to send next, with line ends converted in
    // ASCII type; its length, 0 at the end of the file, -1 on a read error.
    int ReadBlockToSend(const char*& block);
    void ReceiveClosed(std::uint16_t error);
    // Writes what is held back and closes the download's local file; false
    // when that failed (the request has then ended).
    bool CloseLocalFile();
    void TryToEndReceive();
    void StartUpload(const char* word, TFtpRequest request);
    void SendUploadCommand();
    void AcceptForSend(std::uint16_t error);
    void PassiveSendConnected(std::uint16_t error);
    void UploadStartReply();
    void UploadEndReply();
    void BindUploadSending();
    void SendNextChunk(std::uint16_t error);
    void UploadDataGone(int count);
    // OnProgress for an upload; false when the handler asked to abort (the
    // data connection is closed then).
    bool ReportUploadProgress();
    void EndUploadData();
    void SendClosed(std::uint16_t error);
    void TryToEndUpload();

    // --- properties ---
    std::string FHostName;
    std::string FPort = "ftp";
    std::string FUserName;
    std::string FPassWord;
    std::string FHostDirName;
    std::string FHostFileName;
    std::string FLocalFileName;
    bool FDisplayFileFlag = false;
    char FType = 'I';
    std::string FErrorMessage;
    int FShareFlags;
    TFtpOptions FOptions{ftpAcceptLF};
    TFtpClientState FState = ftpStateReady;
    int FStatusCode = 0;
    std::string FLastResponse;
    TFtpRequest FRequestType = ftpRqNone;
    bool FConnected = false;
    bool FPassive = false;
    FtpProxy FProxy;
    // What the proxy said when it last failed a connection.
    std::string FSocksErrorText;
    // The log says once per proxy setting why active mode is not used.
    bool FForcedPassiveNoted = false;
    std::string FDirResult;
    std::int64_t FSizeResult = 0;
    std::int64_t FByteCount = 0;
    std::int64_t FResumeAt = 0;

    // --- request state ---
    TFtpSteps FPendingSteps;
    TFtpStep FCurrentStep = ftpStepNone;
    TFtpStep FPreviousStep = ftpStepNone;
    int FStepStatus = 0;
    int FRequestResult = 0;
    bool FMultiStep = false;
    // Set once the current request's end has been posted (and while none
    // runs), so a late close or reply cannot end it twice.
    bool FRequestDoneFlag = true;
    // Counts the steps begun. A request's end is delivered through the event
    // loop; if another step has begun by then, that end belongs to a request
    // already over (one ended by an abort, say) and must not be reported
    // under the new request's name.
    std::uint64_t FStepSerial = 0;
    std::array<int, 16> FOkResponses{};
    Handler FNext = nullptr;
    Handler FAfterReply = nullptr;
    Handler FStepContinuation = nullptr;
    std::string FSavedResponse;
    int FSavedCode = -1;
    std::array<char, 4096> FReceiveBuffer{};
    int FReceiveLen = 0;
    std::string FDnsResult;
    bool FUsageErrorReported = false;
    std::string FLastUsageMessage;
    // Set while the component closes the control connection itself (after
    // QUIT, on a refused welcome), so the close is not taken for a loss.
    bool FClosingOnPurpose = false;
    bool FControlCloseHandled = false;
    // Why the component gave the connection up, when it did so because of
    // what the server sent.
    std::string FCloseReason;
    // True while a public request method runs (usage errors raised there
    // reach the caller; inside socket events they end the request instead).
    int FCallDepth = 0;
    // Lines and bytes of the reply being read, so that a reply without end
    // is cut off.
    int FReplyLines = 0;
    std::int64_t FReplyBytes = 0;

    // --- inactivity limit ---
    int FInactivityTimeout = 60;
    std::unique_ptr<QTimer> FInactivityTimer;
    // Counts the control connection's traffic; with ByteCount it tells the
    // watch whether anything moved since it last looked.
    std::uint64_t FControlActivity = 0;
    std::uint64_t FSeenControlActivity = 0;
    std::int64_t FSeenByteCount = 0;
    std::uint64_t FLastActivityTick = 0;
    // When the reply now being read began (its first byte); a reply may take
    // no longer than the inactivity limit as a whole.
    std::uint64_t FReplyStartTick = 0;

    // --- what the server is known to have set ---
    bool FServerDirectoryKnown = false;
    std::string FServerDirectory;
    char FServerType = 0;
    // The argument of the CWD and the type of the TYPE now waiting for
    // their replies.
    std::string FDirectorySent;
    char FTypeSent = 0;

    // --- download checks ---
    // The last SIZE answer (binary type), for a download of that same file
    // with nothing in between that could have changed it.
    bool FSizeAnswered = false;
    std::string FSizeAnsweredFor;
    // The running download's whole remote file size, from that SIZE
    // answer, and the byte count its 150 reply announced; -1 when unknown.
    std::int64_t FRemoteFileSize = -1;
    std::int64_t FAnnouncedSize = -1;
    bool FLocalFileWritten = false;
    // The running or last download's part file and the file it replaces
    // when complete; both empty when the download writes its file directly.
    std::string FDownloadPart;
    std::string FDownloadDestination;

    // --- data side ---
    std::string FPasvResponse;
    std::string FDataCommandWord;
    FtpLocalStream FLocalStream;
    std::uint64_t FStartTick = 0;
    std::uint64_t FStopTick = 0;
    bool FReplyOk = false;
    bool FReceiveDataClosed = false;
    bool FSendDataClosed = false;
    bool FStorAnswered = false;      // 125/150 seen for STOR/APPE
    bool FDataConnected = false;
    // The server connected to our PORT before the transfer command.
    bool FEarlyDataConnection = false;
    bool FEofFlag = false;
    // ByteCount when an upload last reported progress.
    std::int64_t FProgressReportedAt = 0;
    int FTransferStatus = 0;
    // A local failure during a transfer (write/read error, send error, abort
    // by OnProgress) that must not end as a success even if the server
    // confirms what little it got.
    int FTransferFault = 0;
    std::string FTransferFaultText;
    std::array<char, 2048> FRecvBuffer{};
    // ASCII type: a received file's CR LF line ends are stored as LF, and a
    // sent file's LF go out as CR LF (one already sent as CR LF stays so).
    bool FConvertLineEnds = false;
    bool FAsciiUploadKeepsLineEnds = false;
    // The last byte received was a CR, not yet written; the last byte sent
    // was a CR.
    bool FHeldCR = false;
    bool FSentCR = false;
    // A received block's bytes once converted: never more than the block
    // and a held CR.
    std::array<char, 2048 + 1> FLineEndBuffer{};
    // The start of an ASCII download, held unconverted and unwritten until
    // it shows whether the file is text.
    bool FCheckAsciiForBinary = false;
    bool FAsciiHeadPending = false;
    bool FAsciiHeldBinaryData = false;
    std::string FAsciiHead;
    // A block of the file once its line ends are converted for sending.
    std::vector<char> FSendConverted;

    // --- TLS ---
    // The host name without its scheme: what is looked up, connected to and
    // what the certificate must name.
    std::string FServerName;
    // The port connected to: the one in the host text, else FPort.
    std::string FServerPort;
    bool FTlsRequired = false;
    bool FDataProtected = false;
    bool FDataTlsResumed = false;
    std::string FTlsDescription;
    // OnCheckCertificate runs (the window may be asking the user).
    bool FAskingUser = false;
    // The upload has ended while its data connection's handshake ran.
    bool FCloseAfterTls = false;
    std::shared_ptr<TlsClientContext> FTlsContext;
    FtpServerCertificate FServerCertificate;

    std::unique_ptr<FtpMessageWindow> FWindow;
    std::unique_ptr<TWSocket> FControlSocket;
    std::unique_ptr<TWSocket> FDataSocket;
};
