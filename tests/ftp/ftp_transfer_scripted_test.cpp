// Data-connection corners against the scripted server.
#include "fixtures/scripted_ftp_server.h"
#include "ftp/ftp_local_stream.h"
#include "ftp_event_log.h"
#include "scripted_session.h"
#include "net/wsocket.h"
#include "support/temp_dir.h"
#include "support/wait.h"

#include <QRegularExpression>
#include <algorithm>
#include <gtest/gtest.h>

namespace {

using Done = std::pair<TFtpRequest, int>;
const QByteArray Pasv227 = "227 Entering Passive Mode (127,0,0,1,{p1},{p2})";

// The shared scripted session, with the script of an upload up to its 150.
struct Transfer : ScriptedSession {
    // The script up to the server's 150 for "STOR name", with the data
    // connection up, in passive or active mode.
    ScriptedFtpServer& upTo150(bool passive, const QByteArray& name)
    {
        server.login();
        if (passive)
            return server.expect("PASV").replyWithDataPort(Pasv227).acceptDataConnection()
                .expect("STOR " + name).reply("150 go");
        return server.expect("PORT").reply("200 ok").expect("STOR " + name).reply("150 go")
            .connectToClientDataPort();
    }
};

// Bytes that differ along the file, so a piece lost, doubled or out of
// place shows.
std::string varyingBytes(std::size_t size)
{
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 2654435761u) >> 13);
    return bytes;
}

// Whether what the server got is the start of the file, unchanged.
bool isStartOf(const QByteArray& received, const std::string& file)
{
    return static_cast<std::size_t>(received.size()) <= file.size()
           && std::equal(received.begin(), received.end(), file.begin());
}

} // namespace

TEST(FtpTransferScripted, FinalReplyBeforeOrAfterTheDataCloseEndsTheReceiveOnce)
{
    Transfer t;
    t.server.login()
        .expect("PASV").replyWithDataPort(Pasv227).expect("RETR one").reply("150 Opening")
        .acceptDataConnection().sendData("first file").reply("226 early").delay(200).closeData()
        .expect("PASV").replyWithDataPort(Pasv227).expect("RETR two").reply("150 Opening")
        .acceptDataConnection().sendData("second file").closeData().delay(200).reply("226 late");
    ASSERT_TRUE(t.start(true));
    t.client.SetLocalFileName(t.local.file("one"));
    t.client.SetHostFileName("one");
    EXPECT_EQ(t.run(&TCustomFtpCli::BeginGetFile), Done(ftpRqGetFile, 0));
    EXPECT_EQ(t.local.read("one"), "first file");
    t.client.SetLocalFileName(t.local.file("two"));
    t.client.SetHostFileName("two");
    EXPECT_EQ(t.run(&TCustomFtpCli::BeginGetFile), Done(ftpRqGetFile, 0));
    EXPECT_EQ(t.local.read("two"), "second file");
    pumpEventsFor(100);
    EXPECT_EQ(t.log.done.size(), 3u);
    EXPECT_TRUE(t.server.failure().isEmpty()) << t.server.failure().toStdString();
}

// A data connection the server resets is a failed transfer of its own,
// whatever its final reply says.
TEST(FtpTransferScripted, AResetDataConnectionFailsTheTransferWhateverTheReply)
{
    Transfer t;
    t.server.login()
        .expect("PASV").replyWithDataPort(Pasv227).expect("RETR f").reply("150 Opening")
        .acceptDataConnection().sendData("the first part").delay(100).resetData().delay(100)
        .reply("226 Transfer complete.");
    ASSERT_TRUE(t.start(true));
    t.client.SetLocalFileName(t.local.file("f"));
    t.client.SetHostFileName("f");
    const Done done = t.run(&TCustomFtpCli::BeginGetFile);
    EXPECT_EQ(done.first, ftpRqGetFile);
    EXPECT_NE(done.second, 0);
    EXPECT_EQ(t.client.StatusCode(), 426);
    EXPECT_EQ(t.client.ErrorMessage().rfind("426 ", 0), 0u) << t.client.ErrorMessage();
    EXPECT_NE(t.client.ErrorMessage().find("reset"), std::string::npos) << t.client.ErrorMessage();
    EXPECT_EQ(t.client.ErrorMessage().find("226"), std::string::npos) << t.client.ErrorMessage();
}

TEST(FtpTransferScripted, RestAnsweredWith200RestartsAtZeroOnATruncatedFile)
{
    Transfer t;
    t.server.login()
        .expect("PASV").replyWithDataPort(Pasv227).expect("REST 1000").reply("200 REST ignored")
        .expect("RETR f").reply("150 go").acceptDataConnection().sendData("whole new content")
        .closeData().reply("226 ok");
    ASSERT_TRUE(t.start(true));
    t.local.write("f", std::string(1000, 'z'));
    t.client.SetLocalFileName(t.local.file("f"));
    t.client.SetHostFileName("f");
    EXPECT_EQ(t.run(&TCustomFtpCli::BeginResumeGetFile), Done(ftpRqResumeGetFile, 0));
    EXPECT_EQ(t.local.read("f"), "whole new content");
    ASSERT_FALSE(t.log.progress.empty());
    EXPECT_EQ(t.log.progress.front(), 0);
}

TEST(FtpTransferScripted, ARefusedCallDuringRestDoesNotLoseTheResumeOffset)
{
    Transfer t;
    t.server.login()
        .expect("PASV").replyWithDataPort(Pasv227).expect("REST 1000").delay(300).reply("350 Restarting at 1000")
        .expect("RETR f").reply("150 go").acceptDataConnection().sendData("the rest").closeData().reply("226 ok");
    ASSERT_TRUE(t.start(true));
    t.local.write("f", std::string(1000, 'h'));
    t.client.SetLocalFileName(t.local.file("f"));
    t.client.SetHostFileName("f");
    t.client.BeginResumeGetFile();
    ASSERT_TRUE(waitUntil([&] { return t.server.commands().size() == 4; }));
    // A request while busy is refused and starts nothing.
    EXPECT_THROW(t.client.BeginSystem(), FtpException);
    ASSERT_TRUE(t.log.waitDone(2));
    EXPECT_EQ(t.log.done.back(), Done(ftpRqResumeGetFile, 0)) << t.server.failure().toStdString();
    EXPECT_EQ(t.local.read("f"), std::string(1000, 'h') + "the rest");
}

TEST(FtpTransferScripted, MultiLine150IsShownInFullAndTheLastLineMovesOn)
{
    Transfer t;
    t.server.login()
        .expect("PASV").replyWithDataPort(Pasv227).expect("RETR m")
        .send("150-Here it comes\r\n150-in binary\r\n150 Opening data connection\r\n")
        .acceptDataConnection().sendData("xyz").closeData().reply("226 done");
    ASSERT_TRUE(t.start(true));
    t.client.SetLocalFileName(t.local.file("m"));
    t.client.SetHostFileName("m");
    EXPECT_EQ(t.run(&TCustomFtpCli::BeginGetFile), Done(ftpRqGetFile, 0));
    EXPECT_TRUE(t.shown("< 150-Here it comes"));
    EXPECT_TRUE(t.shown("< 150-in binary"));
    EXPECT_TRUE(t.shown("< 150 Opening data connection"));
    EXPECT_EQ(t.local.read("m"), "xyz");
}

TEST(FtpTransferScripted, ActiveModeAtLoopbackSendsAPortCommandForLoopback)
{
    Transfer t;
    t.server.login()
        .expect("PORT 127,0,0,1,").reply("200 PORT ok").expect("RETR a").reply("150 go")
        .connectToClientDataPort().sendData("active data").closeData().reply("226 ok");
    ASSERT_TRUE(t.start(false));
    t.client.SetLocalFileName(t.local.file("a"));
    t.client.SetHostFileName("a");
    EXPECT_EQ(t.run(&TCustomFtpCli::BeginGetFile), Done(ftpRqGetFile, 0)) << t.server.failure().toStdString();
    EXPECT_EQ(t.local.read("a"), "active data");
    const QByteArray port = t.server.commands().at(2);
    EXPECT_TRUE(QRegularExpression("^PORT 127,0,0,1,\\d{1,3},\\d{1,3}$").match(QString::fromLatin1(port)).hasMatch())
        << port.toStdString();
}

TEST(FtpTransferScripted, PassiveReplyAddressIsIgnoredAndOnlyItsPortUsed)
{
    Transfer t;
    t.server.login()
        .expect("PASV").replyWithDataPort("227 Entering Passive Mode (10,255,0,1,{p1},{p2})")
        .expect("LIST").reply("150 here").acceptDataConnection()
        .sendData("-rw-r--r-- 1 u g 5 Jan 1 00:00 a.txt\r\n").closeData().reply("226 ok");
    ASSERT_TRUE(t.start(true));
    t.client.SetLocalFileName(t.local.file("FTPDIRL.TXT"));
    EXPECT_EQ(t.run(&TCustomFtpCli::BeginListDir), Done(ftpRqListDir, 0));
    EXPECT_EQ(t.local.read("FTPDIRL.TXT"), "-rw-r--r-- 1 u g 5 Jan 1 00:00 a.txt\r\n");
}

TEST(FtpTransferScripted, PassiveReplyWithoutNumbersEndsTheRequestWithoutSendingRetr)
{
    Transfer t;
    t.server.login().expect("PASV").reply("227 Entering Passive Mode").expect("NOOP").reply("200 still here");
    ASSERT_TRUE(t.start(true));
    t.local.write("keep", "old content");
    t.client.SetLocalFileName(t.local.file("keep"));
    t.client.SetHostFileName("x");
    EXPECT_EQ(t.run(&TCustomFtpCli::BeginGetFile), Done(ftpRqGetFile, 550));
    EXPECT_EQ(t.client.ErrorMessage(),
              "Unable to establish data connection, passive reply not understood: 227 Entering Passive Mode");
    EXPECT_EQ(t.local.read("keep"), "old content") << "the local file is not touched";
    t.client.SetLocalFileName("NOOP");
    EXPECT_EQ(t.run(&TCustomFtpCli::BeginRawCommand), Done(ftpRqRawCommand, 0));
    EXPECT_EQ(t.server.commands(), (QList<QByteArray>{"USER tavlin", "PASS s3cret", "PASV", "NOOP"}));
}

TEST(FtpTransferScripted, LocalFileThatCannotBeCreatedEndsWith550BeforeRetr)
{
    Transfer t;
    t.server.login().expect("PASV").replyWithDataPort(Pasv227);
    ASSERT_TRUE(t.start(true));
    const std::string path = t.local.file("missing-dir/f");
    t.client.SetLocalFileName(path);
    t.client.SetHostFileName("f");
    EXPECT_EQ(t.run(&TCustomFtpCli::BeginGetFile), Done(ftpRqGetFile, 550));
    EXPECT_EQ(t.client.LastResponse(), "Unable to open local file " + path);
    EXPECT_EQ(t.client.StatusCode(), 550);
    EXPECT_EQ(t.server.commands().size(), 3);
}

TEST(FtpTransferScripted, CancelInReadyToTransmitAndMissingFileEndWith426WithoutStor)
{
    Transfer t;
    t.server.login().expect("PORT").reply("200 ok").expect("PORT").reply("200 ok");
    ASSERT_TRUE(t.start(false));
    t.local.write("up", "data");
    t.client.OnReadyToTransmit = [](TCustomFtpCli*, bool& cancel) { cancel = true; };
    t.client.SetLocalFileName(t.local.file("up"));
    t.client.SetHostFileName("up");
    EXPECT_EQ(t.run(&TCustomFtpCli::BeginPutFile), Done(ftpRqPutFile, 426));
    EXPECT_EQ(t.client.ErrorMessage(), "426 Transmit cancelled by application");
    EXPECT_TRUE(t.shown("! 426 Transmit cancelled by application"));

    t.client.OnReadyToTransmit = nullptr;
    t.client.SetLocalFileName(t.local.file("absent"));
    EXPECT_EQ(t.run(&TCustomFtpCli::BeginPutFile), Done(ftpRqPutFile, 426));
    EXPECT_EQ(t.client.ErrorMessage(), "426 Unable to open local file " + t.local.file("absent"));
    pumpEventsFor(50);
    for (const QByteArray& command : t.server.commands())
        EXPECT_FALSE(command.startsWith("STOR")) << command.toStdString();
}

TEST(FtpTransferScripted, RefusedStorAndEarlyCloseOfTheDataConnectionFail)
{
    Transfer t;
    t.server.login()
        .expect("PORT").reply("200 ok").expect("STOR a").reply("553 Not allowed")
        .expect("PORT").reply("200 ok").expect("STOR b").reply("150 go").connectToClientDataPort()
        .closeData().reply("226 Transfer complete");
    ASSERT_TRUE(t.start(false));
    t.local.write("big", std::string(3 << 20, 'q'));
    t.client.SetLocalFileName(t.local.file("big"));
    t.client.SetHostFileName("a");
    EXPECT_EQ(t.run(&TCustomFtpCli::BeginPutFile), Done(ftpRqPutFile, 553));
    EXPECT_EQ(t.client.ErrorMessage(), "553 Not allowed");

    // The server hangs up the data connection after a few bytes and still
    // claims success: the upload did not go through and must not say so.
    t.client.SetHostFileName("b");
    const Done done = t.run(&TCustomFtpCli::BeginPutFile);
    EXPECT_EQ(done.first, ftpRqPutFile);
    EXPECT_NE(done.second, 0);
    EXPECT_EQ(t.client.State(), ftpStateReady);
}

TEST(FtpTransferScripted, ServerThatCannotOpenTheDataConnectionEndsTheReceive)
{
    Transfer t;
    t.server.login().expect("PORT").reply("200 ok").expect("RETR r").reply("425 Can't open data connection.");
    ASSERT_TRUE(t.start(false));
    t.client.SetLocalFileName(t.local.file("r"));
    t.client.SetHostFileName("r");
    EXPECT_EQ(t.run(&TCustomFtpCli::BeginGetFile), Done(ftpRqGetFile, 425));
    EXPECT_EQ(t.client.ErrorMessage(), "425 Can't open data connection.");
}

TEST(FtpTransferScripted, ReceiveEndedByAFailureReplyShowsRetrFailed)
{
    Transfer t;
    t.server.login()
        .expect("PASV").replyWithDataPort(Pasv227).expect("RETR x").reply("150 go")
        .acceptDataConnection().sendData("part").closeData().reply("426 Connection closed; transfer aborted.");
    ASSERT_TRUE(t.start(true));
    t.client.SetLocalFileName(t.local.file("x"));
    t.client.SetHostFileName("x");
    EXPECT_EQ(t.run(&TCustomFtpCli::BeginGetFile), Done(ftpRqGetFile, 426));
    EXPECT_TRUE(t.shown("! RETR/LIST/NLST Failed"));
}

TEST(FtpTransferScripted, DisplayedLinesFollowTheReceivedBlocks)
{
    Transfer t;
    t.server.login()
        .expect("PASV").replyWithDataPort(Pasv227).expect("NLST").reply("150 go")
        .acceptDataConnection().sendData("a\r\nb").delay(300).sendData("\r\nc\r\n").closeData().reply("226 ok");
    ASSERT_TRUE(t.start(true));
    t.client.SetDisplayFileFlag(true);
    EXPECT_EQ(t.run(&TCustomFtpCli::BeginListNames), Done(ftpRqListNames, 0));
    EXPECT_EQ(t.log.displayFile, (std::vector<std::string>{"a", "b", "", "c"}));
}

TEST(FtpTransferScripted, ActiveUploadSendsTheWholeFileWhicheverComesFirst)
{
    // 150 before the data connection, then the data connection before 150.
    Transfer t;
    const std::string bytes(100000, 'u');
    t.server.login()
        .expect("PORT").reply("200 ok").expect("STOR one").reply("150 go").delay(200)
        .connectToClientDataPort().receiveDataUntilClosed().reply("226 ok")
        .expect("PORT").reply("200 ok").expect("STOR two").connectToClientDataPort().delay(200)
        .reply("150 go").receiveDataUntilClosed().reply("226 ok");
    ASSERT_TRUE(t.start(false));
    t.local.write("up", bytes);
    t.client.SetLocalFileName(t.local.file("up"));
    t.client.SetHostFileName("one");
    EXPECT_EQ(t.run(&TCustomFtpCli::BeginPutFile), Done(ftpRqPutFile, 0)) << t.server.failure().toStdString();
    t.client.SetHostFileName("two");
    EXPECT_EQ(t.run(&TCustomFtpCli::BeginPutFile), Done(ftpRqPutFile, 0)) << t.server.failure().toStdString();
    EXPECT_EQ(t.server.receivedData(), QByteArray::fromStdString(bytes + bytes));
}

TEST(FtpTransferScripted, UploadAbortedFromProgressMidwayEndsOnceAndClosesTheDataConnection)
{
    const std::string bytes = varyingBytes(8 << 20);
    for (const bool passive : {true, false}) {
        SCOPED_TRACE(passive ? "passive" : "active");
        Transfer t;
        // The server takes whatever comes and then claims success.
        t.upTo150(passive, "half").receiveDataUntilClosed().reply("226 Transfer complete")
            .expect("NOOP").reply("200 still here");
        ASSERT_TRUE(t.start(passive));
        std::vector<std::int64_t> counts;
        t.client.OnProgress = [&](TCustomFtpCli*, std::int64_t count, bool& abort) {
            counts.push_back(count);
            abort = count >= (3 << 20);
        };
        t.local.write("half", bytes);
        t.client.SetLocalFileName(t.local.file("half"));
        t.client.SetHostFileName("half");
        EXPECT_EQ(t.run(&TCustomFtpCli::BeginPutFile), Done(ftpRqPutFile, 426)) << t.server.failure().toStdString();
        EXPECT_EQ(t.client.ErrorMessage(), "426 Transfer aborted");
        EXPECT_EQ(std::count(t.log.display.begin(), t.log.display.end(), "! Abort requested"), 1);
        EXPECT_EQ(t.client.DataSocket()->State(), wsClosed);

        // Stopped in the middle: progress went on until the abort, and the
        // server saw the data connection end with part of the file, intact.
        ASSERT_GE(counts.size(), 3u);
        EXPECT_LT(counts.back(), static_cast<std::int64_t>(bytes.size()));
        ASSERT_TRUE(waitUntil([&] { return t.server.commands().size() == 4; })) << t.server.failure().toStdString();
        const QByteArray received = t.server.receivedData();
        EXPECT_LT(static_cast<std::size_t>(received.size()), bytes.size());
        EXPECT_TRUE(isStartOf(received, bytes));

        // Ended once; the file is let go and the session goes on.
        pumpEventsFor(100);
        EXPECT_EQ(t.log.done.size(), 2u);
        FtpLocalStream stream;
        EXPECT_TRUE(stream.CreateForWrite(t.local.file("half"), ftpShareExclusive));
        t.client.SetLocalFileName("NOOP");
        EXPECT_EQ(t.run(&TCustomFtpCli::BeginRawCommand), Done(ftpRqRawCommand, 0));
        EXPECT_TRUE(t.server.failure().isEmpty()) << t.server.failure().toStdString();
    }
}

TEST(FtpTransferScripted, ServerClosingTheDataConnectionAfterOneMebibyteFailsTheUpload)
{
    const std::string bytes = varyingBytes(16 << 20);
    for (const bool passive : {true, false}) {
        SCOPED_TRACE(passive ? "passive" : "active");
        Transfer t;
        // The server hangs up the data connection early and still claims
        // success: the upload did not go through and must not say so.
        t.upTo150(passive, "cut").receiveData(1 << 20).closeData().reply("226 Transfer complete")
            .expect("NOOP").reply("200 still here");
        ASSERT_TRUE(t.start(passive));
        t.local.write("cut", bytes);
        t.client.SetLocalFileName(t.local.file("cut"));
        t.client.SetHostFileName("cut");
        const Done done = t.run(&TCustomFtpCli::BeginPutFile);
        EXPECT_EQ(done.first, ftpRqPutFile) << t.server.failure().toStdString();
        EXPECT_NE(done.second, 0);
        EXPECT_EQ(t.client.State(), ftpStateReady);
        EXPECT_EQ(t.client.DataSocket()->State(), wsClosed);
        EXPECT_TRUE(isStartOf(t.server.receivedData(), bytes));

        pumpEventsFor(100);
        EXPECT_EQ(t.log.done.size(), 2u) << "the upload ends exactly once";
        FtpLocalStream stream;
        EXPECT_TRUE(stream.CreateForWrite(t.local.file("cut"), ftpShareExclusive));
        t.client.SetLocalFileName("NOOP");
        EXPECT_EQ(t.run(&TCustomFtpCli::BeginRawCommand), Done(ftpRqRawCommand, 0));
        EXPECT_TRUE(t.server.failure().isEmpty()) << t.server.failure().toStdString();
    }
}

TEST(FtpTransferStatistics, RateUsesIntegerArithmeticAndIsLeftOutForNoTime)
{
    EXPECT_EQ(TCustomFtpCli::TransferStatisticsText(100000, 5000, 5000), "100000 bytes received/sent in 0 seconds");
    EXPECT_EQ(TCustomFtpCli::TransferStatisticsText(20000, 1000, 1400),
              "20000 bytes received/sent in 0 seconds (50000 Bytes/sec)");
    // From 32768 bytes on the division comes first.
    EXPECT_EQ(TCustomFtpCli::TransferStatisticsText(100000, 0, 3000),
              "100000 bytes received/sent in 3 seconds (33000 Bytes/sec)");
    EXPECT_EQ(TCustomFtpCli::TransferStatisticsText(5000000000LL, 0, 4000),
              "5000000000 bytes received/sent in 4 seconds (1250000000 Bytes/sec)");
}

TEST(FtpTransferScripted, OneShotPutReportsThePutTypeOnceItsUploadStepBegan)
{
    Transfer t;
    t.server.login()
        .expect("CWD /in").reply("250 ok").expect("TYPE I").reply("200 ok")
        .expect("PASV").replyWithDataPort(Pasv227).acceptDataConnection().expect("STOR s.txt").reply("150 go")
        .receiveDataUntilClosed().reply("226 stored").expect("QUIT").reply("221 bye")
        .acceptControlConnection().login()
        .expect("CWD /in").reply("250 ok").expect("TYPE I").reply("200 ok")
        .expect("PASV").replyWithDataPort(Pasv227).acceptDataConnection().expect("APPE s.txt").reply("150 go")
        .receiveDataUntilClosed().reply("226 appended").expect("QUIT").reply("221 bye")
        .acceptControlConnection().login()
        .expect("CWD /in").reply("550 no such directory");
    ASSERT_TRUE(t.server.start());
    pointAt(t.client, t.server.portText().toStdString());
    t.client.SetPassive(true);
    t.local.write("s.txt", "session data");
    t.client.SetLocalFileName(t.local.file("s.txt"));
    t.client.SetHostFileName("s.txt");
    t.client.SetHostDirName("/in");
    EXPECT_EQ(t.run(&TCustomFtpCli::BeginSessionPut), Done(ftpRqPutFile, 0)) << t.server.failure().toStdString();
    EXPECT_EQ(t.client.LastResponse(), "226 stored");
    EXPECT_EQ(t.run(&TCustomFtpCli::BeginSessionAppend), Done(ftpRqAppendFile, 0)) << t.server.failure().toStdString();
    EXPECT_EQ(t.server.receivedData(), "session datasession data");
    // Failing before the upload step, the one-shot put keeps its own type.
    EXPECT_EQ(t.run(&TCustomFtpCli::BeginSessionPut), Done(ftpRqSessionPut, 550));
}

TEST(FtpTransferScripted, FailedPortStepEndsTheGetAndNothingOfItLingers)
{
    Transfer t;
    t.server.login().expect("PORT").reply("500 PORT not understood").expect("CWD /d").reply("250 ok");
    ASSERT_TRUE(t.start(false));
    t.client.SetLocalFileName(t.local.file("g"));
    t.client.SetHostFileName("g");
    EXPECT_EQ(t.run(&TCustomFtpCli::BeginGetFile), Done(ftpRqGetFile, 500));
    t.client.SetHostDirName("/d");
    EXPECT_EQ(t.run(&TCustomFtpCli::BeginChangeDir), Done(ftpRqChangeDir, 0));
    pumpEventsFor(100);
    EXPECT_EQ(t.server.commands().size(), 4);
    EXPECT_TRUE(t.server.finished());
}

TEST(FtpTransferScripted, AbortDuringADownloadEndsItAndLetsGoOfTheFile)
{
    Transfer t;
    t.server.login()
        .expect("PASV").replyWithDataPort(Pasv227).expect("RETR slow").reply("150 go")
        .acceptDataConnection().sendData(QByteArray(5000, 's')).delay(5000).closeData().reply("226 late");
    ASSERT_TRUE(t.start(true));
    t.client.SetLocalFileName(t.local.file("slow"));
    t.client.SetHostFileName("slow");
    t.client.BeginGetFile();
    ASSERT_TRUE(waitUntil([&] { return t.client.ByteCount() == 5000; }));
    t.client.BeginAbort();
    ASSERT_TRUE(t.log.waitDone(2));
    EXPECT_EQ(t.log.done.back(), Done(ftpRqGetFile, 426));
    EXPECT_EQ(t.client.ErrorMessage(), "426 Operation aborted.");
    EXPECT_EQ(t.client.State(), ftpStateReady);
    EXPECT_FALSE(t.client.Connected());
    EXPECT_EQ(t.local.read(".slow.tavlin-part"), std::string(5000, 's')) << "what arrived is on disk, the file closed";
    // Another transfer of ours may take the file at once: nothing holds it.
    FtpLocalStream stream;
    EXPECT_TRUE(stream.CreateForWrite(t.local.file(".slow.tavlin-part"), ftpShareExclusive));
}

TEST(FtpTransferScripted, LocalWriteFailureEndsTheDownloadWithAnError)
{
    // The server confirms the transfer; the disk did not take it.
    Transfer t;
    t.server.login()
        .expect("PASV").replyWithDataPort(Pasv227).expect("RETR full").reply("150 go")
        .acceptDataConnection().sendData(QByteArray(600000, 'f')).closeData().reply("226 ok");
    ASSERT_TRUE(t.start(true));
    t.client.SetShareMode(ftpShareDenyNone);
    t.client.SetLocalFileName("/dev/full");
    t.client.SetHostFileName("full");
    const Done done = t.run(&TCustomFtpCli::BeginGetFile);
    EXPECT_EQ(done, Done(ftpRqGetFile, 550));
    EXPECT_EQ(t.client.ErrorMessage(), "550 Error writing local file /dev/full: No space left on device");
    EXPECT_TRUE(t.shown("! Error writing local file: No space left on device"));
    EXPECT_EQ(t.client.State(), ftpStateReady);
    // What the server says after the cut would be taken for the answer to
    // the next command: the connection is given up.
    EXPECT_FALSE(t.client.Connected());
}

TEST(FtpShareMode, ModesThatDenyOthersHoldOffOurOtherTransfers)
{
    TempDir dir;
    dir.write("f", "content");
    const std::string path = dir.file("f");
    {
        FtpLocalStream writer;
        ASSERT_TRUE(writer.CreateForWrite(path, ftpShareExclusive));
        FtpLocalStream other;
        EXPECT_FALSE(other.OpenForRead(path, 0, ftpShareDenyWrite));
        EXPECT_FALSE(other.CreateForWrite(path, ftpShareExclusive));
        EXPECT_TRUE(other.OpenForRead(path, 0, ftpShareDenyNone));
    }
    dir.write("f", "content");
    {
        FtpLocalStream reader1;
        FtpLocalStream reader2;
        ASSERT_TRUE(reader1.OpenForRead(path, 0, ftpShareDenyWrite));
        EXPECT_TRUE(reader2.OpenForRead(path, 0, ftpShareDenyWrite)) << "readers share";
        FtpLocalStream writer;
        EXPECT_FALSE(writer.CreateForWrite(path, ftpShareExclusive));
    }
    EXPECT_EQ(dir.read("f"), "content") << "a writer refused its lock must not empty the file";

    TFtpClient client;
    EXPECT_EQ(client.ShareMode(), ftpShareExclusive);
    client.SetShareMode(ftpShareDenyRead);
    EXPECT_EQ(client.ShareMode(), ftpShareDenyRead);
    client.SetShareMode(static_cast<TFtpShareMode>(42));
    EXPECT_EQ(client.ShareMode(), ftpShareExclusive);
}

TEST(FtpTransferScripted, AsciiTypeStoresLfLineEndsAndSendsCrLfOnesAndNeverResumes)
{
    Transfer t;
    // A CR LF split by the end of a 2048-byte receive, a CR that ends no
    // line, CR CR LF, and a CR at the very end of the file.
    const QByteArray received = QByteArray(2047, 'x') + "\r\nline\r\rtwo\r\r\nend\r";
    const std::string stored = std::string(2047, 'x') + "\nline\r\rtwo\r\nend\r";
    // LF and CR LF alike go out as CR LF, also where a read block of the
    // file ends between the CR and the LF.
    const std::string upload = std::string(512 * 1024 - 1, 'y') + "\r\nz\nw\r\n";
    const QByteArray sent = QByteArray(512 * 1024 - 1, 'y') + "\r\nz\r\nw\r\n";
    t.server.login().expect("TYPE A").reply("200 ok")
        .expect("PASV").replyWithDataPort(Pasv227).expect("RETR text").reply("150 go").acceptDataConnection()
        .sendData(received).closeData().reply("226 ok")
        // Whatever the part file holds, an ASCII download starts again.
        .expect("PASV").replyWithDataPort(Pasv227).expect("RETR text").reply("150 go").acceptDataConnection()
        .sendData("again\r\n").closeData().reply("226 ok")
        .expect("PASV").replyWithDataPort(Pasv227).acceptDataConnection().expect("STOR up").reply("150 go")
        .receiveDataUntilClosed().reply("226 ok");
    ASSERT_TRUE(t.start(true));
    t.client.SetBinary(false);
    ASSERT_EQ(t.run(&TCustomFtpCli::BeginSetType), Done(ftpRqSetType, 0));
    t.client.SetHostFileName("text");
    t.client.SetLocalFileName(t.local.file("text.txt"));
    EXPECT_EQ(t.run(&TCustomFtpCli::BeginGetFile), Done(ftpRqGetFile, 0)) << t.server.failure().toStdString();
    EXPECT_EQ(t.local.read("text.txt"), stored);

    t.local.write(".text.txt.tavlin-part", "some earlier bytes");
    EXPECT_EQ(t.run(&TCustomFtpCli::BeginResumeGetFile), Done(ftpRqResumeGetFile, 0))
        << t.server.failure().toStdString();
    EXPECT_EQ(t.local.read("text.txt"), "again\n");

    t.local.write("up.txt", upload);
    t.client.SetLocalFileName(t.local.file("up.txt"));
    t.client.SetHostFileName("up");
    EXPECT_EQ(t.run(&TCustomFtpCli::BeginPutFile), Done(ftpRqPutFile, 0)) << t.server.failure().toStdString();
    EXPECT_EQ(t.server.receivedData(), sent);
}
