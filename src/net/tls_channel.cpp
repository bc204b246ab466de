#include "net/tls_channel.h"

#include "net/socket_errors.h"

#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>

// TLS over the socket component's non-blocking descriptor, client side only.
// OpenSSL reads and writes the descriptor itself; the component watches the
// descriptor for the direction a call said it wants.

struct TlsChannelAccess {
    // OpenSSL's own client cache is off; the context keeps what the
    // servers issue, for the next connections of the same FTP client.
    static int NewSession(SSL* ssl, SSL_SESSION* session)
    {
        auto* context = static_cast<TlsClientContext*>(SSL_CTX_get_app_data(SSL_get_SSL_CTX(ssl)));
        if (!context)
            return 0;
        context->FFresh.push_back(TlsSessionHandle(session, SSL_SESSION_free));
        while (context->FFresh.size() > 8)
            context->FFresh.pop_front();
        return 1;
    }

    // Verification goes on past the first fault, so that the user learns
    // all of them (self-signed, and for another name, and expired).
    static int VerifyStep(int ok, X509_STORE_CTX* store)
    {
        if (ok)
            return 1;
        auto* ssl = static_cast<SSL*>(X509_STORE_CTX_get_ex_data(store, SSL_get_ex_data_X509_STORE_CTX_idx()));
        auto* channel = ssl ? static_cast<TlsChannel*>(SSL_get_app_data(ssl)) : nullptr;
        if (channel) {
            const std::string reason = X509_verify_cert_error_string(X509_STORE_CTX_get_error(store));
            if (channel->FVerifyErrors.find(reason) == std::string::npos) {
                if (!channel->FVerifyErrors.empty())
                    channel->FVerifyErrors += "; ";
                channel->FVerifyErrors += reason;
            }
        }
        return 1;
    }
};

namespace {

std::string OpenSslErrorText()
{
    std::string text;
    while (const unsigned long code = ERR_get_error()) {
        char buffer[256];
        ERR_error_string_n(code, buffer, sizeof buffer);
        // "error:0A00010B:SSL routines::wrong version number": the reason
        // after the last colon is what a user can make something of.
        const char* reason = std::strrchr(buffer, ':');
        if (!text.empty())
            text += "; ";
        text += reason && reason[1] ? reason + 1 : buffer;
    }
    return text;
}

std::string NameText(X509_NAME* name)
{
    if (!name)
        return {};
    BIO* bio = BIO_new(BIO_s_mem());
    X509_NAME_print_ex(bio, name, 0, XN_FLAG_RFC2253 & ~ASN1_STRFLGS_ESC_MSB);
    char* data = nullptr;
    const long length = BIO_get_mem_data(bio, &data);
    std::string text(data, static_cast<std::size_t>(length > 0 ? length : 0));
    BIO_free(bio);
    return text;
}

std::string TimeText(const ASN1_TIME* time)
{
    if (!time)
        return {};
    BIO* bio = BIO_new(BIO_s_mem());
    ASN1_TIME_print(bio, time);
    char* data = nullptr;
    const long length = BIO_get_mem_data(bio, &data);
    std::string text(data, static_cast<std::size_t>(length > 0 ? length : 0));
    BIO_free(bio);
    return text;
}

bool IsIpv4Address(const std::string& name)
{
    in_addr address{};
    return ::inet_pton(AF_INET, name.c_str(), &address) == 1;
}

}  // namespace

// --- context ---------------------------------------------------------------------

std::shared_ptr<TlsClientContext> TlsClientContext::Create(std::string& error)
{
    SSL_CTX* ctx = SSL_CTX_new(TLS_client_method());
    if (!ctx) {
        error = "TLS setup failed: " + OpenSslErrorText();
        return {};
    }
    SSL_CTX_set_min_proto_version(ctx, TLS1_2_VERSION);
    if (SSL_CTX_set_default_verify_paths(ctx) != 1)
        ERR_clear_error();   // no system trust store: every certificate is then unknown
    // The certificate is judged after the handshake (trusted, asked about or
    // refused), so the handshake itself does not stop at an unknown one.
    SSL_CTX_set_verify(ctx, SSL_VERIFY_NONE, &TlsChannelAccess::VerifyStep);
    SSL_CTX_set_mode(ctx, SSL_MODE_ENABLE_PARTIAL_WRITE | SSL_MODE_ACCEPT_MOVING_WRITE_BUFFER);
    SSL_CTX_set_session_cache_mode(ctx, SSL_SESS_CACHE_CLIENT | SSL_SESS_CACHE_NO_INTERNAL_STORE);
    SSL_CTX_sess_set_new_cb(ctx, &TlsChannelAccess::NewSession);
    std::shared_ptr<TlsClientContext> context(new TlsClientContext(ctx));
    SSL_CTX_set_app_data(ctx, context.get());
    return context;
}

TlsSessionHandle TlsClientContext::TakeSession()
{
    if (!FFresh.empty()) {
        FLastTaken = FFresh.back();
        FFresh.pop_back();
    }
    return FLastTaken;
}

void TlsClientContext::ForgetSessions()
{
    FFresh.clear();
    FLastTaken.reset();
}

TlsClientContext::~TlsClientContext()
{
    SSL_CTX_free(FCtx);
}

// --- channel ---------------------------------------------------------------------

TlsChannel::TlsChannel(const TlsClientSettings& settings, int handle)
{
    ERR_clear_error();
    if (!settings.context) {
        Fail(TLS_E_SETUP, "TLS setup failed: no TLS context");
        return;
    }
    FSsl = SSL_new(settings.context->Handle());
    if (!FSsl) {
        Fail(TLS_E_SETUP, "TLS setup failed: " + OpenSslErrorText());
        return;
    }
    SSL_set_app_data(FSsl, this);
    SSL_set_fd(FSsl, handle);
    const std::string& name = settings.serverName;
    if (!name.empty()) {
        if (IsIpv4Address(name)) {
            X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(FSsl), name.c_str());
        } else {
            SSL_set_tlsext_host_name(FSsl, name.c_str());
            SSL_set1_host(FSsl, name.c_str());
        }
    }
    if (settings.resumeSession)
        SSL_set_session(FSsl, settings.resumeSession.get());
}

TlsChannel::~TlsChannel()
{
    if (FSsl) {
        SSL_set_app_data(FSsl, nullptr);
        SSL_free(FSsl);
    }
}

int TlsChannel::Fail(int code, const std::string& what)
{
    FFailed = true;
    FWant = Want::Nothing;
    FErrorCode = code;
    FErrorText = what;
    return -1;
}

int TlsChannel::Judge(int result, const char* what)
{
    const int error = SSL_get_error(FSsl, result);
    const int savedErrno = errno;
    switch (error) {
    case SSL_ERROR_WANT_READ:
        FWant = Want::Read;
        errno = EAGAIN;
        return 0;
    case SSL_ERROR_WANT_WRITE:
        FWant = Want::Write;
        errno = EAGAIN;
        return 0;
    case SSL_ERROR_ZERO_RETURN:
        FWant = Want::Nothing;
        FPeerClosed = true;
        return 0;
    case SSL_ERROR_SYSCALL: {
        const std::string queued = OpenSslErrorText();
        if (!queued.empty())
            return Fail(FEstablished ? TLS_E_PROTOCOL : TLS_E_HANDSHAKE, std::string(what) + ": " + queued);
        if (savedErrno == 0)
            return Fail(FEstablished ? TLS_E_TRUNCATED : TLS_E_HANDSHAKE,
                        FEstablished ? "the server closed the TLS connection without close_notify"
                                     : std::string(what) + ": the server closed the connection");
        return Fail(FEstablished ? TLS_E_PROTOCOL : TLS_E_HANDSHAKE,
                    std::string(what) + ": " + SocketErrorText(WinsockErrorFromErrno(savedErrno)));
    }
    default: {
        const unsigned long first = ERR_peek_error();
        const bool eof = ERR_GET_LIB(first) == ERR_LIB_SSL && ERR_GET_REASON(first) == SSL_R_UNEXPECTED_EOF_WHILE_READING;
        const std::string text = OpenSslErrorText();
        if (eof && FEstablished)
            return Fail(TLS_E_TRUNCATED, "the server closed the TLS connection without close_notify");
        if (eof)
            return Fail(TLS_E_HANDSHAKE, std::string(what) + ": the server closed the connection");
        return Fail(FEstablished ? TLS_E_PROTOCOL : TLS_E_HANDSHAKE,
                    std::string(what) + ": " + (text.empty() ? "TLS error" : text));
    }
    }
}

int TlsChannel::Handshake()
{
    if (FFailed)
        return -1;
    if (FEstablished)
        return 1;
    ERR_clear_error();
    errno = 0;
    const int result = SSL_connect(FSsl);
    if (result == 1) {
        FEstablished = true;
        FWant = Want::Nothing;
        return 1;
    }
    if (Judge(result, "TLS handshake failed") < 0)
        return -1;
    if (FPeerClosed)
        return Fail(TLS_E_HANDSHAKE, "TLS handshake failed: the server closed the connection");
    return 0;
}

int TlsChannel::Read(void* buffer, int length)
{
    if (FFailed) {
        errno = ECONNRESET;
        return -1;
    }
    if (FPeerClosed)
        return 0;
    ERR_clear_error();
    errno = 0;
    const int result = SSL_read(FSsl, buffer, length);
    if (result > 0) {
        FWant = Want::Nothing;
        return result;
    }
    if (Judge(result, "TLS read failed") < 0)
        return -1;
    return FPeerClosed ? 0 : -1;
}

int TlsChannel::Write(const void* data, int length)
{
    if (FFailed) {
        errno = ECONNRESET;
        return -1;
    }
    ERR_clear_error();
    errno = 0;
    const int result = SSL_write(FSsl, data, length);
    if (result > 0) {
        FWant = Want::Nothing;
        return result;
    }
    Judge(result, "TLS write failed");
    if (FPeerClosed)
        return Fail(TLS_E_PROTOCOL, "TLS write failed: the server closed the TLS connection");
    return -1;
}

int TlsChannel::SendCloseNotify()
{
    if (FCloseNotifySent)
        return 1;
    if (FFailed || !FEstablished)
        return -1;
    ERR_clear_error();
    errno = 0;
    const int result = SSL_shutdown(FSsl);
    if (result >= 0) {
        FCloseNotifySent = true;
        return 1;
    }
    if (Judge(result, "TLS close failed") < 0)
        return -1;
    return FWant == Want::Nothing ? 1 : 0;
}

int TlsChannel::Pending() const
{
    return FSsl && FEstablished ? SSL_pending(FSsl) : 0;
}

std::string TlsChannel::Version() const
{
    return FSsl ? SSL_get_version(FSsl) : "";
}

std::string TlsChannel::Cipher() const
{
    const SSL_CIPHER* cipher = FSsl ? SSL_get_current_cipher(FSsl) : nullptr;
    return cipher ? SSL_CIPHER_get_name(cipher) : "";
}

bool TlsChannel::SessionReused() const
{
    return FSsl && SSL_session_reused(FSsl) == 1;
}

TlsPeerCertificate TlsChannel::PeerCertificate() const
{
    TlsPeerCertificate info;
    X509* certificate = FSsl ? SSL_get1_peer_certificate(FSsl) : nullptr;
    if (!certificate) {
        info.verifyError = "the server sent no certificate";
        return info;
    }
    info.subject = NameText(X509_get_subject_name(certificate));
    info.issuer = NameText(X509_get_issuer_name(certificate));
    info.notBefore = TimeText(X509_get0_notBefore(certificate));
    info.notAfter = TimeText(X509_get0_notAfter(certificate));
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int digestLength = 0;
    if (X509_digest(certificate, EVP_sha256(), digest, &digestLength) == 1) {
        static const char hex[] = "0123456789ABCDEF";
        info.fingerprint = "SHA256:";
        for (unsigned int i = 0; i < digestLength; ++i) {
            if (i > 0)
                info.fingerprint += ':';
            info.fingerprint += hex[digest[i] >> 4];
            info.fingerprint += hex[digest[i] & 15];
        }
    }
    X509_free(certificate);
    info.verifyError = FVerifyErrors;
    const long verifyResult = SSL_get_verify_result(FSsl);
    if (info.verifyError.empty() && verifyResult != X509_V_OK)
        info.verifyError = X509_verify_cert_error_string(verifyResult);
    return info;
}
