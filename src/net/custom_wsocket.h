#pragma once

#include "net/socket_buffer.h"
#include "net/socket_errors.h"
#include "net/socket_message.h"
#include "net/tls_channel.h"

#include <cstdint>
#include <exception>
#include <functional>
#include <list>
#include <memory>
#include <netinet/in.h>
#include <string>
#include <vector>

class SocketMessageWindow;
class TCustomWSocket;
struct iovec;

using TSocket = int;
constexpr TSocket INVALID_SOCKET = -1;

enum TSocketState {
    wsInvalidState = 0,
    wsOpened = 1,
    wsBound = 2,
    wsConnecting = 3,
    wsConnected = 4,
    wsAccepting = 5,
    wsListening = 6,
    wsClosed = 7,
};

enum TSocketSendFlags { wsSendNormal = 0, wsSendUrgent = 1 };
enum TSocketLingerOnOff { wsLingerOff = 0, wsLingerOn = 1, wsLingerNoSet = 2 };

// Event handler types. The first argument is always the socket that fires
// the event; a by-reference argument lets the handler change a value.
using TDataAvailable = std::function<void(TCustomWSocket* Sender, std::uint16_t Error)>;
using TDataSent = std::function<void(TCustomWSocket* Sender, std::uint16_t Error)>;
using TSendData = std::function<void(TCustomWSocket* Sender, int BytesSent)>;
using TSessionClosed = std::function<void(TCustomWSocket* Sender, std::uint16_t Error)>;
using TSessionAvailable = std::function<void(TCustomWSocket* Sender, std::uint16_t Error)>;
using TSessionConnected = std::function<void(TCustomWSocket* Sender, std::uint16_t Error)>;
using TChangeState = std::function<void(TCustomWSocket* Sender, TSocketState OldState, TSocketState NewState)>;
using TDnsLookupDone = std::function<void(TCustomWSocket* Sender, std::uint16_t Error)>;
using TNotifyEvent = std::function<void(TCustomWSocket* Sender)>;
using TBgExceptionEvent = std::function<void(TCustomWSocket* Sender, const std::exception& E, bool& CanClose)>;
using TTlsDone = std::function<void(TCustomWSocket* Sender, std::uint16_t Error)>;

// Non-blocking IPv4 TCP/UDP socket driven by the Qt event loop. Every
// network event, lookup result and deferred request arrives as a message to
// a small object owned by the component and surfaces as one of the On...
// events. Sending never blocks: data is queued in a chain of TBuffer blocks
// and pushed out as the network takes it.
//
// Misuse is reported through OnError when it is set (the number is then in
// LastError()), otherwise ESocketException is raised.
class TCustomWSocket {
public:
    TCustomWSocket();
    virtual ~TCustomWSocket();
    TCustomWSocket(const TCustomWSocket&) = delete;
    TCustomWSocket& operator=(const TCustomWSocket&) = delete;

    // --- properties -------------------------------------------------------
    const std::string& Addr() const { return FAddrStr; }
    void SetAddr(const std::string& value);
    const std::string& Port() const { return FPortStr; }
    virtual void SetPort(const std::string& value);
    const std::string& Proto() const { return FProtoStr; }
    virtual void SetProto(const std::string& value);
    const std::string& LocalAddr() const { return FLocalAddr; }
    void SetLocalAddr(const std::string& value);
    const std::string& LocalPort() const { return FLocalPortStr; }
    void SetLocalPort(const std::string& value);
    // "error" unless State() is wsConnected.
    std::string PeerAddr();
    std::string PeerPort();
    const std::string& DnsResult() const { return FDnsResult; }
    const std::vector<std::string>& DnsResultList() const { return FDnsResultList; }
    TSocketState State() const { return FState; }
    std::int64_t ReadCount() const { return FReadCount; }
    // Bytes waiting to be read.
    virtual int RcvdCount();
    int LastError() const { return FLastError; }
    // Text of the last reported error, for OnError handlers.
    const std::string& LastErrorMessage() const { return FLastErrorMessage; }
    bool MultiThreaded() const { return FMultiThreaded; }
    void SetMultiThreaded(bool value) { FMultiThreaded = value; }
    TSocketSendFlags SendFlags();
    void SetSendFlags(TSocketSendFlags value);
    TSocketLingerOnOff LingerOnOff() const { return FLingerOnOff; }
    void SetLingerOnOff(TSocketLingerOnOff value) { FLingerOnOff = value; }
    int LingerTimeout() const { return FLingerTimeout; }
    void SetLingerTimeout(int seconds) { FLingerTimeout = seconds; }
    TSocket HSocket() const { return FHSocket; }
    // True when the send chain is empty.
    bool AllSent() const { return FAllSent; }
    // Number of blocks in the send chain (the last one is kept for reuse).
    int BufferedBlockCount() const { return static_cast<int>(FBufList.size()); }
    // Size of new send blocks (1514 unless changed).
    int BufSize() const { return FBufSize; }
    void SetBufSize(int value) { FBufSize = value <= 0 ? TBuffer::DefaultSize : value; }
    // True once PumpMessages saw the thread being asked to stop.
    bool Terminated() const { return FTerminated; }

    // --- events -----------------------------------------------------------
    TDataAvailable OnDataAvailable;
    TDataSent OnDataSent;
    TSendData OnSendData;
    TSessionClosed OnSessionClosed;
    TSessionAvailable OnSessionAvailable;
    TSessionConnected OnSessionConnected;
    TChangeState OnChangeState;
    TDnsLookupDone OnDnsLookupDone;
    TNotifyEvent OnError;
    TBgExceptionEvent OnBgException;
    // The TLS handshake StartTls began has ended: 0, or one of the TLS
    // error numbers (TlsErrorText() says more). After a failure the socket
    // closes, reporting the same number, unless the handler closed it.
    TTlsDone OnTlsDone;

    // --- operations -------------------------------------------------------
    virtual void Connect();
    virtual void Close();
    // Close / destroy the component later, from the event loop. Use
    // ReleaseLater to get rid of a socket from inside one of its own events.
    virtual void CloseLater();
    virtual void ReleaseLater();
    virtual void Abort();
    // Blocks (running the event loop) until the send chain is empty.
    virtual void Flush();
    // Blocks (running the event loop) until the peer closes.
    virtual void WaitForClose();
    virtual void Listen();
    // Takes a waiting connection of a listening socket; -1 on failure.
    virtual TSocket Accept();
    virtual int Receive(void* buffer, int length);
    // With a size > 0 the socket fetches up to that many bytes per system
    // call into a buffer of its own and serves reads from there: a reader
    // that takes small pieces then costs no system call per piece. 0 (the
    // default) reads straight from the network. Counted in RcvdCount.
    void SetReadAhead(int size);
    int ReadAhead() const { return static_cast<int>(FReadAhead.size()); }
    virtual std::string ReceiveStr();
    virtual int ReceiveFrom(void* buffer, int length, sockaddr_in& from, int& fromLength);
    // Queues the data; returns length (0 when length <= 0) or -1 when not
    // connected. OnDataSent follows from the event loop once all is sent.
    virtual int Send(const void* data, int length);
    virtual int SendTo(const sockaddr_in& dest, const void* data, int length);
    virtual int SendStr(const std::string& text);
    virtual void DnsLookup(const std::string& hostName);
    virtual void ReverseDnsLookup(const std::string& dottedAddress);
    virtual void CancelDnsLookup();
    virtual int GetPeerName(sockaddr_in& name, int& nameLength);
    virtual int GetSockName(sockaddr_in& name, int& nameLength);
    // The bound local port as decimal text while bound, connected or
    // listening; "error" otherwise.
    virtual std::string GetXPort();
    // Takes over an already connected socket (for example one returned by
    // Accept of a listening component).
    virtual void AdoptHandle(TSocket handle);
    // how: 0 receive, 1 send, 2 both.
    virtual void Shutdown(int how);
    // The orderly end of this side of a stream connection that stays open
    // for the peer's end: once the send chain has gone out (and a TLS
    // handshake has finished), close_notify over TLS, then the FIN. Whatever
    // arrives meanwhile is offered (or read away) as usual, and the session
    // ends when the peer closes or Close is called. A plain Close after the
    // last send would release the socket with data still queued in the
    // kernel, and anything the peer sends after that (a TLS session ticket,
    // say) makes the kernel answer with a reset that throws the queued data
    // away.
    virtual void EndSending();
    virtual void Pause();
    virtual void Resume();
    // Runs the events that are waiting, once.
    virtual void PumpMessages();
    virtual void BindLocal();

    // --- TLS --------------------------------------------------------------
    // Makes the connected socket a TLS client connection: the handshake runs
    // on the event loop and ends with OnTlsDone, never inside this call.
    // Data sent meanwhile waits and goes out encrypted; received data is
    // offered only once the handshake is done. From then on Receive and
    // Send carry plain text, a close sends close_notify, and a peer that
    // closes without one ends the session with TLS_E_TRUNCATED. False (error
    // reported) when the socket is not connected or TLS cannot be set up.
    bool StartTls(const TlsClientSettings& settings);
    // The TLS connection of this socket, while there is one.
    const TlsChannel* Tls() const { return FTls.get(); }
    bool TlsHandshaking() const { return FTlsHandshaking; }
    const std::string& TlsErrorText() const { return FTlsErrorText; }

    // Dispatches one of the component's own messages. Normally called by the
    // message object; exceptions go to HandleBgException there.
    virtual void HandleMessage(const TSocketMessage& message);

protected:
    virtual void ResetProperties();
    virtual void DoClose(bool shutdown, int error);
    virtual int SendRaw(const void* data, int length);
    // One send of several queued blocks at once on a stream socket: the
    // count the kernel took, or -1 with errno set. OnSendData is fired by
    // the caller, block by block.
    virtual int SendGathered(const iovec* parts, int partCount);
    virtual int RecvRaw(void* buffer, int length, int flags);
    void ReportErrorFmt(const char* format, ...);
    virtual void ReportError(const std::string& text);
    // Stores error as LastError and reports "Error n in function op" with
    // the error's text.
    void SocketError(const std::string& op, int error);
    virtual void HandleBgException(const std::exception& e);

    // Event triggers: fire the matching event if one is attached.
    // TriggerDataAvailable returns whether a handler exists.
    virtual bool TriggerDataAvailable(std::uint16_t error);
    virtual void TriggerDataSent(std::uint16_t error);
    virtual void TriggerSendData(int bytesSent);
    virtual void TriggerSessionClosed(std::uint16_t error);
    virtual void TriggerSessionAvailable(std::uint16_t error);
    virtual void TriggerSessionConnected(std::uint16_t error);
    virtual void TriggerChangeState(TSocketState oldState, TSocketState newState);
    virtual void TriggerDnsLookupDone(std::uint16_t error);
    virtual void TriggerError();
    virtual void TriggerTlsDone(std::uint16_t error);
    // The error number of a receive that failed: a TLS failure, or the
    // system's.
    int ReceiveErrorCode() const;

    void ChangeState(TSocketState newState);
    // Posts one of TSocketUserMessage to the component itself.
    void PostUserMessage(unsigned msg, std::intptr_t wParam = 0, std::intptr_t lParam = 0);
    bool BeingDestroyed() const { return FDestroying; }
    bool Paused() const { return FPaused; }

    // Sends as much of the chain as the network takes now.
    void TryToSend();
    // Most blocks, and bytes, one gathered send offers the kernel.
    static constexpr int MaxGatheredBlocks = 64;
    static constexpr std::size_t MaxGatheredBytes = 1u << 30;
    void DeleteBufferedData();

    TSocketState FState = wsClosed;
    std::string FAddrStr;
    std::string FPortStr;
    std::string FProtoStr = "tcp";
    std::string FLocalAddr = "0.0.0.0";
    std::string FLocalPortStr = "0";
    bool FAddrAssigned = false;
    bool FPortAssigned = false;
    bool FProtoAssigned = false;
    bool FAddrResolved = false;
    bool FPortResolved = false;
    bool FProtoResolved = false;
    bool FLocalPortResolved = false;
    sockaddr_in FSin{};
    std::uint16_t FLocalPortNum = 0;
    int FType = 0;   // SOCK_STREAM or SOCK_DGRAM
    int FProto = 6;
    TSocket FHSocket = INVALID_SOCKET;
    int FLastError = 0;
    std::string FLastErrorMessage;
    std::int64_t FReadCount = 0;

private:
    friend class SocketMessageWindow;
    void DispatchGuarded(const TSocketMessage& message);
    void HandleSocketEvent(std::uint16_t events, std::uint16_t error);
    void ReceiveLoop(std::uint16_t error);
    void StartLookup(const std::string& name, bool reverse);
    void LookupFinished(std::uint64_t lookupHandle, bool reverse, int error,
                        const std::vector<std::string>& results);
    void ForgetRunningLookup();
    void DeliverLookupResult(std::uint64_t lookupHandle, bool reverse, int error,
                             const std::vector<std::string>& results);
    void InvokeGuarded(const std::function<void()>& action);
    void SetLingerOption();
    // Readiness watching, standing in for asynchronous select.
    void SelectEvents(std::uint16_t events);
    void UpdateWatches();
    void OnReadReady();
    void OnWriteReady();
    void WatchForWrite(bool on);
    void TrySendGathered();
    void TrySendBlockByBlock();
    // Frees emptied blocks at the front of the chain, keeping the last.
    void DropSentBlocks();
    // A send that took nothing: wait for readiness, or close / report on
    // an error.
    void HandleSendFailure(int count);
    void DispatchSocketEvent(std::uint16_t events, std::uint16_t error);
    void PostSocketEvent(std::uint16_t events, std::uint16_t error);
    void CloseHandleNow();
    void ResolveForConnect();
    // Resolves the address, port and protocol, drops what is left of an
    // earlier attempt and opens a fresh non-blocking handle; on failure it
    // has reported the error (socketFailureOp names a failing socket()).
    bool ResolveAndOpenHandle(const char* socketFailureOp);
    // Checks the name a lookup starts from and forgets the results and any
    // lookup still running; false (error reported) for an empty name.
    bool BeginLookup(const std::string& name);

    SocketMessageWindow* FWindow = nullptr;   // deleted late when destroyed inside its own dispatch
    std::list<std::unique_ptr<TBuffer>> FBufList;
    int FBufSize = TBuffer::DefaultSize;
    bool FAllSent = true;
    bool FPaused = false;
    bool FCloseInvoked = false;   // OnSessionClosed already fired
    bool FDestroying = false;
    bool FMultiThreaded = false;
    bool FTerminated = false;
    int FSendFlags = wsSendNormal;
    TSocketLingerOnOff FLingerOnOff = wsLingerOn;
    int FLingerTimeout = 0;
    std::uint64_t FDnsLookupHandle = 0;
    int FDnsQtLookupId = -1;
    bool FWriteBlocked = false;    // the network took less than offered
    std::string FDnsResult;
    std::vector<std::string> FDnsResultList;
    std::uint16_t FSelectedEvents = 0;
    bool FConnectPending = false;  // waiting for the outcome of connect()
    bool FCloseSeen = false;       // peer close already reported
    bool FAcceptPending = false;   // FD_ACCEPT given, waiting for Accept
    bool FEndSendingWanted = false;   // EndSending waits for the chain or for room
    void ContinueEndSending();
    // Read-ahead: bytes fetched from the network not yet handed to a reader
    // are FReadAhead[FAheadPos, FAheadEnd). FAheadFull says the last fetch
    // filled the whole buffer, so more may be waiting in the network.
    std::vector<char> FReadAhead;
    std::size_t FAheadPos = 0;
    std::size_t FAheadEnd = 0;
    bool FAheadFull = false;
    std::size_t AheadBuffered() const { return FAheadEnd - FAheadPos; }
    void DropReadAhead();
    std::uint64_t FSerial = 0;     // bumped for every new handle

    // TLS (custom_wsocket_tls.cpp).
    std::unique_ptr<TlsChannel> FTls;
    bool FTlsHandshaking = false;
    bool FTlsReadWantsWrite = false;   // a read can go on once the socket takes data
    bool FTlsWriteWantsRead = false;   // a send can go on once data arrives
    bool FTlsReadBlocked = false;      // the last read found no whole record
    bool FTlsCloseReported = false;    // close_notify turned into FD_CLOSE
    std::string FTlsErrorText;
    void ContinueTlsHandshake(std::uint16_t events, std::uint16_t error);
    int TlsRecv(void* buffer, int length);
    int TlsSendGathered(const iovec* parts, int partCount);
    void TlsSendCloseNotify();
    // The close number of a TLS connection whose peer left without
    // close_notify, else error.
    std::uint16_t TlsCloseError(std::uint16_t error) const;
    // Whether the receive loop should offer the handler more now.
    enum class TlsMore { No, Yes, Later };
    TlsMore TlsMoreToRead(int pendingBefore) const;
    void DropTls();
    std::vector<char> FTlsStaging;
};
