// Control-connection behaviour against a scripted server: the corners a real
// server will not produce on request.
#include "fixtures/scripted_ftp_server.h"
#include "ftp_event_log.h"
#include "support/wait.h"

#include <gtest/gtest.h>

namespace {

using Events = std::vector<std::string>;

// A connected, logged-in client on a scripted server whose script continues
// with `rest`.
struct Session {
    ScriptedFtpServer server;
    TFtpClient client;
    FtpEventLog log{client};

    bool open()
    {
        if (!server.start())
            return false;
        pointAt(client, server.portText().toStdString());
        client.BeginOpen();
        return log.waitDone() && log.done.back().second == 0;
    }
};

} // namespace

TEST(FtpControlScripted, OpenReportsItsEventsInOrderAndDoneComesLater)
{
    Session s;
    s.server.reply("220 Welcome");
    ASSERT_TRUE(s.server.start());
    pointAt(s.client, s.server.portText().toStdString());
    s.client.BeginOpen();
    EXPECT_TRUE(s.log.done.empty()) << "OnRequestDone must come from the loop, not from the call";
    ASSERT_TRUE(s.log.waitDone());
    EXPECT_EQ(s.log.events, (Events{"State(3)", "State(7)", "Response(220 Welcome)", "Display(< 220 Welcome)",
                                    "State(4)", "SessionConnected(0)", "State(1)", "Done(1,0)"}));
    EXPECT_TRUE(s.client.Connected());
    EXPECT_EQ(s.client.StatusCode(), 220);
}

TEST(FtpControlScripted, SingleCommandAndQuitReportTheirEventsInOrder)
{
    Session s;
    s.server.reply("220 hi").expect("SYST").reply("215 UNIX Type: L8").expect("QUIT").reply("221 Bye");
    ASSERT_TRUE(s.open());
    s.log.clear();

    s.client.BeginSystem();
    ASSERT_TRUE(s.log.waitDone());
    EXPECT_EQ(s.log.events, (Events{"State(8)", "Command(SYST)", "Display(> SYST)", "Response(215 UNIX Type: L8)",
                                    "Display(< 215 UNIX Type: L8)", "State(1)", "Done(14,0)"}));
    s.log.clear();

    s.client.BeginQuit();
    ASSERT_TRUE(s.log.waitDone());
    EXPECT_EQ(s.log.events,
              (Events{"State(8)", "Command(QUIT)", "Display(> QUIT)", "Response(221 Bye)", "Display(< 221 Bye)",
                      "State(0)", "SessionClosed(0)", "State(2)", "State(1)", "Done(15,0)"}));
    EXPECT_FALSE(s.client.Connected());
    EXPECT_TRUE(waitUntil([&] { return s.server.clientClosedControl(); }));
    EXPECT_EQ(s.server.commands(), (QList<QByteArray>{"SYST", "QUIT"}));
}

TEST(FtpControlScripted, MultiLineReplyIsShownInFullAndOnlyItsLastLineDecides)
{
    Session s;
    s.server.reply("220 hi").expect("USER").send("230-Welcome\r\n230-Rules apply\r\n230 Logged in\r\n");
    ASSERT_TRUE(s.open());
    s.log.clear();
    s.client.BeginUser();
    ASSERT_TRUE(s.log.waitDone());
    EXPECT_EQ(s.log.done.back(), std::make_pair(ftpRqUser, 0));
    EXPECT_EQ(s.log.display, (Events{"> USER tavlin", "< 230-Welcome", "< 230-Rules apply", "< 230 Logged in"}));
    EXPECT_EQ(s.client.LastResponse(), "230 Logged in");
    EXPECT_EQ(s.client.StatusCode(), 230);
}

TEST(FtpControlScripted, InnerLinesOfARefusalDoNotEndTheRequestEarly)
{
    // The inner lines carry an accepted code; only the final 530 counts.
    Session s;
    s.server.reply("220 hi").expect("PASS").send("230-almost\n230-there\n530 Login incorrect.\r\n");
    ASSERT_TRUE(s.open());
    s.client.BeginPass();
    ASSERT_TRUE(s.log.waitDone(2));
    EXPECT_EQ(s.log.done.back(), std::make_pair(ftpRqPass, 530));
    EXPECT_EQ(s.client.ErrorMessage(), "530 Login incorrect.");
    EXPECT_TRUE(s.client.Connected()) << "a refused code keeps the connection";
}

TEST(FtpControlScripted, ReplyLineLongerThanTheBufferClosesTheConnection)
{
    Session s;
    s.server.reply("220 hi").expect("PWD").send("257 \"" + QByteArray(5000, 'x'));
    ASSERT_TRUE(s.open());
    s.client.BeginPrintDir();
    ASSERT_TRUE(s.log.waitDone(2));
    EXPECT_FALSE(s.client.Connected());
    EXPECT_NE(s.log.done.back().second, 0);
    EXPECT_EQ(s.log.done.back().first, ftpRqPrintDir);
    EXPECT_EQ(s.client.State(), ftpStateReady);
    EXPECT_EQ(s.log.done.size(), 2u);
    pumpEventsFor(100);
    EXPECT_EQ(s.log.done.size(), 2u) << "the request ends once";
}

TEST(FtpControlScripted, BareLineFeedEndsALineOnlyWithAcceptLF)
{
    Session s;
    s.server.reply("220 hi").expect("NOOP").send("200 first\n").delay(300).send("\r\n")
        .expect("NOOP").send("200 second\n");
    ASSERT_TRUE(s.open());
    s.client.SetOptions({});
    s.client.SetLocalFileName("NOOP");
    s.client.BeginRawCommand();
    // The bare LF alone ends nothing; the line completes with the CR LF.
    EXPECT_FALSE(waitUntil([&] { return s.log.done.size() == 2; }, 200));
    ASSERT_TRUE(s.log.waitDone(2));
    EXPECT_EQ(s.client.LastResponse(), "200 first");

    s.client.SetOptions({ftpAcceptLF});
    s.client.BeginRawCommand();
    ASSERT_TRUE(s.log.waitDone(3));
    EXPECT_EQ(s.client.LastResponse(), "200 second");
    EXPECT_EQ(s.log.done.back(), std::make_pair(ftpRqRawCommand, 0));
}

TEST(FtpControlScripted, UserAcceptedWithoutPasswordSkipsPassAndGoesOnWithCwd)
{
    Session s;
    s.server.reply("220 hi").expect("USER").reply("230 No password needed")
        .expect("CWD /pub").reply("250 ok").expect("SYST").reply("215 UNIX")
        .expect("QUIT").reply("221 bye");
    ASSERT_TRUE(s.server.start());
    pointAt(s.client, s.server.portText().toStdString());
    s.client.SetHostDirName("/pub");
    s.client.BeginSessionRawCommand();
    s.client.SetLocalFileName("SYST");
    ASSERT_TRUE(s.log.waitDone());
    EXPECT_EQ(s.log.done.back(), std::make_pair(ftpRqSessionRawCommand, 0));
    EXPECT_EQ(s.server.commands(), (QList<QByteArray>{"USER tavlin", "CWD /pub", "SYST", "QUIT"}));
    EXPECT_TRUE(s.server.failure().isEmpty()) << s.server.failure().toStdString();
}

TEST(FtpControlScripted, EmptyHostDirNameSkipsCwdAndQuitLeavesThePreviousReply)
{
    Session s;
    s.server.login().expect("MKD new").reply("257 \"/new\" created").expect("QUIT").reply("221 bye");
    ASSERT_TRUE(s.server.start());
    pointAt(s.client, s.server.portText().toStdString());
    s.client.SetHostFileName("new");
    s.client.BeginSessionMakeDir();
    ASSERT_TRUE(s.log.waitDone());
    EXPECT_EQ(s.log.done.back(), std::make_pair(ftpRqSessionMakeDir, 0));
    EXPECT_EQ(s.server.commands(), (QList<QByteArray>{"USER tavlin", "PASS s3cret", "MKD new", "QUIT"}));
    EXPECT_EQ(s.client.LastResponse(), "257 \"/new\" created");
    EXPECT_EQ(s.client.StatusCode(), 257);
    EXPECT_EQ(s.client.DirResult(), "/new");
    EXPECT_EQ(s.client.State(), ftpStateReady);
    EXPECT_FALSE(s.client.Connected());

    // Alone, an empty directory name is a misuse.
    EXPECT_THROW(s.client.BeginChangeDir(), FtpException);
}

TEST(FtpControlScripted, DirResultTakesQuotedNamesWithDoubledQuotes)
{
    Session s;
    s.server.reply("220 hi").expect("PWD").reply("257 \"/a \"\"quoted\"\" dir\" is current")
        .expect("PWD").reply("257 /plain is current")
        .expect("MKD").reply("257   \"x\"")
        .expect("CWD").reply("250 \"should not count\"");
    ASSERT_TRUE(s.open());
    s.client.BeginPrintDir();
    ASSERT_TRUE(s.log.waitDone(2));
    EXPECT_EQ(s.client.DirResult(), "/a \"quoted\" dir");
    s.client.BeginPrintDir();
    ASSERT_TRUE(s.log.waitDone(3));
    EXPECT_EQ(s.client.DirResult(), "");
    s.client.SetHostFileName("x");
    s.client.BeginMakeDir();
    ASSERT_TRUE(s.log.waitDone(4));
    EXPECT_EQ(s.client.DirResult(), "x");
    s.client.SetHostDirName("sub");
    s.client.BeginChangeDir();
    ASSERT_TRUE(s.log.waitDone(5));
    EXPECT_EQ(s.client.DirResult(), "should not count");
}

TEST(FtpControlScripted, ConnectionLostDuringACommandEndsItOnceWithAnError)
{
    Session s;
    s.server.reply("220 hi").expect("CWD").dropConnection();
    ASSERT_TRUE(s.open());
    s.log.clear();
    s.client.SetHostDirName("/x");
    s.client.BeginChangeDir();
    ASSERT_TRUE(s.log.waitDone());
    EXPECT_EQ(s.log.done.back(), std::make_pair(ftpRqChangeDir, 426));
    EXPECT_EQ(s.client.ErrorMessage(), "426 Connection closed by server");
    EXPECT_EQ(s.log.from("State(0)"), (Events{"State(0)", "SessionClosed(0)", "State(2)", "State(1)", "Done(4,426)"}));
    pumpEventsFor(100);
    EXPECT_EQ(s.log.done.size(), 1u);
    // The client is ready for the next session.
    EXPECT_EQ(s.client.State(), ftpStateReady);
    EXPECT_FALSE(s.client.Connected());
}

TEST(FtpControlScripted, ConnectionLostWhileIdleIsSeenThroughSessionClosedOnly)
{
    Session s;
    s.server.reply("220 hi").delay(50).dropConnection();
    ASSERT_TRUE(s.open());
    s.log.clear();
    ASSERT_TRUE(waitUntil([&] { return !s.client.Connected(); }));
    pumpEventsFor(50);
    EXPECT_EQ(s.log.events, (Events{"State(0)", "SessionClosed(0)", "State(2)"}));
}

TEST(FtpControlScripted, WelcomeOtherThan220EndsTheOpenWithThatCode)
{
    Session s;
    s.server.reply("421 Too many users");
    ASSERT_TRUE(s.server.start());
    pointAt(s.client, s.server.portText().toStdString());
    s.client.BeginLogin();
    ASSERT_TRUE(s.log.waitDone());
    EXPECT_EQ(s.log.done.back(), std::make_pair(ftpRqLogin, 421));
    EXPECT_EQ(s.client.ErrorMessage(), "421 Too many users");
    EXPECT_FALSE(s.client.Connected());
    EXPECT_EQ(s.client.State(), ftpStateReady);
    EXPECT_TRUE(s.server.commands().isEmpty()) << "USER must not follow a refused welcome";
}

TEST(FtpControlScripted, GarbageAndUnacceptedCodesEndTheRequestWithTheCode)
{
    Session s;
    s.server.reply("220 hi").expect("SIZE").send("garbage without code\r\n\r\n213-x\r\n502 Not implemented\r\n")
        .expect("SIZE").reply("213 12345").expect("SYST").reply("331 odd");
    ASSERT_TRUE(s.open());
    s.client.SetHostFileName("f");
    s.client.BeginFileSize();
    ASSERT_TRUE(s.log.waitDone(2));
    EXPECT_EQ(s.log.done.back(), std::make_pair(ftpRqFileSize, 502));
    EXPECT_EQ(s.client.SizeResult(), 0);
    s.client.BeginFileSize();
    ASSERT_TRUE(s.log.waitDone(3));
    EXPECT_EQ(s.log.done.back(), std::make_pair(ftpRqFileSize, 0));
    EXPECT_EQ(s.client.SizeResult(), 12345);
    EXPECT_EQ(s.client.ErrorMessage(), "");
    s.client.BeginSystem();
    ASSERT_TRUE(s.log.waitDone(4));
    EXPECT_EQ(s.log.done.back(), std::make_pair(ftpRqSystem, 331));
    EXPECT_EQ(s.client.ErrorMessage(), "331 odd");
}

TEST(FtpControlScripted, AbortDuringAMultiStepRequestEndsItWith426)
{
    Session s;
    s.server.reply("220 hi").expect("USER").delay(5000).reply("331 too late");
    ASSERT_TRUE(s.server.start());
    pointAt(s.client, s.server.portText().toStdString());
    s.client.BeginLogin();
    ASSERT_TRUE(waitUntil([&] { return s.client.State() == ftpStateAwaitingReply; }));
    s.log.clear();
    s.client.BeginAbort();
    EXPECT_TRUE(s.log.done.empty()) << "abort posts nothing itself";
    ASSERT_TRUE(s.log.waitDone());
    EXPECT_EQ(s.log.done.back(), std::make_pair(ftpRqLogin, 426));
    EXPECT_EQ(s.client.ErrorMessage(), "426 Operation aborted.");
    EXPECT_EQ(s.client.State(), ftpStateReady);
    EXPECT_FALSE(s.client.Connected());
    pumpEventsFor(100);
    EXPECT_EQ(s.log.done.size(), 1u);
}

TEST(FtpControlScripted, ARequestBegunRightAfterAnAbortEndsOnlyOnce)
{
    // The aborted log-in's end is already on its way when the caller opens
    // again; it must not arrive as the new open's end.
    Session s;
    s.server.reply("220 hi").expect("USER").waitForClientClose().acceptControlConnection().reply("220 again");
    ASSERT_TRUE(s.server.start());
    pointAt(s.client, s.server.portText().toStdString());
    s.client.BeginLogin();
    ASSERT_TRUE(waitUntil([&] { return s.client.State() == ftpStateAwaitingReply; }));
    s.log.clear();
    s.client.BeginAbort();
    s.client.BeginOpen();
    ASSERT_TRUE(s.log.waitDone());
    pumpEventsFor(200);
    EXPECT_EQ(s.log.done, (std::vector<std::pair<TFtpRequest, int>>{{ftpRqOpen, 0}}));
    EXPECT_TRUE(s.client.Connected());
}

TEST(FtpControlScripted, UsageErrorsRaiseOrGoToOnUsageErrorAndStartNothing)
{
    Session s;
    s.server.reply("220 hi").expect("NOOP").delay(300).reply("200 ok");
    TFtpClient idle;
    EXPECT_THROW(idle.BeginSystem(), FtpException);
    idle.SetUserName("");
    try {
        idle.BeginUser();
        ADD_FAILURE() << "no exception";
    } catch (const FtpException& e) {
        EXPECT_STREQ(e.what(), "UserName emtpy");
    }
    std::vector<std::string> reported;
    idle.OnUsageError = [&](TCustomFtpCli*, std::string& msg) { reported.push_back(msg); };
    idle.BeginPass();
    idle.BeginSystem();
    EXPECT_EQ(reported, (Events{"Password emtpy", "FTP component not connected"}));
    EXPECT_EQ(idle.State(), ftpStateReady);

    ASSERT_TRUE(s.open());
    EXPECT_THROW(s.client.BeginOpen(), FtpException);
    s.client.SetLocalFileName("NOOP");
    s.client.BeginRawCommand();
    try {
        s.client.BeginSystem();
        ADD_FAILURE() << "no exception";
    } catch (const FtpException& e) {
        EXPECT_STREQ(e.what(), "FTP component not ready");
    }
    ASSERT_TRUE(s.log.waitDone(2));
    pumpEventsFor(50);
    EXPECT_EQ(s.log.done.size(), 2u);
}

TEST(FtpControlScripted, UsageConditionInALaterStepEndsTheRequestOnceWith500)
{
    // USER is sent by the runner after the welcome, inside a socket event;
    // an empty user name there cannot be raised to anyone.
    Session s;
    s.server.reply("220 hi").expect("QUIT").reply("221 bye");
    ASSERT_TRUE(s.server.start());
    pointAt(s.client, s.server.portText().toStdString(), "");
    s.client.BeginLogin();
    ASSERT_TRUE(s.log.waitDone());
    EXPECT_EQ(s.log.done.back(), std::make_pair(ftpRqLogin, 500));
    EXPECT_EQ(s.client.ErrorMessage(), "500 UserName emtpy");
    EXPECT_EQ(s.client.State(), ftpStateReady);
    pumpEventsFor(50);
    EXPECT_EQ(s.log.done.size(), 1u);

    // Still usable: the connection stays and the next request runs.
    EXPECT_TRUE(s.client.Connected());
    s.client.BeginQuit();
    ASSERT_TRUE(s.log.waitDone(2));
    EXPECT_EQ(s.log.done.back(), std::make_pair(ftpRqQuit, 0));
}

TEST(FtpControlScripted, BlockingFormTimesOutWith426Timeout)
{
    Session s;
    s.server.reply("220 hi").expect("PWD");
    ASSERT_TRUE(s.open());
    s.client.SetTimeout(1);
    EXPECT_FALSE(s.client.PrintDir());
    EXPECT_EQ(s.client.ErrorMessage(), "426 Timeout");
    EXPECT_EQ(s.client.StatusCode(), 426);
    EXPECT_EQ(s.client.State(), ftpStateReady);
    EXPECT_FALSE(s.client.Connected());
}

TEST(FtpControlScripted, BlockingFormsWaitForTheOutcome)
{
    Session s;
    s.server.reply("220 hi").expect("USER").reply("331 pw").expect("PASS").reply("530 no")
        .expect("PASS").reply("230 in");
    ASSERT_TRUE(s.server.start());
    pointAt(s.client, s.server.portText().toStdString());
    EXPECT_TRUE(s.client.Open());
    EXPECT_TRUE(s.client.User());
    EXPECT_FALSE(s.client.Pass());
    EXPECT_EQ(s.client.StatusCode(), 530);
    EXPECT_TRUE(s.client.Pass());
    s.client.SetHostDirName("");
    EXPECT_FALSE(s.client.ChangeDir()) << "a usage error is a failure";
}
