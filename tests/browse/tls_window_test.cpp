// The window with an ftpes:// host: the certificate question answered each
// way, "Trust always" remembered across a restart, a changed certificate
// refused with a warning, and the transfer queue over the same trust.
#include "browse_window_harness.h"

#include "app/local_panel.h"
#include "core/tls_trust_file.h"
#include "fixtures/test_certificate.h"
#include "services/certificate_trust.h"
#include "support/random_bytes.h"
#include "transfer/transfer_queue.h"

#include <QLabel>
#include <QListWidget>

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

    // The queue has run dry and its connection is closed.
    bool waitUntilQueueEnds()
    {
        return waitUntil(
            [&] {
                return !window->transferQueue().busy() && c->ListBox4->count() == 0 && !c->Label3->isVisible() &&
                       !window->transferQueue().client().Connected() && !session().requestRunning();
            },
            30000);
    }

    void selectLocal(const TempDir& folder, const QString& name)
    {
        ASSERT_TRUE(window->localPanel().setLocalDirectory(folder.path()));
        const auto found = c->ListView2->findItems(name, Qt::MatchExactly, 0);
        ASSERT_EQ(found.size(), 1) << name.toStdString();
        c->ListView2->setCurrentItem(found.first());
        found.first()->setSelected(true);
    }

    long count(const std::string& command) const
    {
        const auto all = server->commands();
        return std::count(all.begin(), all.end(), command);
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

TEST_F(TlsWindowTest, TheQueueTransfersOverTheTrustGivenOnceAndTheHostTextNamesPortAndStartDirectory)
{
    site.write("sub/.keep", "");
    startTlsServer("queue");
    const std::string port = server->portText();
    const std::string bytes = randomBytes(300000, 11);
    TempDir outgoing;
    TempDir incoming;
    outgoing.write("up.bin", bytes);
    c->Edit2->setText(QString::fromStdString(server->user()));
    c->Edit3->setText(QString::fromStdString(server->password()));
    c->Edit4->setText(QString::fromStdString(port));

    // A port that cannot be: said in the log (and, for an encrypted host, in
    // a message), nothing asked, nothing sent to the server in the port field.
    const std::string bad = "ftpes://127.0.0.1:0";
    const std::string why = "500 Cannot connect: the host address \"" + bad +
                            "\" has \"0\" where a port number from 1 to 65535 belongs";
    dialogs.expectMessage(QString::fromStdString(why));
    c->Edit1->setText(QString::fromStdString(bad));
    click(c->connectknap);
    ASSERT_TRUE(waitUntil([&] { return logText().find("! " + why) != std::string::npos; })) << logText();
    EXPECT_TRUE(waitUntilRefused());
    EXPECT_TRUE(server->commands().empty());

    // The port in the host text wins over a wrong port field, and the
    // directory after it is where the session starts. Trusted this time.
    const std::string typed = "ftpes://127.0.0.1:" + port + "/sub/";
    c->Edit1->setText(QString::fromStdString(typed));
    c->Edit4->setText(QStringLiteral("1"));
    dialogs.expectChoice(kCaption, QString::fromStdString(certificate.fingerprint), 1);
    click(c->connectknap);
    ASSERT_TRUE(waitUntilBrowsing()) << logText();
    EXPECT_EQ(channel().client().HostDirName(), "./sub");
    EXPECT_TRUE(fileNames().contains(QStringLiteral(".keep")));

    // Up through the queue into /sub, and back down into another folder.
    selectLocal(outgoing, QStringLiteral("up.bin"));
    click(c->BitBtn2);
    ASSERT_TRUE(waitUntilQueueEnds()) << logText();
    ASSERT_TRUE(site.read("sub/up.bin") == bytes) << logText();
    ASSERT_TRUE(waitUntil([&] { return fileItem(QStringLiteral("up.bin")) != nullptr; }));
    ASSERT_TRUE(window->localPanel().setLocalDirectory(incoming.path()));
    clickFile(fileItem(QStringLiteral("up.bin")));
    click(c->BitBtn3);
    ASSERT_TRUE(waitUntilQueueEnds()) << logText();
    EXPECT_TRUE(incoming.read("up.bin") == bytes);

    // The queue logged in on its own connection, encrypted, with its data
    // protected, and its certificate was judged by the answer already given:
    // one question in the whole run, nothing written to the trust file.
    const TFtpClient& queueClient = window->transferQueue().client();
    EXPECT_EQ(queueClient.HostName(), typed);
    EXPECT_FALSE(queueClient.TlsDescription().empty());
    EXPECT_TRUE(queueClient.DataProtected());
    EXPECT_GE(count("AUTH TLS"), 2);
    EXPECT_EQ(count("AUTH TLS"), count("USER " + server->user()));
    EXPECT_EQ(count("STOR up.bin"), 1);
    EXPECT_EQ(count("RETR up.bin"), 1);
    const auto& shown = dialogs.shown();
    EXPECT_EQ(std::count_if(shown.begin(), shown.end(), [](const auto& s) { return s.caption == kCaption; }), 1);
    EXPECT_EQ(dialogs.pending(), 0u);
    EXPECT_FALSE(std::filesystem::exists(trustPath()));
    // The host field still holds the text as typed.
    EXPECT_EQ(c->Edit1->text().toStdString(), typed);
}
