#include "app/file_icon_list.h"
#include "app/startup_sequence.h"
#include "support/controls_by_name.h"
#include "support/scripted_dialogs.h"
#include "support/small_disk.h"
#include "support/temp_dir.h"
#include "ui/main_window.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

#include <gtest/gtest.h>

#include <filesystem>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string oneEntryQueue()
{
    return "1\r\n1/home/u/site/index.htm\r\n127.0.0.1\r\ndemo\r\ndemo\r\n2121\r\n/www\r\nindex.htm\r\n120\r\n0\r\n";
}

// Each test starts the main window on its own data directory, with a small
// folder tree standing in for the root file system.
class ThovedformStartup : public ::testing::Test {
protected:
    TempDir data;
    TempDir fakeRoot;
    ScriptedDialogs dialogs;
    std::vector<std::string> handedOver;

    std::unique_ptr<Thovedform> start()
    {
        ThovedformSetup setup;
        setup.dialogs = &dialogs;
        setup.dataDirectory = data.path();
        setup.iconTableRoot = fakeRoot.path();
        auto window = std::make_unique<Thovedform>(setup);
        ShowSequenceTargets& targets = window->showSequenceTargets();
        targets.webwatchPaths = [this](const std::string& project, const std::string& queue,
                                       const std::string& pending) {
            handedOver.push_back("webwatch " + project + " " + queue + " " + pending);
        };
        targets.prepareResumeOfInterruptedDownload = [this] { handedOver.push_back("resume"); };
        targets.showPendingQueue = [this] { handedOver.push_back("queue"); };
        return window;
    }
};

TEST_F(ThovedformStartup, FirstStartBuildsTheIconTableAndTheInitialFiles)
{
    fakeRoot.write("index.html", "<html></html>");
    fakeRoot.write("www/style.css", "body {}");
    fakeRoot.write("www/old.htm", "<html></html>");
    auto window = start();
    const MainWindowByName c(*window);

    EXPECT_TRUE(window->wasFirstStart());
    FileIconList icons;
    const std::string html = std::to_string(icons.typeOfName("*.htm").iconIndex);
    const std::string css = std::to_string(icons.typeOfName("*.css").iconIndex);
    std::multiset<std::string> lines(window->iconTable().begin(), window->iconTable().end());
    EXPECT_EQ(lines, (std::multiset<std::string>{".html" + html, ".htm" + html, ".css" + css}));
    TextLineList saved;
    ASSERT_TRUE(saved.loadFromFile(data.file("fiext1.fil")));
    EXPECT_EQ(saved, window->iconTable());

    EXPECT_EQ(data.read("ascd.dfd"), ".htm\r\n.txt\r\n.bat\r\n.pas\r\n.asp\r\n.css\r\n.sql\r\n.log\r\n");
    EXPECT_EQ(data.read("wbprj.dfd"), "0\r\n");
    EXPECT_EQ(data.read("prox.dfd"), "\r\n\r\n0\r\n");
    EXPECT_EQ(TextLineList::splitLines(data.read("serv3.adr")).size(), 48u);
    EXPECT_EQ(TextLineList::splitLines(data.read("serv3.adr"))[0], "Local demo server");
    // The log was scratch space and is left empty.
    EXPECT_EQ(c.Memo1->toPlainText(), "");
    EXPECT_FALSE(window->startupFlags().anySet());

    window->show();
    EXPECT_FALSE(c.Button1->isVisible());
    EXPECT_FALSE(c.Label2->isVisible());
    // Nothing restored: WebWatch gets its paths, the queue nothing.
    EXPECT_EQ(handedOver, std::vector<std::string>{"webwatch " + data.file("wbprj.dfd") + " " +
                                                   data.file("koefil.dfd") + " " + data.file("nyweb2.dfd")});
}

TEST_F(ThovedformStartup, FirstStartConvertsAnOldSiteListWithoutShowingItsPasswords)
{
    data.write("serv.adr", "ftp.example.net\r\nme\r\nsecret\r\n21\r\n/home/me\r\n");
    auto window = start();
    EXPECT_TRUE(window->wasFirstStart());
    // The log is on screen: it tells of the conversion, never the list.
    const QString log = MainWindowByName(*window).Memo1->toPlainText();
    EXPECT_EQ(log, "! The site list of an earlier version (serv.adr, 1 site) is taken over");
    EXPECT_FALSE(log.contains("secret"));
    // No built-in list: the address manager converts the old list instead.
    EXPECT_EQ(data.read("serv3.adr"), "Servername 1\r\nftp.example.net\r\nme\r\nsecret\r\n21\r\n/home/me\r\n\r\n0\r\n");
}

TEST_F(ThovedformStartup, ALaterStartOnlyLoadsTheIconTable)
{
    data.write("fiext1.fil", ".txt2\r\n.html3\r\n");
    fakeRoot.write("ignored.css", "x");
    auto window = start();
    EXPECT_FALSE(window->wasFirstStart());
    EXPECT_EQ(window->iconTable().lines(), (std::vector<std::string>{".txt2", ".html3"}));
    EXPECT_EQ(MainWindowByName(*window).Memo1->toPlainText(), "FTP log...");
    EXPECT_EQ(data.read("wbprj.dfd"), "");
    EXPECT_EQ(data.read("serv3.adr"), "");
}

TEST_F(ThovedformStartup, ARestoredQueueWithAPendingRunIsHandedOverOnFirstShow)
{
    data.write("fiext1.fil", ".txt2\r\n");
    data.write("koefil.dfd", oneEntryQueue());
    data.write("nyweb2.dfd", "1\r\nsite\r\n1\r\n1\r\n");
    data.write("defil.dfd", "127.0.0.1\r\ndemo\r\ndemo\r\n2121\r\n/www\r\ngone.htm\r\n");
    auto window = start();
    const MainWindowByName c(*window);
    EXPECT_TRUE(window->startupFlags().queueLoaded);
    EXPECT_TRUE(window->startupFlags().pendingProjectLoaded);
    EXPECT_EQ(window->restoreBuffer().joinedText(), oneEntryQueue());
    EXPECT_EQ(window->deletionList().lineOr(5), "gone.htm");
    EXPECT_TRUE(handedOver.empty()) << "nothing is handed over before the window is shown";

    window->show();
    EXPECT_TRUE(c.Button1->isVisible());
    // With a pending run WebWatch works on the pending project file.
    EXPECT_EQ(handedOver, (std::vector<std::string>{"webwatch " + data.file("nyweb2.dfd") + " " +
                                                        data.file("koefil.dfd") + " " + data.file("nyweb2.dfd"),
                                                    "queue"}));
    // Only the first showing hands over.
    window->hide();
    window->show();
    EXPECT_EQ(handedOver.size(), 2u);
}

TEST_F(ThovedformStartup, AnInterruptedDownloadIsOfferedInsteadOfTheQueue)
{
    data.write("fiext1.fil", ".txt2\r\n");
    data.write("koefil.dfd", oneEntryQueue());
    data.write("rstfil.txt", "127.0.0.1\r\ndemo\r\ndemo\r\n2121\r\n/home/u/a.iso\r\na.iso\r\n/home/u/a.iso\r\n/pub\r\n"
                             "a.iso\r\n5000\r\n1\r\n");
    auto window = start();
    EXPECT_TRUE(window->startupFlags().resumeRecordLoaded);
    EXPECT_FALSE(window->startupFlags().queueLoaded);
    EXPECT_EQ(window->restoreBuffer().lineOr(5), "a.iso");
    // The built-in site list stays in the deletion list's buffer when no queue
    // was restored.
    EXPECT_EQ(window->deletionList().lineOr(0), "Local demo server");
    window->show();
    EXPECT_TRUE(MainWindowByName(*window).Button1->isVisible());
    ASSERT_EQ(handedOver.size(), 2u);
    EXPECT_EQ(handedOver[1], "resume");
}

TEST_F(ThovedformStartup, DamagedDataFilesNeitherStopTheStartNorGetOverwritten)
{
    data.write("fiext1.fil", std::string("\x00\xff garbage \x01", 12));
    data.write("koefil.dfd", "not a queue\r\n");
    data.write("wbprj.dfd", "\xfe\xfe");
    data.write("rstfil.txt/inside", "a folder where a file belongs");
    // Data files that are no files: reading them must neither block (a
    // FIFO) nor run out of memory (a device).
    ASSERT_EQ(::mkfifo(data.file("serv3.adr").c_str(), 0600), 0);
    ASSERT_EQ(::mkfifo(data.file("prox.dfd").c_str(), 0600), 0);
    std::filesystem::create_symlink("/dev/zero", data.file("ascd.dfd"));
    // A settings file that is a FIFO must not keep the window from coming
    // up, nor be replaced when the window keeps its layout at the end.
    ASSERT_EQ(::mkfifo(data.file("tavlinftp.ini").c_str(), 0600), 0);
    auto window = start();
    EXPECT_FALSE(window->wasFirstStart());
    EXPECT_FALSE(window->startupFlags().anySet());
    // The damaged project file is named with its line when the window comes
    // up, and left as it is.
    dialogs.expectMessage(QString::fromStdString(
        "The Web projects cannot be used: " + data.file("wbprj.dfd")
        + ", line 1: the number of projects is not a number from 0 up. The file is left as it is and no project "
          "is shown; correct that line or put back a copy of the file, then start again."));
    window->show();
    EXPECT_EQ(dialogs.pending(), 0u);
    EXPECT_FALSE(MainWindowByName(*window).Button1->isVisible());
    EXPECT_EQ(data.read("koefil.dfd"), "not a queue\r\n");
    EXPECT_EQ(data.read("wbprj.dfd"), "\xfe\xfe");
    // The log names each file left alone.
    const QString log = MainWindowByName(*window).Memo1->toPlainText();
    for (const char* name : {"serv3.adr", "prox.dfd", "ascd.dfd", "tavlinftp.ini"})
        EXPECT_TRUE(log.contains(QString::fromStdString(data.file(name) + ": not a regular file (")))
            << name << "\n" << log.toStdString();
    window.reset();
    for (const char* name : {"serv3.adr", "prox.dfd", "tavlinftp.ini"}) {
        struct stat status {};
        ASSERT_EQ(::lstat(data.file(name).c_str(), &status), 0) << name;
        EXPECT_TRUE(S_ISFIFO(status.st_mode)) << name;
    }
}

// A setting changed while the settings file cannot be written (here: the
// disk is full) still holds for the run, and the window says, once, that
// it was not kept.
TEST(ThovedformSettings, ASettingsFileThatCannotBeWrittenIsSaidInTheLog)
{
    SmallDisk disk(512 * 1024);
    RUN_ON_SMALL_DISK(disk);
    TempDir fakeRoot;
    ScriptedDialogs dialogs;
    ThovedformSetup setup;
    setup.dialogs = &dialogs;
    setup.dataDirectory = disk.path();
    setup.iconTableRoot = fakeRoot.path();
    auto window = std::make_unique<Thovedform>(setup);
    window->show();
    const int filler = ::open(disk.file("filler").c_str(), O_WRONLY | O_CREAT, 0600);
    ASSERT_GE(filler, 0);
    const std::string block(4096, 'f');
    while (::write(filler, block.data(), block.size()) > 0) {
    }
    ::close(filler);

    QAction* ask = window->findChild<QAction*>(QStringLiteral("AskBeforeOverwriting"));
    ASSERT_NE(ask, nullptr);
    ask->trigger();
    ask->trigger();
    ask->trigger();
    EXPECT_TRUE(ask->isChecked());
    const QString log = MainWindowByName(*window).Memo1->toPlainText();
    const QString said = QString::fromStdString("! Could not write " + disk.file("tavlinftp.ini")
                                                + ": settings changed now last only until the program ends");
    EXPECT_EQ(log.count(said), 1) << log.toStdString();
    EXPECT_EQ(disk.read("tavlinftp.ini").find("AskBeforeOverwriting=true"), std::string::npos);
}

}  // namespace
