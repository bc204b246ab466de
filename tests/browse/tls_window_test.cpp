// The window with an ftpes:// host: the certificate question answered each
// way, "Trust always" remembered across a restart, a changed certificate
// refused with a warning.
#include "browse_window_harness.h"

#include "core/tls_trust_file.h"
#include "fixtures/test_certificate.h"
#include "services/certificate_trust.h"

#include <filesystem>
#include <sys/stat.h>

namespace {

const QString kCaption = QString::fromLatin1(CertificateTrust::Caption);

class TlsWindowTest : public BrowseWindowTest {
protected:
    void startTlsServer(const std::string& stem)
    {
        std::string error;
        certificate = makeTestCertificate(keys.path(), stem, "127.0.0.1", false, error);
        ASSERT_FALSE(certificate.certFile.empty()) << error;
        LocalFtpServer::Options options;
        options.tlsCertFile = certificate.certFile;
        options.tlsKeyFile = certificate.keyFile;
        server = std::make_unique<LocalFtpServer>(site.path(), options);
        ASSERT_TRUE(server->start()) << server->lastError();
    }

    void connectEncrypted()
    {
        c->Edit1->setText(QStringLiteral("ftpes://127.0.0.1"));
        c->Edit2->setText(QString::fromStdString(server->user()));
        c->Edit3->setText(QString::fromStdString(server->password()));
        c->Edit4->setText(QString::fromStdString(server->portText()));
        click(c->connectknap);
    }

    bool waitUntilRefused()
    {
        return waitUntil([&] {
            const TFtpClient& client = channel().client();
            return dialogs.pending() == 0 && client.State() == ftpStateReady && !client.Connected() &&
                   !session().requestRunning();
        });
    }

    std::string trustPath() const { return data.path() + "/" + TlsTrustFile::FileName; }
    bool loggedIn() const
    {
        const auto all = server->commands();
        return std::find(all.begin(), all.end(), "USER " + server->user()) != all.end();
    }

    TempDir keys;
    TestCertificate certificate;
};

}  // namespace

TEST_F(TlsWindowTest, CertificateQuestionAnsweredEachWayAndAlwaysRememberedAcrossARestart)
{
    site.write("page.html", "<html/>");
    startTlsServer("first");
    const QString fingerprint = QString::fromStdString(certificate.fingerprint);

    // Cancel: nothing is sent beyond the TLS set-up, nothing is stored.
    dialogs.expectChoice(kCaption, fingerprint, 2);
    connectEncrypted();
    ASSERT_TRUE(waitUntilRefused());
    EXPECT_FALSE(loggedIn());
    EXPECT_FALSE(std::filesystem::exists(trustPath()));
    const QString question = dialogs.shown().back().text;
    for (const char* part : {"Subject: ", "CN=127.0.0.1", "Issuer: ", "Valid from: ", "Valid until: ",
                             "self-signed"})
        EXPECT_TRUE(question.contains(QLatin1String(part))) << part << " in " << question.toStdString();

    // Trust this time: the session goes on; asked no more in this run.
    dialogs.expectChoice(kCaption, fingerprint, 1);
    connectEncrypted();
    ASSERT_TRUE(waitUntilBrowsing());
    EXPECT_TRUE(fileNames().contains(QStringLiteral("page.html")));
    EXPECT_TRUE(logText().find("! TLS connection: TLSv1.") != std::string::npos) << logText();
    EXPECT_EQ(logText().find(server->password()), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(trustPath()));
    click(c->connectknap);   // disconnect
    ASSERT_TRUE(waitUntil([&] { return !session().connected() && !session().requestRunning(); }));
    connectEncrypted();
    ASSERT_TRUE(waitUntilBrowsing());
    click(c->connectknap);
    ASSERT_TRUE(waitUntil([&] { return !session().connected() && !session().requestRunning(); }));

    // After a restart it is unknown again; "Trust always" stores it, owner only.
    reopenWindow();
    dialogs.expectChoice(kCaption, fingerprint, 0);
    connectEncrypted();
    ASSERT_TRUE(waitUntilBrowsing());
    EXPECT_EQ(data.read(TlsTrustFile::FileName),
              "127.0.0.1:" + server->portText() + " " + certificate.fingerprint + "\r\n");
    struct stat info {};
    ASSERT_EQ(::stat(trustPath().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    click(c->connectknap);
    ASSERT_TRUE(waitUntil([&] { return !session().connected() && !session().requestRunning(); }));

    // Remembered across the next restart: no question at all.
    reopenWindow();
    connectEncrypted();
    ASSERT_TRUE(waitUntilBrowsing());
    EXPECT_EQ(dialogs.pending(), 0u);
}

TEST_F(TlsWindowTest, AChangedCertificateIsRefusedWithAWarningNamingBothFingerprints)
{
    startTlsServer("new");
    const std::string old = "SHA256:0A:0B:0C";
    data.write(TlsTrustFile::FileName, "127.0.0.1:" + server->portText() + " " + old + "\r\n");
    dialogs.expectMessage(QString::fromStdString("WARNING: the certificate of 127.0.0.1:" + server->portText() +
                                                 " has changed.\n\nTrusted: " + old + "\nNow offered: " +
                                                 certificate.fingerprint +
                                                 "\n\nSomeone may be listening in. The connection is refused."),
                          kCaption);
    connectEncrypted();
    ASSERT_TRUE(waitUntilRefused());
    EXPECT_FALSE(loggedIn());
    EXPECT_TRUE(logText().find(old) != std::string::npos) << logText();
    // The stored fingerprint is left as it was.
    EXPECT_EQ(data.read(TlsTrustFile::FileName), "127.0.0.1:" + server->portText() + " " + old + "\r\n");
}
