#include "loopback_peer.h"
#include "socket_exception_text.h"
#include "socket_event_log.h"
#include "support/wait.h"

#include "net/wsocket.h"

#include <gtest/gtest.h>

namespace {

std::string bytes(std::initializer_list<int> values)
{
    std::string out;
    for (int v : values)
        out += static_cast<char>(v);
    return out;
}

// A component that talks to a SOCKS peer scripted by the test, with every
// event (including the SOCKS ones) recorded in order.
struct SocksFixture {
    LoopbackListener proxy;
    SocketEventLog log;
    TWSocket socket;
    PeerConnection peer;
    std::string received;

    SocksFixture(const std::string& level, const std::string& addr, const std::string& port)
    {
        log.attach(socket, false);
        socket.OnDataAvailable = [this](TCustomWSocket* s, std::uint16_t) {
            const std::string data = s->ReceiveStr();
            if (!data.empty()) {
                received += data;
                log.add("data " + data);
            }
        };
        socket.OnSocksConnected = [this](TCustomWSocket*, std::uint16_t e) { log.add("socksconnected " + std::to_string(e)); };
        socket.OnSocksError = [this](TCustomWSocket*, int e, const std::string& msg) {
            log.add("sockserror " + std::to_string(e) + " " + msg);
        };
        socket.OnSocksAuthState = [this](TCustomWSocket*, TSocksAuthState state) { log.add("auth " + std::to_string(state)); };
        socket.SetSocksLevel(level);
        socket.SetSocksServer("127.0.0.1");
        socket.SetSocksPort(std::to_string(proxy.port()));
        socket.SetAddr(addr);
        socket.SetPort(port);
    }

    bool connect()
    {
        socket.Connect();
        peer = proxy.accept();
        return peer.valid() && waitUntil([&] { return log.contains("socksconnected 0"); });
    }
};

const std::string kSocks5ConnectToExample = bytes({5, 1, 0, 3, 12}) + "example.test" + bytes({0, 80});

}  // namespace

TEST(SocksWSocket, Socks5WithoutAuthenticationConnectsAndKeepsTrailingData)
{
    SocksFixture f("5", "example.test", "80");
    ASSERT_TRUE(f.connect());
    EXPECT_EQ(f.peer.readExactly(3), bytes({5, 1, 0}));
    EXPECT_FALSE(f.log.contains("connected 0")) << "held back until the proxy is through";

    ASSERT_TRUE(f.peer.sendAll(bytes({5, 0})));
    EXPECT_EQ(f.peer.readExactly(kSocks5ConnectToExample.size()), kSocks5ConnectToExample);
    EXPECT_EQ(f.log.count("auth"), 0) << "no authentication was offered";

    // The answer (bound 10.1.2.3:4660) and 20 bytes of session data in one write.
    const std::string early = "01234567890123456789";
    ASSERT_TRUE(f.peer.sendAll(bytes({5, 0, 0, 1, 10, 1, 2, 3, 0x12, 0x34}) + early));
    ASSERT_TRUE(waitUntil([&] { return f.received == early; }));
    ASSERT_TRUE(f.peer.sendAll("later"));
    ASSERT_TRUE(waitUntil([&] { return f.received == early + "later"; }));

    const auto& events = f.log.events();
    const auto connected = std::find(events.begin(), events.end(), "connected 0");
    const auto firstData = std::find(events.begin(), events.end(), "data " + early);
    ASSERT_NE(connected, events.end());
    ASSERT_NE(firstData, events.end());
    EXPECT_LT(connected, firstData);
    EXPECT_EQ(f.socket.BoundAddr(), "10.1.2.3");
    EXPECT_EQ(f.socket.BoundPort(), "4660");

    f.socket.SendStr("to the site");
    EXPECT_EQ(f.peer.readExactly(11), "to the site");
}

TEST(SocksWSocket, OfferedAuthenticationThatIsNotRequired)
{
    SocksFixture f("5", "example.test", "80");
    f.socket.SetSocksAuthentication(socksAuthenticateUsercode);
    f.socket.SetSocksUsercode("user");
    f.socket.SetSocksPassword("pass");
    ASSERT_TRUE(f.connect());
    EXPECT_EQ(f.peer.readExactly(3), bytes({5, 1, 2}));
    ASSERT_TRUE(f.peer.sendAll(bytes({5, 0})));
    EXPECT_EQ(f.peer.readExactly(kSocks5ConnectToExample.size()), kSocks5ConnectToExample);
    EXPECT_EQ(f.log.count("auth"), 1);
    EXPECT_TRUE(f.log.contains("auth " + std::to_string(socksAuthNotRequired)));
}

TEST(SocksWSocket, AuthenticationAnswerArrivingByteByByte)
{
    SocksFixture f("5", "example.test", "80");
    f.socket.SetSocksAuthentication(socksAuthenticateUsercode);
    f.socket.SetSocksUsercode("user");
    f.socket.SetSocksPassword("secret");
    ASSERT_TRUE(f.connect());
    EXPECT_EQ(f.peer.readExactly(3), bytes({5, 1, 2}));
    ASSERT_TRUE(f.peer.sendAll(bytes({5, 2})));
    EXPECT_EQ(f.peer.readExactly(13), bytes({1, 4}) + "user" + bytes({6}) + "secret");
    EXPECT_TRUE(f.log.contains("auth " + std::to_string(socksAuthStart)));

    ASSERT_TRUE(f.peer.sendAll(bytes({1})));
    ASSERT_TRUE(waitUntil([&] { return f.socket.RcvdCount() == 0; }));   // the byte was taken
    pumpEventsFor(30);
    EXPECT_EQ(f.peer.readAvailable(), "") << "one byte is not an answer yet";
    EXPECT_FALSE(f.log.contains("auth " + std::to_string(socksAuthSuccess)));

    ASSERT_TRUE(f.peer.sendAll(bytes({0})));
    EXPECT_EQ(f.peer.readExactly(kSocks5ConnectToExample.size()), kSocks5ConnectToExample);
    EXPECT_TRUE(f.log.contains("auth " + std::to_string(socksAuthSuccess)));

    ASSERT_TRUE(f.peer.sendAll(bytes({5, 0, 0, 3, 4}) + "host" + bytes({0, 21})));
    ASSERT_TRUE(waitUntil([&] { return f.log.contains("connected 0"); }));
    EXPECT_EQ(f.socket.BoundAddr(), "host");
    EXPECT_EQ(f.socket.BoundPort(), "21");
}

TEST(SocksWSocket, RejectedAuthenticationFailsAndCloses)
{
    SocksFixture f("5", "example.test", "80");
    f.socket.SetSocksAuthentication(socksAuthenticateUsercode);
    ASSERT_TRUE(f.connect());
    f.peer.readExactly(3);
    ASSERT_TRUE(f.peer.sendAll(bytes({5, 2})));
    f.peer.readExactly(3);   // empty user and password
    f.log.clear();
    ASSERT_TRUE(f.peer.sendAll(bytes({1, 1})));
    ASSERT_TRUE(waitUntil([&] { return f.log.count("closed") > 0; }));
    const std::vector<std::string> expected{"auth 2", "sockserror 20015 socks authentication failed", "connected 20015",
                                            "state 4>7", "closed 20015"};
    EXPECT_EQ(f.log.events(), expected);
    EXPECT_TRUE(f.peer.waitForEof());
}

TEST(SocksWSocket, Socks4RejectionReportsItsCodeThenCloses)
{
    SocksFixture f("4", "127.0.0.1", "21");
    f.socket.SetSocksUsercode("uid");
    ASSERT_TRUE(f.connect());
    EXPECT_EQ(f.peer.readExactly(12), bytes({4, 1, 0, 21, 127, 0, 0, 1}) + "uid" + bytes({0}));
    f.log.clear();
    ASSERT_TRUE(f.peer.sendAll(bytes({0, 91, 0, 0, 0, 0, 0, 0})));
    ASSERT_TRUE(waitUntil([&] { return f.log.count("closed") > 0; }));
    const std::vector<std::string> expected{"sockserror 20016 request rejected or failed", "connected 20016",
                                            "state 4>7", "closed 20016"};
    EXPECT_EQ(f.log.events(), expected);
}

TEST(SocksWSocket, Socks4aSendsTheNameAndConnects)
{
    SocksFixture f("4a", "files.example", "2121");
    EXPECT_EQ(f.socket.SocksLevel(), "4A");
    ASSERT_TRUE(f.connect());
    EXPECT_EQ(f.peer.readExactly(23), bytes({4, 1, 0x08, 0x49, 0, 0, 0, 1, 0}) + "files.example" + bytes({0}));
    ASSERT_TRUE(f.peer.sendAll(bytes({0, 90, 0, 0, 0, 0, 0, 0}) + "220 ready"));
    ASSERT_TRUE(waitUntil([&] { return f.received == "220 ready"; }));
    EXPECT_TRUE(f.log.contains("connected 0"));
}

TEST(SocksWSocket, Socks4UnresolvableDestinationFailsWith20017)
{
    SocksFixture f("4", std::string(70, 'q') + ".test", "21");
    ASSERT_TRUE(f.connect());
    ASSERT_TRUE(waitUntil([&] { return f.log.count("closed") > 0; }));
    EXPECT_TRUE(f.log.contains("connected 20017"));
    EXPECT_TRUE(f.log.contains("closed 20017"));
    EXPECT_EQ(f.log.count("sockserror 20017 WSocketResolveHost: Cannot convert host address"), 1);
}

TEST(SocksWSocket, Socks5ServerRefusalCodes)
{
    SocksFixture f("5", "example.test", "80");
    ASSERT_TRUE(f.connect());
    f.peer.readExactly(3);
    ASSERT_TRUE(f.peer.sendAll(bytes({5, 0})));
    f.peer.readExactly(kSocks5ConnectToExample.size());
    ASSERT_TRUE(f.peer.sendAll(bytes({5, 5, 0, 1, 0, 0, 0, 0, 0, 0})));
    ASSERT_TRUE(waitUntil([&] { return f.log.count("closed") > 0; }));
    EXPECT_TRUE(f.log.contains("sockserror 20008 connection refused"));
    EXPECT_TRUE(f.log.contains("connected 20008"));
    EXPECT_TRUE(f.log.contains("closed 20008"));

    SocksFixture g("5", "example.test", "80");
    ASSERT_TRUE(g.connect());
    g.peer.readExactly(3);
    ASSERT_TRUE(g.peer.sendAll(bytes({5, 0xFF})));
    ASSERT_TRUE(waitUntil([&] { return g.log.count("closed") > 0; }));
    EXPECT_TRUE(g.log.contains("sockserror 20003 authentification method not acceptable"));

    SocksFixture h("5", "example.test", "80");
    ASSERT_TRUE(h.connect());
    h.peer.readExactly(3);
    ASSERT_TRUE(h.peer.sendAll(bytes({4, 0})));
    ASSERT_TRUE(waitUntil([&] { return h.log.count("closed") > 0; }));
    EXPECT_TRUE(h.log.contains("sockserror 20002 socks version error"));
}

TEST(SocksWSocket, ProxySettingsAreClearedByCloseAndGuardedWhileOpen)
{
    SocksFixture f("5", "example.test", "80");
    ASSERT_TRUE(f.connect());
    EXPECT_EQ(thrownText([&] { f.socket.SetSocksServer("other"); }), "Can't change socks server if not closed");
    EXPECT_EQ(thrownText([&] { f.socket.SetSocksPort("1"); }), "Can't change socks port if not closed");
    EXPECT_EQ(thrownText([&] { f.socket.SetSocksLevel("4"); }), "Can't change socks level if not closed");
    f.socket.Close();
    EXPECT_EQ(f.socket.SocksServer(), "");
    EXPECT_EQ(f.socket.SocksPort(), "");
    EXPECT_EQ(f.socket.SocksLevel(), "5");

    // The next Connect goes straight to its target.
    LoopbackListener direct;
    f.log.clear();
    f.socket.SetAddr("127.0.0.1");
    f.socket.SetPort(std::to_string(direct.port()));
    f.socket.Connect();
    PeerConnection site = direct.accept();
    ASSERT_TRUE(waitUntil([&] { return f.log.contains("connected 0"); }));
    EXPECT_EQ(f.log.count("socksconnected"), 0);
    pumpEventsFor(30);
    EXPECT_EQ(site.readAvailable(), "") << "no SOCKS greeting on a direct connection";

    TWSocket other;
    EXPECT_EQ(thrownText([&] { other.SetSocksLevel("6"); }), "Invalid socks level. Must be 4, 4A or 5.");
    other.SetSocksServer("127.0.0.1");
    other.SetPort("0");
    other.SetAddr("0.0.0.0");
    EXPECT_EQ(thrownText([&] { other.Listen(); }), "listening is not supported thru socks server");
    other.SetProto("udp");
    other.SetSocksServer("127.0.0.1");
    other.SetSocksPort("1080");
    EXPECT_EQ(thrownText([&] { other.Connect(); }), "tcp is the only protocol supported thru socks server");
}
