// The session channel against the real FTP server: each request's end goes
// back to the one who asked for it, the gate holds a second request back
// while one runs, and the abort lets the next one through.
#include "fixtures/local_ftp_server.h"
#include "services/session_channel.h"
#include "support/temp_dir.h"
#include "support/wait.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

// Writes what reaches it into one shared journal, so the order between
// askers and listeners shows.
class Recorder : public SessionAsker, public SessionListener {
public:
    Recorder(std::string name, std::vector<std::string>& journal) : name_(std::move(name)), journal_(journal) {}

    void requestDone(TFtpRequest request) override
    {
        journal_.push_back(name_ + " done " + std::to_string(request));
    }
    void requestFailed(TFtpRequest request, std::uint16_t error) override
    {
        journal_.push_back(name_ + " failed " + std::to_string(request) + " " + std::to_string(error));
    }
    void anyRequestFailed() override { journal_.push_back(name_ + " saw a failure"); }
    void connectedChanged(bool connected) override
    {
        journal_.push_back(name_ + (connected ? " connected" : " not connected"));
    }

private:
    std::string name_;
    std::vector<std::string>& journal_;
};

class SessionChannelTest : public ::testing::Test {
protected:
    TempDir site;
    std::unique_ptr<LocalFtpServer> server;
    SessionChannel channel;
    std::vector<std::string> journal;
    Recorder browsing{"browsing", journal};
    Recorder operations{"operations", journal};

    void SetUp() override
    {
        server = std::make_unique<LocalFtpServer>(site.path());
        ASSERT_TRUE(server->start()) << server->lastError();
        channel.client().SetHostName("127.0.0.1");
        channel.client().SetPort(server->portText());
        channel.client().SetUserName(server->user());
        channel.client().SetPassWord(server->password());
    }

    bool waitIdle() { return waitUntil([&] { return !channel.requestRunning(); }, 15000); }

    static std::string line(const char* who, const char* what, TFtpRequest request)
    {
        return std::string(who) + " " + what + " " + std::to_string(request);
    }
};

TEST_F(SessionChannelTest, EachRequestEndsWithItsAskerAndTheGateHoldsOneAtATime)
{
    ASSERT_TRUE(channel.ask(browsing, &TCustomFtpCli::BeginOpen));
    EXPECT_TRUE(channel.requestRunning());
    // A second request while the open runs is held back, and its asker
    // hears nothing of the open.
    EXPECT_FALSE(channel.ask(operations, &TCustomFtpCli::BeginUser));
    ASSERT_TRUE(waitIdle());
    EXPECT_EQ(journal, std::vector<std::string>{line("browsing", "done", ftpRqOpen)});

    journal.clear();
    ASSERT_TRUE(channel.ask(operations, &TCustomFtpCli::BeginUser));
    ASSERT_TRUE(waitIdle());
    ASSERT_TRUE(channel.ask(operations, &TCustomFtpCli::BeginPass));
    ASSERT_TRUE(waitIdle());
    channel.client().SetHostDirName("missing");
    ASSERT_TRUE(channel.ask(browsing, &TCustomFtpCli::BeginChangeDir));
    ASSERT_TRUE(waitIdle());
    // Listeners hear of a failure before its asker does.
    channel.addListener(&operations);
    channel.client().SetHostDirName("still-missing");
    ASSERT_TRUE(channel.ask(browsing, &TCustomFtpCli::BeginChangeDir));
    ASSERT_TRUE(waitIdle());
    EXPECT_EQ(journal, (std::vector<std::string>{
                           line("operations", "done", ftpRqUser),
                           line("operations", "done", ftpRqPass),
                           line("browsing", "failed", ftpRqChangeDir) + " 550",
                           "operations saw a failure",
                           line("browsing", "failed", ftpRqChangeDir) + " 550",
                       }));
    channel.removeListener(&operations);
}

TEST_F(SessionChannelTest, AbortLetsTheNextRequestThroughAndEndsTheSession)
{
    channel.addListener(&browsing);
    ASSERT_TRUE(channel.ask(browsing, &TCustomFtpCli::BeginOpen));
    channel.setConnected(true);
    // While the open still runs, the user aborts.
    channel.abort(operations);
    EXPECT_TRUE(channel.aborted());
    EXPECT_FALSE(channel.connected());
    EXPECT_FALSE(channel.requestRunning());
    EXPECT_EQ(journal, (std::vector<std::string>{"browsing connected", "browsing not connected"}));

    // A new connect clears the mark and goes through the gate as usual.
    channel.clearAbort();
    journal.clear();
    ASSERT_TRUE(waitUntil([&] { return channel.client().State() == ftpStateReady; }, 15000));
    ASSERT_TRUE(channel.ask(browsing, &TCustomFtpCli::BeginOpen));
    EXPECT_FALSE(channel.ask(operations, &TCustomFtpCli::BeginQuit));
    ASSERT_TRUE(waitIdle());
    EXPECT_EQ(journal, std::vector<std::string>{line("browsing", "done", ftpRqOpen)});
    channel.removeListener(&browsing);
}

TEST_F(SessionChannelTest, ARequestRefusedAsMisuseLeavesTheGateOpen)
{
    channel.addListener(&browsing);
    // USER without a connection is refused at once and never ends with a
    // request-done; the gate must not stay shut, and the refusal is logged.
    EXPECT_FALSE(channel.ask(browsing, &TCustomFtpCli::BeginUser));
    EXPECT_FALSE(channel.requestRunning());
    EXPECT_TRUE(channel.ask(browsing, &TCustomFtpCli::BeginOpen));
    ASSERT_TRUE(waitIdle());
    EXPECT_EQ(journal, std::vector<std::string>{line("browsing", "done", ftpRqOpen)});
    channel.removeListener(&browsing);
}

}  // namespace
