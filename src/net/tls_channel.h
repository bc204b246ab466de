#pragma once

#include <cstddef>
#include <deque>
#include <memory>
#include <string>

struct ssl_st;
struct ssl_ctx_st;
struct ssl_session_st;

// A TLS session a later connection to the same server may resume (an FTP
// data connection resumes its control connection's session; some servers
// refuse data connections that do not).
using TlsSessionHandle = std::shared_ptr<ssl_session_st>;

// Client settings shared by the connections of one FTP client: the system's
// trust store, TLS 1.2 at least, and the sessions its servers hand out.
class TlsClientContext {
public:
    // Empty, with the reason in error, when the TLS library cannot set up.
    static std::shared_ptr<TlsClientContext> Create(std::string& error);
    ~TlsClientContext();
    TlsClientContext(const TlsClientContext&) = delete;
    TlsClientContext& operator=(const TlsClientContext&) = delete;

    ssl_ctx_st* Handle() const { return FCtx; }

    // Sessions to resume. Servers may take a TLS 1.3 ticket only once, and
    // hand out new ones on every connection, so each connection takes the
    // newest unused one; with none left, the one taken last is offered again
    // (a TLS 1.2 session may be resumed many times).
    TlsSessionHandle TakeSession();
    // Forgets every session: the next connection goes to another server.
    void ForgetSessions();

private:
    friend struct TlsChannelAccess;
    explicit TlsClientContext(ssl_ctx_st* ctx) : FCtx(ctx) {}
    ssl_ctx_st* FCtx;
    std::deque<TlsSessionHandle> FFresh;
    TlsSessionHandle FLastTaken;
};

// What the server's certificate says, for the user who decides whether to
// trust it and for the trust file.
struct TlsPeerCertificate {
    std::string subject;
    std::string issuer;
    std::string notBefore;
    std::string notAfter;
    // "SHA256:" and the digest of the DER form as colon-separated hex pairs.
    std::string fingerprint;
    // Empty when the certificate verified against the system's trust store
    // and the host name; otherwise why it did not.
    std::string verifyError;
    bool Verified() const { return verifyError.empty(); }
};

// What StartTls needs to know about the connection.
struct TlsClientSettings {
    std::shared_ptr<TlsClientContext> context;
    // The name the certificate must be for (also sent as SNI when it is a
    // name, not an address).
    std::string serverName;
    TlsSessionHandle resumeSession;
};

// One TLS connection over a non-blocking socket. Every call returns at once;
// a call that could not finish says which direction the socket must become
// ready in before it is repeated.
class TlsChannel {
public:
    enum class Want { Nothing, Read, Write };

    TlsChannel(const TlsClientSettings& settings, int handle);
    ~TlsChannel();
    TlsChannel(const TlsChannel&) = delete;
    TlsChannel& operator=(const TlsChannel&) = delete;

    // False when the channel could not be set up (ErrorText says why).
    bool Valid() const { return FSsl != nullptr; }

    // 1 done, 0 not yet (see Wants), -1 failed.
    int Handshake();
    // > 0 bytes read; 0 the peer closed with close_notify; -1 nothing now
    // (Wants is Read or Write) or failure (Failed()).
    int Read(void* buffer, int length);
    // Bytes written (whole records), or -1 as for Read. Offers the same
    // bytes again, possibly more, after a -1 that wants a direction.
    int Write(const void* data, int length);
    // Sends close_notify once; 1 sent, 0 wants a direction, -1 failed.
    int SendCloseNotify();

    Want Wants() const { return FWant; }
    bool Failed() const { return FFailed; }
    // The socket error number of the failure (one of the TLS numbers).
    int ErrorCode() const { return FErrorCode; }
    const std::string& ErrorText() const { return FErrorText; }
    bool PeerClosed() const { return FPeerClosed; }
    bool Established() const { return FEstablished; }
    // Decrypted bytes waiting inside the channel.
    int Pending() const;

    std::string Version() const;
    std::string Cipher() const;
    bool SessionReused() const;
    TlsPeerCertificate PeerCertificate() const;

private:
    friend struct TlsChannelAccess;
    int Fail(int code, const std::string& what);
    int Judge(int result, const char* what);

    ssl_st* FSsl = nullptr;
    Want FWant = Want::Nothing;
    bool FFailed = false;
    bool FPeerClosed = false;
    bool FEstablished = false;
    bool FCloseNotifySent = false;
    int FErrorCode = 0;
    std::string FErrorText;
    // Every reason the certificate failed verification, in the order found.
    std::string FVerifyErrors;
};
