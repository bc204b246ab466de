// The address manager's part in browsing: its remote directory decides the
// walk after log-in, and its "Connect" quits a running session and connects
// to the chosen site.
#include "browse_window_harness.h"

#include "app/control_hint.h"
#include "app/local_panel.h"
#include "sites/address_manager.h"
#include "support/modal.h"
#include "app/message_panel.h"
#include "ui/address_manager_window.h"

#include <QListWidget>
#include <QStatusBar>

#include <algorithm>

namespace {

using Strings = std::vector<std::string>;

std::string siteRecord(const std::string& name, const LocalFtpServer& server, const std::string& localDirectory,
                       const std::string& remoteDirectory)
{
    return name + "\r\n127.0.0.1\r\n" + server.user() + "\r\n" + server.password() + "\r\n" + server.portText() +
           "\r\n" + localDirectory + "\r\n" + remoteDirectory + "\r\n0\r\n";
}

class BrowseAddressManager : public BrowseWindowTest {
protected:
    std::string remoteDirectory;
    TempDir localFolder;
    TempDir otherSite;
    std::unique_ptr<LocalFtpServer> otherServer;

    void beforeWindow() override
    {
        site.write("home/user/www/index.html", std::string(12345, 'x'));
        site.write("www/page.html", "p");
        site.write("top.txt", "t");
        otherSite.write("other.txt", "o");
        startServer();
        otherServer = std::make_unique<LocalFtpServer>(otherSite.path());
        ASSERT_TRUE(otherServer->start()) << otherServer->lastError();
        // An icon table on disk: a later start, which keeps this site list.
        data.write("fiext1.fil", "");
        data.write("serv3.adr",
                   siteRecord("Test", *server, localFolder.path(), remoteDirectory) +
                       siteRecord("Other", *otherServer, "", ""));
    }

    void TearDown() override
    {
        BrowseWindowTest::TearDown();
        if (otherServer)
            otherServer->stop();
    }

    // Opens the address manager with "Addr", picks a site and clicks
    // "Connect".
    void connectToSite(int row)
    {
        whenModalOpens([this, row](QWidget*) {
            const AddressManagerByName am(window->midlform());
            const QRect item = am.ListBox1->visualItemRect(am.ListBox1->item(row));
            QTest::mouseClick(am.ListBox1->viewport(), Qt::LeftButton, {}, item.center());
            QTest::mouseClick(am.Button1, Qt::LeftButton);
        });
        click(c->BitBtn1);
    }
};

class WalkToRemoteDirectory : public BrowseAddressManager {
protected:
    void beforeWindow() override
    {
        remoteDirectory = "/home/user/www";
        BrowseAddressManager::beforeWindow();
    }
};

TEST_F(WalkToRemoteDirectory, WalksThroughRootHomeUserAndWww)
{
    connectToSite(0);
    ASSERT_TRUE(waitUntilBrowsing()) << logText();
    EXPECT_EQ(commands(), (Strings{"USER " + server->user(), "PASS " + server->password(), "CWD /", "PORT", "LIST -a",
                                   "CWD /home", "PORT", "LIST -a", "CWD /home/user", "PORT", "LIST -a",
                                   "CWD /home/user/www", "PORT", "LIST -a"}));
    EXPECT_EQ(c->TreeView1->currentItem(), node({"home", "user", "www"}));
    EXPECT_EQ(fileNames(), QStringList{"index.html"});
    EXPECT_EQ(fileText(QStringLiteral("index.html"), 1), QStringLiteral("12KB"));
    // Every listing of the walk but the last added nodes only.
    EXPECT_EQ(doneCount(), 4);
    // The site's local directory is shown on the local side.
    EXPECT_EQ(window->localPanel().localDirectory(), localFolder.path());
}

class DotRemoteDirectory : public BrowseAddressManager {
protected:
    void beforeWindow() override
    {
        remoteDirectory = "./www";
        BrowseAddressManager::beforeWindow();
    }
};

TEST_F(DotRemoteDirectory, IsTakenFromTheServerRoot)
{
    connectToSite(0);
    ASSERT_TRUE(waitUntilBrowsing()) << logText();
    EXPECT_EQ(commands(), (Strings{"USER " + server->user(), "PASS " + server->password(), "CWD /", "PORT", "LIST -a",
                                   "CWD /www", "PORT", "LIST -a"}));
    EXPECT_EQ(window->midlform().manager().remoteDirectory(), QStringLiteral("/www"));
    EXPECT_EQ(fileNames(), QStringList{"page.html"});
}

class RootRemoteDirectory : public BrowseAddressManager {
protected:
    void beforeWindow() override
    {
        remoteDirectory = "/";
        BrowseAddressManager::beforeWindow();
    }
};

TEST_F(RootRemoteDirectory, RefreshesTheRootAndShowsItsFiles)
{
    connectToSite(0);
    ASSERT_TRUE(waitUntilBrowsing()) << logText();
    EXPECT_EQ(commands(), (Strings{"USER " + server->user(), "PASS " + server->password(), "CWD /", "PORT", "LIST -a",
                                   "CWD /", "PORT", "LIST -a"}));
    EXPECT_EQ(fileNames(), QStringList{"top.txt"});
    EXPECT_TRUE(c->BitBtn5->isEnabled());
}

// A server that does not lock its users into their home: the log-in starts
// in /home/webuser, "/" is the server's root, and /home may be entered but
// not listed (mode 711). A remote directory without a leading "/" lies in
// the login folder.
class HomeFolderSite : public BrowseAddressManager {
protected:
    void beforeWindow() override
    {
        serverOptions.loginFolder = "/home/webuser";
        serverOptions.unlistedFolders = {"/home"};
        site.write("home/webuser/welcome.txt", "w");
        site.write("home/webuser/public_html/top.html", "t");
        site.write("home/webuser/public_html/a/b/c/d/e/index.html", "i");
        site.write("home/other/elsewhere.txt", "e");
        BrowseAddressManager::beforeWindow();
    }

    std::string sessionDirectory() { return channel().client().HostDirName(); }
};

class RelativeRemoteDirectory : public HomeFolderSite {
protected:
    void beforeWindow() override
    {
        // Eight levels below the root, through the folder nobody may list.
        remoteDirectory = "public_html/a/b/c/d/e";
        HomeFolderSite::beforeWindow();
    }
};

TEST_F(RelativeRemoteDirectory, IsWalkedWholeFromTheLoginFolderThroughAnUnlistableFolder)
{
    connectToSite(0);
    ASSERT_TRUE(waitUntilBrowsing()) << logText();
    const Strings sent = commands();
    ASSERT_GE(sent.size(), 4u);
    EXPECT_EQ(sent[2], "PWD");
    EXPECT_EQ(sent[3], "CWD /");
    const QStringList path{"home", "webuser", "public_html", "a", "b", "c", "d", "e"};
    EXPECT_EQ(c->TreeView1->currentItem(), node(path));
    EXPECT_EQ(sessionDirectory(), "./home/webuser/public_html/a/b/c/d/e");
    EXPECT_EQ(fileNames(), QStringList{"index.html"});
    // /home was entered without a listing: only the folder on the way is
    // known below it.
    EXPECT_EQ(childNames(node({"home"})), QStringList{"webuser"});
}

class MissingRemoteDirectory : public HomeFolderSite {
protected:
    void beforeWindow() override
    {
        remoteDirectory = "public_html/missing/deeper";
        HomeFolderSite::beforeWindow();
    }
};

TEST_F(MissingRemoteDirectory, StopsWhereTheServerRefusesAndShowsTheLastFolderReached)
{
    connectToSite(0);
    ASSERT_TRUE(waitUntilBrowsing()) << logText();
    EXPECT_EQ(c->TreeView1->currentItem(), node({"home", "webuser", "public_html"}));
    EXPECT_EQ(sessionDirectory(), "./home/webuser/public_html");
    EXPECT_EQ(fileNames(), QStringList{"top.html"});
    // The folder the server refused is no node of the tree.
    EXPECT_EQ(childNames(node({"home", "webuser", "public_html"})), QStringList{"a"});
    // The status bar's message panel keeps the refusal.
    const QString status = window->messagePanel().message();
    EXPECT_TRUE(status.contains(QStringLiteral("/home/webuser/public_html/missing"))) << status.toStdString();
    EXPECT_TRUE(status.contains(QStringLiteral("550"))) << status.toStdString() << "\n" << logText();
    // No CWD was tried below the refused folder.
    const Strings sent = commands();
    EXPECT_EQ(std::count(sent.begin(), sent.end(), "CWD /home/webuser/public_html/missing/deeper"), 0);
}

// No remote directory: the window ends in the login folder the server
// reports, as it does on a server that locks its users in.
TEST_F(HomeFolderSite, WithoutARemoteDirectoryTheWindowEndsInTheLoginFolder)
{
    connectToSite(0);
    ASSERT_TRUE(waitUntilBrowsing()) << logText();
    EXPECT_EQ(c->TreeView1->currentItem(), node({"home", "webuser"}));
    EXPECT_EQ(sessionDirectory(), "./home/webuser");
    EXPECT_EQ(fileNames(), QStringList{"welcome.txt"});
}

TEST_F(BrowseAddressManager, ChoosingAnotherSiteWhileConnectedQuitsAndConnectsToIt)
{
    connectToSite(0);
    ASSERT_TRUE(waitUntilBrowsing()) << logText();
    EXPECT_EQ(fileNames(), QStringList{"top.txt"});

    connectToSite(1);
    ASSERT_TRUE(waitUntil([&] {
        return fileNames() == QStringList{"other.txt"} && c->BitBtn1->isEnabled() && !session().requestRunning();
    })) << logText();
    EXPECT_EQ(commands().back(), "QUIT");
    const std::vector<std::string> other = otherServer->commands();
    ASSERT_GE(other.size(), 3u);
    EXPECT_EQ(other[0], "USER " + otherServer->user());
    EXPECT_EQ(other[2], "PWD");
    EXPECT_EQ(c->Edit4->text().toStdString(), otherServer->portText());
    EXPECT_TRUE(session().connected());
}

namespace {

QImage pictureOf(const QPushButton* button)
{
    return button->icon().pixmap(16, 16).toImage();
}

}  // namespace

// While connected the button says, in its picture and its name, that it
// disconnects; pressed while the fields name another server it goes there.
TEST_F(BrowseAddressManager, TheConnectButtonShowsItDisconnectsAndGoesWhereTheFieldsSay)
{
    QPushButton* button = c->connectknap;
    EXPECT_EQ(button->text(), QStringLiteral("Connect"));
    EXPECT_EQ(button->accessibleName(), QStringLiteral("Connect"));
    const QImage connectPicture = pictureOf(button);
    ASSERT_FALSE(connectPicture.isNull());

    connectAsTestUser();
    ASSERT_TRUE(waitUntilBrowsing()) << logText();
    EXPECT_EQ(button->text(), QStringLiteral("Disconnect"));
    EXPECT_EQ(button->accessibleName(), QStringLiteral("Disconnect"));
    EXPECT_EQ(hintOf(button), QStringLiteral("Disconnect"));
    EXPECT_NE(pictureOf(button), connectPicture);

    // The other server's port typed in: the press quits this session and
    // logs in there.
    c->Edit4->setText(QString::fromStdString(otherServer->portText()));
    EXPECT_EQ(hintOf(button), QStringLiteral("Disconnect, then connect to 127.0.0.1"));
    click(button);
    ASSERT_TRUE(waitUntil([&] {
        return fileNames() == QStringList{"other.txt"} && c->BitBtn1->isEnabled() && !session().requestRunning();
    })) << logText();
    EXPECT_EQ(commands().back(), "QUIT");
    EXPECT_EQ(otherServer->commands().front(), "USER " + otherServer->user());
    EXPECT_TRUE(session().connected());
    EXPECT_EQ(button->accessibleName(), QStringLiteral("Disconnect"));

    // The same fields again: the press only disconnects.
    click(button);
    ASSERT_TRUE(waitUntil([&] { return !session().connected() && !session().requestRunning(); })) << logText();
    pumpEventsFor(300);
    EXPECT_FALSE(session().connected());
    EXPECT_EQ(otherServer->commands().back(), "QUIT");
    EXPECT_EQ(button->text(), QStringLiteral("Connect"));
    EXPECT_EQ(button->accessibleName(), QStringLiteral("Connect"));
    EXPECT_EQ(pictureOf(button), connectPicture);
}

namespace {

class EntryFolders : public BrowseAddressManager {
protected:
    void beforeWindow() override
    {
        remoteDirectory = "/www";
        BrowseAddressManager::beforeWindow();
    }

    void disconnect()
    {
        click(c->connectknap);
        ASSERT_TRUE(waitUntil([&] { return !session().connected() && !session().requestRunning(); }));
    }

    void typeAndConnect(const LocalFtpServer& to)
    {
        c->Edit1->setText(QStringLiteral("127.0.0.1"));
        c->Edit2->setText(QString::fromStdString(to.user()));
        c->Edit3->setText(QString::fromStdString(to.password()));
        c->Edit4->setText(QString::fromStdString(to.portText()));
        click(c->connectknap);
    }

    TempDir elsewhere;
};

}  // namespace

// The address manager's folders belong to its entry: another server typed by
// hand afterwards opens in its own login folder and keeps that as its own,
// and no log-in moves the local side away from where the user went.
TEST_F(EntryFolders, BelongToTheirSiteAndTheLocalSideStaysWhereTheUserWent)
{
    connectToSite(0);
    ASSERT_TRUE(waitUntilBrowsing()) << logText();
    EXPECT_EQ(c->TreeView1->currentItem(), node({"www"}));
    EXPECT_EQ(window->localPanel().localDirectory(), localFolder.path());
    ASSERT_TRUE(window->localPanel().setLocalDirectory(elsewhere.path()));
    disconnect();

    typeAndConnect(*otherServer);
    ASSERT_TRUE(waitUntilBrowsing()) << logText();
    EXPECT_EQ(fileNames(), QStringList{"other.txt"});
    EXPECT_EQ(c->TreeView1->currentItem(), root());
    const std::vector<std::string> other = otherServer->commands();
    EXPECT_EQ(std::count(other.begin(), other.end(), "CWD /www"), 0);
    EXPECT_FALSE(window->messagePanel().message().contains(QStringLiteral("Could not open")))
        << window->messagePanel().message().toStdString();
    EXPECT_EQ(window->localPanel().localDirectory(), elsewhere.path());
    disconnect();

    // What that site keeps is its own folder, not the entry's.
    otherServer->clearCommands();
    typeAndConnect(*otherServer);
    ASSERT_TRUE(waitUntilBrowsing()) << logText();
    EXPECT_EQ(fileNames(), QStringList{"other.txt"});
    const std::vector<std::string> again = otherServer->commands();
    EXPECT_EQ(std::count(again.begin(), again.end(), "CWD /www"), 0);
    disconnect();

    // The entry's own site, typed by hand, still opens in its folder; the
    // local side stays.
    typeAndConnect(*server);
    ASSERT_TRUE(waitUntilBrowsing()) << logText();
    EXPECT_EQ(c->TreeView1->currentItem(), node({"www"}));
    EXPECT_EQ(fileNames(), QStringList{"page.html"});
    EXPECT_EQ(window->localPanel().localDirectory(), elsewhere.path());
}

}  // namespace
