// Downloads that must not lie: a local file is replaced only by a whole
// download the server confirmed, a short or long file is not reported
// complete, a resume with nothing to resume says so, and data connections
// go only where the control connection goes.
#include "scripted_session.h"
#include "support/wait.h"

#include <QRegularExpression>
#include <filesystem>
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

using Done = ScriptedSession::Done;

void download(ScriptedSession& s, const std::string& remote, const std::string& local)
{
    s.client.SetHostFileName(remote);
    s.client.SetLocalFileName(s.local.file(local));
}

// Whether something on this machine can connect to `address`:`port`.
bool reachable(const char* address, int port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(static_cast<std::uint16_t>(port));
    ::inet_pton(AF_INET, address, &to.sin_addr);
    const bool connected = ::connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to) == 0;
    ::close(fd);
    return connected;
}

class FtpDownloadIntegrity : public ::testing::TestWithParam<bool> {};

} // namespace

TEST_P(FtpDownloadIntegrity, AFileIsReplacedOnlyByAConfirmedWholeDownload)
{
    const bool passive = GetParam();
    ScriptedSession s;
    ScriptedFtpServer& server = s.server;
    prepareData(server.login(), passive).expect("RETR nosuchfile").reply("550 No such file");
    prepareData(server, passive).expect("RETR nosuchfile").reply("550 No such file");
    // An empty file whose data connection has ended, and the server said
    // 226, before the 150 reply is read.
    prepareData(server, passive).expect("RETR empty");
    openData(server, passive).closeData().delay(100).send("150 go\r\n226 ok\r\n");
    prepareData(server, passive).expect("RETR empty");
    openData(server, passive).closeData().delay(100).send("150 go\r\n226 ok\r\n");
    // Data before the 150 reply is the start of the transfer, not lost.
    prepareData(server, passive).expect("RETR early");
    openData(server, passive).sendData("early bytes").closeData().delay(100).reply("150 go").reply("226 ok");
    // Cut short with a 226 all the same; then resumed to its end.
    prepareData(server, passive).expect("RETR cut")
        .reply("150 Opening BINARY mode data connection for cut (100000 bytes).");
    openData(server, passive).sendData(QByteArray(30000, 'c')).closeData().reply("226 Transfer complete.");
    prepareData(server, passive).expect("REST 30000").reply("350 Restarting at 30000").expect("RETR cut")
        .reply("150 Opening BINARY mode data connection for cut (70000 bytes).");
    openData(server, passive).sendData(QByteArray(70000, 'C')).closeData().reply("226 Transfer complete.");
    // The data stop coming: the inactivity limit ends it.
    prepareData(server, passive).expect("RETR stall").reply("150 go");
    openData(server, passive).sendData(QByteArray(5000, 's')).waitForClientClose();
    // The control connection closes before the transfer starts.
    server.acceptControlConnection().login();
    prepareData(server, passive).expect("RETR lost").dropConnection();
    ASSERT_TRUE(s.start(passive));
    auto part = [&](const std::string& name) { return "." + name + ".tavlin-part"; };
    auto exists = [&](const std::string& name) { return std::filesystem::exists(s.local.file(name)); };

    s.local.write("keep.txt", "precious");
    download(s, "nosuchfile", "keep.txt");
    EXPECT_EQ(s.run(&TCustomFtpCli::BeginGetFile), Done(ftpRqGetFile, 550));
    EXPECT_EQ(s.local.read("keep.txt"), "precious");
    EXPECT_FALSE(exists(part("keep.txt")));
    EXPECT_FALSE(s.client.LocalFileWritten());
    download(s, "nosuchfile", "new.txt");
    EXPECT_EQ(s.run(&TCustomFtpCli::BeginGetFile), Done(ftpRqGetFile, 550));
    EXPECT_FALSE(exists("new.txt")) << "no empty file is left behind";
    EXPECT_FALSE(exists(part("new.txt")));

    download(s, "empty", "keep.txt");
    EXPECT_EQ(s.run(&TCustomFtpCli::BeginGetFile), Done(ftpRqGetFile, 0)) << s.server.failure().toStdString();
    EXPECT_TRUE(exists("keep.txt"));
    EXPECT_EQ(s.local.read("keep.txt"), "");
    download(s, "empty", "fresh.txt");
    EXPECT_EQ(s.run(&TCustomFtpCli::BeginGetFile), Done(ftpRqGetFile, 0)) << s.server.failure().toStdString();
    EXPECT_TRUE(exists("fresh.txt"));
    EXPECT_FALSE(exists(part("fresh.txt")));

    s.local.write("early.txt", "older and longer content");
    download(s, "early", "early.txt");
    EXPECT_EQ(s.run(&TCustomFtpCli::BeginGetFile), Done(ftpRqGetFile, 0)) << s.server.failure().toStdString();
    EXPECT_EQ(s.local.read("early.txt"), "early bytes");
    EXPECT_TRUE(s.client.LocalFileWritten());

    s.local.write("cut.bin", "precious");
    download(s, "cut", "cut.bin");
    EXPECT_EQ(s.run(&TCustomFtpCli::BeginGetFile), Done(ftpRqGetFile, 426));
    EXPECT_EQ(s.local.read("cut.bin"), "precious");
    EXPECT_EQ(s.local.read(part("cut.bin")).size(), 30000u) << "what arrived stays, for resuming";
    EXPECT_EQ(s.run(&TCustomFtpCli::BeginResumeGetFile), Done(ftpRqResumeGetFile, 0)) << s.client.ErrorMessage();
    EXPECT_EQ(s.local.read("cut.bin"), std::string(30000, 'c') + std::string(70000, 'C'));
    EXPECT_FALSE(exists(part("cut.bin")));

    s.local.write("stall.bin", "precious");
    s.client.SetInactivityTimeout(1);
    download(s, "stall", "stall.bin");
    EXPECT_EQ(s.run(&TCustomFtpCli::BeginGetFile), Done(ftpRqGetFile, 426));
    EXPECT_EQ(s.local.read("stall.bin"), "precious");
    EXPECT_EQ(s.local.read(part("stall.bin")).size(), 5000u);

    ASSERT_EQ(s.run(&TCustomFtpCli::BeginLogin).second, 0) << s.server.failure().toStdString();
    download(s, "lost", "keep.txt");
    s.local.write("keep.txt", "precious");
    const Done lost = s.run(&TCustomFtpCli::BeginGetFile);
    EXPECT_EQ(lost.first, ftpRqGetFile);
    EXPECT_NE(lost.second, 0);
    EXPECT_EQ(s.local.read("keep.txt"), "precious");
    EXPECT_FALSE(s.client.LocalFileWritten());
    EXPECT_TRUE(s.server.failure().isEmpty()) << s.server.failure().toStdString();
}

TEST_P(FtpDownloadIntegrity, ABinaryFileOfAnotherSizeThanAnnouncedIsNotReportedComplete)
{
    const bool passive = GetParam();
    ScriptedSession s;
    ScriptedFtpServer& server = s.server;
    // Short of the 150 reply's count.
    prepareData(server.login(), passive).expect("RETR short")
        .reply("150 Opening BINARY mode data connection for short (100000 bytes).");
    openData(server, passive).sendData(QByteArray(50000, 'h')).closeData().reply("226 Transfer complete.");
    // Longer than the SIZE answer the client asked for.
    server.expect("SIZE long").reply("213 100");
    prepareData(server, passive).expect("RETR long").reply("150 go");
    openData(server, passive).sendData(QByteArray(120, 'l')).closeData().reply("226 ok");
    // Exactly as announced.
    prepareData(server, passive).expect("RETR exact").reply("150 Opening (3 bytes)");
    openData(server, passive).sendData("abc").closeData().reply("226 ok");
    // ASCII transfers change the count on their way; they are not held to it.
    server.expect("TYPE A").reply("200 ok");
    prepareData(server, passive).expect("RETR text").reply("150 Opening ASCII mode (4 bytes)");
    openData(server, passive).sendData("a\r\nb\r\n").closeData().reply("226 ok");
    ASSERT_TRUE(s.start(passive));

    download(s, "short", "short");
    EXPECT_EQ(s.run(&TCustomFtpCli::BeginGetFile), Done(ftpRqGetFile, 426));
    EXPECT_EQ(s.client.ErrorMessage(), "426 Download incomplete: 50000 of 100000 bytes received");
    EXPECT_TRUE(s.shown("! 426 Download incomplete: 50000 of 100000 bytes received"));
    EXPECT_FALSE(std::filesystem::exists(s.local.file("short")));
    EXPECT_EQ(s.local.read(".short.tavlin-part").size(), 50000u) << "what arrived stays, for resuming";
    EXPECT_TRUE(s.client.LocalFileWritten());

    download(s, "long", "long");
    EXPECT_EQ(s.run(&TCustomFtpCli::BeginFileSize), Done(ftpRqFileSize, 0));
    EXPECT_EQ(s.run(&TCustomFtpCli::BeginGetFile), Done(ftpRqGetFile, 426));
    EXPECT_EQ(s.client.ErrorMessage(), "426 Download longer than announced: 120 bytes received, 100 expected");

    download(s, "exact", "exact");
    EXPECT_EQ(s.run(&TCustomFtpCli::BeginGetFile), Done(ftpRqGetFile, 0)) << s.client.ErrorMessage();
    EXPECT_EQ(s.local.read("exact"), "abc");

    s.client.SetBinary(false);
    EXPECT_EQ(s.run(&TCustomFtpCli::BeginSetType), Done(ftpRqSetType, 0));
    download(s, "text", "text");
    EXPECT_EQ(s.run(&TCustomFtpCli::BeginGetFile), Done(ftpRqGetFile, 0)) << s.client.ErrorMessage();
    EXPECT_TRUE(s.server.failure().isEmpty()) << s.server.failure().toStdString();
}

TEST_P(FtpDownloadIntegrity, AResumeWithNothingToFetchSaysSoAndLeavesTheFileAlone)
{
    const bool passive = GetParam();
    ScriptedSession s;
    ScriptedFtpServer& server = s.server;
    // Sizes known from SIZE: nothing beyond PASV/PORT is sent.
    server.login().expect("SIZE f").reply("213 100000");
    prepareData(server, passive);
    server.expect("SIZE f").reply("213 150000");
    prepareData(server, passive);
    // Known only from the 150 reply, as a server that accepts REST past the end.
    prepareData(server, passive).expect("REST 150000").reply("350 Restart position accepted (150000).")
        .expect("RETR f").reply("150 Opening BINARY mode data connection for f (100000 bytes).");
    openData(server, passive).closeData().reply("226 Transfer complete.");
    server.expect("NOOP").reply("200 ok");
    ASSERT_TRUE(s.start(passive));
    const std::string local(150000, 'L');
    s.local.write("f", local);
    download(s, "f", "f");
    const std::string larger =
        "550 Nothing to resume: the local file (150000 bytes) is larger than the remote file (100000 bytes)";

    EXPECT_EQ(s.run(&TCustomFtpCli::BeginFileSize), Done(ftpRqFileSize, 0));
    EXPECT_EQ(s.run(&TCustomFtpCli::BeginResumeGetFile), Done(ftpRqResumeGetFile, 550));
    EXPECT_EQ(s.client.ErrorMessage(), larger);
    EXPECT_EQ(s.local.read("f"), local);
    EXPECT_FALSE(s.client.LocalFileWritten());

    EXPECT_EQ(s.run(&TCustomFtpCli::BeginFileSize), Done(ftpRqFileSize, 0));
    EXPECT_EQ(s.run(&TCustomFtpCli::BeginResumeGetFile), Done(ftpRqResumeGetFile, 0));
    EXPECT_TRUE(s.shown("! Nothing left to fetch: the local file already has all 150000 bytes"));
    EXPECT_EQ(s.local.read("f"), local);

    EXPECT_EQ(s.run(&TCustomFtpCli::BeginResumeGetFile), Done(ftpRqResumeGetFile, 550));
    EXPECT_EQ(s.client.ErrorMessage(), larger);
    EXPECT_EQ(s.local.read("f"), local);

    s.client.SetLocalFileName("NOOP");
    EXPECT_EQ(s.run(&TCustomFtpCli::BeginRawCommand), Done(ftpRqRawCommand, 0));
    EXPECT_TRUE(s.server.failure().isEmpty()) << s.server.failure().toStdString();
}

INSTANTIATE_TEST_SUITE_P(BothModes, FtpDownloadIntegrity, ::testing::Bool(), modeName);

TEST(FtpDataEndpoints, TheListenerTakesOnlyTheControlAddressAndAnyPassiveLayoutIsRead)
{
    ScriptedSession s;
    s.server.login().expect("PORT").reply("200 ok").expect("RETR a").delay(300).reply("150 go")
        .connectToClientDataPort().sendData("active").closeData().reply("226 ok")
        .expect("PASV").replyWithDataPort("227 Entering Passive Mode 127,0,0,1,{p1},{p2}")
        .expect("RETR b").reply("150 go").acceptDataConnection().sendData("bare").closeData().reply("226 ok")
        .expect("PASV").replyWithDataPort("227 =127, 0, 0, 1, {p1}, {p2} ready")
        .expect("RETR c").reply("150 go").acceptDataConnection().sendData("odd").closeData().reply("226 ok");
    ASSERT_TRUE(s.start(false));

    download(s, "a", "a");
    s.client.BeginGetFile();
    ASSERT_TRUE(waitUntil([&] { return s.server.commands().size() == 4; }));
    const QRegularExpressionMatch port =
        QRegularExpression("^PORT 127,0,0,1,(\\d+),(\\d+)$").match(QString::fromLatin1(s.server.commands()[2]));
    ASSERT_TRUE(port.hasMatch());
    const int dataPort = port.captured(1).toInt() * 256 + port.captured(2).toInt();
    // Another address of this very machine is another network as far as the
    // listener is concerned.
    EXPECT_FALSE(reachable("127.0.0.2", dataPort));
    ASSERT_TRUE(s.log.waitDone(2));
    EXPECT_EQ(s.log.done.back(), Done(ftpRqGetFile, 0));
    EXPECT_EQ(s.local.read("a"), "active");

    s.client.SetPassive(true);
    download(s, "b", "b");
    EXPECT_EQ(s.run(&TCustomFtpCli::BeginGetFile), Done(ftpRqGetFile, 0)) << s.client.ErrorMessage();
    EXPECT_EQ(s.local.read("b"), "bare");
    download(s, "c", "c");
    EXPECT_EQ(s.run(&TCustomFtpCli::BeginGetFile), Done(ftpRqGetFile, 0)) << s.client.ErrorMessage();
    EXPECT_EQ(s.local.read("c"), "odd");
}
