// The control-connection requests against a real FTP server, each with the
// request type and error the owning window will see.
#include "fixtures/local_ftp_server.h"
#include "ftp_event_log.h"
#include "support/temp_dir.h"
#include "support/wait.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace {

class FtpControlServer : public ::testing::Test {
protected:
    void SetUp() override
    {
        root.write("docs/readme.txt", "hello there\n");
        root.write("old.txt", std::string(1234, 'o'));
        ASSERT_TRUE(server.start()) << server.lastError();
        pointAt(client, server.portText(), server.user(), server.password());
    }

    // Runs one request and returns how it ended.
    std::pair<TFtpRequest, int> run(void (TCustomFtpCli::*begin)())
    {
        const std::size_t before = log.done.size();
        (client.*begin)();
        if (!log.waitDone(before + 1))
            return {ftpRqNone, -1};
        return log.done.back();
    }

    void login()
    {
        ASSERT_EQ(run(&TCustomFtpCli::BeginLogin), std::make_pair(ftpRqLogin, 0));
        server.clearCommands();
    }

    TempDir root;
    LocalFtpServer server{root.path()};
    TFtpClient client;
    FtpEventLog log{client};
};

using Done = std::pair<TFtpRequest, int>;

} // namespace

TEST_F(FtpControlServer, LogInStepByStepAndQuit)
{
    EXPECT_EQ(run(&TCustomFtpCli::BeginOpen), Done(ftpRqOpen, 0));
    EXPECT_EQ(client.StatusCode(), 220);
    EXPECT_EQ(run(&TCustomFtpCli::BeginUser), Done(ftpRqUser, 0));
    EXPECT_EQ(client.StatusCode(), 331);
    EXPECT_EQ(run(&TCustomFtpCli::BeginPass), Done(ftpRqPass, 0));
    EXPECT_EQ(client.StatusCode(), 230);
    EXPECT_EQ(run(&TCustomFtpCli::BeginQuit), Done(ftpRqQuit, 0));
    EXPECT_FALSE(client.Connected());
    EXPECT_EQ(server.commands(),
              (std::vector<std::string>{"USER tavlin", "PASS s3cret", "QUIT"}));
    // Connect again on the same component.
    EXPECT_EQ(run(&TCustomFtpCli::BeginLogin), Done(ftpRqLogin, 0));
    EXPECT_TRUE(client.Connected());
}

TEST_F(FtpControlServer, WrongPasswordEndsWith530AndKeepsTheConnection)
{
    client.SetPassWord("wrong");
    EXPECT_EQ(run(&TCustomFtpCli::BeginLogin), Done(ftpRqLogin, 530));
    EXPECT_EQ(client.ErrorMessage().substr(0, 4), "530 ");
    EXPECT_TRUE(client.Connected());
    // This server wants USER again after a refused password.
    client.SetPassWord(server.password());
    EXPECT_EQ(run(&TCustomFtpCli::BeginUser), Done(ftpRqUser, 0));
    EXPECT_EQ(run(&TCustomFtpCli::BeginPass), Done(ftpRqPass, 0));
}

TEST_F(FtpControlServer, DirectoriesCanBeChangedPrintedMadeAndRemoved)
{
    login();
    client.SetHostDirName("/docs");
    EXPECT_EQ(run(&TCustomFtpCli::BeginChangeDir), Done(ftpRqChangeDir, 0));
    EXPECT_EQ(run(&TCustomFtpCli::BeginPrintDir), Done(ftpRqPrintDir, 0));
    EXPECT_EQ(client.DirResult(), "/docs");
    EXPECT_EQ(run(&TCustomFtpCli::BeginParentDir), Done(ftpRqParentDir, 0));
    EXPECT_EQ(run(&TCustomFtpCli::BeginPrintDir), Done(ftpRqPrintDir, 0));
    EXPECT_EQ(client.DirResult(), "/");

    client.SetHostFileName("made \"here\"");
    EXPECT_EQ(run(&TCustomFtpCli::BeginMakeDir), Done(ftpRqMakeDir, 0));
    EXPECT_EQ(client.DirResult(), "/made \"here\"");
    EXPECT_TRUE(std::filesystem::is_directory(root.file("made \"here\"")));
    EXPECT_EQ(run(&TCustomFtpCli::BeginRemoveDir), Done(ftpRqRemoveDir, 0));
    EXPECT_FALSE(std::filesystem::exists(root.file("made \"here\"")));

    client.SetHostDirName("/missing");
    EXPECT_EQ(run(&TCustomFtpCli::BeginChangeDir), Done(ftpRqChangeDir, 550));
    EXPECT_EQ(server.commands(),
              (std::vector<std::string>{"CWD /docs", "PWD", "CDUP", "PWD", "MKD made \"here\"",
                                        "RMD made \"here\"", "CWD /missing"}));
}

TEST_F(FtpControlServer, FilesCanBeSizedRenamedAndDeleted)
{
    login();
    // This server answers SIZE only in binary mode.
    EXPECT_EQ(run(&TCustomFtpCli::BeginSetBinary), Done(ftpRqSetType, 0));
    client.SetHostFileName("old.txt");
    EXPECT_EQ(run(&TCustomFtpCli::BeginFileSize), Done(ftpRqFileSize, 0));
    EXPECT_EQ(client.SizeResult(), 1234);

    client.SetLocalFileName("new.txt");
    EXPECT_EQ(run(&TCustomFtpCli::BeginRename), Done(ftpRqRename, 0));
    EXPECT_TRUE(std::filesystem::exists(root.file("new.txt")));
    EXPECT_FALSE(std::filesystem::exists(root.file("old.txt")));

    client.SetHostFileName("new.txt");
    client.SetLocalFileName("again.txt");
    EXPECT_EQ(run(&TCustomFtpCli::BeginRenameFrom), Done(ftpRqRenameFrom, 0));
    EXPECT_EQ(run(&TCustomFtpCli::BeginRenameTo), Done(ftpRqRenameTo, 0));

    client.SetHostFileName("again.txt");
    EXPECT_EQ(run(&TCustomFtpCli::BeginDelete), Done(ftpRqDelete, 0));
    EXPECT_FALSE(std::filesystem::exists(root.file("again.txt")));
    EXPECT_EQ(run(&TCustomFtpCli::BeginDelete), Done(ftpRqDelete, 550));
    EXPECT_EQ(run(&TCustomFtpCli::BeginFileSize), Done(ftpRqFileSize, 550));
    EXPECT_EQ(client.SizeResult(), 0);

    EXPECT_EQ(run(&TCustomFtpCli::BeginSystem), Done(ftpRqSystem, 0));
    EXPECT_EQ(client.LastResponse().substr(0, 4), "215 ");
    EXPECT_EQ(run(&TCustomFtpCli::BeginSetAscii), Done(ftpRqSetType, 0));
    EXPECT_FALSE(client.Binary());
    EXPECT_EQ(server.commands(),
              (std::vector<std::string>{"TYPE I", "SIZE old.txt", "RNFR old.txt", "RNTO new.txt", "RNFR new.txt",
                                        "RNTO again.txt", "DELE again.txt", "DELE again.txt",
                                        "SIZE again.txt", "SYST", "TYPE A"}));
}

TEST_F(FtpControlServer, AnonymousUserMayReadButNotWrite)
{
    pointAt(client, server.portText(), "anonymous", "guest@example.org");
    EXPECT_EQ(run(&TCustomFtpCli::BeginLogin), Done(ftpRqLogin, 0));
    EXPECT_EQ(run(&TCustomFtpCli::BeginSetBinary), Done(ftpRqSetType, 0));
    client.SetHostFileName("old.txt");
    EXPECT_EQ(run(&TCustomFtpCli::BeginFileSize), Done(ftpRqFileSize, 0));
    EXPECT_EQ(run(&TCustomFtpCli::BeginDelete), Done(ftpRqDelete, 550));
    EXPECT_TRUE(std::filesystem::exists(root.file("old.txt")));
}

TEST_F(FtpControlServer, OneShotSessionRequestsEndShowingTheReplyBeforeQuit)
{
    client.SetHostDirName("/docs");
    client.SetHostFileName("gone");
    EXPECT_EQ(run(&TCustomFtpCli::BeginSessionMakeDir), Done(ftpRqSessionMakeDir, 0));
    EXPECT_EQ(client.LastResponse().substr(0, 4), "257 ");
    EXPECT_EQ(client.StatusCode(), 257);
    EXPECT_EQ(client.DirResult(), "/docs/gone");
    EXPECT_FALSE(client.Connected());
    EXPECT_TRUE(std::filesystem::is_directory(root.file("docs/gone")));
    EXPECT_EQ(run(&TCustomFtpCli::BeginSessionRemoveDir), Done(ftpRqSessionRemoveDir, 0));
    EXPECT_FALSE(std::filesystem::exists(root.file("docs/gone")));

    // A failing step ends the request at once: no QUIT.
    server.clearCommands();
    client.SetHostFileName("nothing-here");
    EXPECT_EQ(run(&TCustomFtpCli::BeginSessionDelete), Done(ftpRqSessionDelete, 550));
    EXPECT_TRUE(client.Connected());
    const auto commands = server.commands();
    ASSERT_FALSE(commands.empty());
    EXPECT_EQ(commands.back(), "DELE nothing-here");
}

TEST_F(FtpControlServer, RefusedAndUnresolvableHostsEndTheOpenWithSocketErrors)
{
    const std::string port = server.portText();
    server.stop();
    client.SetPort(port);
    EXPECT_EQ(run(&TCustomFtpCli::BeginOpen), Done(ftpRqOpen, 10061));
    EXPECT_EQ(client.LastResponse(), "500 Connection refused (Winsock error #10061)");
    EXPECT_EQ(client.StatusCode(), 500);
    EXPECT_EQ(client.State(), ftpStateReady);
    EXPECT_FALSE(client.Connected());

    client.SetHostName("");
    const Done done = run(&TCustomFtpCli::BeginOpen);
    EXPECT_EQ(done.first, ftpRqOpen);
    EXPECT_NE(done.second, 0);
    EXPECT_EQ(client.State(), ftpStateReady);
}
