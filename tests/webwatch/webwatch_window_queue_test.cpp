// A WebWatch run and the transfer queue as the user meets them in the real
// main window: no new run over a running transfer, a failure question that
// says what failed and lets the queue stop, a log-in fixed for every file of
// a project at once.
#include "../browse/browse_window_harness.h"

#include "app/local_panel.h"
#include "app/webwatch_window_handler.h"
#include "transfer/transfer_queue.h"
#include "ui/webwatch_window.h"
#include "webwatch/project_store.h"
#include "webwatch/recorder.h"
#include "webwatch/upload_run.h"

#include <QAction>
#include <QComboBox>
#include <QListWidget>
#include <QStatusBar>
#include <QToolButton>

#include <chrono>
#include <filesystem>

namespace {

std::string crlf(const std::vector<std::string>& lines)
{
    std::string text;
    for (const auto& line : lines)
        text += line + "\r\n";
    return text;
}

QStringList texts(const QListWidget* list)
{
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->item(i)->text();
    return out;
}

class WebwatchWindowQueueTest : public BrowseWindowTest {
protected:
    template <typename Control>
    Control* ww(const char* name)
    {
        auto* control = controlNamed<Control>(window->webwatchWindow(), name);
        EXPECT_NE(control, nullptr) << name;
        return control;
    }

    // A project file record in its stored layout.
    static std::vector<std::string> record(const std::string& localPath, const std::string& port,
                                           const std::string& password, const std::string& remoteDirectory,
                                           const std::string& stamp = "May")
    {
        const std::string name = localPath.substr(localPath.rfind('/') + 1);
        return {" " + localPath, " 127.0.0.1", " tavlin", " " + password, " " + port, " " + remoteDirectory,
                " " + name, " 1", " " + stamp};
    }

    void selectProject(int row)
    {
        ww<QListWidget>("ListBox1")->setCurrentRow(row);
    }

    TempDir web;
};

// A queue whose transfer client waits for an answer that does not come while
// the test looks at the window; destroying the server ends the wait.
class RunningTransferTest : public WebwatchWindowQueueTest {
protected:
    void beforeWindow() override
    {
        scripted = std::make_unique<ScriptedFtpServer>();
        scripted->login().expect("CWD").waitForClientClose();
        ASSERT_TRUE(scripted->start());
        site.write("www/index.html", "on the server");
        web.write("big.bin", "a file being sent");
        queuedFile = web.file("big.bin");
        data.write("koefil.dfd", crlf({"1", "1" + queuedFile, "127.0.0.1", "user", "pw",
                                       scripted->portText().toStdString(), "/www", "big.bin", "17", "1"}));
        web.write("site/index.html", "<p>index</p>");
        data.write("wbprj.dfd", crlf({"1", "Site", "0", "0"}));
    }

    std::unique_ptr<ScriptedFtpServer> scripted;
    std::string queuedFile;
};

}  // namespace

TEST_F(RunningTransferTest, NoRunStartsOverARunningTransferAndCancelLeavesTheQueueForDelete)
{
    const std::string queueBefore = data.read("koefil.dfd");
    connectAsTestUser();
    ASSERT_TRUE(waitUntilBrowsing()) << logText();
    EXPECT_TRUE(c->BitBtn10->isEnabled());
    click(c->BitBtn9);
    ASSERT_TRUE(waitUntil([&] { return scripted->commands().size() >= 3; })) << logText();
    ASSERT_TRUE(window->transferQueue().busy());

    // The quick upload waits, and so do the window's run buttons.
    EXPECT_FALSE(c->BitBtn10->isEnabled());
    EXPECT_EQ(c->BitBtn10->statusTip(), QString::fromUtf8(WebwatchWindowHandler::kTransferRunningText));
    ASSERT_TRUE(c->connectknap->isEnabled());
    c->Image2->click();
    ASSERT_TRUE(window->webwatchWindow().isVisible());
    EXPECT_FALSE(ww<QPushButton>("Uploadall")->isEnabled());
    EXPECT_FALSE(ww<QPushButton>("Button2")->isEnabled());
    // A run that is started anyway is refused before it asks anything or
    // writes a file; the queue being worked off is the same.
    dialogs.expectMessage(QString::fromUtf8(WebwatchWindowHandler::kTransferRunningText));
    window->webwatchWindow().handler().uploadAll();
    EXPECT_EQ(dialogs.pending(), 0u);
    EXPECT_EQ(data.read("koefil.dfd"), queueBefore);
    EXPECT_FALSE(std::filesystem::exists(data.file("nyweb2.dfd")));
    EXPECT_FALSE(window->uploadRun().pending());
    EXPECT_EQ(window->transferQueue().entries().count(), 1u);
    window->webwatchWindow().reject();

    // The server goes away in the middle: the question names the file, and
    // Cancel stops the queue with the file kept, waiting for Start.
    dialogs.expectYesNoCancelContaining("Error!! ",
                                        {QString::fromStdString("Could not upload " + queuedFile),
                                         ":Do You want to remove the file that caused the error from this transfer"},
                                        DialogAnswer::Cancel);
    scripted.reset();
    ASSERT_TRUE(waitUntil([&] { return !window->transferQueue().busy(); })) << logText();
    EXPECT_EQ(dialogs.pending(), 0u);
    EXPECT_EQ(texts(c->ListBox4), QStringList{"»» big.bin"});
    EXPECT_TRUE(c->BitBtn9->isVisible());
    EXPECT_EQ(c->BitBtn9->text(), "Start");
    EXPECT_TRUE(c->Button1->isVisible());
    EXPECT_TRUE(c->BitBtn10->isEnabled());
    EXPECT_EQ(data.read("koefil.dfd"), queueBefore);
    // Nothing asks again on its own, and Delete can be reached.
    pumpEventsFor(300);
    EXPECT_FALSE(window->transferQueue().busy());
    click(c->Button1);
    EXPECT_TRUE(window->transferQueue().entries().empty());
    EXPECT_FALSE(std::filesystem::exists(data.file("koefil.dfd")));
}

namespace {

// A run handed over earlier and found pending at start: its files log in
// with a password the server no longer takes.
class PendingRunTest : public WebwatchWindowQueueTest {
protected:
    virtual bool withDeletion() const { return false; }

    void beforeWindow() override
    {
        startServer();
        const std::string port = server->portText();
        site.write("www/gone.html", "old page");
        web.write("www/a.html", "<p>a</p>");
        web.write("www/b.html", "<p>b</p>");
        web.write("other/c.html", "<p>c</p>");
        a = web.file("www/a.html");
        b = web.file("www/b.html");
        const std::string c = web.file("other/c.html");
        const std::string stampA = ProjectStore::stampOf(a).value();
        const std::string stampB = ProjectStore::stampOf(b).value();
        const std::string stampC = ProjectStore::stampOf(c).value();
        std::vector<std::string> before{"2", "Site", "0", withDeletion() ? "1" : "0"};
        for (const auto& part : {record(a, port, "old", "/www"), record(b, port, "old", "/www")})
            before.insert(before.end(), part.begin(), part.end());
        if (withDeletion()) {
            const auto gone = record(web.file("www/gone.html"), port, "old", "/www", "1234");
            before.insert(before.end(), gone.begin(), gone.end());
        }
        // Another project of the same server and log-in: not the one chosen.
        for (const auto& part : {std::vector<std::string>{"Other", "0", "0"}, record(c, port, "old", "/", stampC)})
            before.insert(before.end(), part.begin(), part.end());
        projectFileBefore = crlf(before);
        data.write("wbprj.dfd", projectFileBefore);

        // What the run made of it: stamps taken, the missing file left.
        std::vector<std::string> pending{"2", "Site", "0", withDeletion() ? "1" : "0"};
        for (const auto& part : {record(a, port, "old", "/www", stampA), record(b, port, "old", "/www", stampB),
                                 std::vector<std::string>{"Other", "0", "0"}, record(c, port, "old", "/", stampC)})
            pending.insert(pending.end(), part.begin(), part.end());
        data.write("nyweb2.dfd", crlf(pending));
        data.write("koefil.dfd", crlf({"2", "1" + a, "127.0.0.1", "tavlin", "old", port, "/www", "a.html", "8", "1",
                                       "1" + b, "127.0.0.1", "tavlin", "old", port, "/www", "b.html", "8", "1"}));
        if (withDeletion())
            data.write("defil.dfd", crlf({"127.0.0.1", "tavlin", "old", port, "/www", "gone.html"}));
    }

    std::string a, b;
    std::string projectFileBefore;
};

class PendingRunWithDeletionTest : public PendingRunTest {
protected:
    bool withDeletion() const override { return true; }
};

}  // namespace

TEST_F(PendingRunTest, ARefusedLogInSaysWhereToFixItNoTriesAgainAndCancelStopsTheRun)
{
    ASSERT_TRUE(waitUntil([&] { return c->BitBtn9->isVisible(); }));
    ASSERT_TRUE(window->uploadRun().pending());
    connectAsTestUser();
    ASSERT_TRUE(waitUntilBrowsing());

    const QStringList question{QString::fromStdString("Could not upload " + a + ": 530"), "Change log-in",
                               ":Do You want to remove the file that caused the error from this transfer"};
    dialogs.expectYesNoCancelContaining("Error!! ", question, DialogAnswer::No)
        .expectMessage("Trying again! ")
        .expectYesNoCancelContaining("Error!! ", question, DialogAnswer::Cancel);
    click(c->BitBtn9);
    ASSERT_TRUE(waitUntil([&] { return dialogs.pending() == 0 && !window->transferQueue().busy(); }, 30000))
        << logText();
    // Stopped with both files kept and the run still pending, for Start or
    // Delete; nothing reached the server.
    EXPECT_EQ(texts(c->ListBox4), (QStringList{"»» a.html", "»» b.html"}));
    EXPECT_EQ(c->BitBtn9->text(), "Start");
    EXPECT_TRUE(window->uploadRun().pending());
    EXPECT_FALSE(std::filesystem::exists(site.file("www/a.html")));
    pumpEventsFor(300);
    EXPECT_FALSE(window->transferQueue().busy());

    click(c->Button1);
    EXPECT_FALSE(window->uploadRun().pending());
    EXPECT_FALSE(std::filesystem::exists(data.file("koefil.dfd")));
    EXPECT_FALSE(std::filesystem::exists(data.file("nyweb2.dfd")));
    EXPECT_EQ(data.read("wbprj.dfd"), projectFileBefore);
}

TEST_F(PendingRunWithDeletionTest, ChangeLogInRewritesTheProjectAndThePendingRunAndTheRunThenGoesThrough)
{
    ASSERT_TRUE(waitUntil([&] { return c->BitBtn9->isVisible(); }));
    c->OpenWebwatch1->trigger();
    ASSERT_TRUE(window->webwatchWindow().isVisible());
    selectProject(0);
    // The window shows the pending project file: "Add file" waits, and says why.
    auto* addFile = ww<QPushButton>("Button1");
    EXPECT_FALSE(addFile->isEnabled());
    EXPECT_TRUE(addFile->statusTip().contains("pending upload")) << addFile->statusTip().toStdString();

    auto* changeLogin = ww<QAction>("Changelogin1");
    ASSERT_TRUE(changeLogin->isEnabled());
    changeLogin->trigger();
    auto* dialog = window->webwatchWindow().findChild<QDialog*>("ChangeLoginDialog");
    ASSERT_NE(dialog, nullptr);
    auto* password = controlNamed<QLineEdit>(*dialog, "PasswordField");
    ASSERT_NE(password, nullptr);
    EXPECT_EQ(password->text(), "old");
    EXPECT_EQ(password->accessibleName(), "Password");
    EXPECT_EQ(controlNamed<QLineEdit>(*dialog, "ServerField")->text(), "127.0.0.1");
    password->setText("s3cret");
    dialogs.expectYesNo("Change log-in",
                        QString::fromStdString("Write the new log-in into the 2 files of \"Site\" that log in as tavlin "
                                               "on 127.0.0.1 port " + server->portText()
                                               + "? Their upload status stays as it is."),
                        DialogAnswer::Yes);
    click(controlNamed<QPushButton>(*dialog, "OK"));
    EXPECT_EQ(dialogs.pending(), 0u);

    // Both project files, the queue and the deletion list log in anew; the
    // stamps are as they were; the other project keeps its log-in.
    ProjectStore pending, stored;
    ASSERT_TRUE(pending.load(data.file("nyweb2.dfd")));
    ASSERT_TRUE(stored.load(data.file("wbprj.dfd")));
    ASSERT_EQ(stored.fileCount(0), 3u);
    for (std::size_t j = 0; j < 2; ++j) {
        EXPECT_EQ(pending.field(0, j, ProjectField::Password), "s3cret");
        EXPECT_EQ(pending.field(0, j, ProjectField::UploadStamp), ProjectStore::stampOf(j == 0 ? a : b).value());
    }
    for (std::size_t j = 0; j < 3; ++j)
        EXPECT_EQ(stored.field(0, j, ProjectField::Password), "s3cret");
    EXPECT_EQ(stored.field(0, 0, ProjectField::UploadStamp), "May");
    EXPECT_EQ(stored.field(0, 2, ProjectField::UploadStamp), "1234");
    EXPECT_EQ(pending.field(1, 0, ProjectField::Password), "old");
    EXPECT_EQ(stored.field(1, 0, ProjectField::Password), "old");
    EXPECT_EQ(data.read("defil.dfd"),
              crlf({"127.0.0.1", "tavlin", "s3cret", server->portText(), "/www", "gone.html"}));
    TextLineList queued;
    ASSERT_TRUE(queued.loadFromFile(data.file("koefil.dfd")));
    EXPECT_EQ(queued[4], "s3cret");
    EXPECT_EQ(queued[13], "s3cret");
    window->webwatchWindow().reject();

    // The run then deletes and uploads with the new log-in and ends.
    connectAsTestUser();
    ASSERT_TRUE(waitUntilBrowsing());
    click(c->BitBtn9);
    ASSERT_TRUE(waitUntil([&] { return !window->uploadRun().pending() && !window->transferQueue().busy(); }, 30000))
        << logText();
    EXPECT_EQ(site.read("www/a.html"), "<p>a</p>");
    EXPECT_EQ(site.read("www/b.html"), "<p>b</p>");
    EXPECT_FALSE(std::filesystem::exists(site.file("www/gone.html")));
    // The run's end in one line, in the log and the status bar.
    const std::string done = "Published 2 files (0.0 MB), deleted 1, 0 failed, 0 left alone";
    EXPECT_NE(logText().find("! " + done), std::string::npos) << logText();
    EXPECT_EQ(c->StatusBar1->currentMessage().toStdString(), done);
    ASSERT_TRUE(stored.load(data.file("wbprj.dfd")));
    EXPECT_EQ(stored.field(0, 0, ProjectField::Password), "s3cret");
    EXPECT_EQ(stored.field(0, 0, ProjectField::UploadStamp), ProjectStore::stampOf(a).value());
}

TEST_F(WebwatchWindowQueueTest, AddFileRecordsIntoTheChosenOneOfTwoProjectsOfTheSameName)
{
    web.write("new.htm", "new page");
    std::vector<std::string> lines{"2", "Site", "0", "0"};
    for (const auto& part : {record(web.file("first.htm"), "21", "pw", "/first", "1234"),
                             std::vector<std::string>{"Site", "0", "0"},
                             record(web.file("second.htm"), "21", "pw", "/second", "1234")})
        lines.insert(lines.end(), part.begin(), part.end());
    data.write("wbprj.dfd", crlf(lines));

    c->OpenWebwatch1->trigger();
    ASSERT_TRUE(window->webwatchWindow().isVisible());
    selectProject(1);
    ASSERT_TRUE(ww<QPushButton>("Button1")->isEnabled());
    dialogs.expectYesNo("Your disconnected!!", "Record a new file without connecting?", DialogAnswer::Yes)
        .expectMessage("You must check if: Remote Host,login,Password and Port is correct");
    click(ww<QPushButton>("Button1"));
    ASSERT_TRUE(window->recorder().recording());

    ASSERT_TRUE(window->localPanel().setLocalDirectory(web.path()));
    c->ComboBox1->setEditText("new.htm");
    QTest::keyClick(c->ComboBox1, Qt::Key_Return);
    ASSERT_EQ(c->ListView2->topLevelItemCount(), 1);
    dialogs.expectNameDialog("Web-project Site", DialogAnswer::Ok, QStringLiteral("/second"));
    click(c->BitBtn11);
    dialogs.expectYesNoCancel("Site", "Save to Webwatch?", DialogAnswer::Yes);
    click(c->BitBtn12);
    EXPECT_FALSE(window->recorder().recording());
    window->webwatchWindow().reject();

    ProjectStore stored;
    ASSERT_TRUE(stored.load(data.file("wbprj.dfd")));
    ASSERT_EQ(stored.fileCount(0), 1u);
    ASSERT_EQ(stored.fileCount(1), 2u);
    EXPECT_EQ(stored.field(1, 0, ProjectField::LocalPath), web.file("new.htm"));
    EXPECT_EQ(stored.field(1, 0, ProjectField::RemoteDirectory), "/second");
    EXPECT_EQ(dialogs.pending(), 0u);
}

namespace {

// Nothing changed locally: one page deleted, and a folder moved away.
class DeletionOnlyRunTest : public WebwatchWindowQueueTest {
protected:
    void beforeWindow() override
    {
        startServer();
        const std::string port = server->portText();
        site.write("www/gone.html", "old page");
        site.write("away/x.html", "x");
        site.write("away/y.html", "y");
        std::vector<std::string> lines{"1", "Site", "0", "1"};
        for (const char* name : {"www/a.html", "www/b.html", "www/c.html"}) {
            web.write(name, name);
            const auto part =
                record(web.file(name), port, server->password(), "/www", ProjectStore::stampOf(web.file(name)).value());
            lines.insert(lines.end(), part.begin(), part.end());
        }
        for (const auto& part : {record(web.file("www/gone.html"), port, server->password(), "/www", "1234"),
                                 record(web.file("away/x.html"), port, server->password(), "/away", "1234"),
                                 record(web.file("away/y.html"), port, server->password(), "/away", "1234")})
            lines.insert(lines.end(), part.begin(), part.end());
        data.write("wbprj.dfd", crlf(lines));
    }
};

}  // namespace

// The quick upload of a run that only deletes runs at once, without a queue
// to start, and its last line counts the files of the missing folder.
TEST_F(DeletionOnlyRunTest, TheQuickUploadDeletesAtOnceAndCountsTheFilesLeftAlone)
{
    dialogs.expectChoice("Folder missing", QString::fromStdString(web.file("away")), 1);
    click(c->BitBtn10);
    ASSERT_TRUE(waitUntil([&] { return !window->uploadRun().pending() && !window->transferQueue().transferRunning(); },
                          30000))
        << logText();
    EXPECT_EQ(dialogs.pending(), 0u);
    EXPECT_FALSE(std::filesystem::exists(site.file("www/gone.html")));
    EXPECT_EQ(site.read("away/x.html"), "x") << "a missing folder deletes nothing";
    ProjectStore stored;
    ASSERT_TRUE(stored.load(data.file("wbprj.dfd")));
    ASSERT_EQ(stored.fileCount(0), 5u);
    EXPECT_EQ(stored.field(0, 3, ProjectField::RemoteFileName), "x.html");
    for (const char* name : {"koefil.dfd", "nyweb2.dfd", "defil.dfd"})
        EXPECT_FALSE(std::filesystem::exists(data.file(name))) << name;
    const std::string done = "Published 0 files (0.0 MB), deleted 1, 0 failed, 2 left alone";
    EXPECT_NE(logText().find("! " + done), std::string::npos) << logText();
    EXPECT_EQ(c->StatusBar1->currentMessage().toStdString(), done);
}

namespace {

// A pending run whose first file logs in with a password the server no
// longer takes, the second with the right one. The first file was last
// changed an hour ago, so its stamp is an ordinary one of the past.
class FailedFileOfARunTest : public WebwatchWindowQueueTest {
protected:
    void beforeWindow() override
    {
        startServer();
        const std::string port = server->portText();
        site.write("www/old.html", "old page");
        web.write("www/a.html", "<p>a</p>");
        web.write("www/b.html", "<p>b</p>");
        a = web.file("www/a.html");
        b = web.file("www/b.html");
        std::filesystem::last_write_time(a, std::filesystem::last_write_time(a) - std::chrono::hours(1));
        const std::string stampA = ProjectStore::stampOf(a).value();
        const std::string stampB = ProjectStore::stampOf(b).value();
        std::vector<std::string> before{"1", "Site", "0", "0"};
        for (const auto& part : {record(a, port, "old", "/www"), record(b, port, server->password(), "/www")})
            before.insert(before.end(), part.begin(), part.end());
        data.write("wbprj.dfd", crlf(before));
        std::vector<std::string> pending{"1", "Site", "0", "0"};
        for (const auto& part :
             {record(a, port, "old", "/www", stampA), record(b, port, server->password(), "/www", stampB)})
            pending.insert(pending.end(), part.begin(), part.end());
        data.write("nyweb2.dfd", crlf(pending));
        data.write("koefil.dfd", crlf({"2", "1" + a, "127.0.0.1", "tavlin", "old", port, "/www", "a.html", "8", "1",
                                       "1" + b, "127.0.0.1", "tavlin", server->password(), port, "/www", "b.html",
                                       "8", "1"}));
    }

    std::string a, b;
};

}  // namespace

// The failed file, removed from the queue at its question, is marked for the
// next run; the run's end does not record it as uploaded.
TEST_F(FailedFileOfARunTest, AFileRemovedAfterItsErrorKeepsMayInTheProject)
{
    ASSERT_TRUE(waitUntil([&] { return c->BitBtn9->isVisible(); }));
    ASSERT_TRUE(window->uploadRun().pending());
    connectAsTestUser();
    ASSERT_TRUE(waitUntilBrowsing()) << logText();
    dialogs.expectYesNoCancelContaining("Error!! ",
                                        {QString::fromStdString("Could not upload " + a + ": 530"),
                                         ":Do You want to remove the file that caused the error from this transfer"},
                                        DialogAnswer::Yes)
        .expectMessage("a.html removed");
    click(c->BitBtn9);
    ASSERT_TRUE(waitUntil([&] { return !window->uploadRun().pending() && !window->transferQueue().busy(); }, 30000))
        << logText();
    EXPECT_EQ(dialogs.pending(), 0u);
    EXPECT_FALSE(std::filesystem::exists(site.file("www/a.html")));
    EXPECT_EQ(site.read("www/b.html"), "<p>b</p>");
    ProjectStore stored;
    ASSERT_TRUE(stored.load(data.file("wbprj.dfd")));
    ASSERT_EQ(stored.fileCount(0), 2u);
    EXPECT_EQ(stored.field(0, 0, ProjectField::UploadStamp), "May");
    EXPECT_EQ(stored.field(0, 1, ProjectField::UploadStamp), ProjectStore::stampOf(b).value());
}
