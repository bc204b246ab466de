#include "loopback_connect.h"
#include "socket_event_log.h"
#include "support/wait.h"

#include "net/socket_library.h"
#include "net/wsocket.h"

#include <QCoreApplication>
#include <QEvent>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

// Counts socket readiness activations anywhere in the program. An idle
// socket must produce none: a notifier left enabled on an always-writable
// socket would fire on every turn of the loop.
class ReadinessCounter : public QObject {
public:
    ReadinessCounter() { QCoreApplication::instance()->installEventFilter(this); }
    ~ReadinessCounter() override { QCoreApplication::instance()->removeEventFilter(this); }
    int count = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::SockAct)
            ++count;
        return QObject::eventFilter(watched, event);
    }
};

class TestableSocket : public TWSocket {
public:
    using TWSocket::PostUserMessage;
};

}  // namespace

TEST(WSocketLifecycle, CloseLaterAndReleaseLaterActFromTheLoop)
{
    ConnectedPair pair;
    ASSERT_TRUE(pair.connect());
    SocketEventLog log;
    log.attach(pair.socket);
    pair.socket.CloseLater();
    EXPECT_EQ(pair.socket.State(), wsConnected) << "not inside the call";
    ASSERT_TRUE(waitUntil([&] { return pair.socket.State() == wsClosed; }));
    EXPECT_EQ(log.count("closed"), 1);

    // A socket may get rid of itself from inside its own event.
    const int liveBefore = SocketLibrary::LiveSocketCount();
    LoopbackListener listener;
    auto* self = new TWSocket;
    EXPECT_EQ(SocketLibrary::LiveSocketCount(), liveBefore + 1);
    bool closedSeen = false;
    self->OnSessionClosed = [&](TCustomWSocket* s, std::uint16_t) {
        closedSeen = true;
        s->ReleaseLater();
    };
    PeerConnection peer = connectAndAccept(*self, listener);
    ASSERT_TRUE(peer.valid());
    peer.closeGracefully();
    ASSERT_TRUE(waitUntil([&] { return SocketLibrary::LiveSocketCount() == liveBefore; }));
    EXPECT_TRUE(closedSeen);
}

TEST(WSocketLifecycle, HandlerExceptionsGoToBgExceptionAndAbortByDefault)
{
    ConnectedPair pair;
    ASSERT_TRUE(pair.connect());
    std::string seen;
    pair.socket.OnDataAvailable = [](TCustomWSocket*, std::uint16_t) { throw std::runtime_error("handler failed"); };
    pair.socket.OnBgException = [&](TCustomWSocket*, const std::exception& e, bool& canClose) {
        seen = e.what();
        EXPECT_TRUE(canClose);
    };
    ASSERT_TRUE(pair.peer.sendAll("x"));
    ASSERT_TRUE(waitUntil([&] { return pair.socket.State() == wsClosed; }));
    EXPECT_EQ(seen, "handler failed");
    EXPECT_TRUE(pair.peer.waitForEof());
}

TEST(WSocketLifecycle, BgExceptionMayKeepTheConnection)
{
    ConnectedPair pair;
    ASSERT_TRUE(pair.connect());
    TestableSocket socket;
    std::string seen;
    socket.OnBgException = [&](TCustomWSocket*, const std::exception& e, bool& canClose) {
        seen = e.what();
        canClose = false;
    };
    socket.PostUserMessage(WM_TEST_EXCEPTION);
    EXPECT_EQ(seen, "");
    ASSERT_TRUE(waitUntil([&] { return !seen.empty(); }));
    EXPECT_EQ(seen, "Test exception in WSocket");

    int calls = 0;
    pair.socket.OnDataAvailable = [&](TCustomWSocket* s, std::uint16_t) {
        ++calls;
        s->ReceiveStr();
        throw std::runtime_error("once");
    };
    pair.socket.OnBgException = [](TCustomWSocket*, const std::exception&, bool& canClose) { canClose = false; };
    ASSERT_TRUE(pair.peer.sendAll("a"));
    ASSERT_TRUE(waitUntil([&] { return calls == 1; }));
    pumpEventsFor(50);
    EXPECT_EQ(pair.socket.State(), wsConnected);
    pair.socket.SendStr("still here");
    EXPECT_EQ(pair.peer.readExactly(10), "still here");
}

TEST(WSocketLifecycle, IdleSocketsCauseNoActivity)
{
    ConnectedPair pair;
    ASSERT_TRUE(pair.connect());
    TWSocket listener;
    listener.SetAddr("127.0.0.1");
    listener.SetPort("0");
    listener.Listen();
    // Push enough to fill the kernel buffers, then let the peer drain it:
    // the write watch must switch off again afterwards.
    const std::string big(4 * 1024 * 1024, 'z');
    pair.socket.SendStr(big);
    EXPECT_EQ(pair.peer.readExactly(big.size()).size(), big.size());
    ASSERT_TRUE(waitUntil([&] { return pair.socket.AllSent(); }));
    pumpEventsFor(50);

    ReadinessCounter counter;
    pumpEventsFor(300);
    EXPECT_EQ(counter.count, 0);
}

TEST(WSocketLifecycle, PauseHoldsEventsAndResumeDeliversThem)
{
    ConnectedPair pair;
    ASSERT_TRUE(pair.connect());
    std::string received;
    pair.socket.OnDataAvailable = [&](TCustomWSocket* s, std::uint16_t) { received += s->ReceiveStr(); };
    pair.socket.Pause();
    ASSERT_TRUE(pair.peer.sendAll("held"));
    pumpEventsFor(100);
    EXPECT_EQ(received, "");
    pair.socket.Resume();
    ASSERT_TRUE(waitUntil([&] { return received == "held"; }));
}

TEST(WSocketLifecycle, FlushAndWaitForCloseBlockUntilDone)
{
    ConnectedPair pair;
    ASSERT_TRUE(pair.connect());
    const std::string big(8 * 1024 * 1024, 'f');
    pair.socket.SendStr(big);
    // Flush waits while the event loop runs; the peer reads from a handler
    // posted into that loop.
    std::size_t got = 0;
    TWSocket drain;
    drain.AdoptHandle(::dup(pair.peer.fd()));
    drain.OnDataAvailable = [&](TCustomWSocket* s, std::uint16_t) { got += s->ReceiveStr().size(); };
    pair.socket.Flush();
    EXPECT_TRUE(pair.socket.AllSent());
    ASSERT_TRUE(waitUntil([&] { return got == big.size(); }));

    drain.Close();
    pair.peer.closeGracefully();
    pair.socket.WaitForClose();
    EXPECT_EQ(pair.socket.State(), wsClosed);
}
