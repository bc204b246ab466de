#include "loopback_connect.h"
#include "support/random_bytes.h"
#include "support/wait.h"

#include "net/wsocket.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <random>

// A socket that reads ahead holds bytes in memory that no readiness watch
// reports; these tests hold it to delivering them anyway, in order, in the
// small pieces its reader asks for.

namespace {

// Reads at most 2048 bytes per data event, like the FTP data handler.
struct SmallReader {
    std::string received;
    int largestRead = 0;
    bool closed = false;
    std::size_t receivedAtClose = 0;

    void attach(TCustomWSocket& socket)
    {
        socket.OnDataAvailable = [this](TCustomWSocket* s, std::uint16_t) { readOnce(*s); };
        socket.OnSessionClosed = [this](TCustomWSocket*, std::uint16_t) {
            closed = true;
            receivedAtClose = received.size();
        };
    }
    int readOnce(TCustomWSocket& socket)
    {
        char buffer[2048];
        const int count = socket.Receive(buffer, sizeof buffer);
        if (count > 0) {
            received.append(buffer, static_cast<std::size_t>(count));
            largestRead = std::max(largestRead, count);
        }
        return count;
    }
};

}  // namespace

TEST(WSocketReadAhead, BytesAlreadyFetchedAreOfferedWithoutMoreFromTheNetwork)
{
    // Everything fits one fetch: once it is in memory the network has
    // nothing left to report, and the reader must still get all of it.
    ConnectedPair pair;
    pair.socket.SetReadAhead(256 * 1024);
    SmallReader reader;
    reader.attach(pair.socket);
    ASSERT_TRUE(pair.connect());
    const std::string data = randomBytes(100000, 11);
    ASSERT_TRUE(pair.peer.sendAll(data));
    ASSERT_TRUE(waitUntil([&] { return reader.received.size() >= data.size(); }, 5000))
        << reader.received.size() << " of " << data.size() << " bytes delivered";
    EXPECT_EQ(reader.received, data);
    EXPECT_LE(reader.largestRead, 2048);
    EXPECT_FALSE(reader.closed);
}

TEST(WSocketReadAhead, MoreThanOneFetchThenCloseDeliversEverythingBeforeTheClose)
{
    ConnectedPair pair;
    pair.socket.SetReadAhead(16 * 1024);   // many fetches, several per burst
    SmallReader reader;
    reader.attach(pair.socket);
    ASSERT_TRUE(pair.connect());
    const std::string data = randomBytes(3 * 1024 * 1024 + 123, 12);
    ASSERT_TRUE(pair.peer.sendAll(data, 20000));
    pair.peer.closeGracefully();
    ASSERT_TRUE(waitUntil([&] { return reader.closed; }, 20000));
    EXPECT_EQ(reader.receivedAtClose, data.size()) << "bytes still held when the close was reported";
    EXPECT_EQ(reader.received, data);
    EXPECT_LE(reader.largestRead, 2048);
}

TEST(WSocketReadAhead, AReaderThatTakesNothingOnceIsOfferedTheBytesAgain)
{
    ConnectedPair pair;
    pair.socket.SetReadAhead(256 * 1024);
    SmallReader reader;
    reader.attach(pair.socket);
    int events = 0;
    pair.socket.OnDataAvailable = [&](TCustomWSocket* s, std::uint16_t) {
        // The second event is skipped; what was fetched by the first read
        // sits in memory with nothing left in the network.
        if (++events != 2)
            reader.readOnce(*s);
    };
    ASSERT_TRUE(pair.connect());
    const std::string data = randomBytes(50000, 13);
    ASSERT_TRUE(pair.peer.sendAll(data));
    ASSERT_TRUE(waitUntil([&] { return reader.received.size() >= data.size(); }, 5000))
        << reader.received.size() << " of " << data.size() << " bytes delivered";
    EXPECT_EQ(reader.received, data);
    EXPECT_GE(events, 3);
}

TEST(WSocketReadAhead, HeldBytesCountAsWaitingAndFollowAResume)
{
    ConnectedPair pair;
    pair.socket.SetReadAhead(256 * 1024);
    SmallReader reader;
    reader.attach(pair.socket);
    bool first = true;
    pair.socket.OnDataAvailable = [&](TCustomWSocket* s, std::uint16_t) {
        reader.readOnce(*s);
        if (first) {
            first = false;
            s->Pause();
        }
    };
    ASSERT_TRUE(pair.connect());
    const std::string data = randomBytes(60000, 14);
    ASSERT_TRUE(pair.peer.sendAll(data));
    ASSERT_TRUE(waitUntil([&] { return !first; }));
    pumpEventsFor(50);
    EXPECT_EQ(reader.received.size(), 2048u) << "nothing is offered while paused";
    EXPECT_EQ(pair.socket.RcvdCount(), static_cast<int>(data.size() - 2048)) << "network plus held bytes";

    pair.socket.Resume();
    ASSERT_TRUE(waitUntil([&] { return reader.received.size() >= data.size(); }, 5000))
        << reader.received.size() << " of " << data.size() << " bytes delivered";
    EXPECT_EQ(reader.received, data);
    EXPECT_EQ(pair.socket.RcvdCount(), 0);
}

TEST(WSocketReadAhead, LineModeCutsLinesFromHeldBytes)
{
    ConnectedPair pair;
    pair.socket.SetReadAhead(4096);
    pair.socket.SetLineMode(true);
    std::vector<std::string> lines;
    pair.socket.OnDataAvailable = [&](TCustomWSocket* s, std::uint16_t) { lines.push_back(s->ReceiveStr()); };
    ASSERT_TRUE(pair.connect());
    std::string text;
    std::vector<std::string> expected;
    for (int i = 0; i < 3000; ++i) {
        expected.push_back("line " + std::to_string(i) + "\r\n");
        text += expected.back();
    }
    ASSERT_TRUE(pair.peer.sendAll(text));
    ASSERT_TRUE(waitUntil([&] { return lines.size() >= expected.size(); }, 5000)) << lines.size() << " lines";
    EXPECT_EQ(lines, expected);
}
