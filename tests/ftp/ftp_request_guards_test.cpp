// What the client refuses to send and how long it is willing to wait:
// arguments that would smuggle in a second command, the password in the
// log, replies without end, servers and data connections that go quiet.
#include "scripted_session.h"
#include "support/wait.h"

#include <gtest/gtest.h>
#include <filesystem>

namespace {

using Done = ScriptedSession::Done;

const std::string NotSent = "501 Not sent: the ";

} // namespace

TEST(FtpRequestGuards, ArgumentsWithLineBreaksOrNulAreRefusedBeforeAnythingIsSent)
{
    ScriptedSession s;
    s.server.login().expect("NOOP").reply("200 still in step");
    ASSERT_TRUE(s.start(true));
    auto refused = [&](void (TCustomFtpCli::*begin)(), TFtpRequest type, const std::string& what) {
        const Done done = s.run(begin);
        EXPECT_EQ(done, Done(type, 501)) << what;
        EXPECT_EQ(s.client.ErrorMessage(), NotSent + what + " contains CR, LF or NUL");
        EXPECT_EQ(s.client.State(), ftpStateReady);
    };

    s.client.SetHostFileName("f\r\nDELE victim.html");
    refused(&TCustomFtpCli::BeginFileSize, ftpRqFileSize, "remote name");
    s.client.SetHostFileName("x\nDELE victim.html");
    refused(&TCustomFtpCli::BeginDelete, ftpRqDelete, "remote name");
    s.client.SetHostFileName(std::string("a\0b", 3));
    refused(&TCustomFtpCli::BeginMakeDir, ftpRqMakeDir, "remote name");
    s.client.SetHostDirName("/pub\r\nDELE x");
    refused(&TCustomFtpCli::BeginChangeDir, ftpRqChangeDir, "directory name");
    s.client.SetLocalFileName("NOOP\r\nDELE x");
    refused(&TCustomFtpCli::BeginRawCommand, ftpRqRawCommand, "command");
    // Multi-step requests refuse before their first step: no RNFR, no PASV.
    s.client.SetHostFileName("old");
    s.client.SetLocalFileName("new\r\nDELE x");
    refused(&TCustomFtpCli::BeginRename, ftpRqRename, "new name");
    s.local.write("keep", "kept");
    s.client.SetLocalFileName(s.local.file("keep"));
    s.client.SetHostFileName("g\r\nDELE victim.html");
    refused(&TCustomFtpCli::BeginGetFile, ftpRqGetFile, "remote name");
    EXPECT_EQ(s.local.read("keep"), "kept");
    refused(&TCustomFtpCli::BeginPutFile, ftpRqPutFile, "remote name");
    // Whatever an OnCommand handler makes of a command, a line break in it
    // is not sent either.
    s.client.OnCommand = [](TCustomFtpCli*, std::string& cmd) { cmd += "\r\nDELE x"; };
    refused(&TCustomFtpCli::BeginSystem, ftpRqSystem, "command");
    s.client.OnCommand = nullptr;

    s.client.SetLocalFileName("NOOP");
    EXPECT_EQ(s.run(&TCustomFtpCli::BeginRawCommand), Done(ftpRqRawCommand, 0));
    EXPECT_EQ(s.server.commands(), (QList<QByteArray>{"USER tavlin", "PASS s3cret", "NOOP"}));
    EXPECT_TRUE(s.server.failure().isEmpty()) << s.server.failure().toStdString();

    // A log-in with such a user name or password does not even connect.
    for (const auto& [user, password, what] :
         {std::tuple<std::string, std::string, std::string>{"u\r\nSITE x", "pw", "user name"},
          {"u", "pw\nSITE x", "password"}}) {
        TFtpClient other;
        FtpEventLog otherLog{other};
        pointAt(other, s.server.portText().toStdString(), user, password);
        other.BeginLogin();
        ASSERT_TRUE(otherLog.waitDone());
        EXPECT_EQ(otherLog.done.back(), Done(ftpRqLogin, 501));
        EXPECT_EQ(other.ErrorMessage(), NotSent + what + " contains CR, LF or NUL");
        EXPECT_FALSE(other.Connected());
        EXPECT_EQ(otherLog.from("State(3)"), otherLog.events) << "no lookup, no connect";
    }
}

TEST(FtpRequestGuards, ThePasswordIsSentButTheLogShowsStars)
{
    ScriptedSession s;
    s.server.login().expect("pass Other").reply("202 whatever");
    ASSERT_TRUE(s.start(true));
    EXPECT_TRUE(s.shown("> PASS ****"));
    s.client.SetLocalFileName("pass Other");
    EXPECT_EQ(s.run(&TCustomFtpCli::BeginRawCommand), Done(ftpRqRawCommand, 0));
    EXPECT_EQ(s.server.commands(), (QList<QByteArray>{"USER tavlin", "PASS s3cret", "pass Other"}));
    for (const std::string& line : s.log.display) {
        EXPECT_EQ(line.find("s3cret"), std::string::npos) << line;
        EXPECT_EQ(line.find("Other"), std::string::npos) << line;
    }
    EXPECT_EQ(std::count(s.log.display.begin(), s.log.display.end(), "> PASS ****"), 2);
}

TEST(FtpRequestGuards, AReplyThatNeverEndsIsCutOff)
{
    ScriptedSession s;
    QByteArray endless;
    for (int i = 0; i < 12000; ++i)
        endless += "215-and more\r\n";
    s.server.login().expect("SYST").send(endless).delay(5000);
    ASSERT_TRUE(s.start(true));
    const Done done = s.run(&TCustomFtpCli::BeginSystem, 5000);
    EXPECT_EQ(done, Done(ftpRqSystem, 426));
    EXPECT_EQ(s.client.ErrorMessage(), "426 Reply too long (more than 10000 lines or 1024 KiB), connection closed");
    EXPECT_FALSE(s.client.Connected());
    EXPECT_EQ(s.client.State(), ftpStateReady);
}

class FtpInactivity : public ::testing::TestWithParam<bool> {};

TEST_P(FtpInactivity, RequestsDuringWhichNothingMovesEndButMovingTransfersGoOn)
{
    const bool passive = GetParam();
    ScriptedSession s;
    ScriptedFtpServer& server = s.server;
    // 1. The data connection never brings anything after 150 (in active
    //    mode it never opens).
    prepareData(server.login(), passive).expect("RETR quiet").reply("150 Here it comes");
    // 2. It brings a little and stalls.
    prepareData(server.acceptControlConnection().login(), passive).expect("RETR stall").reply("150 go");
    openData(server, passive).sendData(QByteArray(1000, 's'));
    // 3. A transfer slower than the limit as a whole, but always moving.
    prepareData(server.acceptControlConnection().login(), passive).expect("RETR slow").reply("150 go");
    openData(server, passive);
    for (int i = 0; i < 6; ++i)
        server.delay(250).sendData("piece");
    server.closeData().reply("226 done");
    // 4. The server stops answering.
    server.expect("CWD /gone");
    ASSERT_TRUE(s.start(passive));
    s.client.SetInactivityTimeout(1);

    s.local.write("quiet", "what was there");
    s.client.SetLocalFileName(s.local.file("quiet"));
    s.client.SetHostFileName("quiet");
    EXPECT_EQ(s.run(&TCustomFtpCli::BeginGetFile, 5000), Done(ftpRqGetFile, 426));
    EXPECT_EQ(s.client.ErrorMessage(), "426 Timeout: nothing received or sent for 1 seconds");
    EXPECT_TRUE(s.shown("! 426 Timeout: nothing received or sent for 1 seconds"));
    EXPECT_EQ(s.client.State(), ftpStateReady);
    EXPECT_FALSE(s.client.Connected());
    EXPECT_EQ(s.local.read("quiet"), "what was there") << "only a complete download replaces a file";
    EXPECT_TRUE(s.client.LocalFileWritten());

    ASSERT_EQ(s.run(&TCustomFtpCli::BeginLogin), Done(ftpRqLogin, 0)) << s.server.failure().toStdString();
    s.client.SetLocalFileName(s.local.file("stall"));
    s.client.SetHostFileName("stall");
    EXPECT_EQ(s.run(&TCustomFtpCli::BeginGetFile, 5000), Done(ftpRqGetFile, 426));
    EXPECT_EQ(s.client.ErrorMessage(), "426 Timeout: nothing received or sent for 1 seconds");
    EXPECT_FALSE(std::filesystem::exists(s.local.file("stall")));
    EXPECT_EQ(s.local.read(".stall.tavlin-part"), std::string(1000, 's')) << "what arrived stays, for resuming";
    EXPECT_TRUE(s.client.LocalFileWritten());

    ASSERT_EQ(s.run(&TCustomFtpCli::BeginLogin), Done(ftpRqLogin, 0)) << s.server.failure().toStdString();
    s.client.SetLocalFileName(s.local.file("slow"));
    s.client.SetHostFileName("slow");
    EXPECT_EQ(s.run(&TCustomFtpCli::BeginGetFile, 5000), Done(ftpRqGetFile, 0)) << s.client.ErrorMessage();
    EXPECT_EQ(s.local.read("slow"), "piecepiecepiecepiecepiecepiece");

    s.client.SetHostDirName("/gone");
    EXPECT_EQ(s.run(&TCustomFtpCli::BeginChangeDir, 5000), Done(ftpRqChangeDir, 426));
    EXPECT_EQ(s.client.StatusCode(), 426);
    EXPECT_FALSE(s.client.Connected());
    EXPECT_TRUE(s.server.failure().isEmpty()) << s.server.failure().toStdString();
}

INSTANTIATE_TEST_SUITE_P(BothModes, FtpInactivity, ::testing::Bool(), modeName);

// A reply is timed as a whole from its first byte, with the inactivity
// limit: one that drips in a line at a time ends, while an end reply that
// begins only after a transfer slower than the limit stands. A bare "220"
// is a welcome like any other.
TEST(FtpReplyLimit, ADrippingReplyEndsButALateEndReplyAndABare220Stand)
{
    ScriptedSession s;
    ScriptedFtpServer& server = s.server;
    server.reply("220").expect("USER").reply("331 pw").expect("PASS").reply("230 in");
    prepareData(server, true).expect("RETR slow").reply("150 go");
    openData(server, true);
    for (int i = 0; i < 6; ++i)
        server.delay(250).sendData("piece");
    server.closeData().send("226-Transfer complete\r\n226-of six pieces\r\n226 done\r\n");
    server.expect("SYST");
    for (int i = 0; i < 40; ++i)
        server.delay(250).reply("215-still going");
    server.reply("215 UNIX");
    ASSERT_TRUE(s.start(true)) << s.client.ErrorMessage();
    s.client.SetInactivityTimeout(1);

    s.client.SetLocalFileName(s.local.file("slow"));
    s.client.SetHostFileName("slow");
    EXPECT_EQ(s.run(&TCustomFtpCli::BeginGetFile, 5000), Done(ftpRqGetFile, 0)) << s.client.ErrorMessage();
    EXPECT_EQ(s.local.read("slow"), "piecepiecepiecepiecepiecepiece");

    EXPECT_EQ(s.run(&TCustomFtpCli::BeginSystem, 5000), Done(ftpRqSystem, 426));
    EXPECT_EQ(s.client.ErrorMessage(), "426 Timeout: the server's reply was not complete after 1 seconds");
    EXPECT_FALSE(s.client.Connected());
    EXPECT_EQ(s.client.State(), ftpStateReady);
}
