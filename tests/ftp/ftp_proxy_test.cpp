// The FTP client's proxy setting at the wire: what the client hands a SOCKS
// proxy, and how a proxy's refusal ends the open.
#include "ftp/ftp_client.h"
#include "../net/loopback_peer.h"
#include "support/wait.h"

#include <gtest/gtest.h>

namespace {

// A name no resolver knows: a lookup of it here would fail the open before
// the proxy ever saw it.
const std::string kServerName = "ftp.tavlin.invalid";

struct OpenThroughProxy {
    LoopbackListener proxyPort;
    TFtpClient client;
    bool done = false;
    int error = -1;

    explicit OpenThroughProxy(FtpProxyKind kind)
    {
        FtpProxy proxy;
        proxy.kind = kind;
        proxy.host = "127.0.0.1";
        proxy.port = std::to_string(proxyPort.port());
        proxy.user = kind == FtpProxyKind::Socks5 ? "" : "me";
        client.SetProxy(proxy);
        client.SetHostName(kServerName);
        client.SetPort("2121");
        client.OnRequestDone = [this](TCustomFtpCli*, TFtpRequest, std::uint16_t e) {
            done = true;
            error = e;
        };
    }
};

} // namespace

TEST(FtpClientProxy, TheServerNameGoesToTheProxyUnresolvedAndARefusalEndsTheOpenWithItsText)
{
    {
        SCOPED_TRACE("SOCKS 4A");
        OpenThroughProxy open(FtpProxyKind::Socks4A);
        open.client.BeginOpen();
        PeerConnection peer = open.proxyPort.accept();
        ASSERT_TRUE(peer.valid()) << "the client never reached the proxy";
        const std::string expected = std::string("\x04\x01\x08\x49\x00\x00\x00\x01me\x00", 11) + kServerName +
                                     std::string(1, '\0');
        EXPECT_EQ(peer.readExactly(expected.size()), expected);
        ASSERT_TRUE(peer.sendAll(std::string("\x00\x5b\x00\x00\x00\x00\x00\x00", 8)));
        ASSERT_TRUE(waitUntil([&] { return open.done; }));
        EXPECT_EQ(open.error, 20016);
        EXPECT_EQ(open.client.LastResponse(), "500 SOCKS proxy 127.0.0.1:" + std::to_string(open.proxyPort.port()) +
                                                  ": request rejected or failed (error #20016)");
        EXPECT_FALSE(open.client.Connected());
        EXPECT_EQ(open.client.State(), ftpStateReady);
    }
    {
        SCOPED_TRACE("SOCKS 5, names resolved by the proxy");
        OpenThroughProxy open(FtpProxyKind::Socks5);
        open.client.BeginOpen();
        PeerConnection peer = open.proxyPort.accept();
        ASSERT_TRUE(peer.valid()) << "the client never reached the proxy";
        EXPECT_EQ(peer.readExactly(3), std::string("\x05\x01\x00", 3));
        ASSERT_TRUE(peer.sendAll(std::string("\x05\x00", 2)));
        const std::string expected = std::string("\x05\x01\x00\x03", 4) + static_cast<char>(kServerName.size()) +
                                     kServerName + std::string("\x08\x49", 2);
        EXPECT_EQ(peer.readExactly(expected.size()), expected);
        ASSERT_TRUE(peer.sendAll(std::string("\x05\x04\x00\x01\x00\x00\x00\x00\x00\x00", 10)));
        ASSERT_TRUE(waitUntil([&] { return open.done; }));
        EXPECT_EQ(open.error, 20007);
        EXPECT_NE(open.client.ErrorMessage().find(": host unreachable (error #20007)"), std::string::npos)
            << open.client.ErrorMessage();
        EXPECT_EQ(open.client.State(), ftpStateReady);
    }
}
