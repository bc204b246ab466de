// FTP over explicit TLS: AUTH TLS after the welcome, PBSZ 0 and PROT P, the
// server's certificate, and TLS on every data connection, resuming the
// control connection's session.
#include "ftp/ftp_custom_client.h"

#include "net/wsocket.h"

#include <algorithm>

void TCustomFtpCli::StartAuthTls()
{
    SetState(ftpStateAwaitingReply);
    FNext = &TCustomFtpCli::AuthTlsReply;
    SendCommand("AUTH TLS");
}

void TCustomFtpCli::FailTlsOpen(int status, const std::string& text)
{
    FLastResponse = text;
    FStatusCode = status < 1000 ? status : 426;
    KeepFirstError();
    DisplayStatus(text);
    FStepStatus = status;
    FStepContinuation = nullptr;
    FNext = nullptr;
    CloseControl();
    // A close that reports nothing (already closed) still ends the open.
    Finish(status);
}

void TCustomFtpCli::AuthTlsReply()
{
    if (!IsFinalLine())
        return;
    if (FStatusCode != 234) {
        FailTlsOpen(FStatusCode, std::to_string(FStatusCode) + " The server refused AUTH TLS; " + FHostName +
                                     " requires an encrypted connection (" + FLastResponse + ")");
        return;
    }
    std::string error;
    if (!FTlsContext)
        FTlsContext = TlsClientContext::Create(error);
    if (!FTlsContext) {
        FailTlsOpen(TLS_E_SETUP, "426 " + error);
        return;
    }
    FNext = nullptr;
    FControlSocket->OnTlsDone = [this](TCustomWSocket*, std::uint16_t e) { ControlTlsDone(e); };
    FTlsContext->ForgetSessions();
    TlsClientSettings settings{FTlsContext, FServerName, nullptr};
    try {
        if (!FControlSocket->StartTls(settings))
            FailTlsOpen(TLS_E_SETUP, "426 TLS could not start: " + FControlSocket->TlsErrorText());
    } catch (const ESocketException& e) {
        FailTlsOpen(TLS_E_SETUP, std::string("426 TLS could not start: ") + e.what());
    }
}

void TCustomFtpCli::ControlTlsDone(std::uint16_t error)
{
    if (FState == ftpStateAborting)
        return;
    if (error != 0) {
        FailTlsOpen(error, "426 TLS handshake with " + FServerName + " failed: " + FControlSocket->TlsErrorText());
        return;
    }
    const TlsChannel& tls = *FControlSocket->Tls();
    FServerCertificate.host = FServerName;
    FServerCertificate.port = FControlSocket->PeerPort();
    FServerCertificate.certificate = tls.PeerCertificate();
    bool accept = FServerCertificate.certificate.Verified();
    std::string refusal = accept ? std::string()
                                 : "the certificate is not trusted: " + FServerCertificate.certificate.verifyError;
    if (OnCheckCertificate) {
        FAskingUser = true;
        OnCheckCertificate(this, FServerCertificate, accept, refusal);
        FAskingUser = false;
    }
    if (FState == ftpStateAborting || FControlSocket->State() != wsConnected)
        return;
    if (!accept) {
        FailTlsOpen(TLS_E_CERTIFICATE, "426 " + FServerName + ":" + FServerCertificate.port + ": " + refusal +
                                           " (" + FServerCertificate.certificate.fingerprint + ")");
        return;
    }
    FTlsDescription = tls.Version() + ", " + tls.Cipher();
    DisplayStatus("TLS connection: " + FTlsDescription);
    FNext = &TCustomFtpCli::PbszReply;
    SendCommand("PBSZ 0");
}

void TCustomFtpCli::PbszReply()
{
    if (!IsFinalLine())
        return;
    if (FStatusCode != 200) {
        FailTlsOpen(FStatusCode, FLastResponse);
        return;
    }
    FNext = &TCustomFtpCli::ProtReply;
    SendCommand("PROT P");
}

void TCustomFtpCli::ProtReply()
{
    if (!IsFinalLine())
        return;
    if (FStatusCode != 200) {
        FailTlsOpen(FStatusCode, FLastResponse);
        return;
    }
    FNext = nullptr;
    FDataProtected = true;
    ControlReady(0);
}

bool TCustomFtpCli::StartDataTls()
{
    if (!FDataProtected)
        return true;
    TWSocket& data = *FDataSocket;
    FCloseAfterTls = false;
    data.OnTlsDone = [this](TCustomWSocket*, std::uint16_t e) { DataTlsDone(e); };
    TlsClientSettings settings{FTlsContext, FServerName, FTlsContext->TakeSession()};
    try {
        if (data.StartTls(settings))
            return true;
    } catch (const ESocketException&) {
    }
    DisplayStatus("TLS on the data connection could not start: " + data.TlsErrorText());
    DataConnectFailed(TLS_E_SETUP);
    return false;
}

void TCustomFtpCli::DataTlsDone(std::uint16_t error)
{
    TWSocket& data = *FDataSocket;
    if (error != 0) {
        const std::string text = "TLS on the data connection failed: " + data.TlsErrorText();
        DisplayStatus(text);
        NoteTransferFault(error, "426 " + text);
        return;   // the socket closes with the error, which ends the transfer
    }
    const TlsChannel& tls = *data.Tls();
    FDataTlsResumed = tls.SessionReused();
    // The data connection must reach the server whose certificate was
    // accepted for the control connection.
    const TlsPeerCertificate certificate = tls.PeerCertificate();
    if (!certificate.Verified() && certificate.fingerprint != FServerCertificate.certificate.fingerprint) {
        const std::string text = "the data connection's certificate (" + certificate.fingerprint +
                                 ") is not the control connection's (" +
                                 FServerCertificate.certificate.fingerprint + ")";
        DisplayStatus(text);
        NoteTransferFault(TLS_E_CERTIFICATE, "426 " + text);
        data.Shutdown(2);
        data.Close();
        return;
    }
    if (FCloseAfterTls) {
        FCloseAfterTls = false;
        EndUploadData();
    }
}
