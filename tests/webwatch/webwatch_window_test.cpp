// The WebWatch window and the upload run as a user drives them from the real
// main window, offscreen, against the real FTP server.
#include "../browse/browse_window_harness.h"

#include "app/webwatch_file_row.h"

#include "support/time_fixtures.h"
#include "transfer/transfer_queue.h"
#include "ui/webwatch_window.h"
#include "webwatch/project_store.h"
#include "webwatch/recorder.h"
#include "webwatch/upload_run.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QListWidget>
#include <QProcess>
#include <QToolButton>

#include <chrono>
#include <filesystem>
#include <map>
#include <sys/stat.h>

namespace {

std::string crlf(const std::vector<std::string>& lines)
{
    std::string text;
    for (const auto& line : lines)
        text += line + "\r\n";
    return text;
}

std::string stampOf(const std::string& path)
{
    return ProjectStore::stampOf(path).value_or("none");
}

// Every file below `root`, by relative path, with its bytes.
std::map<std::string, std::string> filesBelow(const std::string& root)
{
    std::map<std::string, std::string> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
        if (!entry.is_regular_file())
            continue;
        std::string bytes;
        readWholeFile(entry.path().string(), bytes);
        files[std::filesystem::relative(entry.path(), root).string()] = bytes;
    }
    return files;
}

class WebwatchWindowTest : public BrowseWindowTest {
protected:
    // The WebWatch window's controls, by name.
    template <typename Control>
    Control* ww(const char* name)
    {
        auto* control = controlNamed<Control>(window->webwatchWindow(), name);
        EXPECT_NE(control, nullptr) << name;
        return control;
    }

    // A record for the test server, in the project file's layout.
    std::vector<std::string> record(const std::string& localPath, const std::string& remoteDirectory,
                                    const std::string& stamp, const std::string& mode = "1")
    {
        const std::string name = localPath.substr(localPath.rfind('/') + 1);
        const std::string port = server ? server->portText() : std::string("21");
        return {" " + localPath, " 127.0.0.1", " tavlin", " s3cret", " " + port, " " + remoteDirectory,
                " " + name, " " + mode, " " + stamp};
    }

    static std::vector<std::string> join(std::initializer_list<std::vector<std::string>> parts)
    {
        std::vector<std::string> all;
        for (const auto& part : parts)
            all.insert(all.end(), part.begin(), part.end());
        return all;
    }

    QStringList texts(const QListWidget* list)
    {
        QStringList out;
        for (int i = 0; i < list->count(); ++i)
            out << list->item(i)->text();
        return out;
    }

    // The run has ended: nothing pending, the queue idle and empty.
    bool waitUntilRunEnds(int timeoutMs = 60000)
    {
        return waitUntil(
            [&] {
                return !window->uploadRun().pending() && !window->transferQueue().busy() &&
                       c->ListBox4->count() == 0 && !window->transferQueue().client().Connected();
            },
            timeoutMs);
    }

    std::string projectFile() { return data.read("wbprj.dfd"); }
    bool runFilesGone()
    {
        return !std::filesystem::exists(data.file("nyweb2.dfd")) && !std::filesystem::exists(data.file("defil.dfd")) &&
               !std::filesystem::exists(data.file("koefil.dfd"));
    }

    TempDir web;  // the user's local site
};

TEST_F(WebwatchWindowTest, UploadAllDeletesUploadsTakesInNewFilesAndTheNextRunFindsNothing)
{
    startServer();
    site.write("www/index.html", "remote index");
    site.write("www/gone.html", "gone");
    site.write("top.txt", "top");
    site.write("keep/missing.txt", "kept");
    web.write("www/index.html", "<p>index</p>");
    web.write("www/about.html", "<p>about</p>");
    const std::string index = web.file("www/index.html"), about = web.file("www/about.html");
    // "Site" uses both flags; "Keep" neither, so its missing file stays.
    data.write("wbprj.dfd",
               crlf(join({{"2", "Site", "1", "1"}, record(index, "/www", stampOf(index)),
                          record(about, "/www", "May"), record(web.file("www/gone.html"), "/www", "1234"),
                          record(web.file("top.txt"), "/", "1234"), {"Keep", "0", "0"},
                          record(web.file("keep/missing.txt"), "/keep", "1234")})));
    // Made after recording: one new page, and two files never to be found.
    web.write("www/new.html", "<p>new</p>");
    web.write("www/.hidden.html", "hidden");
    web.write("www/ro.html", "read only");
    ::chmod(web.file("www/ro.html").c_str(), 0444);
    // Written a while before the run: a file changed in the two-second step
    // of the run's scan is rightly sent again by the next run, which would
    // not find "nothing" then.
    for (const char* name : {"www/about.html", "www/new.html"})
        ASSERT_TRUE(setModifiedTime(web.file(name), std::time(nullptr) - 3600));

    // The same run from the command line, later, on a copy of the data and
    // of the server as they are now.
    TempDir cliData;
    for (const char* name : {"wbprj.dfd", "ascd.dfd"})
        if (std::filesystem::exists(data.file(name)))
            std::filesystem::copy_file(data.file(name), cliData.file(name));
    const std::map<std::string, std::string> serverBefore = filesBelow(site.path());

    // The picture opens the window while the connect button is enabled.
    ASSERT_TRUE(c->connectknap->isEnabled());
    c->Image2->click();
    ASSERT_TRUE(window->webwatchWindow().isVisible());
    EXPECT_EQ(texts(ww<QListWidget>("ListBox1")), (QStringList{"Site", "Keep"}));
    dialogs.expectYesNoBeginning("Files ready for upload", "Start upload ?\n", DialogAnswer::Yes);
    click(ww<QPushButton>("Uploadall"));
    ASSERT_FALSE(window->webwatchWindow().isVisible());

    // Handed over: the queue waits for Start with the edited and the new file.
    ASSERT_TRUE(window->uploadRun().pending());
    EXPECT_EQ(texts(c->ListBox4), (QStringList{"»» about.html", "»» new.html"}));
    EXPECT_EQ(c->BitBtn9->text(), "Start");
    // The browsing side connected and idle first, so the commands the server
    // sees from here on are the run's.
    connectAsTestUser();
    ASSERT_TRUE(waitUntilBrowsing());
    server->clearCommands();
    click(c->BitBtn9);
    ASSERT_TRUE(waitUntilRunEnds()) << logText();

    EXPECT_FALSE(std::filesystem::exists(site.file("www/gone.html")));
    EXPECT_FALSE(std::filesystem::exists(site.file("top.txt")));
    EXPECT_EQ(site.read("keep/missing.txt"), "kept");
    EXPECT_EQ(site.read("www/index.html"), "remote index");
    EXPECT_EQ(site.read("www/about.html"), "<p>about</p>");
    EXPECT_EQ(site.read("www/new.html"), "<p>new</p>");
    EXPECT_FALSE(std::filesystem::exists(site.file("www/.hidden.html")));
    EXPECT_FALSE(std::filesystem::exists(site.file("www/ro.html")));
    const std::vector<std::string> seen = commands();
    EXPECT_EQ(std::count(seen.begin(), seen.end(), "DELE gone.html"), 1);
    // The root is entered once before a file in it is deleted.
    const auto deleteTop = std::find(seen.begin(), seen.end(), "DELE top.txt");
    ASSERT_NE(deleteTop, seen.end());
    EXPECT_EQ(*(deleteTop - 1), "CWD /");
    EXPECT_NE(*(deleteTop - 2), "CWD /");

    // The project file: the new page right behind the first file of its
    // folder, with its stamp; the deleted records gone; "Keep" untouched.
    EXPECT_TRUE(runFilesGone());
    ProjectStore projects;
    ASSERT_TRUE(projects.load(data.file("wbprj.dfd")));
    ASSERT_EQ(projects.projectCount(), 2u);
    ASSERT_EQ(projects.fileCount(0), 3u);
    EXPECT_EQ(projects.field(0, 0, ProjectField::LocalPath), index);
    EXPECT_EQ(projects.field(0, 1, ProjectField::LocalPath), web.file("www/new.html"));
    EXPECT_EQ(projects.field(0, 1, ProjectField::UploadStamp), stampOf(web.file("www/new.html")));
    EXPECT_EQ(projects.field(0, 2, ProjectField::LocalPath), about);
    EXPECT_EQ(projects.field(0, 2, ProjectField::UploadStamp), stampOf(about));
    ASSERT_EQ(projects.fileCount(1), 1u);
    EXPECT_EQ(projects.field(1, 0, ProjectField::UploadStamp), "1234");

    // The command line's run leaves the same server files and the same
    // project file as the window's.
    const std::map<std::string, std::string> serverAfterWindow = filesBelow(site.path());
    std::filesystem::remove_all(site.path());
    std::filesystem::create_directories(site.path());
    for (const auto& [path, bytes] : serverBefore)
        site.write(path, bytes);
    QProcess cli;
    cli.start(QStringLiteral(TAVLIN_CLI), {QStringLiteral("webwatch"), QStringLiteral("--data-dir"),
                                           QString::fromStdString(cliData.path()), QStringLiteral("--quiet")});
    ASSERT_TRUE(cli.waitForFinished(60000));
    EXPECT_EQ(cli.exitCode(), 0) << cli.readAllStandardError().toStdString();
    EXPECT_EQ(filesBelow(site.path()), serverAfterWindow);
    EXPECT_EQ(cliData.read("wbprj.dfd"), projectFile());

    // The next run finds nothing and leaves the project file as it is.
    const std::string after = projectFile();
    window->openWebwatch();
    dialogs.expectMessage("No files for upload");
    click(ww<QPushButton>("Uploadall"));
    EXPECT_EQ(projectFile(), after);
    EXPECT_FALSE(std::filesystem::exists(data.file("koefil.dfd")));
    EXPECT_FALSE(window->uploadRun().pending());
    window->webwatchWindow().reject();
    EXPECT_EQ(dialogs.pending(), 0u);
}

TEST_F(WebwatchWindowTest, EditsAndCheckBoxesStoreAtOnceAndAnOldQueueIsKeptOnNo)
{
    web.write("a.html", "a");
    const std::string a = web.file("a.html");
    const std::string stamp = stampOf(a);
    const auto start = join({{"1", "Site", "0", "0"}, record(a, "/www", stamp), record(web.file("b.html"), "/www", "1234")});
    data.write("wbprj.dfd", crlf(start));
    auto line = [&](std::size_t index) {
        TextLineList lines;
        lines.loadFromFile(data.file("wbprj.dfd"));
        return index < lines.size() ? lines[index] : std::string("<none>");
    };
    // Lines of the first record: 4 path ... 12 stamp; of the second: 13 ... 21.
    const std::size_t server = 5, mode = 11, firstStamp = 12, secondStamp = 21;

    window->openWebwatch();
    auto* projectsList = ww<QListWidget>("ListBox1");
    auto* files = ww<QListWidget>("ListView1");
    auto* uploaded = ww<QCheckBox>("Uploaded");
    projectsList->setCurrentRow(0);
    EXPECT_EQ(texts(files), (QStringList{"a.html", "File missing"}));
    EXPECT_FALSE(ww<QAction>("Removefile1")->isEnabled());

    // A present file shows its values and is uploaded; unchecking and
    // checking "Uploaded" stores " May" and then its stamp again.
    files->setCurrentRow(0);
    EXPECT_EQ(ww<QLabel>("Panel5")->text().toStdString(), " " + a);
    EXPECT_EQ(ww<QLineEdit>("Edit2")->text(), " 127.0.0.1");
    EXPECT_TRUE(uploaded->isChecked());
    uploaded->click();
    EXPECT_EQ(line(firstStamp), " May");
    uploaded->click();
    EXPECT_EQ(line(firstStamp), " " + stamp);

    // A missing file has no stamp: checking "Uploaded" stores nothing, not
    // the stamp of the file selected before.
    files->setCurrentRow(1);
    EXPECT_FALSE(uploaded->isChecked());
    uploaded->click();
    EXPECT_FALSE(uploaded->isChecked());
    EXPECT_EQ(line(secondStamp), " 1234");

    // "Ascii" and "Not clean" together: mode " 2", to be uploaded again.
    files->setCurrentRow(0);
    ww<QCheckBox>("Ascii")->click();
    ww<QCheckBox>("notclean")->click();
    EXPECT_EQ(line(mode), " 2");
    EXPECT_EQ(line(firstStamp), " May");

    // Enter in the server field stores " " + the new server, marks the file
    // for upload and moves on to the login field.
    window->webwatchWindow().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window->webwatchWindow()));
    auto* serverField = ww<QLineEdit>("Edit2");
    serverField->setFocus(Qt::TabFocusReason);
    serverField->selectAll();
    QTest::keyClicks(serverField, "ftp.new.example");
    uploaded->click();  // the stamp back first, so Enter visibly sets " May"
    EXPECT_NE(line(firstStamp), " May");
    serverField->setFocus(Qt::TabFocusReason);
    QTest::keyClick(serverField, Qt::Key_Return);
    EXPECT_EQ(line(server), " ftp.new.example");
    EXPECT_EQ(serverField->text(), " ftp.new.example");
    EXPECT_EQ(line(firstStamp), " May");
    EXPECT_TRUE(ww<QLineEdit>("Edit3")->hasFocus());

    // Leaving a changed field and answering No puts the stored text back.
    auto* login = ww<QLineEdit>("Edit3");
    QTest::keyClicks(login, "x");
    dialogs.expectYesNo("To save changes press Enter", "Save changes?", DialogAnswer::No);
    ww<QLineEdit>("Edit4")->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(login->text(), " tavlin");
    EXPECT_EQ(dialogs.pending(), 0u);

    // An old queue kept on No: neither it nor the projects change.
    const std::string oldQueue = crlf({"1", "1" + a, "127.0.0.1", "tavlin", "s3cret", "21", "/www", "a.html", "1", "1"});
    data.write("koefil.dfd", oldQueue);
    const std::string projectsBefore = projectFile();
    dialogs.expectYesNo("Found old files to upload!", "Do You want to delete old file transfer?", DialogAnswer::No);
    click(ww<QPushButton>("Uploadall"));
    EXPECT_EQ(data.read("koefil.dfd"), oldQueue);
    EXPECT_EQ(projectFile(), projectsBefore);
    EXPECT_TRUE(window->webwatchWindow().isVisible());
    std::filesystem::remove(data.file("koefil.dfd"));

    // Removing the only project leaves the empty store.
    projectsList->setCurrentRow(0);
    dialogs.expectYesNo("Site", "Remove this Web project?", DialogAnswer::Yes);
    ww<QAction>("RemoveWebproject1")->trigger();
    EXPECT_EQ(projectFile(), "0\r\n");
    EXPECT_EQ(projectsList->count(), 0);
    window->webwatchWindow().reject();
    EXPECT_EQ(dialogs.pending(), 0u);
}

TEST_F(WebwatchWindowTest, AddFileHandsTheChosenProjectToTheRecording)
{
    web.write("a.html", "a");
    data.write("wbprj.dfd", crlf(join({{"2", "Other", "0", "0"}, {"Site", "1", "0"},
                                       record(web.file("a.html"), "/www", "1234")})));
    window->openWebwatch();
    auto* addFile = ww<QPushButton>("Button1");
    EXPECT_FALSE(addFile->isEnabled());
    ww<QListWidget>("ListBox1")->setCurrentRow(1);
    ASSERT_TRUE(addFile->isEnabled());
    // Not connected: the recording asks before it records offline.
    dialogs.expectYesNo("Your disconnected!!", "Record a new file without connecting?", DialogAnswer::Yes)
        .expectMessage("You must check if: Remote Host,login,Password and Port is correct");
    click(addFile);

    // The window closes, the connection fields take the project's first
    // file's site, and the recording into "Site" runs with its flags.
    EXPECT_FALSE(window->webwatchWindow().isVisible());
    EXPECT_EQ(c->Edit1->text(), "127.0.0.1");
    EXPECT_EQ(c->Edit2->text(), "tavlin");
    EXPECT_EQ(c->Edit3->text(), "s3cret");
    EXPECT_EQ(c->Edit4->text(), "21");
    EXPECT_TRUE(window->recorder().recording());
    EXPECT_TRUE(window->recorder().addingToExisting());
    EXPECT_EQ(window->recorder().projectName(), "Site");
    EXPECT_TRUE(window->recorder().headerCleanDirectory());
    EXPECT_FALSE(window->recorder().headerDeleteMissing());
    EXPECT_TRUE(c->Label2->isVisible());
    EXPECT_EQ(dialogs.pending(), 0u);
}

// The run's engine in a process of its own, killed in the middle of the
// deletions or of the uploads; then the real window on the same data
// directory finishes it. The result must be that of a run never cut short.
class KilledRunTest : public WebwatchWindowTest {
protected:
    virtual QStringList holdPoint() const = 0;
    // The local files as uploaded already: the run only deletes.
    virtual bool deletionsOnly() const { return false; }

    void beforeWindow() override
    {
        startServer();
        web.write("www/a.html", "<p>a</p>");
        web.write("www/b.html", "<p>b</p>");
        web.write("www/c.html", "<p>c</p>");
        // Dated an hour back: a file changed within the two seconds of the
        // scan that sends it keeps " May", and the reference run and the
        // killed one scan at different moments.
        for (const char* name : {"www/a.html", "www/b.html", "www/c.html"})
            std::filesystem::last_write_time(web.file(name), std::filesystem::file_time_type::clock::now()
                                                                 - std::chrono::hours(1));
        const auto stamp = [&](const char* name) {
            return deletionsOnly() ? *ProjectStore::stampOf(web.file(name)) : std::string("May");
        };
        projectLines = crlf(join({{"1", "Site", "0", "1"}, record(web.file("www/a.html"), "/www", stamp("www/a.html")),
                                  record(web.file("www/b.html"), "/www", stamp("www/b.html")),
                                  record(web.file("www/c.html"), "/www", stamp("www/c.html")),
                                  record(web.file("www/x.html"), "/www", "1234"),
                                  record(web.file("www/y.html"), "/www", "1234"),
                                  record(web.file("www/z.html"), "/www", "1234")}));
        // A run never interrupted gives the reference.
        TempDir reference;
        resetServerFiles();
        reference.write("wbprj.dfd", projectLines);
        ASSERT_EQ(runEngine(reference.path(), {"none", "0"}), 0);
        expectedServer = filesBelow(site.path());
        expectedProjects = reference.read("wbprj.dfd");

        // The same run, killed.
        resetServerFiles();
        data.write("wbprj.dfd", projectLines);
        // An existing icon table: this is not a first start, which would
        // write a fresh project file.
        data.write("fiext1.fil", ".txt1\r\n");
        ASSERT_EQ(runEngine(data.path(), holdPoint()), -1);
    }

    void resetServerFiles()
    {
        std::filesystem::remove_all(site.file("www"));
        for (const char* name : {"x.html", "y.html", "z.html", "b.html"})
            site.write(std::string("www/") + name, std::string("old ") + name);
    }

    // Runs the engine's process; -1 when it held and was killed.
    int runEngine(const std::string& dataDirectory, const QStringList& hold)
    {
        QProcess runner;
        runner.start(QStringLiteral(TAVLIN_WEBWATCH_RUNNER), QStringList{QString::fromStdString(dataDirectory)} + hold);
        EXPECT_TRUE(runner.waitForStarted());
        QByteArray said;
        const bool ended = waitUntil(
            [&] {
                said += runner.readAllStandardOutput();
                return said.contains("holding") || runner.state() == QProcess::NotRunning;
            },
            60000);
        if (said.contains("holding")) {
            runner.kill();  // SIGKILL
            runner.waitForFinished();
            return -1;
        }
        if (!ended)
            runner.kill();
        runner.waitForFinished();
        EXPECT_TRUE(ended) << runner.readAllStandardError().toStdString();
        return runner.exitStatus() == QProcess::NormalExit ? runner.exitCode() : -2;
    }

    void finishFromTheWindow()
    {
        ASSERT_TRUE(window->uploadRun().pending());
        ASSERT_TRUE(waitUntil([&] { return c->BitBtn9->isVisible(); }));
        EXPECT_EQ(c->BitBtn9->text(), "Start");
        click(c->BitBtn9);
        ASSERT_TRUE(waitUntilRunEnds()) << logText();
        EXPECT_EQ(filesBelow(site.path()), expectedServer);
        EXPECT_EQ(projectFile(), expectedProjects);
        EXPECT_TRUE(runFilesGone());
    }

    std::string projectLines;
    std::map<std::string, std::string> expectedServer;
    std::string expectedProjects;
};

class KilledDuringDeletions : public KilledRunTest {
protected:
    QStringList holdPoint() const override { return {"deletions", "1"}; }
};

class KilledDuringUploads : public KilledRunTest {
protected:
    QStringList holdPoint() const override { return {"uploads", "1"}; }
};

TEST_F(KilledDuringDeletions, TheWindowDeletesTheRestUploadsAndEndsAsAnUninterruptedRun)
{
    // One deletion was done before the kill; two are still listed.
    TextLineList deletions;
    ASSERT_TRUE(deletions.loadFromFile(data.file("defil.dfd")));
    EXPECT_EQ(deletions.size(), 12u);
    EXPECT_TRUE(window->uploadRun().deletionsPending());
    finishFromTheWindow();
}

class KilledDuringADeletionOnlyRun : public KilledRunTest {
protected:
    QStringList holdPoint() const override { return {"deletions", "1"}; }
    bool deletionsOnly() const override { return true; }
};

// Such a run has no queue file and so no Start button: the window's start
// finishes it by itself.
TEST_F(KilledDuringADeletionOnlyRun, TheWindowsStartFinishesItAsAnUninterruptedRun)
{
    EXPECT_FALSE(std::filesystem::exists(data.file("koefil.dfd")));
    ASSERT_TRUE(waitUntilRunEnds()) << logText();
    EXPECT_EQ(filesBelow(site.path()), expectedServer);
    EXPECT_EQ(projectFile(), expectedProjects);
    EXPECT_TRUE(runFilesGone());
}

TEST_F(KilledDuringUploads, TheWindowUploadsTheRestAndEndsAsAnUninterruptedRun)
{
    EXPECT_FALSE(std::filesystem::exists(data.file("defil.dfd")));
    EXPECT_FALSE(window->uploadRun().deletionsPending());
    finishFromTheWindow();
}

}  // namespace

// Three pages of one name in three folders are told apart by their folders,
// and each line says where its file stands against its last upload.
TEST_F(WebwatchWindowTest, TheFileListShowsEachFilesFolderAndState)
{
    web.write("a/p000.html", "same");
    web.write("b/p000.html", "changed since");
    web.write("c/p000.html", "never sent");
    const auto start = join({{"1", "Site", "0", "0"},
                             record(web.file("a/p000.html"), "/www/a", stampOf(web.file("a/p000.html"))),
                             record(web.file("b/p000.html"), "/www/b", "1234"),
                             record(web.file("c/p000.html"), "/www/c", "May"),
                             record(web.file("d/gone.html"), "/www/d", "1234")});
    data.write("wbprj.dfd", crlf(start));

    window->openWebwatch();
    ww<QListWidget>("ListBox1")->setCurrentRow(0);
    auto* files = ww<QListWidget>("ListView1");
    EXPECT_EQ(texts(files), (QStringList{"p000.html", "p000.html", "p000.html", "File missing"}));
    QStringList described;
    QStringList shownFolders;
    for (int row = 0; row < files->count(); ++row) {
        described << files->item(row)->data(Qt::AccessibleDescriptionRole).toString();
        shownFolders << files->item(row)->data(webwatch_file_row::kFolderRole).toString();
    }
    // The folder below the one the project's files share is what the eye gets.
    EXPECT_EQ(shownFolders, (QStringList{"a", "b", "c", "d/gone.html"}));
    EXPECT_EQ(described, (QStringList{QString::fromStdString("up to date, in " + web.file("a")),
                                      QString::fromStdString("changed, in " + web.file("b")),
                                      QString::fromStdString("new, in " + web.file("c")),
                                      QString::fromStdString("missing, in " + web.file("d/gone.html"))}));
    // TAVLIN_SCREENSHOT=file.png keeps a picture of the list.
    if (const QByteArray shot = qgetenv("TAVLIN_SCREENSHOT"); !shot.isEmpty())
        window->webwatchWindow().grab().save(QString::fromLocal8Bit(shot));
    window->webwatchWindow().reject();
}
