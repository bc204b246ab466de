#include "fixtures/socks_proxy_server.h"
#include "loopback_peer.h"
#include "support/wait.h"

#include "net/wsocket.h"

#include <gtest/gtest.h>

namespace {

struct ThroughProxy {
    LoopbackListener site;
    TWSocket socket;
    std::string received;
    std::vector<TSocksAuthState> authStates;
    int socksError = 0;
    int connectedError = -1;
    int closedError = -1;

    explicit ThroughProxy(int proxyPort)
    {
        socket.OnDataAvailable = [this](TCustomWSocket* s, std::uint16_t) { received += s->ReceiveStr(); };
        socket.OnSocksAuthState = [this](TCustomWSocket*, TSocksAuthState state) { authStates.push_back(state); };
        socket.OnSocksError = [this](TCustomWSocket*, int error, const std::string&) { socksError = error; };
        socket.OnSessionClosed = [this](TCustomWSocket*, std::uint16_t error) { closedError = error; };
        socket.OnSessionConnected = [this](TCustomWSocket*, std::uint16_t error) { connectedError = error; };
        socket.SetSocksServer("127.0.0.1");
        socket.SetSocksPort(std::to_string(proxyPort));
        socket.SetAddr("127.0.0.1");
        socket.SetPort(std::to_string(site.port()));
    }

    void exchangeBothWays()
    {
        socket.Connect();
        PeerConnection peer = site.accept();
        ASSERT_TRUE(peer.valid()) << "the proxy never reached the site";
        // The session is reported once the whole handshake is over.
        ASSERT_TRUE(waitUntil([&] { return connectedError >= 0; }));
        ASSERT_EQ(connectedError, 0) << "socks error " << socksError;
        const std::string upload(200000, 'u');
        socket.SendStr(upload);
        EXPECT_EQ(peer.readExactly(upload.size()), upload);
        ASSERT_TRUE(peer.sendAll("answer from the site"));
        EXPECT_TRUE(waitUntil([&] { return received == "answer from the site"; })) << received;
    }
};

}  // namespace

TEST(SocksProxy, CarriesDataBothWaysWithoutAuthentication)
{
    SocksProxyServer proxy;
    ASSERT_TRUE(proxy.started()) << "microsocks could not be started";
    ThroughProxy client(proxy.port());
    client.exchangeBothWays();
    EXPECT_TRUE(client.authStates.empty());
}

TEST(SocksProxy, CarriesDataBothWaysWithUserAndPassword)
{
    SocksProxyServer proxy("tavlin", "s3cret");
    ASSERT_TRUE(proxy.started()) << "microsocks could not be started";
    ThroughProxy client(proxy.port());
    client.socket.SetSocksAuthentication(socksAuthenticateUsercode);
    client.socket.SetSocksUsercode("tavlin");
    client.socket.SetSocksPassword("s3cret");
    client.exchangeBothWays();
    EXPECT_EQ(client.authStates, (std::vector<TSocksAuthState>{socksAuthStart, socksAuthSuccess}));
}

TEST(SocksProxy, WrongPasswordIsRefused)
{
    SocksProxyServer proxy("tavlin", "s3cret");
    ASSERT_TRUE(proxy.started()) << "microsocks could not be started";
    ThroughProxy client(proxy.port());
    client.socket.SetSocksAuthentication(socksAuthenticateUsercode);
    client.socket.SetSocksUsercode("tavlin");
    client.socket.SetSocksPassword("wrong");
    client.socket.Connect();
    ASSERT_TRUE(waitUntil([&] { return client.closedError >= 0; }));
    EXPECT_EQ(client.socksError, 20015);
    EXPECT_EQ(client.closedError, 20015);
    EXPECT_EQ(client.authStates.back(), socksAuthFailure);
}
