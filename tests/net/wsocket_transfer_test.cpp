#include "loopback_connect.h"
#include "socket_event_log.h"
#include "support/wait.h"

#include "net/wsocket.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <memory>
#include <random>

namespace {

std::string patternBytes(std::size_t size, unsigned seed)
{
    std::mt19937 random(seed);
    std::string data(size, '\0');
    for (char& c : data)
        c = static_cast<char>(random());
    return data;
}

}  // namespace

TEST(WSocketTransfer, SendGoesOutInBlocksAndDataSentFollowsFromTheLoop)
{
    ConnectedPair pair;
    ASSERT_TRUE(pair.connect());
    pumpEventsFor(20);   // let the connection's first write notice pass
    SocketEventLog log;
    log.attach(pair.socket);

    const std::string data = patternBytes(4000, 1);
    EXPECT_EQ(pair.socket.Send(data.data(), 4000), 4000);
    EXPECT_EQ(log.events(), (std::vector<std::string>{"senddata 1514", "senddata 1514", "senddata 972"}));
    EXPECT_EQ(pair.socket.BufferedBlockCount(), 1) << "emptied blocks are freed, the last one kept";
    EXPECT_TRUE(pair.socket.AllSent());

    ASSERT_TRUE(waitUntil([&] { return log.count("sent") == 1; }));
    EXPECT_EQ(log.events().back(), "sent 0");
    EXPECT_EQ(pair.peer.readExactly(4000), data);

    // The kept block is reused for the next send.
    EXPECT_EQ(pair.socket.SendStr("again"), 5);
    EXPECT_EQ(pair.socket.BufferedBlockCount(), 1);
    EXPECT_EQ(pair.peer.readExactly(5), "again");
    EXPECT_EQ(pair.socket.SendStr(""), 0);
}

TEST(WSocketTransfer, PeerCloseDeliversUnreadBytesBeforeOneSessionClosed)
{
    ConnectedPair pair;
    ASSERT_TRUE(pair.connect());
    std::string received;
    SocketEventLog log;
    log.attach(pair.socket, false);
    pair.socket.OnDataAvailable = [&](TCustomWSocket* s, std::uint16_t) {
        char buffer[10];   // small reads: the loop must call again while bytes wait
        const int count = s->Receive(buffer, sizeof buffer);
        if (count > 0) {
            received.append(buffer, static_cast<std::size_t>(count));
            log.add("read " + std::to_string(count));
        }
    };
    const std::string data = patternBytes(100, 2);
    ASSERT_TRUE(pair.peer.sendAll(data));
    pair.peer.closeGracefully();

    ASSERT_TRUE(waitUntil([&] { return log.count("closed") > 0; }));
    pumpEventsFor(50);
    EXPECT_EQ(received, data);
    EXPECT_EQ(log.count("closed"), 1);
    // Every read happened before the session was reported closed; the
    // component then closes its own side.
    const auto& events = log.events();
    ASSERT_GE(events.size(), 2u);
    EXPECT_EQ(events[events.size() - 2], "closed 0");
    EXPECT_EQ(events.back(), "state 4>7");
    EXPECT_EQ(pair.socket.State(), wsClosed);
    EXPECT_EQ(pair.socket.ReadCount(), 0) << "reset by the close";
}

TEST(WSocketTransfer, ClosingFromTheHandlerWhenThePeerLeftReportsOneClose)
{
    ConnectedPair pair;
    ASSERT_TRUE(pair.connect());
    SocketEventLog log;
    log.attach(pair.socket, false);
    // The common reader: a receive of 0 bytes means the peer has gone.
    pair.socket.OnDataAvailable = [](TCustomWSocket* s, std::uint16_t) {
        char buffer[100];
        if (s->Receive(buffer, sizeof buffer) == 0)
            s->Close();
    };
    ASSERT_TRUE(pair.peer.sendAll("bye"));
    pair.peer.closeGracefully();
    ASSERT_TRUE(waitUntil([&] { return log.count("closed") > 0; }));
    pumpEventsFor(50);
    EXPECT_EQ(log.count("closed"), 1);
    EXPECT_EQ(pair.socket.State(), wsClosed);
}

TEST(WSocketTransfer, PeerResetEndsTheSessionWithItsNumber)
{
    ConnectedPair pair;
    ASSERT_TRUE(pair.connect());
    SocketEventLog log;
    log.attach(pair.socket, false);
    pair.socket.OnDataAvailable = [](TCustomWSocket* s, std::uint16_t) { s->ReceiveStr(); };
    pair.peer.closeWithReset();
    ASSERT_TRUE(waitUntil([&] { return log.count("closed") > 0; }));
    EXPECT_TRUE(log.contains("closed 10054"));
    EXPECT_EQ(pair.socket.State(), wsClosed);

    // Sending afterwards is a usage error, not a crash.
    pair.socket.OnError = [](TCustomWSocket*) {};
    EXPECT_EQ(pair.socket.SendStr("late"), -1);
    EXPECT_EQ(pair.socket.LastError(), 10057);
}

TEST(WSocketTransfer, SendToAResetPeerEndsInSessionClosed)
{
    ConnectedPair pair;
    ASSERT_TRUE(pair.connect());
    SocketEventLog log;
    log.attach(pair.socket, false);
    pair.peer.closeWithReset();
    // Keep sending until the reset is noticed by a send; no event handler
    // reads, so only the send path can find out.
    const std::string chunk(8192, 'x');
    ASSERT_TRUE(waitUntil([&] {
        if (pair.socket.State() == wsConnected)
            pair.socket.SendStr(chunk);
        return log.count("closed") > 0;
    }));
    pumpEventsFor(50);
    EXPECT_EQ(log.count("closed"), 1);
    EXPECT_EQ(pair.socket.State(), wsClosed);
}

TEST(WSocketTransfer, ListeningSocketAcceptsAndAdoptsAConnection)
{
    TWSocket server;
    server.SetAddr("127.0.0.1");
    server.SetPort("0");
    server.Listen();
    ASSERT_EQ(server.State(), wsListening);
    const std::string port = server.GetXPort();
    ASSERT_NE(port, "error");
    ASSERT_NE(port, "0");

    std::unique_ptr<TWSocket> adopted;
    server.OnSessionAvailable = [&](TCustomWSocket* s, std::uint16_t error) {
        ASSERT_EQ(error, 0);
        const TSocket handle = s->Accept();
        ASSERT_NE(handle, INVALID_SOCKET);
        adopted = std::make_unique<TWSocket>();
        adopted->AdoptHandle(handle);
    };
    PeerConnection peer = connectToLoopback(std::stoi(port));
    ASSERT_TRUE(peer.valid());
    ASSERT_TRUE(waitUntil([&] { return adopted != nullptr; }));
    EXPECT_EQ(adopted->State(), wsConnected);
    EXPECT_EQ(adopted->PeerAddr(), "127.0.0.1");

    std::string received;
    adopted->OnDataAvailable = [&](TCustomWSocket* s, std::uint16_t) { received += s->ReceiveStr(); };
    ASSERT_TRUE(peer.sendAll("hello"));
    ASSERT_TRUE(waitUntil([&] { return received == "hello"; }));
    adopted->SendStr("world");
    EXPECT_EQ(peer.readExactly(5), "world");

    // A second client is accepted too: the listener watches again after Accept.
    PeerConnection second = connectToLoopback(std::stoi(port));
    adopted.reset();
    ASSERT_TRUE(waitUntil([&] { return adopted != nullptr; }));
}

TEST(WSocketTransfer, TenMebibytesEchoedArriveIntact)
{
    TWSocket server;
    server.SetAddr("127.0.0.1");
    server.SetPort("0");
    server.Listen();
    std::unique_ptr<TWSocket> echo;
    server.OnSessionAvailable = [&](TCustomWSocket* s, std::uint16_t) {
        echo = std::make_unique<TWSocket>();
        echo->OnDataAvailable = [](TCustomWSocket* e, std::uint16_t) {
            char buffer[16384];
            const int count = e->Receive(buffer, sizeof buffer);
            if (count > 0)
                e->Send(buffer, count);
        };
        echo->AdoptHandle(s->Accept());
    };

    TWSocket client;
    std::string received;
    client.OnDataAvailable = [&](TCustomWSocket* s, std::uint16_t) { received += s->ReceiveStr(); };
    client.SetAddr("127.0.0.1");
    client.SetPort(server.GetXPort());
    client.Connect();
    ASSERT_TRUE(waitUntil([&] { return client.State() == wsConnected && echo != nullptr; }));

    const std::string data = patternBytes(10 * 1024 * 1024, 3);
    // Handed over in one call: the component queues what the network does
    // not take and pushes it out as the peer drains.
    EXPECT_EQ(client.Send(data.data(), static_cast<int>(data.size())), static_cast<int>(data.size()));
    ASSERT_TRUE(waitUntil([&] { return received.size() >= data.size(); }, 60000)) << received.size();
    EXPECT_EQ(received.size(), data.size());
    EXPECT_TRUE(received == data);
    EXPECT_EQ(client.ReadCount(), static_cast<std::int64_t>(data.size()));
}

TEST(WSocketTransfer, UdpDatagramsBetweenTwoComponents)
{
    TWSocket receiver;
    receiver.SetProto("udp");
    receiver.SetAddr("127.0.0.1");
    receiver.SetPort("0");
    SocketEventLog receiverLog;
    receiverLog.attach(receiver, false);
    std::string datagram;
    std::string from;
    receiver.OnDataAvailable = [&](TCustomWSocket* s, std::uint16_t) {
        char buffer[2048];
        sockaddr_in source{};
        int length = sizeof source;
        const int count = s->ReceiveFrom(buffer, sizeof buffer, source, length);
        if (count > 0) {
            datagram.assign(buffer, static_cast<std::size_t>(count));
            from = inet_ntoa(source.sin_addr);
        }
    };
    receiver.Listen();
    EXPECT_EQ(receiver.State(), wsConnected);
    EXPECT_TRUE(receiverLog.contains("connected 0"));

    TWSocket sender;
    sender.SetProto("udp");
    sender.SetAddr("127.0.0.1");
    sender.SetPort(receiver.GetXPort());
    sender.Connect();
    EXPECT_EQ(sender.State(), wsConnected);
    EXPECT_EQ(sender.SendStr("ping"), 4);
    ASSERT_TRUE(waitUntil([&] { return datagram == "ping"; }));
    EXPECT_EQ(from, "127.0.0.1");
}
