#include "loopback_connect.h"
#include "socket_exception_text.h"
#include "socket_event_log.h"
#include "support/wait.h"

#include "net/wsocket.h"

#include <gtest/gtest.h>

TEST(WSocketConnect, ConnectsToALoopbackPeer)
{
    LoopbackListener listener;
    TWSocket socket;
    SocketEventLog log;
    log.attach(socket);
    startLoopbackConnect(socket, listener.port());
    EXPECT_EQ(socket.State(), wsConnecting);
    EXPECT_EQ(log.count("connected"), 0) << "the outcome is reported from the event loop";

    PeerConnection peer = listener.accept();
    ASSERT_TRUE(peer.valid());
    ASSERT_TRUE(waitUntil([&] { return log.contains("connected 0"); }));
    EXPECT_EQ(socket.State(), wsConnected);
    EXPECT_EQ(socket.PeerAddr(), "127.0.0.1");
    EXPECT_EQ(socket.PeerPort(), std::to_string(listener.port()));
    EXPECT_NE(socket.GetXPort(), "error");
    EXPECT_EQ(log.events()[0], "state 7>1");
    EXPECT_EQ(log.events()[1], "state 1>3");
    EXPECT_EQ(log.events()[2], "state 3>4");
}

TEST(WSocketConnect, RefusedConnectPassesThroughConnectedToClosed)
{
    TWSocket socket;
    SocketEventLog log;
    log.attach(socket);
    startLoopbackConnect(socket, unusedLoopbackPort());
    ASSERT_TRUE(waitUntil([&] { return log.count("closed") > 0; }));
    const std::vector<std::string> expected{"state 7>1", "state 1>3", "state 3>4", "connected 10061", "state 4>7", "closed 0"};
    EXPECT_EQ(log.events(), expected);
    EXPECT_EQ(socket.State(), wsClosed);
    EXPECT_EQ(socket.PeerAddr(), "error");

    log.clear();
    pumpEventsFor(100);
    EXPECT_TRUE(log.events().empty()) << "nothing more after the refusal";
}

TEST(WSocketConnect, CloseTwiceFiresNothingTheSecondTime)
{
    LoopbackListener listener;
    TWSocket socket;
    SocketEventLog log;
    log.attach(socket);
    PeerConnection peer = connectAndAccept(socket, listener);
    ASSERT_TRUE(peer.valid());

    log.clear();
    socket.Close();
    EXPECT_EQ(log.events(), (std::vector<std::string>{"state 4>7", "closed 0"}));
    EXPECT_TRUE(peer.waitForEof());

    log.clear();
    socket.Close();
    pumpEventsFor(50);
    EXPECT_TRUE(log.events().empty());
}

TEST(WSocketConnect, CloseResetsAddressAndPortAssignment)
{
    LoopbackListener listener;
    TWSocket socket;
    PeerConnection peer = connectAndAccept(socket, listener);
    ASSERT_TRUE(peer.valid());
    socket.Close();

    EXPECT_EQ(thrownText([&] { socket.Connect(); }), "Connect: No Port Specified");
    socket.SetPort(std::to_string(listener.port()));
    EXPECT_EQ(thrownText([&] { socket.Connect(); }), "Connect: No IP Address Specified");
    // Setting the same texts again is what makes them count.
    socket.SetAddr("127.0.0.1");
    socket.Connect();
    PeerConnection second = listener.accept();
    EXPECT_TRUE(second.valid());
    EXPECT_TRUE(waitUntil([&] { return socket.State() == wsConnected; }));
}

TEST(WSocketConnect, MisuseReportsItsTextThroughExceptionOrOnError)
{
    TWSocket socket;
    EXPECT_EQ(thrownText([&] { socket.SendStr("x"); }), "Error 10057 in function Send\r\nSocket is not connected");
    EXPECT_EQ(thrownText([&] { socket.SetLocalAddr("not-an-address"); }), "SetLocalAddr(): Invalid IP address");
    EXPECT_EQ(thrownText([&] { socket.Listen(); }), "listen: port not assigned");
    EXPECT_EQ(thrownText([&] { socket.Accept(); }), "not a listening socket");
    EXPECT_EQ(thrownText([&] { socket.AdoptHandle(-1); }), "Error 10022 in function Dup\r\nInvalid argument");
    EXPECT_EQ(thrownText([&] { socket.SetSendFlags(static_cast<TSocketSendFlags>(7)); }), "Invalid SendFlags");
    EXPECT_EQ(thrownText([&] { socket.DnsLookup(""); }), "DNS lookup: invalid host name.");

    int errors = 0;
    socket.OnError = [&](TCustomWSocket*) { ++errors; };
    EXPECT_EQ(socket.SendStr("x"), -1);
    EXPECT_EQ(errors, 1);
    EXPECT_EQ(socket.LastError(), 10057);
    EXPECT_EQ(socket.LastErrorMessage(), "Error 10057 in function Send\r\nSocket is not connected");
}

TEST(WSocketConnect, PropertiesAreGuardedWhileOpen)
{
    LoopbackListener listener;
    TWSocket socket;
    const std::string port = std::to_string(listener.port());
    socket.SetAddr(" 127.0.0.1 ");
    EXPECT_EQ(socket.Addr(), "127.0.0.1");
    socket.SetPort(port);
    socket.Connect();

    EXPECT_EQ(thrownText([&] { socket.SetAddr("10.0.0.1"); }), "Cannot change Addr if not closed");
    EXPECT_EQ(thrownText([&] { socket.SetPort("1"); }), "Cannot change Port if not closed");
    EXPECT_EQ(thrownText([&] { socket.SetProto("udp"); }), "Cannot change Proto if not closed");
    EXPECT_EQ(thrownText([&] { socket.SetLocalAddr("127.0.0.1"); }), "Cannot change LocalAddr if not closed");
    EXPECT_EQ(thrownText([&] { socket.SetLocalPort("0"); }), "Cannot change LocalPort if not closed");
    EXPECT_EQ(thrownText([&] { socket.Connect(); }), "Connect: Socket already in use");
    // The values the socket already has are accepted in any state.
    EXPECT_NO_THROW(socket.SetAddr("127.0.0.1"));
    EXPECT_NO_THROW(socket.SetPort(port));
    EXPECT_NO_THROW(socket.SetProto("tcp"));
}

TEST(WSocketConnect, UnusableHostsEndInTheErrorPath)
{
    TWSocket socket;
    socket.SetPort("21");
    const std::string longName(300, 'h');
    socket.SetAddr(longName);
    EXPECT_EQ(thrownText([&] { socket.Connect(); }), "WSocketResolveHost: '" + longName + "' Invalid Hostname.");
    EXPECT_EQ(socket.State(), wsClosed);

    int errors = 0;
    socket.OnError = [&](TCustomWSocket*) { ++errors; };
    socket.SetAddr(std::string(70, 'b') + ".test");
    socket.Connect();
    EXPECT_EQ(errors, 1);
    EXPECT_EQ(socket.LastError(), 11001);
    EXPECT_EQ(socket.State(), wsClosed);
    EXPECT_EQ(socket.HSocket(), INVALID_SOCKET);
}

TEST(WSocketConnect, BindsTheLocalPortBeforeConnecting)
{
    LoopbackListener listener;
    const int localPort = unusedLoopbackPort();
    TWSocket socket;
    socket.SetAddr("127.0.0.1");
    socket.SetPort(std::to_string(listener.port()));
    socket.SetLocalAddr("127.0.0.1");
    socket.SetLocalPort(std::to_string(localPort));
    socket.Connect();
    PeerConnection peer = listener.accept();
    ASSERT_TRUE(waitUntil([&] { return socket.State() == wsConnected; }));
    EXPECT_EQ(socket.GetXPort(), std::to_string(localPort));
    EXPECT_EQ(socket.LocalPort(), std::to_string(localPort));
}

TEST(WSocketDns, DottedAddressAnswersInsideTheCallNamesLater)
{
    TWSocket socket;
    SocketEventLog log;
    log.attach(socket);
    socket.DnsLookup("127.0.0.1");
    EXPECT_EQ(log.events(), (std::vector<std::string>{"dns 0"}));
    EXPECT_EQ(socket.DnsResult(), "127.0.0.1");

    log.clear();
    socket.DnsLookup("localhost");
    EXPECT_TRUE(log.events().empty()) << "a name is answered from the event loop";
    EXPECT_EQ(socket.DnsResult(), "");
    ASSERT_TRUE(waitUntil([&] { return log.count("dns") == 1; }));
    EXPECT_EQ(log.events()[0], "dns 0");
    EXPECT_EQ(socket.DnsResult(), "127.0.0.1");
    ASSERT_FALSE(socket.DnsResultList().empty());
    EXPECT_EQ(socket.DnsResultList()[0], "127.0.0.1");
}

TEST(WSocketDns, ReverseLookupGivesTheNameLater)
{
    TWSocket socket;
    SocketEventLog log;
    log.attach(socket);
    socket.ReverseDnsLookup("127.0.0.1");   // answered from the hosts file
    EXPECT_TRUE(log.events().empty());
    ASSERT_TRUE(waitUntil([&] { return log.count("dns") == 1; }));
    EXPECT_EQ(log.events()[0], "dns 0");
    EXPECT_FALSE(socket.DnsResult().empty());
    EXPECT_EQ(socket.DnsResultList(), std::vector<std::string>{socket.DnsResult()});

    int errors = 0;
    socket.OnError = [&](TCustomWSocket*) { ++errors; };
    socket.ReverseDnsLookup("not.an.address");
    EXPECT_EQ(errors, 1);
    EXPECT_EQ(socket.LastErrorMessage(), "not.an.address: can't start DNS lookup, error #10022");
}

TEST(WSocketDns, UnknownNameAndCancelledLookup)
{
    TWSocket socket;
    SocketEventLog log;
    log.attach(socket);
    // Refused by the resolver itself (label too long), so no query leaves
    // the machine.
    socket.DnsLookup(std::string(70, 'c') + ".test");
    ASSERT_TRUE(waitUntil([&] { return log.count("dns") == 1; }));
    EXPECT_EQ(log.events()[0], "dns 11001");
    EXPECT_TRUE(socket.DnsResultList().empty());

    log.clear();
    socket.DnsLookup("localhost");
    socket.CancelDnsLookup();
    EXPECT_EQ(log.events(), (std::vector<std::string>{"dns 10004"}));
    pumpEventsFor(200);
    EXPECT_EQ(log.events(), (std::vector<std::string>{"dns 10004"})) << "the cancelled answer never arrives";
    socket.CancelDnsLookup();   // nothing running: nothing happens
    EXPECT_EQ(log.count("dns"), 1);
}

TEST(WSocketConnect, ReconnectingFromTheCloseEventKeepsTheNewConnection)
{
    LoopbackListener first;
    LoopbackListener second;
    TWSocket socket;
    bool reconnected = false;
    socket.OnSessionClosed = [&](TCustomWSocket* s, std::uint16_t) {
        if (reconnected)
            return;
        reconnected = true;
        startLoopbackConnect(*s, second.port());
    };
    PeerConnection one = connectAndAccept(socket, first);
    ASSERT_TRUE(one.valid());
    socket.Close();
    PeerConnection two = second.accept();
    ASSERT_TRUE(two.valid());
    ASSERT_TRUE(waitUntil([&] { return socket.State() == wsConnected; }));
    socket.SendStr("on the new one");
    EXPECT_EQ(two.readExactly(14), "on the new one");
}
