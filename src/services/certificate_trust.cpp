#include "services/certificate_trust.h"

#include "services/dialogs.h"

#include <algorithm>
#include <cctype>

const char* const CertificateTrust::Caption = "Server certificate";

namespace {

QString q(const std::string& text)
{
    return QString::fromStdString(text);
}

// "sha256:ab:cd" and "SHA256:AB:CD" name the same certificate.
std::string normalFingerprint(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

}  // namespace

CertificateTrust::CertificateTrust(std::string trustFilePath, Dialogs* dialogs,
                                   std::vector<std::string> trustedFingerprints)
    : file_(std::move(trustFilePath)), dialogs_(dialogs)
{
    for (const std::string& fingerprint : trustedFingerprints)
        given_.push_back(normalFingerprint(fingerprint));
}

void CertificateTrust::attach(TCustomFtpCli& client)
{
    client.OnCheckCertificate = [this](TCustomFtpCli*, const FtpServerCertificate& server, bool& accept,
                                       std::string& reason) { check(server, accept, reason); };
}

void CertificateTrust::check(const FtpServerCertificate& server, bool& accept, std::string& reason)
{
    const TlsPeerCertificate& certificate = server.certificate;
    const std::string offered = normalFingerprint(certificate.fingerprint);
    const std::string trusted = normalFingerprint(file_.fingerprint(server.host, server.port));
    if (!trusted.empty() && trusted != offered) {
        accept = false;
        reason = "the certificate has changed: trusted " + trusted + ", now offered " + offered +
                 ". Someone may be listening in; if the server really has a new certificate, remove its line from " +
                 file_.path();
        if (dialogs_)
            dialogs_->message(q("WARNING: the certificate of " + server.host + ":" + server.port +
                                " has changed.\n\nTrusted: " + trusted + "\nNow offered: " + offered +
                                "\n\nSomeone may be listening in. The connection is refused."),
                              q(Caption));
        return;
    }
    if (accept || (!trusted.empty() && trusted == offered)) {
        accept = true;
        return;
    }
    if (std::find(given_.begin(), given_.end(), offered) != given_.end()
        || thisRun_.count(server.host + ":" + server.port + " " + offered) > 0) {
        accept = true;
        return;
    }
    if (dialogs_) {
        accept = ask(server);
        if (!accept)
            reason = "the certificate was not trusted (" + certificate.verifyError + ")";
        return;
    }
    reason = "unknown certificate (" + certificate.verifyError + "); if " + offered +
             " is the server's, run again with --trust " + offered;
}

bool CertificateTrust::ask(const FtpServerCertificate& server)
{
    const TlsPeerCertificate& c = server.certificate;
    const QString text = q("The certificate of " + server.host + ":" + server.port +
                           " could not be verified: " + c.verifyError + ".\n\nSubject: " + c.subject +
                           "\nIssuer: " + c.issuer + "\nValid from: " + c.notBefore + "\nValid until: " +
                           c.notAfter + "\nFingerprint: " + c.fingerprint +
                           "\n\nTrust it only if this fingerprint is the server's.");
    const int chosen = dialogs_->askChoice(q(Caption), text,
                                           {QStringLiteral("Trust always"), QStringLiteral("Trust this time"),
                                            QStringLiteral("Cancel")});
    const std::string fingerprint = normalFingerprint(c.fingerprint);
    if (chosen == 0) {
        if (!file_.remember(server.host, server.port, fingerprint))
            dialogs_->message(q("The trusted certificate could not be written to " + file_.path() +
                                "; it is trusted until the program ends."),
                              q(Caption));
        thisRun_.insert(server.host + ":" + server.port + " " + fingerprint);
        return true;
    }
    if (chosen == 1) {
        thisRun_.insert(server.host + ":" + server.port + " " + fingerprint);
        return true;
    }
    return false;
}
