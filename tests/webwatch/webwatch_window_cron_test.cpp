// A nightly `tavlinftp-cli webwatch` while the window stays open on the same
// data directory: the real main window, offscreen, the real command-line
// program and the real FTP server.
#include "../browse/browse_window_harness.h"

#include "app/data_directory_claim.h"
#include "cli_run.h"
#include "core/data_directory_lock.h"
#include "support/time_fixtures.h"
#include "transfer/transfer_queue.h"
#include "ui/webwatch_window.h"
#include "webwatch/project_store.h"
#include "webwatch/recorder.h"
#include "webwatch/upload_run.h"

#include <QAction>
#include <QListWidget>

#include <ctime>
#include <filesystem>

namespace {

std::string crlf(const std::vector<std::string>& lines)
{
    std::string text;
    for (const auto& line : lines)
        text += line + "\r\n";
    return text;
}

bool has(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

class CronBesideTheWindow : public BrowseWindowTest {
protected:
    // One project "Site" of two pages, both never uploaded (" May").
    void writeProject()
    {
        web.write("index.html", "<p>home</p>");
        web.write("about.html", "<p>about</p>");
        std::vector<std::string> lines{"1", "Site", "0", "0"};
        for (const char* name : {"index.html", "about.html"}) {
            // Written a while ago: a file changed in the two-second step of
            // the scan that sends it is rightly sent again by the next run.
            ASSERT_TRUE(setModifiedTime(web.file(name), std::time(nullptr) - 3600));
            const std::vector<std::string> record{" " + web.file(name), " 127.0.0.1", " " + server->user(),
                                                  " " + server->password(), " " + server->portText(), " /www",
                                                  std::string(" ") + name, " 1", " May"};
            lines.insert(lines.end(), record.begin(), record.end());
        }
        data.write("wbprj.dfd", crlf(lines));
    }

    std::vector<std::string> webwatch(const std::vector<std::string>& more)
    {
        std::vector<std::string> arguments{"webwatch", "--data-dir", data.path(), "--quiet"};
        arguments.insert(arguments.end(), more.begin(), more.end());
        return arguments;
    }

    // The WebWatch window's file list of the first project, each row as its
    // state reads out ("up to date, in ...").
    QStringList fileStatesShown()
    {
        window->openWebwatch();
        QStringList states;
        auto* projects = controlNamed<QListWidget>(window->webwatchWindow(), "ListBox1");
        auto* files = controlNamed<QListWidget>(window->webwatchWindow(), "ListView1");
        if (!projects || !files || projects->count() == 0)
            return states;
        projects->setCurrentRow(0);
        for (int row = 0; row < files->count(); ++row)
            states << files->item(row)->data(Qt::AccessibleDescriptionRole).toString().section(',', 0, 0);
        window->webwatchWindow().reject();
        return states;
    }

    bool windowLetGo()
    {
        return waitUntil([&] { return !window->dataDirectoryClaim().held(); });
    }

    TempDir web;
};

TEST_F(CronBesideTheWindow, ARunFromTheCommandLinePublishesWhileTheWindowIsIdleAndTheWindowGoesOnFromItsResult)
{
    startServer();
    writeProject();
    EXPECT_EQ(fileStatesShown(), (QStringList{"new", "new"}));

    // Nothing in hand: the window lets go of the data directory, and the
    // nightly run publishes at once.
    ASSERT_TRUE(windowLetGo());
    const CliRun run = runCliWhileEventsRun(webwatch({"--wait", "30"}));
    ASSERT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_EQ(site.read("www/index.html"), "<p>home</p>");
    EXPECT_EQ(site.read("www/about.html"), "<p>about</p>");

    // The window works from what the run left: both pages up to date, and
    // the quick upload has nothing to send.
    EXPECT_EQ(fileStatesShown(), (QStringList{"up to date", "up to date"}));
    dialogs.expectMessage("No files for upload");
    click(c->BitBtn10);
    EXPECT_FALSE(window->uploadRun().pending());
    EXPECT_FALSE(std::filesystem::exists(data.file("koefil.dfd")));
    EXPECT_EQ(dialogs.pending(), 0u);
}

// A run the command could not finish (its server gone) stays pending on
// disk; the open window takes it up as its own start would.
TEST_F(CronBesideTheWindow, ARunTheCommandLeftPendingIsTakenUpByTheOpenWindow)
{
    startServer();
    writeProject();
    ASSERT_TRUE(windowLetGo());
    server->stop();
    const CliRun run = runCliWhileEventsRun(webwatch({"--wait", "30"}));
    ASSERT_EQ(run.status, 1) << run.out << run.err;
    ASSERT_TRUE(std::filesystem::exists(data.file("nyweb2.dfd")));

    // Shown in the queue, waiting for Start, without anyone asking; the
    // WebWatch window works on the pending run's projects.
    ASSERT_TRUE(waitUntil([&] { return c->ListBox4->count() == 2; })) << logText();
    EXPECT_TRUE(window->uploadRun().pending());
    EXPECT_EQ(window->uploadRun().currentProjectFile(), data.file("nyweb2.dfd"));
    EXPECT_TRUE(c->Button1->isVisible());
    EXPECT_EQ(c->BitBtn9->text(), "Start");
    EXPECT_TRUE(window->dataDirectoryClaim().held());
}

// A restored queue is the window's own work: the command waits for it, says
// why it gives up, and goes on as soon as the window is done with it.
class CronBesideABusyWindow : public CronBesideTheWindow {
protected:
    void beforeWindow() override
    {
        data.write("koefil.dfd", crlf({"1", "1" + web.file("queued.txt"), "127.0.0.1", "tavlin", "s3cret", "21",
                                       "/www", "queued.txt", "5", "1"}));
    }
};

TEST_F(CronBesideABusyWindow, TheCommandWaitsForTheWindowsWorkAndGivesUpSayingWhy)
{
    startServer();
    writeProject();
    ASSERT_EQ(c->ListBox4->count(), 1);
    pumpEventsFor(3 * DataDirectoryClaim::kSettleMilliseconds);
    ASSERT_TRUE(window->dataDirectoryClaim().held());

    const CliRun refused = runCliWhileEventsRun(webwatch({"--wait", "1"}));
    EXPECT_EQ(refused.status, 75) << refused.out << refused.err;
    EXPECT_TRUE(has(refused.err, "in use by the Tavlin FTP window: 1 file in line; waited 1 second"))
        << refused.err;
    EXPECT_FALSE(std::filesystem::exists(site.file("www/index.html")));

    // Waiting longer: once the queue is deleted in the window, the run goes.
    const std::string waiting =
        "Waiting for " + data.path() + ": in use by the Tavlin FTP window: 1 file in line (at most 60 seconds)\n";
    bool deleted = false;
    const CliRun waited = runCliWhileEventsRun(
        {"webwatch", "--data-dir", data.path(), "--wait", "60"}, [&](const std::string& out) {
            if (!has(out, waiting))
                return false;
            click(c->Button1);
            deleted = true;
            return true;
        });
    EXPECT_TRUE(deleted) << waited.out;
    EXPECT_EQ(waited.status, 0) << waited.out << waited.err;
    EXPECT_TRUE(has(waited.out, waiting + "2 files to upload, 0 to delete\n")) << waited.out;
    EXPECT_EQ(site.read("www/index.html"), "<p>home</p>");
    EXPECT_FALSE(window->dataDirectoryClaim().held());
}

// One writer at a time: while a run from the command line has the data
// directory, the window starts nothing that writes there, says who has it,
// and afterwards takes up what the run left.
TEST_F(CronBesideTheWindow, WhileARunHasTheDataDirectoryTheWindowWaitsForItAndReadsWhatItLeft)
{
    startServer();
    writeProject();
    ASSERT_TRUE(windowLetGo());
    {
        DataDirectoryLock run;
        ASSERT_EQ(run.take(data.path()), DataDirectoryLock::Result::Taken);
        run.describeHolder("a WebWatch run from the command line (process 4242)");
        const QString refusal =
            QStringLiteral("The data folder %1 is in use by a WebWatch run from the command line (process 4242). "
                           "Try again when it has finished.")
                .arg(QString::fromStdString(data.path()));
        dialogs.expectMessage(refusal);
        window->openWebwatch();
        EXPECT_FALSE(window->webwatchWindow().isVisible());
        dialogs.expectMessage(refusal);
        c->record->trigger();
        EXPECT_FALSE(window->recorder().recording());
        dialogs.expectMessage(refusal);
        const QueueSite site{"127.0.0.1", server->user(), server->password(), server->portText()};
        EXPECT_EQ(window->transferQueue().queueUpload(site, "/www", web.path(), "index.html", "11", "1"),
                  TransferQueue::Queued::Cancelled);
        EXPECT_FALSE(std::filesystem::exists(data.file("koefil.dfd")));
        EXPECT_EQ(dialogs.pending(), 0u);

        // What the run leaves: it was cut short with one file still to send.
        data.write("koefil.dfd", crlf({"1", "1" + web.file("about.html"), "127.0.0.1", server->user(),
                                       server->password(), server->portText(), "/www", "about.html", "12", "1"}));
        data.write("nyweb2.dfd", data.read("wbprj.dfd"));
        pumpEventsFor(3 * DataDirectoryClaim::kSettleMilliseconds);
        EXPECT_EQ(c->ListBox4->count(), 0) << "nothing is read while the run has the directory";
    }
    // The run has ended: its pending run is the window's now.
    ASSERT_TRUE(waitUntil([&] { return c->ListBox4->count() == 1; })) << logText();
    EXPECT_TRUE(window->uploadRun().pending());
    EXPECT_TRUE(window->dataDirectoryClaim().held());
    EXPECT_EQ(window->uploadRun().currentProjectFile(), data.file("nyweb2.dfd"));
}

}  // namespace
