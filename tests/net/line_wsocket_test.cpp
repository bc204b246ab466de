#include "loopback_connect.h"
#include "support/wait.h"

#include "net/wsocket.h"

#include <gtest/gtest.h>

namespace {

struct LinePair : ConnectedPair {
    std::vector<std::string> lines;   // one entry per data event
    bool closed = false;

    LinePair()
    {
        socket.SetLineMode(true);
        socket.OnDataAvailable = [this](TCustomWSocket* s, std::uint16_t) { lines.push_back(s->ReceiveStr()); };
        socket.OnSessionClosed = [this](TCustomWSocket*, std::uint16_t) { closed = true; };
    }

    // Sends and waits until the component has taken the bytes off the socket.
    bool deliver(const std::string& bytes)
    {
        return peer.sendAll(bytes) && waitUntil([&] { return socket.RcvdCount() == 0; });
    }
};

}  // namespace

TEST(LineWSocket, LineEndSplitBetweenReadsGivesWholeLines)
{
    LinePair p;
    ASSERT_TRUE(p.connect());
    ASSERT_TRUE(p.deliver("ab\r"));
    EXPECT_TRUE(p.lines.empty());
    ASSERT_TRUE(p.deliver("\ncd\r\n"));
    EXPECT_EQ(p.lines, (std::vector<std::string>{"ab\r\n", "cd\r\n"}));
}

TEST(LineWSocket, ReadsNeverCrossTheLineAndTheLastPieceComesAtClose)
{
    LinePair p;
    std::vector<std::string> pieces;
    p.socket.OnDataAvailable = [&](TCustomWSocket* s, std::uint16_t) {
        char buffer[4];
        const int count = s->Receive(buffer, sizeof buffer);
        if (count > 0)
            pieces.emplace_back(buffer, static_cast<std::size_t>(count));
    };
    ASSERT_TRUE(p.connect());
    ASSERT_TRUE(p.peer.sendAll("hello\r\nworld\r\ntail"));
    p.peer.closeGracefully();
    ASSERT_TRUE(waitUntil([&] { return p.closed; }));
    EXPECT_EQ(pieces, (std::vector<std::string>{"hell", "o\r\n", "worl", "d\r\n", "tail"}));
}

TEST(LineWSocket, OtherLineEndsAndManyLinesInOneRead)
{
    LinePair p;
    p.socket.SetLineEnd("\n");
    ASSERT_TRUE(p.connect());
    std::string text;
    std::vector<std::string> expected;
    for (int i = 0; i < 500; ++i) {
        text += "line " + std::to_string(i) + "\n";
        expected.push_back("line " + std::to_string(i) + "\n");
    }
    ASSERT_TRUE(p.peer.sendAll(text));
    ASSERT_TRUE(waitUntil([&] { return p.lines.size() == expected.size(); }));
    EXPECT_EQ(p.lines, expected);
}

TEST(LineWSocket, EditingAppliesBackspaceAndTabsAndEchoes)
{
    LinePair p;
    p.socket.SetLineEdit(true);
    p.socket.SetLineEcho(true);
    ASSERT_TRUE(p.connect());
    ASSERT_TRUE(p.deliver("\bab\bc\td\r\n"));
    ASSERT_EQ(p.lines.size(), 1u);
    EXPECT_EQ(p.lines[0], "ac      d\r\n");
    // Backspace at the start of the line erases nothing and echoes nothing.
    const std::string echo = "ab\b \bc      d\r\n";
    EXPECT_EQ(p.peer.readExactly(echo.size()), echo);
}

TEST(LineWSocket, EchoWithoutEditingSendsBytesBackUnchanged)
{
    LinePair p;
    p.socket.SetLineEcho(true);
    ASSERT_TRUE(p.connect());
    ASSERT_TRUE(p.deliver("x\by\r\n"));
    EXPECT_EQ(p.peer.readExactly(5), "x\by\r\n");
    EXPECT_EQ(p.lines, (std::vector<std::string>{"x\by\r\n"}));
}

TEST(LineWSocket, SwitchingLineModeRedeliversBufferedBytesLater)
{
    LinePair p;
    bool switchedInsideCall = false;
    p.socket.OnDataAvailable = [&](TCustomWSocket* s, std::uint16_t) {
        p.lines.push_back(s->ReceiveStr());
        if (p.lines.size() == 1) {
            static_cast<TWSocket*>(s)->SetLineMode(false);
            switchedInsideCall = p.lines.size() > 1;
        }
    };
    ASSERT_TRUE(p.connect());
    ASSERT_TRUE(p.peer.sendAll("first\r\nrest\r\nmore"));
    ASSERT_TRUE(waitUntil([&] { return p.lines.size() == 2; }));
    EXPECT_FALSE(switchedInsideCall);
    EXPECT_EQ(p.lines, (std::vector<std::string>{"first\r\n", "rest\r\nmore"}));

    // Plain reads from now on.
    ASSERT_TRUE(p.peer.sendAll("raw\r\nbytes"));
    ASSERT_TRUE(waitUntil([&] { return p.lines.size() == 3; }));
    EXPECT_EQ(p.lines[2], "raw\r\nbytes");
}

TEST(LineWSocket, LineModeOffPassesDataThrough)
{
    LinePair p;
    p.socket.SetLineMode(false);
    ASSERT_TRUE(p.connect());
    ASSERT_TRUE(p.peer.sendAll("no\r\nlines"));
    ASSERT_TRUE(waitUntil([&] { return !p.lines.empty(); }));
    EXPECT_EQ(p.lines, (std::vector<std::string>{"no\r\nlines"}));
}

TEST(SyncWSocket, WaitUntilSetEndsWhenAnEventSetsTheFlag)
{
    LoopbackListener listener;
    TWSocket socket;
    bool connected = false;
    socket.OnSessionConnected = [&](TCustomWSocket*, std::uint16_t) { connected = true; };
    socket.SetTimeout(10000);
    const int result = socket.RunSync(connected, [&] {
        socket.SetAddr("127.0.0.1");
        socket.SetPort(std::to_string(listener.port()));
        socket.Connect();
    });
    EXPECT_EQ(result, 0);
    EXPECT_EQ(socket.State(), wsConnected);
}

TEST(SyncWSocket, WaitUntilSetTimesOutWith12001)
{
    TWSocket socket;
    bool never = false;
    socket.SetTimeout(50);
    EXPECT_EQ(socket.WaitUntilSet(never), 12001);
    bool already = true;
    EXPECT_EQ(socket.WaitUntilSet(already), 0);
}
