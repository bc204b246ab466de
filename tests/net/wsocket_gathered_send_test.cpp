#include "loopback_connect.h"
#include "support/random_bytes.h"
#include "socket_event_log.h"
#include "support/wait.h"

#include "net/wsocket.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <random>

// A stream socket offers the kernel many queued blocks in one call and
// learns from the count it took which blocks are done. These tests hold it
// to sending every byte once, in order, across partial sends, and to
// reporting what it handed over block by block.

namespace {

constexpr int LargeBlock = 64 * 1024;

}  // namespace

TEST(WSocketGatheredSend, AQueueLargerThanTheKernelTakesGoesOutWholeAsThePeerReads)
{
    ConnectedPair pair;
    pair.socket.SetBufSize(LargeBlock);
    ASSERT_TRUE(pair.connect());
    pumpEventsFor(20);   // let the connection's first write notice pass

    std::int64_t handedOver = 0;
    int largestReport = 0;
    int sentEvents = 0;
    pair.socket.OnSendData = [&](TCustomWSocket*, int count) {
        handedOver += count;
        largestReport = std::max(largestReport, count);
    };
    pair.socket.OnDataSent = [&](TCustomWSocket*, std::uint16_t error) {
        EXPECT_EQ(error, 0);
        ++sentEvents;
    };

    // Far more than the kernel holds while the peer reads nothing, and more
    // blocks than one call offers.
    const std::string data = randomBytes(32 * 1024 * 1024, 5);
    EXPECT_EQ(pair.socket.Send(data.data(), static_cast<int>(data.size())), static_cast<int>(data.size()));
    EXPECT_FALSE(pair.socket.AllSent());
    EXPECT_LT(handedOver, static_cast<std::int64_t>(data.size()));
    EXPECT_GT(handedOver, 0);

    const std::string received = pair.peer.readExactly(data.size(), 60000);
    EXPECT_EQ(received.size(), data.size());
    EXPECT_TRUE(received == data) << "bytes lost, doubled or out of order";

    ASSERT_TRUE(waitUntil([&] { return sentEvents > 0; }));
    pumpEventsFor(50);
    EXPECT_EQ(sentEvents, 1) << "OnDataSent once, when everything went out";
    EXPECT_EQ(handedOver, static_cast<std::int64_t>(data.size()));
    EXPECT_LE(largestReport, LargeBlock) << "OnSendData reports each block's share";
    EXPECT_TRUE(pair.socket.AllSent());
    EXPECT_EQ(pair.socket.BufferedBlockCount(), 1) << "emptied blocks are freed, the last one kept";
}

TEST(WSocketGatheredSend, AHandlerThatClosesWhileBlocksGoOutEndsTheSendThere)
{
    ConnectedPair pair;
    pair.socket.SetBufSize(LargeBlock);
    ASSERT_TRUE(pair.connect());
    pumpEventsFor(20);
    SocketEventLog log;
    log.attach(pair.socket, false);
    pair.socket.OnSendData = [&](TCustomWSocket* socket, int count) {
        log.add("senddata " + std::to_string(count));
        socket->Close();
    };

    const std::string data = randomBytes(3 * LargeBlock, 6);
    pair.socket.Send(data.data(), static_cast<int>(data.size()));
    EXPECT_EQ(log.count("senddata"), 1);
    EXPECT_EQ(pair.socket.State(), wsClosed);
    pumpEventsFor(50);
    EXPECT_EQ(log.count("closed"), 1);
    EXPECT_EQ(log.count("sent"), 0) << "nothing counts as sent on a connection that is gone";
}
