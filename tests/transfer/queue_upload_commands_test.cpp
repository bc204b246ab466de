// What the queue sends around an upload: the remote folders it makes for a
// file whose folder is new, and the line ends of a file sent in ASCII mode,
// against the real server and the scripted one.
#include "fixtures/local_ftp_server.h"
#include "fixtures/scripted_ftp_server.h"
#include "queue_recorder.h"
#include "support/wait.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

namespace fs = std::filesystem;

class QueueUploadCommands : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(server.start()) << server.lastError();
        site = QueueSite{"127.0.0.1", server.user(), server.password(), server.portText()};
    }

    bool waitForEnd() { return waitUntil([&] { return queued.recorder.ends.size() == 1 && !queued.queue.busy(); }, 30000); }

    std::vector<std::string> sent(const std::string& word) const
    {
        std::vector<std::string> commands;
        for (const std::string& command : server.commands())
            if (command.starts_with(word + " "))
                commands.push_back(command);
        return commands;
    }

    TempDir root;
    TempDir local;
    LocalFtpServer server{root.path()};
    QueueSite site;
    PassiveQueue queued;
};

// A new folder mostly lies in one that exists: its own MKD comes first, and
// the levels above it only while the server refuses, then back down. The
// second folder's levels stop at /site, which the first upload entered.
TEST_F(QueueUploadCommands, ANewFolderIsMadeDeepestLevelFirstGoingUpOnlyWhileTheServerRefuses)
{
    fs::create_directories(root.file("site/a/b"));
    local.write("x.txt", "x");
    local.write("y.txt", "y");
    queued.queue.queueUpload(site, "/site/a/b/new", local.path(), "x.txt", "1", "1");
    queued.queue.queueUpload(site, "/site/c/d/e", local.path(), "y.txt", "1", "1");
    ASSERT_TRUE(waitForEnd()) << ::testing::PrintToString(queued.recorder.log);
    EXPECT_EQ(root.read("site/a/b/new/x.txt"), "x");
    EXPECT_EQ(root.read("site/c/d/e/y.txt"), "y");
    EXPECT_EQ(sent("MKD"), (std::vector<std::string>{"MKD /site/a/b/new", "MKD /site/c/d/e", "MKD /site/c/d",
                                                     "MKD /site/c", "MKD /site/c/d", "MKD /site/c/d/e"}));
    EXPECT_EQ(sent("USER").size(), 1u);
    EXPECT_EQ(queued.dialogs.pending(), 0u);
}

// "/images" entered says nothing of "/img", whose name it begins like.
TEST_F(QueueUploadCommands, AnUploadIntoImagesThenIntoANewImgNewOnTheSameLogInArrives)
{
    fs::create_directories(root.file("images"));
    local.write("a.png", "picture a");
    local.write("b.png", "picture b");
    queued.queue.queueUpload(site, "/images", local.path(), "a.png", "9", "1");
    queued.queue.queueUpload(site, "/img/new", local.path(), "b.png", "9", "1");
    ASSERT_TRUE(waitForEnd()) << ::testing::PrintToString(queued.recorder.log);
    EXPECT_EQ(root.read("images/a.png"), "picture a");
    EXPECT_EQ(root.read("img/new/b.png"), "picture b");
    EXPECT_EQ(sent("USER").size(), 1u);
    EXPECT_EQ(queued.dialogs.pending(), 0u);
}

struct SystemCase {
    QByteArray reply;
    QByteArray stored;
};

class AsciiUploadLineEnds : public ::testing::TestWithParam<SystemCase> {};

// Two text files in ASCII mode on one connection, to a server that stores
// what it receives: SYST is asked once, before the first; a UNIX server
// gets the local line ends, any other and one that refuses SYST CR LF.
TEST_P(AsciiUploadLineEnds, FollowWhatTheServersSystStatementNames)
{
    const SystemCase& system = GetParam();
    const bool refused = system.reply.startsWith('5');
    ScriptedFtpServer server;
    const QByteArray pasv = "227 Entering Passive Mode (127,0,0,1,{p1},{p2})";
    auto upload = [&](const QByteArray& name) {
        server.expect("PASV").replyWithDataPort(pasv).acceptDataConnection().expect("STOR " + name)
            .reply("150 go").receiveDataUntilClosed().reply("226 stored");
    };
    server.login().expect("CWD /www").reply("250 ok").expect("TYPE A").reply("200 ok")
        .expect("SYST").reply(system.reply);
    upload("a.txt");
    // What a refused command may have changed is set again.
    if (refused)
        server.expect("CWD /www").reply("250 ok").expect("TYPE A").reply("200 ok");
    upload("b.css");
    ASSERT_TRUE(server.start());

    TempDir local;
    local.write("a.txt", "line one\nline two\r\nline three\n");
    local.write("b.css", "p {}\n");
    PassiveQueue queued;
    const QueueSite site{"127.0.0.1", "tavlin", "s3cret", server.portText().toStdString()};
    queued.queue.queueUpload(site, "/www", local.path(), "a.txt", "30", "0");
    queued.queue.queueUpload(site, "/www", local.path(), "b.css", "5", "0");
    ASSERT_TRUE(waitUntil([&] { return queued.recorder.ends.size() == 1 && !queued.queue.busy(); }, 30000))
        << server.failure().toStdString();
    EXPECT_TRUE(server.failure().isEmpty()) << server.failure().toStdString();
    EXPECT_EQ(server.receivedData(), system.stored);
    EXPECT_EQ(server.commands().count("SYST"), 1);
    EXPECT_EQ(queued.dialogs.pending(), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Servers, AsciiUploadLineEnds,
    ::testing::Values(SystemCase{"215 UNIX Type: L8", "line one\nline two\r\nline three\np {}\n"},
                      SystemCase{"215 unix", "line one\nline two\r\nline three\np {}\n"},
                      SystemCase{"215 Windows_NT", "line one\r\nline two\r\nline three\r\np {}\r\n"},
                      SystemCase{"215 MACOS Peter's Server", "line one\r\nline two\r\nline three\r\np {}\r\n"},
                      SystemCase{"500 SYST not understood", "line one\r\nline two\r\nline three\r\np {}\r\n"}));

}  // namespace
