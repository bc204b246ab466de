#pragma once

#include "core/tls_trust_file.h"
#include "ftp/ftp_custom_client.h"

#include <set>
#include <string>
#include <vector>

class Dialogs;

// Decides whether the server certificate of an ftpes:// connection is
// trusted, for every FTP client of a run:
// - a certificate that differs from the one trusted always for that host
//   and port is refused, naming both fingerprints (in the window with a
//   warning), whether or not it verifies;
// - otherwise one that verifies against the system's trust store and the
//   host name is trusted, and so is the one in the trust file;
// - otherwise, with a dialogs service, the user is asked (subject, issuer,
//   validity, fingerprint): "Trust always" writes the trust file, "Trust
//   this time" trusts it until the program ends, "Cancel" refuses it;
// - without one (the command line), only fingerprints given up front
//   (--trust) are trusted; the refusal says how to trust it.
class CertificateTrust {
public:
    CertificateTrust(std::string trustFilePath, Dialogs* dialogs, std::vector<std::string> trustedFingerprints = {});

    // Makes this object the judge of the client's certificates.
    void attach(TCustomFtpCli& client);
    void check(const FtpServerCertificate& server, bool& accept, std::string& reason);

    static const char* const Caption;

private:
    bool ask(const FtpServerCertificate& server);

    TlsTrustFile file_;
    Dialogs* dialogs_;
    std::vector<std::string> given_;
    // "host:port fingerprint" trusted until the program ends.
    std::set<std::string> thisRun_;
};
