// Connecting, logging in, walking to the login directory and browsing the
// server, through the real main window against the real FTP server.
#include "browse_window_harness.h"

#include "app/file_list_item.h"

#include "app/control_hint.h"
#include "app/local_panel.h"
#include "app/message_panel.h"
#include "app/remote_tree.h"
#include "core/placeholder_password.h"
#include "fixtures/scripted_ftp_server.h"

#include <QAction>
#include <QApplication>
#include <QDate>
#include <QStatusBar>

#include <QAbstractItemModel>
#include <QHostAddress>
#include <QTcpServer>
#include <QTimer>

#include <ctime>
#include <filesystem>
#include <sys/stat.h>
#include <utime.h>

namespace {

using Strings = std::vector<std::string>;

// Sets a file's modification time to a fixed local date, so the listing's
// date column is known ("Mar 03  2019" for a date older than half a year).
void setModified(const std::string& path, int year, int month, int day)
{
    std::tm when{};
    when.tm_year = year - 1900;
    when.tm_mon = month - 1;
    when.tm_mday = day;
    when.tm_hour = 12;
    when.tm_isdst = -1;
    const std::time_t stamp = std::mktime(&when);
    utimbuf times{stamp, stamp};
    ASSERT_EQ(::utime(path.c_str(), &times), 0);
}

class BrowseSessionWindow : public BrowseWindowTest {
protected:
    void makeSite()
    {
        site.write("index.html", std::string(12345, 'x'));
        setModified(site.file("index.html"), 2019, 3, 3);
        site.write("my page.html", "0123456789");
        site.write("empty.txt", "");
        site.write("www/about.html", "about");
        site.write("www/logo.gif", std::string(2048, 'g'));
        std::filesystem::create_directory(site.file("docs"));
    }
};

TEST_F(BrowseSessionWindow, LogsInListsTheRootAndShowsTheFileColumns)
{
    makeSite();
    connectAsTestUser();
    ASSERT_TRUE(waitUntilBrowsing()) << logText();

    EXPECT_EQ(commands(), (Strings{"USER " + server->user(), "PASS " + server->password(), "PWD", "CWD /",
                                   "PORT", "LIST -a"}));

    // Directories only in the tree, files and links only in the list.
    ASSERT_NE(root(), nullptr);
    EXPECT_EQ(root()->text(0), QStringLiteral("127.0.0.1"));
    EXPECT_EQ(childNames(root()), (QStringList{"docs", "www"}));
    // The folders just listed are shown without a further click.
    EXPECT_TRUE(root()->isExpanded());
    QStringList files = fileNames();
    files.sort();
    EXPECT_EQ(files, (QStringList{"empty.txt", "index.html", "my page.html"}));

    QTreeWidgetItem* index = fileItem(QStringLiteral("index.html"));
    ASSERT_NE(index, nullptr);
    EXPECT_EQ(index->text(1), QStringLiteral("12KB"));
    EXPECT_EQ(index->text(2), QStringLiteral("html File"));
    EXPECT_EQ(index->text(3), QStringLiteral("Mar 03  2019"));
    // This icon table holds no ".html": the file still shows a document icon.
    EXPECT_FALSE(index->icon(0).isNull());
    EXPECT_EQ(fileText(QStringLiteral("my page.html"), 1), QStringLiteral("10"));
    EXPECT_EQ(fileText(QStringLiteral("empty.txt"), 1), QString());
    // The transfer queue takes download sizes from the item.
    EXPECT_EQ(file_list::sizeOf(index), 12345u);

    const QStringList log = c->Memo1->toPlainText().split(QLatin1Char('\n'));
    EXPECT_EQ(log.first(), QStringLiteral("Connecting"));
    EXPECT_TRUE(log.contains(QStringLiteral("> PWD")));
    // The password went to the server, not into the log.
    EXPECT_TRUE(log.contains(QStringLiteral("> PASS ****")));
    EXPECT_EQ(logText().find(server->password()), std::string::npos) << logText();
    EXPECT_EQ(log.last(), QStringLiteral("Done..."));
    EXPECT_EQ(hintOf(c->connectknap), QStringLiteral("Disconnect"));
    // TAVLIN_SCREENSHOT=file.png keeps a picture of the connected window.
    if (const QByteArray shot = qgetenv("TAVLIN_SCREENSHOT"); !shot.isEmpty()) {
        clickNode(node({"www"}));
        waitForListing(doneCount());
        window->grab().save(QString::fromLocal8Bit(shot));
        return;
    }
    // The login directory "/" is listed straight away, not through a node
    // change; its files are deleted and renamed like any others.
    for (QPushButton* button : {c->BitBtn6, c->BitBtn7, c->BitBtn1, c->BitBtn5, c->BitBtn8})
        EXPECT_TRUE(button->isEnabled()) << button->objectName().toStdString();
}

TEST_F(BrowseSessionWindow, EmptyPasswordSendsThePlaceholderAndEmptyHostDoesNothing)
{
    makeSite();
    startServer();
    c->Edit1->clear();
    click(c->connectknap);
    pumpEventsFor(200);
    EXPECT_TRUE(server->commands().empty());
    EXPECT_FALSE(session().connected());

    connectAs("anonymous", "");
    ASSERT_TRUE(waitUntilBrowsing()) << logText();
    const Strings sent = commands();
    ASSERT_GE(sent.size(), 2u);
    EXPECT_EQ(sent[0], "USER anonymous");
    EXPECT_EQ(sent[1], std::string("PASS ") + kPlaceholderEmailPassword);
}

TEST_F(BrowseSessionWindow, ANonNumericPortIsRefusedWithAMessage)
{
    startServer();
    c->Edit1->setText(QStringLiteral("127.0.0.1"));
    c->Edit4->setText(QStringLiteral("twenty"));
    dialogs.expectMessage(QStringLiteral("'twenty' is not a valid integer value"));
    click(c->connectknap);
    pumpEventsFor(200);
    EXPECT_TRUE(server->commands().empty());
    EXPECT_EQ(dialogs.pending(), 0u);
}

TEST_F(BrowseSessionWindow, AConnectionThatCannotBeMadeIsLoggedAndLeavesTheWindowReady)
{
    makeSite();
    startServer();
    // A loopback port that nobody listens on: take a free one and let it go.
    QTcpServer probe;
    ASSERT_TRUE(probe.listen(QHostAddress::LocalHost, 0));
    const quint16 deadPort = probe.serverPort();
    probe.close();

    c->Edit1->setText(QStringLiteral("127.0.0.1"));
    c->Edit2->setText(QString::fromStdString(server->user()));
    c->Edit3->setText(QString::fromStdString(server->password()));
    c->Edit4->setText(QString::number(deadPort));
    click(c->connectknap);
    // The user learns why nothing happened: the reason is in the log.
    ASSERT_TRUE(waitUntil([&] { return logText().find("! 500 ") != std::string::npos; })) << logText();
    EXPECT_NE(logText().find("Winsock error #"), std::string::npos) << logText();
    EXPECT_FALSE(session().connected());
    EXPECT_FALSE(session().requestRunning());
    EXPECT_EQ(c->TreeView1->topLevelItemCount(), 0);

    // And the next try, to the right port, works.
    connectAsTestUser();
    ASSERT_TRUE(waitUntilBrowsing()) << logText();
}

// A click on a folder costs one CWD, to the folder's path from the root, and
// its listing: where the server was before does not matter.
TEST_F(BrowseSessionWindow, ClickingANodeChangesToItWithOneCommand)
{
    makeSite();
    connectAsTestUser();
    ASSERT_TRUE(waitUntilBrowsing());
    server->clearCommands();

    const int before = doneCount();
    clickNode(node({"www"}));
    ASSERT_TRUE(waitForListing(before)) << logText();
    EXPECT_EQ(commands(), (Strings{"CWD /www", "PORT", "LIST -a"}));
    QStringList files = fileNames();
    files.sort();
    EXPECT_EQ(files, (QStringList{"about.html", "logo.gif"}));
    EXPECT_EQ(fileText(QStringLiteral("logo.gif"), 1), QStringLiteral("2KB"));
    EXPECT_TRUE(c->Memo1->toPlainText().contains(QStringLiteral("Directory is \"/www\"")));
    // The others see the folder shown as the tree writes it.
    EXPECT_EQ(channel().client().HostDirName(), "./www");
    EXPECT_EQ(hintOf(c->BitBtn8), QStringLiteral("Rename Directory www"));

    // Selecting a file names it in the delete and rename hints.
    clickFile(fileItem(QStringLiteral("about.html")));
    EXPECT_EQ(hintOf(c->BitBtn5), QStringLiteral("Delete file about.html"));
    EXPECT_TRUE(c->BitBtn3->isEnabled());
}

TEST_F(BrowseSessionWindow, OneSideHasASelectedFileAtATime)
{
    makeSite();
    TempDir localFolder;
    localFolder.write("local.html", "l");
    connectAsTestUser();
    ASSERT_TRUE(waitUntilBrowsing());
    ASSERT_TRUE(window->localPanel().setLocalDirectory(localFolder.path()));

    auto clickLocal = [&] {
        QTreeWidgetItem* local = c->ListView2->topLevelItem(0);
        ASSERT_NE(local, nullptr);
        QTest::mouseClick(c->ListView2->viewport(), Qt::LeftButton, {}, c->ListView2->visualItemRect(local).center());
    };
    clickLocal();
    EXPECT_TRUE(c->BitBtn2->isEnabled());

    // A remote file takes the selection from the local one, and with it
    // the upload button.
    clickFile(fileItem(QStringLiteral("index.html")));
    EXPECT_TRUE(c->ListView2->selectedItems().isEmpty());
    EXPECT_FALSE(c->BitBtn2->isEnabled());
    EXPECT_TRUE(c->BitBtn3->isEnabled());
    ASSERT_EQ(c->ListView1->selectedItems().size(), 1);

    // And back: a local file takes it from the remote one.
    clickLocal();
    EXPECT_TRUE(c->ListView1->selectedItems().isEmpty());
    EXPECT_EQ(c->ListView2->selectedItems().size(), 1);
    EXPECT_TRUE(c->BitBtn2->isEnabled());
    EXPECT_FALSE(c->BitBtn3->isEnabled());
}

TEST_F(BrowseSessionWindow, ALinkToAFolderIsWalkedToFromTheRoot)
{
    makeSite();
    std::filesystem::create_symlink("www", site.file("folderlink"));
    connectAsTestUser();
    ASSERT_TRUE(waitUntilBrowsing());
    QTreeWidgetItem* link = fileItem(QStringLiteral("folderlink"));
    ASSERT_NE(link, nullptr) << logText();
    EXPECT_EQ(link->text(2), QStringLiteral("Link"));
    EXPECT_EQ(link->data(0, remote_tree::kImageIndexRole).toInt(), remote_tree::kLinkImage);

    server->clearCommands();
    const int before = doneCount();
    clickFile(link);
    // SIZE fails, so the link is a folder: step in, ask where that is, list
    // the root and walk from there to the link's node.
    ASSERT_TRUE(waitUntil([&] {
        return doneCount() >= before + 2 && !session().requestRunning() &&
               c->TreeView1->currentItem() == node({"folderlink"});
    })) << logText();
    EXPECT_EQ(commands(), (Strings{"SIZE folderlink", "CWD folderlink", "PWD", "CWD /", "PORT", "LIST -a",
                                   "CWD /folderlink", "PORT", "LIST -a"}));
    EXPECT_EQ(session().linkSizeState(), -1);
    QStringList files = fileNames();
    files.sort();
    EXPECT_EQ(files, (QStringList{"about.html", "logo.gif"}));
}

TEST_F(BrowseSessionWindow, ClickingAnotherNodeDuringALongListingStopsTheParse)
{
    for (int i = 0; i < 3000; ++i)
        site.write("big/file" + std::to_string(i) + ".txt", "x");
    site.write("small/only.txt", "1");
    connectAsTestUser();
    ASSERT_TRUE(waitUntilBrowsing());

    // The user clicks "small" while the big listing is being shown.
    bool clicked = false;
    QObject::connect(c->ListView1->model(), &QAbstractItemModel::rowsInserted, window.get(), [&] {
        if (!clicked && c->ListView1->topLevelItemCount() >= 50) {
            clicked = true;
            QTimer::singleShot(0, window.get(), [&] { clickNode(node({"small"})); });
        }
    });
    server->clearCommands();
    const int before = doneCount();
    clickNode(node({"big"}));
    ASSERT_TRUE(waitUntil([&] {
        return clicked && fileNames() == QStringList{"only.txt"} && !session().requestRunning() &&
               doneCount() > before;
    })) << logText();
    // The big listing ended early without its "Done...".
    EXPECT_EQ(doneCount(), before + 1);
    EXPECT_EQ(commands(), (Strings{"CWD /big", "PORT", "LIST -a", "CWD /small", "PORT", "LIST -a"}));
    EXPECT_EQ(c->TreeView1->currentItem(), node({"small"}));
}

TEST_F(BrowseSessionWindow, DisconnectQuitsAndEmptiesTheWindow)
{
    makeSite();
    connectAsTestUser();
    ASSERT_TRUE(waitUntilBrowsing());
    server->clearCommands();
    click(c->connectknap);
    ASSERT_TRUE(waitUntil([&] { return !window->sessionChannel().client().Connected() && !session().requestRunning(); }));
    EXPECT_EQ(commands(), (Strings{"QUIT"}));
    EXPECT_FALSE(session().connected());
    EXPECT_EQ(c->TreeView1->topLevelItemCount(), 0);
    EXPECT_EQ(c->ListView1->topLevelItemCount(), 0);
    EXPECT_EQ(hintOf(c->connectknap), QStringLiteral("Connect"));
    for (QPushButton* button : {c->BitBtn5, c->BitBtn6, c->BitBtn7, c->BitBtn8, c->BitBtn3})
        EXPECT_FALSE(button->isEnabled()) << button->objectName().toStdString();

    // Connecting again works from the emptied window, with Enter in the
    // password field as well as with the button.
    server->clearCommands();
    QTest::keyClick(c->Edit3, Qt::Key_Return);
    ASSERT_TRUE(waitUntilBrowsing());
    EXPECT_EQ(childNames(root()), (QStringList{"docs", "www"}));
    EXPECT_EQ(commands().front(), "USER " + server->user());

    // Enter in a field of a live session does not disconnect it.
    server->clearCommands();
    QTest::keyClick(c->Edit4, Qt::Key_Enter);
    QTest::keyClick(c->Edit1, Qt::Key_Return);
    QApplication::processEvents();
    EXPECT_TRUE(session().connected());
    EXPECT_TRUE(commands().empty());
}

TEST_F(BrowseSessionWindow, ARefusedLogInEndsTheSessionAndOneConnectTriesAgain)
{
    makeSite();
    startServer();
    dialogs.expectMessage(QStringLiteral("530 Authentication failed."));
    connectAs(server->user(), "not the password");
    ASSERT_TRUE(waitUntil([&] {
        return dialogs.pending() == 0 && !window->sessionChannel().client().Connected() && !session().requestRunning();
    })) << logText();
    EXPECT_EQ(commandsFrom("USER tavlin"), (Strings{"USER tavlin", "PASS not the password", "QUIT"}));
    EXPECT_FALSE(session().connected());
    EXPECT_EQ(c->TreeView1->topLevelItemCount(), 0);
    EXPECT_TRUE(c->BitBtn1->isEnabled());
    EXPECT_EQ(hintOf(c->connectknap), QStringLiteral("Connect"));
    // The end was asked for: no report of a lost connection.
    EXPECT_EQ(logText().find("! Connection closed by server"), std::string::npos) << logText();

    c->Edit3->setText(QString::fromStdString(server->password()));
    click(c->connectknap);
    ASSERT_TRUE(waitUntilBrowsing()) << logText();
    EXPECT_EQ(childNames(root()), (QStringList{"docs", "www"}));
}

TEST_F(BrowseSessionWindow, ACutListingAndALostConnectionAreShownAndLogged)
{
    ScriptedFtpServer scripted;
    scripted.login().expect("PWD").reply("257 \"/\" is the current directory.")
        .expect("CWD /").reply("250 \"/\" is the current directory.")
        .expect("PORT").reply("200 PORT command successful.")
        .expect("LIST").reply("150 Here comes the listing.")
        .connectToClientDataPort()
        .sendData("-rw-r--r--   1 user     group  5368709120 Jan 14 10:22 backup.tar\r\n")
        .closeData()
        .reply("226 Output truncated to 10000 matches")
        .delay(300)
        .dropConnection();
    ASSERT_TRUE(scripted.start());
    connectToScripted(scripted);
    ASSERT_TRUE(waitUntil([&] { return fileItem(QStringLiteral("backup.tar")) != nullptr && !session().requestRunning(); }))
        << logText();
    EXPECT_EQ(window->messagePanel().message(), QStringLiteral("226 Output truncated to 10000 matches"));
    // The size column is wide enough for the whole size.
    const QTreeWidgetItem* backup = fileItem(QStringLiteral("backup.tar"));
    ASSERT_NE(backup, nullptr);
    EXPECT_GE(c->ListView1->columnWidth(1), c->ListView1->fontMetrics().horizontalAdvance(backup->text(1)));

    ASSERT_TRUE(waitUntil([&] { return !session().connected() && c->TreeView1->topLevelItemCount() == 0; }))
        << logText();
    EXPECT_NE(logText().find("! Connection closed by server"), std::string::npos) << logText();
    EXPECT_EQ(window->messagePanel().message(), QStringLiteral("The session has ended: the connection was closed"));
    EXPECT_TRUE(c->BitBtn1->isEnabled());
}

// What a server says at the end of an ordinary listing is not news: only a
// reply that says the output was cut reaches the status bar.
TEST_F(BrowseSessionWindow, AnOrdinaryListingEndLeavesTheStatusBarAlone)
{
    ScriptedFtpServer scripted;
    scripted.login().expect("PWD").reply("257 \"/\" is the current directory.")
        .expect("CWD /").reply("250 \"/\" is the current directory.")
        .expect("PORT").reply("200 PORT command successful.")
        .expect("LIST").reply("150 Accepted data connection")
        .connectToClientDataPort()
        .sendData("-rw-r--r--   1 user     group  12 Jan 14 10:22 index.html\r\n")
        .closeData()
        .reply("226-Options: -a -l\r\n226 1 matches total");
    ASSERT_TRUE(scripted.start());
    connectToScripted(scripted);
    ASSERT_TRUE(waitUntil([&] { return fileItem(QStringLiteral("index.html")) != nullptr && !session().requestRunning(); }))
        << logText();
    EXPECT_NE(logText().find("< 226 1 matches total"), std::string::npos) << logText();
    EXPECT_EQ(window->messagePanel().message(), QString());
}

// --- the walk to the login directory, against the scripted server ---------------------------

void scriptChangeDir(ScriptedFtpServer& server, const QByteArray& path)
{
    server.expect("CWD " + path).reply("250 \"" + path + "\" is the current directory.");
}

TEST_F(BrowseSessionWindow, WalksFromTheRootToTheLoginDirectoryOneListingAtATime)
{
    const QByteArray dir = "drwxr-xr-x   2 user     group        4096 Jan 14 10:22 ";
    ScriptedFtpServer scripted;
    scripted.login().expect("PWD").reply("257 \"/home/user/www\" is the current directory.")
        .expect("CWD /").reply("250 \"/\" is the current directory.");
    scriptListing(scripted, dir + "home\r\n-rw-r--r-- 1 u g 5 Jan 14 10:22 rootfile.txt\r\n");
    scriptChangeDir(scripted, "/home");
    scriptListing(scripted, dir + "user\r\n");
    scriptChangeDir(scripted, "/home/user");
    scriptListing(scripted, "total 4\r\n" + dir + "www\r\n");
    scriptChangeDir(scripted, "/home/user/www");
    scriptListing(scripted, "-rw-r--r--   1 user     group       12345 Jan 14 10:22 index.html\r\n");
    ASSERT_TRUE(scripted.start());

    connectToScripted(scripted);
    ASSERT_TRUE(waitUntil([&] { return scripted.finished() && fileNames() == QStringList{"index.html"} &&
                                       c->BitBtn1->isEnabled(); }))
        << scripted.failure().toStdString() << "\n" << logText();
    EXPECT_TRUE(scripted.failure().isEmpty()) << scripted.failure().toStdString();

    QList<QByteArray> sent = scripted.commands();
    for (QByteArray& line : sent)
        if (line.startsWith("PORT "))
            line = "PORT";
    EXPECT_EQ(sent, (QList<QByteArray>{"USER user", "PASS pw", "PWD", "CWD /", "PORT", "LIST -a", "CWD /home",
                                       "PORT", "LIST -a", "CWD /home/user", "PORT", "LIST -a", "CWD /home/user/www",
                                       "PORT", "LIST -a"}));
    // Files were shown only for the last directory; the walk's listings
    // only added nodes.
    EXPECT_EQ(doneCount(), 4);
    EXPECT_EQ(c->TreeView1->currentItem(), node({"home", "user", "www"}));
    EXPECT_EQ(fileText(QStringLiteral("index.html"), 1), QStringLiteral("12KB"));
}

// A server that does not take "LIST -a" is listed again with plain LIST at
// once, and gets plain LIST for the rest of the run. It turns the option
// down either with a reply or by taking it for a name and listing nothing.
class HiddenFilesRefused : public BrowseSessionWindow, public ::testing::WithParamInterface<bool> {};

TEST_P(HiddenFilesRefused, TheServerGetsPlainListFromThenOn)
{
    const bool refusesWithAReply = GetParam();
    ScriptedFtpServer scripted;
    scripted.login().expect("PWD").reply("257 \"/\" is the current directory.")
        .expect("CWD /").reply("250 \"/\" is the current directory.");
    if (refusesWithAReply) {
        scripted.expect("PORT").reply("200 PORT command successful.")
            .expect("LIST -a").reply("501 Unknown option -a");
    } else {
        scripted.expect("PORT").reply("200 PORT command successful.")
            .expect("LIST -a").reply("150 Here comes the listing.")
            .connectToClientDataPort().closeData()
            .reply("226 Transfer complete.");
    }
    scriptListing(scripted, "drwxr-xr-x   2 user     group        4096 Jan 14 10:22 www\r\n"
                            "-rw-r--r--   1 user     group           5 Jan 14 10:22 index.html\r\n");
    scriptChangeDir(scripted, "/www");
    scriptListing(scripted, "-rw-r--r--   1 user     group           5 Jan 14 10:22 about.html\r\n");
    ASSERT_TRUE(scripted.start());

    connectToScripted(scripted);
    ASSERT_TRUE(waitUntilBrowsing()) << scripted.failure().toStdString() << "\n" << logText();
    EXPECT_EQ(fileNames(), QStringList{"index.html"});
    EXPECT_EQ(childNames(root()), QStringList{"www"});
    const int before = doneCount();
    clickNode(node({"www"}));
    ASSERT_TRUE(waitForListing(before)) << scripted.failure().toStdString() << "\n" << logText();
    EXPECT_EQ(fileNames(), QStringList{"about.html"});
    EXPECT_TRUE(scripted.finished());
    EXPECT_TRUE(scripted.failure().isEmpty()) << scripted.failure().toStdString();

    QList<QByteArray> sent = scripted.commands();
    for (QByteArray& line : sent)
        if (line.startsWith("PORT "))
            line = "PORT";
    EXPECT_EQ(sent, (QList<QByteArray>{"USER user", "PASS pw", "PWD", "CWD /", "PORT", "LIST -a", "PORT", "LIST",
                                       "CWD /www", "PORT", "LIST"}));
    EXPECT_NE(logText().find("! The server does not take LIST -a"), std::string::npos) << logText();
}

INSTANTIATE_TEST_SUITE_P(ByReplyOrByAnEmptyListing, HiddenFilesRefused, ::testing::Bool());

// A second node clicked while the server still works on the first one's
// change: the server holds its answer to the first CWD until the second
// click is made, and the change that follows is the second node's, whole.
TEST_F(BrowseSessionWindow, ANodeClickedDuringADirectoryChangeIsShownWhenTheChangeEnds)
{
    const QByteArray dir = "drwxr-xr-x   2 user     group        4096 Jan 14 10:22 ";
    ScriptedFtpServer scripted;
    scripted.login().expect("PWD").reply("257 \"/\" is the current directory.")
        .expect("CWD /").reply("250 \"/\" is the current directory.");
    scriptListing(scripted, dir + "site\r\n" + dir + "other\r\n"
                            "-rw-r--r--   1 user     group           5 Jan 14 10:22 root.txt\r\n");
    // The click on "site": its CWD is answered only after "other" was
    // clicked.
    scripted.expect("CWD /site").hold().reply("250 \"/site\" is the current directory.")
        .expect("CWD /other").reply("250 \"/other\" is the current directory.");
    scriptListing(scripted, dir + "deep\r\n-rw-r--r--   1 user     group           5 Jan 14 10:22 other.txt\r\n");
    ASSERT_TRUE(scripted.start());

    connectToScripted(scripted);
    ASSERT_TRUE(waitUntil([&] { return fileNames() == QStringList{"root.txt"} && c->BitBtn1->isEnabled(); }))
        << scripted.failure().toStdString() << "\n" << logText();

    clickNode(node({"site"}));
    ASSERT_TRUE(waitUntil([&] { return scripted.commands().count("CWD /site") == 1; }))
        << scripted.failure().toStdString();
    clickNode(node({"other"}));
    scripted.release();

    ASSERT_TRUE(waitUntil([&] {
        return scripted.finished() && fileNames() == QStringList{"other.txt"} && !session().requestRunning();
    })) << scripted.failure().toStdString() << "\n" << logText();
    EXPECT_TRUE(scripted.failure().isEmpty()) << scripted.failure().toStdString();
    // Tree, list and the session's directory agree on "other".
    EXPECT_EQ(c->TreeView1->currentItem(), node({"other"}));
    EXPECT_EQ(channel().client().HostDirName(), "./other");
    EXPECT_EQ(childNames(node({"other"})), QStringList{"deep"});
    EXPECT_TRUE(childNames(node({"site"})).isEmpty());
    EXPECT_EQ(childNames(root()), (QStringList{"other", "site"}));
    // TAVLIN_SCREENSHOT=file.png keeps a picture of the remote side.
    if (const QByteArray shot = qgetenv("TAVLIN_SCREENSHOT"); !shot.isEmpty()) {
        const QRect tree(c->TreeView1->mapTo(window.get(), QPoint()), c->TreeView1->size());
        const QRect list(c->ListView1->mapTo(window.get(), QPoint()), c->ListView1->size());
        EXPECT_TRUE(window->grab(tree.united(list)).save(QString::fromLocal8Bit(shot)));
    }
}

// The test server answers SIZE only in binary mode, which the browsing
// client never sets; a link to a file is sized against the scripted server.
TEST_F(BrowseSessionWindow, ALinkToAFileIsSizedWithoutChangingDirectory)
{
    ScriptedFtpServer scripted;
    scripted.login().expect("PWD").reply("257 \"/\" is the current directory.")
        .expect("CWD /").reply("250 \"/\" is the current directory.");
    scriptListing(scripted, "-rw-r--r--   1 user     group         100 Jan 14 10:22 docs.txt\r\n"
                            "lrwxrwxrwx   1 user     group          15 Feb  1 12:00 readme -> docs/readme.txt\r\n");
    scripted.expect("SIZE readme").reply("213 4321");
    ASSERT_TRUE(scripted.start());

    connectToScripted(scripted);
    ASSERT_TRUE(waitUntilBrowsing()) << logText();
    QTreeWidgetItem* link = fileItem(QStringLiteral("readme"));
    ASSERT_NE(link, nullptr);
    EXPECT_EQ(link->text(2), QStringLiteral("Link"));
    EXPECT_EQ(link->text(3), QStringLiteral("Feb  1 12:00"));

    // Selecting a plain file asks nothing.
    clickFile(fileItem(QStringLiteral("docs.txt")));
    pumpEventsFor(100);
    EXPECT_FALSE(session().linkSizeKnown());

    clickFile(link);
    ASSERT_TRUE(waitUntil([&] { return session().linkSizeKnown(); })) << logText();
    EXPECT_TRUE(scripted.finished());
    EXPECT_EQ(scripted.commands().last(), QByteArray("SIZE readme"));
    EXPECT_EQ(session().linkSizeState(), 4321);
    EXPECT_EQ(session().linkName(), "readme");
    EXPECT_EQ(file_list::sizeOf(link), 4321u);
}

// --- a server that lists folders in the Windows style ----------------------------------------

// "MM-DD-YY" of the day `daysBack` days before today.
QByteArray windowsDayBefore(int daysBack)
{
    const QDate day = QDate::currentDate().addDays(-daysBack);
    return day.toString(QStringLiteral("MM-dd-yy")).toLatin1();
}

// A Windows server's folders browse, sort by date and go whole like a Unix
// server's: a folder name with blanks is entered and deleted with what it
// holds; two-digit years and 12 AM / 12 PM sort in time order.
TEST_F(BrowseSessionWindow, WindowsStyleListingsAreBrowsedSortedByDateAndDeletedWhole)
{
    const QByteArray recent = windowsDayBefore(10);
    const QByteArray root = "01-14-24  10:22AM       <DIR>          My Folder\r\n"
                            "12-31-99  11:59PM                 1024 last century.txt\r\n"
                            "01-01-00  01:00AM                  200 y2k.txt\r\n" +
                            recent + "  12:05PM                   12 noon.txt\r\n" +
                            recent + "  12:05AM                    5 midnight.txt\r\n";
    const QByteArray inside = "03-01-2024  09:05PM                 3000 a b.txt\r\n";
    ScriptedFtpServer scripted;
    scripted.login().expect("PWD").reply("257 \"/\" is the current directory.")
        .expect("CWD /").reply("250 ok");
    scriptListing(scripted, root);
    scriptChangeDir(scripted, "/My Folder");
    scriptListing(scripted, inside);
    scriptChangeDir(scripted, "/");
    scriptListing(scripted, root);
    // The deletion: read first, then the file and the folder.
    scriptChangeDir(scripted, "/My Folder");
    scriptListing(scripted, inside);
    scripted.expect("DELE /My Folder/a b.txt").reply("250 deleted")
        .expect("RMD /My Folder").reply("250 removed");
    scriptChangeDir(scripted, "/");
    scriptListing(scripted, root.mid(root.indexOf('\n') + 1));
    ASSERT_TRUE(scripted.start());

    connectToScripted(scripted);
    ASSERT_TRUE(waitUntilBrowsing()) << scripted.failure().toStdString() << "\n" << logText();
    EXPECT_EQ(childNames(this->root()), QStringList{"My Folder"});
    EXPECT_EQ(fileText(QStringLiteral("last century.txt"), 1), QStringLiteral("1KB"));
    EXPECT_EQ(fileText(QStringLiteral("last century.txt"), 3), QStringLiteral("Dec 31  1999"));
    window->findChild<QAction*>(QStringLiteral("SortRemoteByDate"))->trigger();
    EXPECT_EQ(fileNames(), (QStringList{"last century.txt", "y2k.txt", "midnight.txt", "noon.txt"}));

    clickNode(node({"My Folder"}));
    ASSERT_TRUE(waitUntil([&] { return fileNames() == QStringList{"a b.txt"} && !session().requestRunning(); }))
        << scripted.failure().toStdString() << "\n" << logText();
    EXPECT_EQ(fileText(QStringLiteral("a b.txt"), 1), QStringLiteral("2KB"));
    clickNode(this->root());
    ASSERT_TRUE(waitUntil([&] { return shownNames().contains("My Folder") && !session().requestRunning(); }))
        << scripted.failure().toStdString() << "\n" << logText();

    clickFile(fileItem(QStringLiteral("My Folder")));
    dialogs.expectYesNo("Delete folder",
                        "Delete the folder /My Folder with the 1 file and 0 folders in it from the server?",
                        DialogAnswer::Yes);
    c->ListView1->setFocus();
    QTest::keyClick(c->ListView1, Qt::Key_Delete);
    ASSERT_TRUE(waitUntil([&] { return scripted.finished() && !shownNames().contains("My Folder") &&
                                       !session().requestRunning(); }))
        << scripted.failure().toStdString() << "\n" << logText();
    EXPECT_TRUE(scripted.failure().isEmpty()) << scripted.failure().toStdString();
    EXPECT_EQ(dialogs.pending(), 0u);
    EXPECT_TRUE(session().connected());
}

} // namespace
