// The run carried to its end on the real server: the deletion pass on the
// borrowed transfer client, then the queue, then the pending project file
// made the project file; and a discarded queue cancelling the run.
#include "fixtures/local_ftp_server.h"
#include "fixtures/scripted_ftp_server.h"
#include "services/dialogs.h"
#include "support/scripted_dialogs.h"
#include "support/temp_dir.h"
#include "support/wait.h"
#include "transfer/transfer_queue.h"
#include "webwatch/webwatch_run_driver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <optional>

namespace {

std::string crlf(const std::vector<std::string>& lines)
{
    std::string text;
    for (const auto& line : lines)
        text += line + "\r\n";
    return text;
}

class LogCollector : public TransferQueueObserver {
public:
    void logLine(const std::string& line) override { lines.push_back(line); }
    std::vector<std::string> lines;
};

class RunDriverTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::filesystem::create_directory(root.path() + "/site");
        ASSERT_TRUE(server.start()) << server.lastError();
        queue.setObserver(&collector);
        driver.setHooks(RunDriverHooks{[this](const std::string& line) { collector.lines.push_back(line); },
                                       [this](const std::string& text) { shownDeletions.push_back(text); },
                                       {}, {}, {}});
        QObject::connect(&driver, &WebwatchRunDriver::runEnded,
                         [this](UploadRun::EndResult result) { ended = result; });
        QObject::connect(&driver, &WebwatchRunDriver::runCancelled, [this] { cancelled = true; });
    }

    // A record uploading to the test server with the given log-in.
    std::vector<std::string> record(const std::string& localName, const std::string& remoteDirectory,
                                    const std::string& user = "tavlin", const std::string& password = "s3cret",
                                    const std::string& stamp = "May")
    {
        return {" " + local.file(localName), " 127.0.0.1", " " + user, " " + password, " " + server.portText(),
                " " + remoteDirectory, " " + localName, " 1", " " + stamp};
    }

    // Starts "Upload all", answers Yes, and takes the handed-over run up.
    void handOver(const std::vector<std::string>& projectLines)
    {
        data.write("wbprj.dfd", crlf(projectLines));
        ASSERT_TRUE(projects.load(run.currentProjectFile()));
        dialogs.expectYesNoBeginning("Files ready for upload", "Start upload ?\n", DialogAnswer::Yes);
        const UploadRun::Outcome outcome = run.start(projects, UploadRun::Scope::AllProjects);
        ASSERT_EQ(outcome.kind, UploadRun::Outcome::Kind::HandedOver);
        ASSERT_TRUE(driver.takeUpPendingRun(data.file("koefil.dfd")));
    }

    bool logHas(const std::string& part) const
    {
        return std::any_of(collector.lines.begin(), collector.lines.end(),
                           [&](const std::string& line) { return line.find(part) != std::string::npos; });
    }

    TempDir data;
    TempDir local;
    TempDir root;
    LocalFtpServer server{root.path()};
    ScriptedDialogs dialogs;
    std::vector<std::string> ascii{".html", ".txt"};
    UploadRun run{UploadRunFiles{data.file("wbprj.dfd"), data.file("nyweb2.dfd"), data.file("koefil.dfd"),
                                 data.file("defil.dfd")},
                  dialogs, ascii};
    ProjectStore projects;
    TransferQueue queue{QueueFiles(data.file("koefil.dfd"), data.file("rstfil.txt")), dialogs};
    WebwatchRunDriver driver{run, queue};
    LogCollector collector;
    std::vector<std::string> shownDeletions;
    std::optional<UploadRun::EndResult> ended;
    bool cancelled = false;
};

TEST_F(RunDriverTest, DeletesEachLoginOnItsOwnConnectionThenUploadsAndEndsTheRun)
{
    local.write("page.html", "<p>new</p>");
    root.write("site/old.html", "old");
    root.write("site/guarded.txt", "stays");
    root.write("top.txt", "top");
    // Missing locally: old.html (deleted), guarded.txt under the read-only
    // anonymous log-in on the same host and port (refused: reusing the
    // first log-in's connection would wrongly delete it), absent.txt which
    // the server does not have (gone already: its folder's listing lacks
    // it), top.txt in the root.
    std::vector<std::string> lines{"1", "Site", "0", "1"};
    for (const auto& r : {record("page.html", "/site"), record("old.html", "/site"),
                          record("guarded.txt", "/site", "anonymous", ""), record("absent.txt", "/site"),
                          record("top.txt", "/")})
        lines.insert(lines.end(), r.begin(), r.end());
    // Four of the project's five files go: the run asks, and is told Yes.
    dialogs.expectChoice("Many files to delete", "4 of the 5 files of project \"Site\"", 0);
    handOver(lines);
    const std::string pending = data.read("nyweb2.dfd");
    ASSERT_FALSE(data.read("defil.dfd").empty());
    EXPECT_TRUE(run.deletionsPending());

    server.clearCommands();
    driver.start();
    ASSERT_TRUE(waitUntil([&] { return ended.has_value(); }, 30000));
    EXPECT_EQ(*ended, UploadRun::EndResult::Finished);

    EXPECT_FALSE(std::filesystem::exists(root.file("site/old.html")));
    EXPECT_FALSE(std::filesystem::exists(root.file("top.txt")));
    EXPECT_EQ(root.read("site/guarded.txt"), "stays");
    EXPECT_EQ(root.read("site/page.html"), "<p>new</p>");
    // A refusal is logged with the server's own reply; a 550 for a file
    // the listing does not hold is not one.
    EXPECT_TRUE(logHas("Could not delete guarded.txt")) << ::testing::PrintToString(collector.lines);
    EXPECT_TRUE(logHas("550"));
    EXPECT_FALSE(logHas("Could not delete absent.txt"));
    EXPECT_TRUE(logHas("/site/absent.txt on 127.0.0.1 is not on the server any more"));
    EXPECT_EQ(shownDeletions, (std::vector<std::string>{"old.html removed", "guarded.txt removed",
                                                        "absent.txt removed", "top.txt removed"}));

    const std::vector<std::string> commands = server.commands();
    // The anonymous entry logs in on a connection of its own, and the
    // next entry goes back to the first log-in.
    std::vector<std::string> users;
    for (const auto& command : commands)
        if (command.rfind("USER ", 0) == 0)
            users.push_back(command);
    EXPECT_EQ(users, (std::vector<std::string>{"USER tavlin", "USER anonymous", "USER tavlin", "USER tavlin"}))
        << ::testing::PrintToString(commands);
    // A file in "/" is deleted right after the CWD to "/".
    const auto dele = std::find(commands.begin(), commands.end(), "DELE top.txt");
    ASSERT_NE(dele, commands.end());
    EXPECT_EQ(*(dele - 1), "CWD /");
    EXPECT_NE(*(dele - 2), "CWD /");
    // Each refused DELE is sent once, then the folder is listed, hidden
    // files included.
    EXPECT_EQ(std::count(commands.begin(), commands.end(), "DELE guarded.txt"), 1);
    EXPECT_EQ(std::count(commands.begin(), commands.end(), "DELE absent.txt"), 1);
    EXPECT_EQ(std::count(commands.begin(), commands.end(), "LIST -a"), 2);
    // Every deletion comes before the first upload.
    const auto stor = std::find(commands.begin(), commands.end(), "STOR page.html");
    ASSERT_NE(stor, commands.end());
    EXPECT_LT(dele, stor);

    // The run's end: the pending project file is the project file now, with
    // the refused file's record back where it stood, and nothing of the run
    // is left behind.
    ProjectStore ended;
    ASSERT_TRUE(ended.load(data.file("wbprj.dfd")));
    ASSERT_EQ(ended.fileCount(0), 2u);
    EXPECT_EQ(ended.field(0, 0, ProjectField::RemoteFileName), "page.html");
    EXPECT_EQ(ended.field(0, 1, ProjectField::RemoteFileName), "guarded.txt");
    EXPECT_EQ(ended.field(0, 1, ProjectField::UploadStamp), "May");
    ASSERT_TRUE(ended.removeFile(0, 1));
    EXPECT_EQ(ended.lines().joinedText(), pending);
    EXPECT_FALSE(std::filesystem::exists(data.file("nyweb2.dfd")));
    EXPECT_FALSE(std::filesystem::exists(data.file("defil.dfd")));
    EXPECT_FALSE(std::filesystem::exists(data.file("koefil.dfd")));
    EXPECT_FALSE(run.pending());
    EXPECT_EQ(run.currentProjectFile(), data.file("wbprj.dfd"));
}

// A project whose remote directory is written without a leading "/" lives
// in the login folder, on a server that starts the log-in in /home/webuser.
class LoginFolderRunTest : public RunDriverTest {
protected:
    static LocalFtpServer::Options homeFolder()
    {
        LocalFtpServer::Options options;
        options.loginFolder = "/home/webuser";
        return options;
    }

    void SetUp() override
    {
        RunDriverTest::SetUp();
        ASSERT_TRUE(home.start()) << home.lastError();
    }

    std::vector<std::string> homeRecord(const std::string& localName, const std::string& remoteDirectory)
    {
        return {" " + local.file(localName), " 127.0.0.1", " tavlin", " s3cret", " " + home.portText(),
                " " + remoteDirectory, " " + localName, " 1", " May"};
    }

    LocalFtpServer home{root.path(), homeFolder()};
};

TEST_F(LoginFolderRunTest, DeletesAndUploadsInTheLoginFolder)
{
    local.write("page.html", "<p>new</p>");
    local.write("site.html", "<p>site</p>");
    root.write("site/old.html", "old");
    root.write("home/webuser/public_html/gone.html", "gone");
    root.write("public_html/gone.html", "a file of the same name in another folder");
    // The first entry of each pass lies in /site, so the log-in that finds
    // the login folder comes only with the second.
    std::vector<std::string> lines{"1", "Site", "0", "1"};
    for (const auto& r : {homeRecord("site.html", "/site"), homeRecord("page.html", "public_html"),
                          homeRecord("old.html", "/site"), homeRecord("gone.html", "public_html")})
        lines.insert(lines.end(), r.begin(), r.end());
    handOver(lines);
    driver.start();
    ASSERT_TRUE(waitUntil([&] { return ended.has_value(); }, 30000)) << ::testing::PrintToString(collector.lines);
    EXPECT_EQ(*ended, UploadRun::EndResult::Finished);

    EXPECT_FALSE(std::filesystem::exists(root.file("site/old.html")));
    EXPECT_FALSE(std::filesystem::exists(root.file("home/webuser/public_html/gone.html")));
    EXPECT_EQ(root.read("public_html/gone.html"), "a file of the same name in another folder");
    EXPECT_EQ(root.read("home/webuser/public_html/page.html"), "<p>new</p>");
    EXPECT_EQ(root.read("site/site.html"), "<p>site</p>");
    EXPECT_FALSE(logHas("Could not delete")) << ::testing::PrintToString(collector.lines);
    const std::vector<std::string> commands = home.commands();
    EXPECT_NE(std::find(commands.begin(), commands.end(), "CWD /home/webuser/public_html"), commands.end())
        << ::testing::PrintToString(commands);
}

TEST_F(RunDriverTest, ARestoredRunDeletesFirstAndADiscardedQueueCancelsIt)
{
    local.write("a.html", "a");
    root.write("site/gone.html", "gone");
    std::vector<std::string> lines{"1", "Site", "0", "1"};
    for (const auto& r : {record("a.html", "/site"), record("gone.html", "/site")})
        lines.insert(lines.end(), r.begin(), r.end());
    const std::string before = crlf(lines);
    handOver(lines);

    // Discarding the queue cancels the run: the pending files go, the
    // project file is as before and nothing is deleted remotely.
    queue.removeAllClicked();
    EXPECT_TRUE(cancelled);
    EXPECT_FALSE(run.pending());
    EXPECT_FALSE(std::filesystem::exists(data.file("nyweb2.dfd")));
    EXPECT_FALSE(std::filesystem::exists(data.file("defil.dfd")));
    EXPECT_EQ(data.read("wbprj.dfd"), before);
    EXPECT_EQ(root.read("site/gone.html"), "gone");

    // A run found pending at the next start carries out the deletions it
    // still lists before the transfers.
    cancelled = false;
    ASSERT_NO_FATAL_FAILURE(handOver(lines));
    const std::string pending = data.read("nyweb2.dfd");
    TextLineList deletionLines;
    ASSERT_TRUE(deletionLines.loadFromFile(data.file("defil.dfd")));
    UploadRun restarted{UploadRunFiles{data.file("wbprj.dfd"), data.file("nyweb2.dfd"), data.file("koefil.dfd"),
                                       data.file("defil.dfd")},
                        dialogs, ascii};
    restarted.restoreAfterStart(true, deletionLines);
    ASSERT_TRUE(restarted.deletionsPending());
    TransferQueue freshQueue{QueueFiles(data.file("koefil.dfd"), data.file("rstfil.txt")), dialogs};
    WebwatchRunDriver freshDriver{restarted, freshQueue};
    std::optional<UploadRun::EndResult> freshEnd;
    QObject::connect(&freshDriver, &WebwatchRunDriver::runEnded,
                     [&](UploadRun::EndResult result) { freshEnd = result; });
    ASSERT_TRUE(freshDriver.takeUpPendingRun(data.file("koefil.dfd")));
    freshDriver.start();
    ASSERT_TRUE(waitUntil([&] { return freshEnd.has_value(); }, 30000));
    EXPECT_EQ(*freshEnd, UploadRun::EndResult::Finished);
    EXPECT_FALSE(std::filesystem::exists(root.file("site/gone.html")));
    EXPECT_EQ(root.read("site/a.html"), "a");
    EXPECT_EQ(data.read("wbprj.dfd"), pending);
    EXPECT_FALSE(std::filesystem::exists(data.file("defil.dfd")));
    EXPECT_FALSE(cancelled);
}

// A file the user takes out of the queue after the server refused it never
// reached the server: the run's end leaves it marked for the next run.
TEST_F(RunDriverTest, AFileTakenOutOfTheQueueAfterAnErrorIsLeftForTheNextRun)
{
    local.write("ok.html", "ok");
    local.write("bad.html", "bad");
    // Dated back: a file changed within the two seconds of its scan keeps
    // " May" even once sent.
    std::filesystem::last_write_time(local.file("ok.html"),
                                     std::filesystem::file_time_type::clock::now() - std::chrono::hours(1));
    // A folder where the file should go: its STOR is refused.
    std::filesystem::create_directories(root.file("site/bad.html"));
    std::vector<std::string> lines{"1", "Site", "0", "0"};
    for (const auto& r : {record("ok.html", "/site"), record("bad.html", "/site")})
        lines.insert(lines.end(), r.begin(), r.end());
    handOver(lines);

    dialogs.expectYesNoCancelContaining("Error!! ",
                                        {QString::fromStdString("Could not upload " + local.file("bad.html")),
                                         ":Do You want to remove the file that caused the error from this transfer"},
                                        DialogAnswer::Yes);
    dialogs.expectMessage("bad.html removed");
    driver.start();
    ASSERT_TRUE(waitUntil([&] { return ended.has_value(); }, 30000));
    EXPECT_EQ(*ended, UploadRun::EndResult::Finished);
    EXPECT_EQ(root.read("site/ok.html"), "ok");

    ProjectStore after;
    ASSERT_TRUE(after.load(data.file("wbprj.dfd")));
    ASSERT_EQ(after.fileCount(0), 2u);
    EXPECT_EQ(after.field(0, 0, ProjectField::UploadStamp), *ProjectStore::stampOf(local.file("ok.html")));
    EXPECT_EQ(after.field(0, 1, ProjectField::UploadStamp), "May");
    EXPECT_FALSE(std::filesystem::exists(data.file("nyweb2.dfd")));
}

TEST_F(RunDriverTest, AFileTakenOutOfTheWaitingQueueIsLeftForTheNextRun)
{
    local.write("kept.html", "kept");
    local.write("taken.html", "taken");
    for (const char* name : {"kept.html", "taken.html"})
        std::filesystem::last_write_time(local.file(name),
                                         std::filesystem::file_time_type::clock::now() - std::chrono::hours(1));
    std::vector<std::string> lines{"1", "Site", "0", "0"};
    for (const auto& r : {record("kept.html", "/site"), record("taken.html", "/site")})
        lines.insert(lines.end(), r.begin(), r.end());
    handOver(lines);

    // Taken out before Start: the pending project marks it at once.
    ASSERT_EQ(queue.entries().count(), 2u);
    ASSERT_TRUE(queue.removeWaitingEntries({1}));
    ProjectStore pending;
    ASSERT_TRUE(pending.load(data.file("nyweb2.dfd")));
    EXPECT_EQ(pending.field(0, 1, ProjectField::UploadStamp), "May");
    EXPECT_EQ(pending.field(0, 0, ProjectField::UploadStamp), *ProjectStore::stampOf(local.file("kept.html")));

    driver.start();
    ASSERT_TRUE(waitUntil([&] { return ended.has_value(); }, 30000));
    EXPECT_EQ(*ended, UploadRun::EndResult::Finished);
    EXPECT_EQ(root.read("site/kept.html"), "kept");
    EXPECT_FALSE(std::filesystem::exists(root.file("site/taken.html")));
    ProjectStore after;
    ASSERT_TRUE(after.load(data.file("wbprj.dfd")));
    EXPECT_EQ(after.field(0, 0, ProjectField::UploadStamp), *ProjectStore::stampOf(local.file("kept.html")));
    EXPECT_EQ(after.field(0, 1, ProjectField::UploadStamp), "May");
}

// A server that takes no options to LIST is asked for the plain listing,
// and a refused file that it lists keeps its record; so does a refused
// hidden file, which a plain listing would not show anyway. A second file
// in the folder just entered needs no CWD; after a refusal the folder is
// entered again, as nothing the server said may be taken as known then.
TEST(RunDriverListing, ARefusedListWithOptionsFallsBackToThePlainListing)
{
    ScriptedFtpServer server;
    const QByteArray pasv = "227 Entering Passive Mode (127,0,0,1,{p1},{p2})";
    server.login()
        .expect("CWD /site").reply("250 ok")
        .expect("DELE gone.html").reply("250 Deleted")
        .expect("DELE kept.html").reply("550 Permission denied")
        .expect("PASV").replyWithDataPort(pasv).expect("LIST -a").reply("501 No options here")
        .expect("PASV").replyWithDataPort(pasv).expect("LIST").reply("150 Here it comes")
        .acceptDataConnection().sendData("-rw-r--r--   1 web  web   5 Jan 14 10:22 kept.html\r\n").closeData()
        .reply("226 Done")
        .expect("CWD /site").reply("250 ok")
        .expect("DELE .htaccess").reply("550 Permission denied")
        .expect("PASV").replyWithDataPort(pasv).expect("LIST").reply("150 Here it comes")
        .acceptDataConnection().sendData("-rw-r--r--   1 web  web   5 Jan 14 10:22 kept.html\r\n").closeData()
        .reply("226 Done")
        .expect("QUIT").reply("221 Bye");
    ASSERT_TRUE(server.start());

    TempDir data;
    TempDir local;
    // Three deletions among six files: under the limit that asks first.
    std::vector<std::string> before{"1", "Site", "0", "1"};
    std::vector<std::string> after = before;
    for (const std::string name : {"gone.html", "kept.html", ".htaccess", "here.html", "too.html", "also.html"}) {
        const bool missing = name == "gone.html" || name == "kept.html" || name == ".htaccess";
        if (!missing)
            local.write(name, name);
        const std::string stamp = missing ? "12345" : *ProjectStore::stampOf(local.file(name));
        const std::vector<std::string> record{" " + local.file(name), " 127.0.0.1", " web", " pw",
                                              " " + server.portText().toStdString(), " /site", " " + name, " 1",
                                              " " + stamp};
        before.insert(before.end(), record.begin(), record.end());
        if (name != "gone.html")
            after.insert(after.end(), record.begin(), record.end());
    }
    data.write("wbprj.dfd", crlf(before));
    ScriptedDialogs dialogs;
    const std::vector<std::string> ascii;
    UploadRun run{UploadRunFiles{data.file("wbprj.dfd"), data.file("nyweb2.dfd"), data.file("koefil.dfd"),
                                 data.file("defil.dfd")},
                  dialogs, ascii};
    TransferQueue queue{QueueFiles(data.file("koefil.dfd"), data.file("rstfil.txt")), dialogs};
    WebwatchRunDriver driver{run, queue};
    RunDriverHooks hooks;
    hooks.passiveMode = [] { return true; };
    driver.setHooks(hooks);
    std::optional<UploadRun::EndResult> ended;
    QObject::connect(&driver, &WebwatchRunDriver::runEnded, [&](UploadRun::EndResult result) { ended = result; });

    ProjectStore projects;
    ASSERT_TRUE(projects.load(data.file("wbprj.dfd")));
    ASSERT_EQ(run.start(projects, UploadRun::Scope::Quick).kind, UploadRun::Outcome::Kind::HandedOver);
    ASSERT_TRUE(driver.takeUpPendingRun(data.file("koefil.dfd")));
    driver.start();
    ASSERT_TRUE(waitUntil([&] { return ended.has_value(); }, 30000)) << server.commands().join('|').toStdString();
    EXPECT_EQ(*ended, UploadRun::EndResult::Finished);
    EXPECT_TRUE(server.finished()) << server.commands().join('|').toStdString();
    EXPECT_EQ(data.read("wbprj.dfd"), crlf(after)) << "the refused files' records stay";
    EXPECT_EQ(run.deletionsKept(), 2u);
    EXPECT_EQ(driver.tally().failed, 2u);
    EXPECT_EQ(driver.tally().deleted, 1u);
}

}  // namespace
