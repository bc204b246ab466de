// FTP over explicit TLS against the real server in its TLS mode, and the
// faults a TLS server can show a client.
#include "fixtures/local_ftp_server.h"
#include "fixtures/scripted_ftp_server.h"
#include "fixtures/test_certificate.h"
#include "ftp_event_log.h"
#include "net/socket_errors.h"
#include "support/random_bytes.h"
#include "support/temp_dir.h"
#include "support/wait.h"

#include <chrono>

#include <algorithm>
#include <gtest/gtest.h>

namespace {

using Done = std::pair<TFtpRequest, int>;

bool contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

// A client for "ftpes://127.0.0.1" that trusts exactly one certificate, the
// way a user who accepted it would.
struct TlsClient {
    TFtpClient client;
    FtpEventLog log{client};
    std::string trustedFingerprint;
    std::vector<FtpServerCertificate> asked;

    TlsClient()
    {
        client.OnCheckCertificate = [this](TCustomFtpCli*, const FtpServerCertificate& c, bool& accept,
                                           std::string& reason) {
            asked.push_back(c);
            if (!accept && c.certificate.fingerprint == trustedFingerprint)
                accept = true;
            else if (!accept)
                reason = "not trusted: " + c.certificate.verifyError;
        };
    }

    Done run(void (TCustomFtpCli::*begin)(), int timeoutMs = 30000)
    {
        const std::size_t before = log.done.size();
        (client.*begin)();
        if (!log.waitDone(before + 1, timeoutMs))
            return {ftpRqNone, -1};
        return log.done.back();
    }

    long displayed(const std::string& part) const
    {
        return std::count_if(log.display.begin(), log.display.end(),
                             [&](const std::string& line) { return contains(line, part); });
    }
};

// The real server in its TLS mode on a fresh certificate for 127.0.0.1,
// with the folders a test works in.
struct TlsSite {
    TempDir keys;
    TempDir root;
    TempDir local;
    TestCertificate certificate;
    std::unique_ptr<LocalFtpServer> server;

    // Starts the server with `options` and the certificate; the reason when
    // that fails, empty otherwise.
    std::string start(LocalFtpServer::Options options = {})
    {
        std::string error;
        certificate = makeTestCertificate(keys.path(), "server", "127.0.0.1", false, error);
        if (certificate.certFile.empty())
            return "no certificate: " + error;
        options.tlsCertFile = certificate.certFile;
        options.tlsKeyFile = certificate.keyFile;
        server = std::make_unique<LocalFtpServer>(root.path(), options);
        return server->start() ? std::string() : server->lastError();
    }

    // Points `tls` at this server as a user who trusts its certificate.
    void point(TlsClient& tls, bool passive) const
    {
        tls.trustedFingerprint = certificate.fingerprint;
        pointAt(tls.client, server->portText(), server->user(), server->password());
        tls.client.SetHostName("ftpes://127.0.0.1");
        tls.client.SetPassive(passive);
    }
};

LocalFtpServer::Options tlsOptions(const TestCertificate& certificate)
{
    LocalFtpServer::Options options;
    options.tlsCertFile = certificate.certFile;
    options.tlsKeyFile = certificate.keyFile;
    return options;
}

class FtpTlsServer : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override
    {
        ASSERT_EQ(site.start(), "");
        site.point(tls, GetParam());
        ASSERT_EQ(tls.run(&TCustomFtpCli::BeginLogin), Done(ftpRqLogin, 0)) << tls.client.ErrorMessage();
        ASSERT_EQ(tls.run(&TCustomFtpCli::BeginSetBinary), Done(ftpRqSetType, 0));
    }

    TlsSite site;
    TempDir& root = site.root;
    TempDir& local = site.local;
    TestCertificate& certificate = site.certificate;
    std::unique_ptr<LocalFtpServer>& server = site.server;
    TlsClient tls;
};

}  // namespace

TEST_P(FtpTlsServer, LogInIsEncryptedAndRoundTripsAreByteIdenticalOverResumedSessions)
{
    // The log-in went through AUTH TLS, PBSZ and PROT before the user name;
    // the certificate was asked about once, with what it says.
    const auto commands = server->commands();
    ASSERT_GE(commands.size(), 4u);
    EXPECT_EQ(commands[0], "AUTH TLS");
    EXPECT_EQ(commands[1], "PBSZ 0");
    EXPECT_EQ(commands[2], "PROT P");
    EXPECT_EQ(commands[3], "USER tavlin");
    ASSERT_EQ(tls.asked.size(), 1u);
    EXPECT_EQ(tls.asked[0].certificate.fingerprint, certificate.fingerprint);
    EXPECT_TRUE(contains(tls.asked[0].certificate.subject, "CN=127.0.0.1")) << tls.asked[0].certificate.subject;
    EXPECT_FALSE(tls.asked[0].certificate.notAfter.empty());
    EXPECT_TRUE(contains(tls.asked[0].certificate.verifyError, "self-signed"))
        << tls.asked[0].certificate.verifyError;
    EXPECT_TRUE(tls.client.DataProtected());
    EXPECT_EQ(tls.displayed("! TLS connection: TLSv1."), 1);
    EXPECT_EQ(tls.displayed("s3cret"), 0);

    unsigned seed = 7;
    for (std::size_t size : {std::size_t{0}, std::size_t{1} << 20, std::size_t{20} << 20}) {
        SCOPED_TRACE("size " + std::to_string(size));
        const std::string name = "file" + std::to_string(size) + ".bin";
        const std::string bytes = randomBytes(size, seed++);
        local.write(name, bytes);
        tls.client.SetLocalFileName(local.file(name));
        tls.client.SetHostFileName(name);
        ASSERT_EQ(tls.run(&TCustomFtpCli::BeginPutFile), Done(ftpRqPutFile, 0)) << tls.client.ErrorMessage();
        EXPECT_TRUE(tls.client.DataTlsResumed());
        ASSERT_EQ(root.read(name), bytes);

        tls.client.SetLocalFileName(local.file("back-" + name));
        ASSERT_EQ(tls.run(&TCustomFtpCli::BeginGetFile), Done(ftpRqGetFile, 0)) << tls.client.ErrorMessage();
        EXPECT_TRUE(tls.client.DataTlsResumed());
        ASSERT_EQ(local.read("back-" + name), bytes);
    }
    // One TLS line per connection, not per transfer.
    EXPECT_EQ(tls.displayed("! TLS connection: "), 1);
}

TEST_P(FtpTlsServer, ResumeAppendAndListingsWorkOverTls)
{
    const std::string bytes = randomBytes(300000, 3);
    root.write("whole.bin", bytes);
    local.write("whole.bin", bytes.substr(0, 100000));
    tls.client.SetLocalFileName(local.file("whole.bin"));
    tls.client.SetHostFileName("whole.bin");
    ASSERT_EQ(tls.run(&TCustomFtpCli::BeginResumeGetFile), Done(ftpRqResumeGetFile, 0)) << tls.client.ErrorMessage();
    EXPECT_EQ(tls.client.ByteCount(), 200000);
    EXPECT_EQ(local.read("whole.bin"), bytes);

    local.write("tail.bin", "appended tail");
    tls.client.SetLocalFileName(local.file("tail.bin"));
    ASSERT_EQ(tls.run(&TCustomFtpCli::BeginAppendFile), Done(ftpRqAppendFile, 0)) << tls.client.ErrorMessage();
    EXPECT_EQ(root.read("whole.bin"), bytes + "appended tail");

    tls.client.SetHostFileName("");
    tls.client.SetLocalFileName(local.file("list.txt"));
    ASSERT_EQ(tls.run(&TCustomFtpCli::BeginListDir), Done(ftpRqListDir, 0)) << tls.client.ErrorMessage();
    EXPECT_TRUE(contains(local.read("list.txt"), "300013")) << local.read("list.txt");
    EXPECT_TRUE(contains(local.read("list.txt"), "whole.bin"));
    tls.client.SetLocalFileName(local.file("names.txt"));
    ASSERT_EQ(tls.run(&TCustomFtpCli::BeginListNames), Done(ftpRqListNames, 0)) << tls.client.ErrorMessage();
    EXPECT_EQ(local.read("names.txt"), "whole.bin\r\n");
    EXPECT_TRUE(tls.client.DataTlsResumed());
}

INSTANTIATE_TEST_SUITE_P(ActiveAndPassive, FtpTlsServer, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Passive" : "Active"; });

TEST(FtpTls, RefusedAuthTlsEndsTheOpenWithAClearErrorAndPlainFtpStillWorks)
{
    TempDir root;
    LocalFtpServer server(root.path());   // no TLS: AUTH is an unknown command
    ASSERT_TRUE(server.start()) << server.lastError();
    TlsClient tls;
    pointAt(tls.client, server.portText(), server.user(), server.password());
    tls.client.SetHostName("ftpes://127.0.0.1");
    const Done refused = tls.run(&TCustomFtpCli::BeginLogin);
    EXPECT_EQ(refused.first, ftpRqLogin);
    EXPECT_NE(refused.second, 0);
    EXPECT_TRUE(contains(tls.client.ErrorMessage(), "refused AUTH TLS")) << tls.client.ErrorMessage();
    EXPECT_FALSE(tls.client.Connected());
    // The password never went out in clear.
    for (const std::string& command : server.commands())
        EXPECT_FALSE(contains(command, "USER") || contains(command, "PASS")) << command;

    tls.client.SetHostName("ftp://127.0.0.1");
    EXPECT_EQ(tls.run(&TCustomFtpCli::BeginLogin), Done(ftpRqLogin, 0)) << tls.client.ErrorMessage();
    EXPECT_FALSE(tls.client.DataProtected());
    EXPECT_EQ(server.commands().back(), "PASS s3cret");
}

TEST(FtpTls, CertificatesThatDoNotVerifyAreRefusedNamingWhyAndTheFingerprint)
{
    TempDir keys;
    TempDir root;
    struct Case {
        const char* name;
        bool expired;
        const char* reason;
    } cases[] = {{"127.0.0.1", false, "self-signed"},
                 {"other.example", false, "mismatch"},
                 {"127.0.0.1", true, "expired"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reason);
        std::string error;
        const TestCertificate certificate = makeTestCertificate(keys.path(), c.reason, c.name, c.expired, error);
        ASSERT_FALSE(certificate.certFile.empty()) << error;
        LocalFtpServer server(root.path(), tlsOptions(certificate));
        ASSERT_TRUE(server.start()) << server.lastError();
        TlsClient tls;   // trusts nothing
        pointAt(tls.client, server.portText(), server.user(), server.password());
        tls.client.SetHostName("ftpes://127.0.0.1");
        const Done done = tls.run(&TCustomFtpCli::BeginLogin);
        EXPECT_EQ(done.second, TLS_E_CERTIFICATE);
        EXPECT_TRUE(contains(tls.client.ErrorMessage(), c.reason)) << tls.client.ErrorMessage();
        EXPECT_TRUE(contains(tls.client.ErrorMessage(), certificate.fingerprint)) << tls.client.ErrorMessage();
        EXPECT_FALSE(tls.client.Connected());
        const auto commands = server.commands();
        EXPECT_EQ(std::count(commands.begin(), commands.end(), "PBSZ 0"), 0);
    }
}

TEST(FtpTls, ADataConnectionClosedWithoutCloseNotifyIsAFailedDownloadButAWholeUpload)
{
    TlsSite site;
    LocalFtpServer::Options options;
    options.tlsWithoutCloseNotify = true;
    ASSERT_EQ(site.start(options), "");
    site.root.write("data.bin", randomBytes(500000, 5));

    for (bool passive : {true, false}) {
        SCOPED_TRACE(passive ? "passive" : "active");
        TlsClient tls;
        site.point(tls, passive);
        ASSERT_EQ(tls.run(&TCustomFtpCli::BeginLogin), Done(ftpRqLogin, 0)) << tls.client.ErrorMessage();
        tls.client.SetLocalFileName(site.local.file("data.bin"));
        tls.client.SetHostFileName("data.bin");
        const Done done = tls.run(&TCustomFtpCli::BeginGetFile);
        EXPECT_EQ(done.first, ftpRqGetFile);
        EXPECT_EQ(done.second, TLS_E_TRUNCATED) << tls.client.ErrorMessage();
        EXPECT_TRUE(contains(tls.client.ErrorMessage(), "close_notify")) << tls.client.ErrorMessage();
        // The client is ready for the next request on the same connection.
        EXPECT_EQ(tls.run(&TCustomFtpCli::BeginPrintDir), Done(ftpRqPrintDir, 0)) << tls.client.ErrorMessage();

        // An upload is whole once the server has read it to our close_notify:
        // the server's side carried no data, so its missing alert cuts nothing.
        const std::string name = passive ? "up-pasv.bin" : "up-port.bin";
        site.local.write(name, randomBytes(200000, passive ? 6 : 7));
        ASSERT_EQ(tls.run(&TCustomFtpCli::BeginSetBinary), Done(ftpRqSetType, 0));
        tls.client.SetLocalFileName(site.local.file(name));
        tls.client.SetHostFileName(name);
        EXPECT_EQ(tls.run(&TCustomFtpCli::BeginPutFile), Done(ftpRqPutFile, 0)) << tls.client.ErrorMessage();
        EXPECT_TRUE(site.root.read(name) == site.local.read(name)) << site.root.read(name).size() << " bytes arrived";
    }
}

TEST(FtpTls, TheInactivityLimitWaitsWhileTheCertificateQuestionIsOpen)
{
    TlsSite site;
    ASSERT_EQ(site.start(), "");
    TFtpClient client;
    FtpEventLog log{client};
    pointAt(client, site.server->portText(), site.server->user(), site.server->password());
    client.SetHostName("ftpes://127.0.0.1");
    client.SetInactivityTimeout(1);
    // A user who takes well over the limit to answer, with the event loop
    // running meanwhile as under a modal dialog.
    client.OnCheckCertificate = [&](TCustomFtpCli*, const FtpServerCertificate&, bool& accept, std::string&) {
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(2500);
        waitUntil([&] { return std::chrono::steady_clock::now() >= until; }, 5000);
        accept = true;
    };
    client.BeginLogin();
    ASSERT_TRUE(log.waitDone(1, 20000));
    EXPECT_EQ(log.done.back(), Done(ftpRqLogin, 0)) << client.ErrorMessage();
    EXPECT_TRUE(client.Connected());
}

TEST(FtpTls, APlainReplyWhereTheHandshakeWasExpectedIsAClearError)
{
    ScriptedFtpServer server;
    server.reply("220 hello").expect("AUTH TLS").reply("234 go ahead").reply("220 but this is plain text")
        .waitForClientClose();
    ASSERT_TRUE(server.start());
    TlsClient tls;
    pointAt(tls.client, server.portText().toStdString());
    tls.client.SetHostName("ftpes://127.0.0.1");
    const Done done = tls.run(&TCustomFtpCli::BeginOpen);
    EXPECT_EQ(done, Done(ftpRqOpen, TLS_E_HANDSHAKE));
    EXPECT_TRUE(contains(tls.client.ErrorMessage(), "TLS handshake with 127.0.0.1 failed"))
        << tls.client.ErrorMessage();
    EXPECT_FALSE(tls.client.Connected());
    EXPECT_EQ(tls.client.State(), ftpStateReady);
}

// The server turns the keys over in the middle of a transfer: a TLS 1.2
// renegotiation (the client's writes must wait for the server's handshake,
// its reads must answer it) or a TLS 1.3 KeyUpdate that asks for the
// client's own. Uploads and downloads both arrive whole.
TEST(FtpTls, TransfersSurviveARenegotiationOrAKeyUpdateFromTheServer)
{
    for (const bool renegotiate : {true, false}) {
        SCOPED_TRACE(renegotiate ? "renegotiation" : "key update");
        TlsSite site;
        LocalFtpServer::Options options;
        (renegotiate ? options.tlsRenegotiateAfter : options.tlsKeyUpdateAfter) = 256 * 1024;
        ASSERT_EQ(site.start(options), "");
        TempDir& root = site.root;
        TempDir& local = site.local;
        LocalFtpServer& server = *site.server;
        TlsClient tls;
        site.point(tls, true);
        ASSERT_EQ(tls.run(&TCustomFtpCli::BeginLogin), Done(ftpRqLogin, 0)) << tls.client.ErrorMessage();
        ASSERT_EQ(tls.run(&TCustomFtpCli::BeginSetBinary), Done(ftpRqSetType, 0));
        EXPECT_TRUE(contains(tls.client.TlsDescription(), renegotiate ? "TLSv1.2" : "TLSv1.3"))
            << tls.client.TlsDescription();

        const std::string bytes = randomBytes(std::size_t{24} << 20, renegotiate ? 31 : 32);
        local.write("out.bin", bytes);
        tls.client.SetLocalFileName(local.file("out.bin"));
        tls.client.SetHostFileName("in.bin");
        ASSERT_EQ(tls.run(&TCustomFtpCli::BeginPutFile), Done(ftpRqPutFile, 0)) << tls.client.ErrorMessage();
        EXPECT_TRUE(root.read("in.bin") == bytes);
        tls.client.SetLocalFileName(local.file("back.bin"));
        ASSERT_EQ(tls.run(&TCustomFtpCli::BeginGetFile), Done(ftpRqGetFile, 0)) << tls.client.ErrorMessage();
        EXPECT_TRUE(local.read("back.bin") == bytes);

        // Asked for (a renegotiation on the upload only: the test server
        // reads nothing while it sends) and no longer pending when each
        // data connection closed, so the client took part.
        const std::string what = renegotiate ? "renegotiation" : "key update";
        const long times = renegotiate ? 1 : 2;
        ASSERT_TRUE(waitUntil([&] {
            const auto all = server.commands();
            return std::count(all.begin(), all.end(), "#TLS " + what + " pending at close: 0") == times;
        })) << ::testing::PrintToString(server.commands());
        const auto all = server.commands();
        EXPECT_EQ(std::count(all.begin(), all.end(), "#TLS " + what + " requested"), times);
    }
}

// A server that reads slowly: when the client hands over its last byte,
// much of the file still waits in the client's socket, and over TLS the
// server's session tickets come only after that. The upload ends when the
// server holds the whole file and has said so, over TLS and plain FTP, with
// no command beyond the transfer's own.
TEST(FtpTls, AnUploadToAServerThatReadsSlowlyEndsOnlyOnceTheServerHoldsTheWholeFile)
{
    TlsSite site;
    LocalFtpServer::Options options;
    options.slowDataConnectionsMs = 200;
    ASSERT_EQ(site.start(options), "");
    const std::string bytes = randomBytes(320 * 1024, 46);
    site.local.write("out.bin", bytes);
    for (const bool encrypted : {true, false}) {
        for (const bool passive : {true, false}) {
            SCOPED_TRACE(std::string(encrypted ? "TLS" : "plain") + (passive ? ", passive" : ", active"));
            TlsClient tls;
            site.point(tls, passive);
            if (!encrypted)
                tls.client.SetHostName("ftp://127.0.0.1");
            ASSERT_EQ(tls.run(&TCustomFtpCli::BeginLogin), Done(ftpRqLogin, 0)) << tls.client.ErrorMessage();
            ASSERT_EQ(tls.run(&TCustomFtpCli::BeginSetBinary), Done(ftpRqSetType, 0));
            EXPECT_EQ(tls.client.DataProtected(), encrypted);
            const std::string name = std::string(encrypted ? "tls" : "plain") + (passive ? "-pasv.bin" : "-port.bin");
            tls.client.SetLocalFileName(site.local.file("out.bin"));
            tls.client.SetHostFileName(name);
            site.server->clearCommands();
            ASSERT_EQ(tls.run(&TCustomFtpCli::BeginPutFile), Done(ftpRqPutFile, 0)) << tls.client.ErrorMessage();
            // The server writes the file before it confirms it.
            EXPECT_TRUE(site.root.read(name) == bytes) << site.root.read(name).size() << " bytes arrived";
            const auto commands = site.server->commands();
            ASSERT_EQ(commands.size(), 2u) << ::testing::PrintToString(commands);
            EXPECT_EQ(commands[0].substr(0, 4), passive ? "PASV" : "PORT");
            EXPECT_EQ(commands[1], "STOR " + name);
        }
    }
}
