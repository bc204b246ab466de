// tavlinftp-cli with ftpes:// URLs against the real server in its TLS mode:
// which certificates it trusts, and TLS through a SOCKS proxy.
#include "cli_run.h"
#include "core/text_line_list.h"
#include "core/tls_trust_file.h"
#include "fixtures/socks_proxy_server.h"
#include "fixtures/test_certificate.h"
#include "support/random_bytes.h"

#include <QFileInfo>

#include <filesystem>

namespace {

bool contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

class CliTls : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string error;
        certificate = makeTestCertificate(keys.path(), "server", "127.0.0.1", false, error);
        ASSERT_FALSE(certificate.certFile.empty()) << error;
        LocalFtpServer::Options options;
        options.tlsCertFile = certificate.certFile;
        options.tlsKeyFile = certificate.keyFile;
        server = std::make_unique<LocalFtpServer>(root.path(), options);
        ASSERT_TRUE(server->start()) << server->lastError();
        root.write("site/page.bin", bytes);
    }

    std::string url() const
    {
        return "ftpes://" + server->user() + ":" + server->password() + "@127.0.0.1:" + server->portText() + "/site";
    }
    // The data directory the tool reads the trust file from.
    CliEnvironment environment() const { return {{"XDG_DATA_HOME", QString::fromStdString(data.path())}}; }
    TlsTrustFile trustFile() const
    {
        std::filesystem::create_directories(data.path() + "/tavlinftp");
        return TlsTrustFile(data.path() + "/tavlinftp/tlstrust.dfd");
    }

    const std::string bytes = randomBytes(3 << 20, 9);
    TempDir keys;
    TempDir root;
    TempDir local;
    TempDir data;
    TestCertificate certificate;
    std::unique_ptr<LocalFtpServer> server;
};

}  // namespace

TEST_F(CliTls, AnUnknownCertificateIsRefusedWithItsFingerprintAndTrustedWhenNamedOrInTheTrustFile)
{
    const std::string target = local.file("page.bin");
    CliRun refused = runCli({url(), "get", "page.bin", target}, environment());
    EXPECT_EQ(refused.status, 1);
    EXPECT_TRUE(contains(refused.err, "--trust " + certificate.fingerprint)) << refused.err;
    EXPECT_TRUE(contains(refused.err, "self-signed")) << refused.err;
    EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(target)));
    // Nothing beyond the TLS set-up reached the server: no log-in in clear.
    for (const std::string& command : server->commands())
        EXPECT_FALSE(contains(command, "USER") || contains(command, "PASS")) << command;

    CliRun trusted = runCli({"--trust", certificate.fingerprint, url(), "get", "page.bin", target}, environment());
    ASSERT_EQ(trusted.status, 0) << trusted.err;
    EXPECT_EQ(local.read("page.bin"), bytes);

    // A fingerprint written lower case names the same certificate.
    QString lower = QString::fromStdString(certificate.fingerprint).toLower();
    CliRun lowerCase = runCli({"--trust", lower.toStdString(), url(), "size", "page.bin"}, environment());
    EXPECT_EQ(lowerCase.status, 0) << lowerCase.err;
    EXPECT_FALSE(runCli({"--trust", "AB:CD", url(), "size", "page.bin"}, environment()).status == 0);

    // What the window trusted always, the tool trusts as well.
    ASSERT_TRUE(trustFile().remember("127.0.0.1", server->portText(), certificate.fingerprint));
    CliRun fromFile = runCli({url(), "put", target, "again.bin"}, environment());
    ASSERT_EQ(fromFile.status, 0) << fromFile.err;
    EXPECT_EQ(root.read("site/again.bin"), bytes);
}

TEST_F(CliTls, AChangedCertificateIsRefusedNamingBothFingerprintsEvenWhenNamed)
{
    ASSERT_TRUE(trustFile().remember("127.0.0.1", server->portText(), "SHA256:00:11:22"));
    CliRun run = runCli({"--trust", certificate.fingerprint, url(), "ls"}, environment());
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(contains(run.err, "changed")) << run.err;
    EXPECT_TRUE(contains(run.err, "SHA256:00:11:22")) << run.err;
    EXPECT_TRUE(contains(run.err, certificate.fingerprint)) << run.err;
    EXPECT_TRUE(run.out.empty()) << run.out;
}

TEST_F(CliTls, TlsStartsAfterTheProxyHandshake)
{
    SocksProxyServer proxy;
    ASSERT_TRUE(proxy.started()) << "microsocks could not be started";
    const CliEnvironment viaProxy{{"ALL_PROXY", QString::fromStdString("socks5h://127.0.0.1:" + proxy.portText())},
                                  {"XDG_DATA_HOME", QString::fromStdString(data.path())}};
    CliRun get = runCli({"-v", "--trust", certificate.fingerprint, url(), "get", "page.bin", local.file("via.bin")},
                        viaProxy);
    ASSERT_EQ(get.status, 0) << get.err;
    EXPECT_EQ(local.read("via.bin"), bytes);
    EXPECT_TRUE(contains(get.err, "! TLS connection: TLSv1.")) << get.err;
}

// A WebWatch run of an ftpes:// project: the certificate is judged as for the
// other commands, with the trust file of the run's own data directory.
TEST_F(CliTls, AWebwatchRunOfAnEncryptedProjectTrustsOnlyNamedOrRememberedCertificates)
{
    local.write("index.html", "<p>secret page</p>");
    std::vector<std::string> lines{"1", "Site", "0", "0"};
    for (const std::string& line : {local.file("index.html"), std::string("ftpes://127.0.0.1"), server->user(),
                                    server->password(), server->portText(), std::string("/site"),
                                    std::string("index.html"), std::string("0"), std::string("May")})
        lines.push_back(" " + line);
    ASSERT_TRUE(TextLineList(lines).saveToFile(data.file("wbprj.dfd")));
    const auto webwatch = [&](std::vector<std::string> more) {
        std::vector<std::string> arguments{"webwatch", "--data-dir", data.path()};
        arguments.insert(arguments.end(), more.begin(), more.end());
        return runCli(arguments);
    };

    const CliRun refused = webwatch({});
    EXPECT_EQ(refused.status, 1) << refused.out << refused.err;
    EXPECT_TRUE(contains(refused.err, certificate.fingerprint)) << refused.err;
    EXPECT_FALSE(std::filesystem::exists(root.file("site/index.html")));

    // The run is pending; named, the certificate lets it finish.
    const CliRun trusted = webwatch({"--trust", certificate.fingerprint});
    ASSERT_EQ(trusted.status, 0) << trusted.out << trusted.err;
    EXPECT_EQ(root.read("site/index.html"), "<p>secret page</p>");

    // Remembered in the data directory's trust file, it needs no naming.
    ASSERT_TRUE(TlsTrustFile(data.file("tlstrust.dfd")).remember("127.0.0.1", server->portText(),
                                                                 certificate.fingerprint));
    local.write("index.html", "<p>secret page, edited</p>");
    std::filesystem::last_write_time(local.file("index.html"),
                                     std::filesystem::file_time_type::clock::now() + std::chrono::hours(1));
    const CliRun remembered = webwatch({"--quiet"});
    ASSERT_EQ(remembered.status, 0) << remembered.out << remembered.err;
    EXPECT_EQ(root.read("site/index.html"), "<p>secret page, edited</p>");
}
