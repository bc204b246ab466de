// Deleting, renaming and creating remote files and directories, and aborting,
// through the real main window against the real FTP server.
#include "browse_window_harness.h"

#include "app/control_hint.h"
#include "app/message_panel.h"
#include "app/remote_file_operations.h"
#include "fixtures/scripted_ftp_server.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QListWidget>
#include <QStatusBar>
#include <QTimer>

#include <cstdlib>
#include <filesystem>

namespace {

using Strings = std::vector<std::string>;
namespace fs = std::filesystem;

class RemoteOperationsWindow : public BrowseWindowTest {
protected:
    // Connects and opens the node at `path` (its files listed).
    void browseTo(const QStringList& path)
    {
        connectAsTestUser();
        ASSERT_TRUE(waitUntilBrowsing()) << logText();
        QTreeWidgetItem* item = root();
        for (const QString& name : path) {
            QTreeWidgetItem* next = nullptr;
            for (int i = 0; item && i < item->childCount(); ++i)
                if (item->child(i)->text(0) == name)
                    next = item->child(i);
            ASSERT_NE(next, nullptr) << name.toStdString();
            const int before = doneCount();
            clickNode(next);
            ASSERT_TRUE(waitForListing(before)) << logText();
            item = next;
        }
        server->clearCommands();
    }

    bool waitUntilIdleWith(const std::function<bool()>& condition)
    {
        return waitUntil([&] {
            return condition() && !session().requestRunning() &&
                   window->sessionChannel().client().State() == ftpStateReady;
        });
    }
};

TEST_F(RemoteOperationsWindow, DeletingAFolderDeletesItsFilesInListOrderThenTheFolder)
{
    site.write("keep.txt", "k");
    site.write("trash/a.txt", "a");
    site.write("trash/b.txt", "b");
    site.write("trash/c.txt", "c");
    browseTo({"trash"});
    const QStringList listed = fileNames();
    ASSERT_EQ(listed.size(), 3);

    dialogs.expectNameDialog(QStringLiteral("Remove directory "), DialogAnswer::Ok, std::nullopt,
                             QStringLiteral("Delete directory"));
    const int before = doneCount();
    click(c->BitBtn5);
    ASSERT_TRUE(waitUntilIdleWith([&] { return doneCount() > before && !fs::exists(site.file("trash")); }))
        << logText();

    // The dialog showed the folder's name, and is reset afterwards.
    ASSERT_EQ(dialogs.shown().size(), 1u);
    EXPECT_EQ(dialogs.shown()[0].name.editText, QStringLiteral("trash"));
    EXPECT_EQ(dialogs.nameDialog().caption, QStringLiteral("Write name"));
    EXPECT_EQ(dialogs.nameDialog().editText, QString());

    const Strings sent = commands();
    ASSERT_GE(sent.size(), 5u) << logText();
    const Strings expectedStart = {"DELE " + listed[0].toStdString(), "DELE " + listed[1].toStdString(),
                                   "DELE " + listed[2].toStdString(), "CDUP", "RMD trash"};
    EXPECT_EQ(Strings(sent.begin(), sent.begin() + 5), expectedStart);
    // Then the root is listed again and no longer holds the folder.
    EXPECT_EQ(sent.back(), "LIST -a");
    EXPECT_EQ(c->TreeView1->currentItem(), root());
    EXPECT_EQ(childNames(root()), QStringList{});
    EXPECT_EQ(fileNames(), QStringList{"keep.txt"});
}

// The folder shown holds another: one question names what was found in it,
// and nothing is deleted before the answer.
TEST_F(RemoteOperationsWindow, AFolderWithASubfolderIsDeletedWholeAfterOneQuestion)
{
    site.write("full/one.txt", "1");
    site.write("full/two.txt", "2");
    site.write("full/inner/deep.txt", "d");
    site.write("keep.txt", "k");
    browseTo({"full"});

    const QString question =
        QStringLiteral("Delete the folder /full with the 3 files and 1 folder in it from the server?");
    dialogs.expectYesNo("Delete folder", question, DialogAnswer::No);
    click(c->BitBtn5);
    ASSERT_TRUE(waitUntil([&] { return dialogs.pending() == 0 && !session().requestRunning(); })) << logText();
    ASSERT_TRUE(waitUntil([&] { return fileNames().size() == 2 && !session().requestRunning(); })) << logText();
    for (const std::string& command : commands())
        EXPECT_TRUE(command.rfind("DELE", 0) != 0 && command.rfind("RMD", 0) != 0) << command;
    EXPECT_TRUE(fs::exists(site.file("full/inner/deep.txt")));
    EXPECT_EQ(c->TreeView1->currentItem(), node({"full"}));

    dialogs.expectYesNo("Delete folder", question, DialogAnswer::Yes);
    click(c->BitBtn5);
    ASSERT_TRUE(waitUntil([&] { return !fs::exists(site.file("full")) && !session().requestRunning(); }))
        << logText();
    // Its parent is shown, without it.
    ASSERT_TRUE(waitUntil([&] { return fileNames() == QStringList{"keep.txt"} && !session().requestRunning(); }))
        << logText();
    EXPECT_EQ(c->TreeView1->currentItem(), root());
    EXPECT_EQ(childNames(root()), QStringList{});
}

TEST_F(RemoteOperationsWindow, AFolderHoldingAHiddenFileIsDeletedWhole)
{
    // Like most servers, this one lists names beginning with "." only when
    // asked for hidden files.
    LocalFtpServer::Options options;
    options.hideDotFiles = true;
    server = std::make_unique<LocalFtpServer>(site.path(), options);
    ASSERT_TRUE(server->start()) << server->lastError();
    site.write("index.html", "home");
    site.write("www/a.html", "a");
    site.write("www/b.html", "b");
    site.write("www/.htaccess", "deny from all");
    browseTo({"www"});
    QStringList listed = fileNames();
    listed.sort();
    EXPECT_EQ(listed, (QStringList{".htaccess", "a.html", "b.html"}));

    dialogs.expectNameDialog(QStringLiteral("Remove directory "), DialogAnswer::Ok, std::nullopt,
                             QStringLiteral("Delete directory"));
    const int before = doneCount();
    click(c->BitBtn5);
    ASSERT_TRUE(waitUntilIdleWith([&] { return doneCount() > before && !fs::exists(site.file("www")); }))
        << logText();
    // Three files, then the folder; no question beside the confirmation.
    const Strings sent = commands();
    EXPECT_EQ(std::count_if(sent.begin(), sent.end(), [](const std::string& s) { return s.rfind("DELE ", 0) == 0; }),
              3);
    EXPECT_NE(std::find(sent.begin(), sent.end(), "DELE .htaccess"), sent.end());
    EXPECT_NE(std::find(sent.begin(), sent.end(), "RMD www"), sent.end());
    EXPECT_EQ(dialogs.shown().size(), 1u);
    EXPECT_EQ(childNames(root()), QStringList{});
}

TEST_F(RemoteOperationsWindow, DeletingAFolderOpenedThroughALinkDeletesTheLinkOnly)
{
    site.write("www/about/index.html", "about");
    site.write("www/about/team.html", "team");
    fs::create_symlink("about", site.file("www/aboutlink"));
    browseTo({"www"});
    clickFile(fileItem(QStringLiteral("aboutlink")));
    // The link is opened: its folder's files are shown, none selected.
    ASSERT_TRUE(waitUntilIdleWith([&] { return fileNames().contains(QStringLiteral("team.html")); })) << logText();
    ASSERT_TRUE(waitUntilIdleWith([&] { return window->session().linkShown() != nullptr; })) << logText();
    server->clearCommands();

    dialogs.expectNameDialog(QStringLiteral("Remove link "), DialogAnswer::Ok, std::nullopt,
                             QStringLiteral("Delete link"));
    click(c->BitBtn5);
    // Afterwards the tree is read again from the root.
    ASSERT_TRUE(waitUntilIdleWith([&] {
        return dialogs.pending() == 0 && !window->remoteOperations().directoryDeletionRunning() &&
               !commands().empty() && commands().back() == "LIST -a";
    })) << logText();
    EXPECT_EQ(dialogs.shown().back().name.editText, QStringLiteral("aboutlink"));
    const Strings sent = commands();
    ASSERT_GE(sent.size(), 2u);
    EXPECT_EQ(Strings(sent.begin(), sent.begin() + 2), (Strings{"CWD /www", "DELE aboutlink"}));
    EXPECT_EQ(std::count_if(sent.begin(), sent.end(), [](const std::string& s) { return s.rfind("DELE", 0) == 0; }),
              1);
    EXPECT_FALSE(fs::is_symlink(site.file("www/aboutlink")));
    EXPECT_EQ(site.read("www/about/index.html"), "about");
    EXPECT_EQ(site.read("www/about/team.html"), "team");
}

TEST_F(RemoteOperationsWindow, CancellingTheDeletionSendsNothingAndResetsTheDialog)
{
    site.write("trash/a.txt", "a");
    browseTo({"trash"});
    dialogs.expectNameDialog(QStringLiteral("Remove directory "), DialogAnswer::Cancel, QStringLiteral("typed"),
                             QStringLiteral("Delete directory"));
    click(c->BitBtn5);
    pumpEventsFor(300);
    EXPECT_TRUE(commands().empty());
    EXPECT_EQ(dialogs.nameDialog().caption, QStringLiteral("Write name"));
    EXPECT_EQ(dialogs.nameDialog().editText, QString());
    EXPECT_TRUE(fs::exists(site.file("trash/a.txt")));
}

// Del on one live file asks first, as several do, unless the user switched
// that off in Options; the choice is kept for the next start.
TEST_F(RemoteOperationsWindow, OneFileIsAskedAboutUnlessTheOptionIsOff)
{
    site.write("www/my notes.txt", "notes");
    site.write("www/old.html", "old");
    site.write("www/new.html", "new");
    browseTo({"www"});
    ASSERT_TRUE(c->AskBeforeDeleting->isChecked());

    // "No" sends nothing; the Delete key asks as the button does.
    clickFile(fileItem(QStringLiteral("my notes.txt")));
    dialogs.expectYesNo("Delete file", "Delete my notes.txt from the server?", DialogAnswer::No);
    c->ListView1->setFocus();
    QTest::keyClick(c->ListView1, Qt::Key_Delete);
    pumpEventsFor(300);
    EXPECT_EQ(dialogs.pending(), 0u);
    EXPECT_TRUE(commands().empty());
    EXPECT_EQ(site.read("www/my notes.txt"), "notes");

    int before = doneCount();
    dialogs.expectYesNo("Delete file", "Delete my notes.txt from the server?", DialogAnswer::Yes);
    click(c->BitBtn5);
    ASSERT_TRUE(waitForListing(before)) << logText();
    EXPECT_EQ(commands().front(), "DELE my notes.txt");
    EXPECT_FALSE(fs::exists(site.file("www/my notes.txt")));

    // Switched off, kept over a restart: one file goes at once.
    c->AskBeforeDeleting->trigger();
    EXPECT_FALSE(c->AskBeforeDeleting->isChecked());
    reopenWindow();
    EXPECT_FALSE(c->AskBeforeDeleting->isChecked());
    browseTo({"www"});
    clickFile(fileItem(QStringLiteral("old.html")));
    before = doneCount();
    click(c->BitBtn5);
    ASSERT_TRUE(waitForListing(before)) << logText();
    EXPECT_EQ(commands(), (Strings{"DELE old.html", "CWD /www", "PORT", "LIST -a"}));
    EXPECT_EQ(dialogs.shown().size(), 2u);
    EXPECT_FALSE(fs::exists(site.file("www/old.html")));
    EXPECT_EQ(fileNames(), QStringList{"new.html"});
}

TEST_F(RemoteOperationsWindow, NamesWithDigitsAndBlanksNameTheirOwnFiles)
{
    // A name cut after "2 " would be "notes", another file on the server.
    site.write("release 2 notes", "release");
    site.write("notes", "keep me");
    site.write("2024 photos/01 Track.mp3", "mp3");
    browseTo({});
    QStringList listed = fileNames();
    listed.sort();
    EXPECT_EQ(listed, (QStringList{"notes", "release 2 notes"}));
    EXPECT_EQ(childNames(root()), QStringList{"2024 photos"});

    clickFile(fileItem(QStringLiteral("release 2 notes")));
    int before = doneCount();
    dialogs.expectYesNo("Delete file", "Delete release 2 notes from the server?", DialogAnswer::Yes);
    click(c->BitBtn5);
    ASSERT_TRUE(waitForListing(before)) << logText();
    EXPECT_EQ(commands().front(), "DELE release 2 notes");
    EXPECT_FALSE(fs::exists(site.file("release 2 notes")));
    EXPECT_EQ(site.read("notes"), "keep me");

    before = doneCount();
    clickNode(node({"2024 photos"}));
    ASSERT_TRUE(waitForListing(before)) << logText();
    EXPECT_EQ(fileNames(), QStringList{"01 Track.mp3"});
}

TEST_F(RemoteOperationsWindow, AFileInTheLoginFolderIsDeletedAndRenamedLikeAnyOther)
{
    site.write("top.html", "top");
    site.write("gone.html", "gone");
    browseTo({});
    clickFile(fileItem(QStringLiteral("top.html")));
    EXPECT_TRUE(c->BitBtn5->isEnabled());
    EXPECT_TRUE(c->BitBtn8->isEnabled());
    dialogs.expectNameDialog(QStringLiteral("New name for top.html"), DialogAnswer::Ok, QStringLiteral("index.html"));
    int before = doneCount();
    click(c->BitBtn8);
    ASSERT_TRUE(waitForListing(before)) << logText();
    EXPECT_EQ(site.read("index.html"), "top");

    clickFile(fileItem(QStringLiteral("gone.html")));
    before = doneCount();
    dialogs.expectYesNo("Delete file", "Delete gone.html from the server?", DialogAnswer::Yes);
    click(c->BitBtn5);
    ASSERT_TRUE(waitForListing(before)) << logText();
    EXPECT_FALSE(fs::exists(site.file("gone.html")));
    EXPECT_EQ(fileNames(), QStringList{"index.html"});
}

TEST_F(RemoteOperationsWindow, RenamingAFolderRenamesItFromItsParent)
{
    site.write("drafts/page.html", "p");
    browseTo({"drafts"});
    dialogs.expectNameDialog(QStringLiteral("New name for drafts"), DialogAnswer::Ok, QStringLiteral("final"));
    const int before = doneCount();
    click(c->BitBtn8);
    ASSERT_TRUE(waitUntilIdleWith([&] { return doneCount() > before && node({"final"}) != nullptr; }))
        << logText();
    const Strings sent = commands();
    ASSERT_GE(sent.size(), 3u);
    EXPECT_EQ(Strings(sent.begin(), sent.begin() + 3), (Strings{"CDUP", "RNFR drafts", "RNTO final"}));
    EXPECT_EQ(childNames(root()), QStringList{"final"});
    EXPECT_TRUE(fs::exists(site.file("final/page.html")));
}

TEST_F(RemoteOperationsWindow, RenamingAFileStaysInTheDirectory)
{
    site.write("www/a.html", "a");
    browseTo({"www"});
    clickFile(fileItem(QStringLiteral("a.html")));
    dialogs.expectNameDialog(QStringLiteral("New name for a.html"), DialogAnswer::Ok, QStringLiteral("b.html"));
    const int before = doneCount();
    click(c->BitBtn8);
    ASSERT_TRUE(waitForListing(before)) << logText();
    EXPECT_EQ(commands(), (Strings{"RNFR a.html", "RNTO b.html", "CWD /www", "PORT", "LIST -a"}));
    EXPECT_EQ(fileNames(), QStringList{"b.html"});
}

// A folder chosen in the list is renamed where it is, and the tree shows it
// under its new name only.
TEST_F(RemoteOperationsWindow, RenamingAFolderChosenInTheListRenamesItsNodeToo)
{
    site.write("www/old/a.html", "a");
    browseTo({"www"});
    ASSERT_EQ(childNames(node({"www"})), QStringList{"old"});
    clickFile(fileItem(QStringLiteral("old")));
    dialogs.expectNameDialog(QStringLiteral("New name for old"), DialogAnswer::Ok, QStringLiteral("new"));
    const int before = doneCount();
    click(c->BitBtn8);
    ASSERT_TRUE(waitForListing(before)) << logText();
    EXPECT_TRUE(fs::exists(site.file("www/new/a.html")));
    EXPECT_EQ(childNames(node({"www"})), QStringList{"new"});
    EXPECT_EQ(shownNames(), QStringList{"new"});
}

TEST_F(RemoteOperationsWindow, MakeDirectoryShowsTheTextLastTypedAndRefusesAnEmptyName)
{
    site.write("www/index.html", "i");
    browseTo({"www"});
    dialogs.expectNameDialog(QStringLiteral("Create Directory"), DialogAnswer::Ok, QStringLiteral("images"));
    int before = doneCount();
    click(c->BitBtn6);
    ASSERT_TRUE(waitForListing(before)) << logText();
    EXPECT_EQ(commands(), (Strings{"MKD images", "CWD /www", "PORT", "LIST -a"}));
    EXPECT_TRUE(fs::is_directory(site.file("www/images")));
    EXPECT_EQ(childNames(node({"www"})), QStringList{"images"});

    // Shown again, the field holds "images"; cancelling creates nothing.
    server->clearCommands();
    dialogs.expectNameDialog(QStringLiteral("Create Directory"), DialogAnswer::Cancel);
    click(c->BitBtn6);
    ASSERT_EQ(dialogs.shown().size(), 2u);
    EXPECT_EQ(dialogs.shown()[1].name.editText, QStringLiteral("images"));
    pumpEventsFor(200);
    EXPECT_TRUE(commands().empty());

    // An empty name is refused, for a new folder and for a rename alike.
    dialogs.expectNameDialog(QStringLiteral("Create Directory"), DialogAnswer::Ok, QStringLiteral("  "))
        .expectMessage(QStringLiteral("Please write a name"));
    click(c->BitBtn6);
    clickFile(fileItem(QStringLiteral("index.html")));
    dialogs.expectNameDialog(QStringLiteral("New name for index.html"), DialogAnswer::Ok, QString())
        .expectMessage(QStringLiteral("Please write a name"));
    click(c->BitBtn8);
    pumpEventsFor(200);
    EXPECT_EQ(dialogs.pending(), 0u);
    EXPECT_TRUE(commands().empty());
    EXPECT_TRUE(fs::exists(site.file("www/index.html")));
}

TEST_F(RemoteOperationsWindow, AbortDuringALongListingEndsTheSessionAtOnce)
{
    for (int i = 0; i < 3000; ++i)
        site.write("big/file" + std::to_string(i) + ".txt", "x");
    connectAsTestUser();
    ASSERT_TRUE(waitUntilBrowsing());
    c->ListBox4->addItem(QStringLiteral("»» queued.html"));

    bool aborted = false;
    QObject::connect(c->ListView1->model(), &QAbstractItemModel::rowsInserted, window.get(), [&] {
        if (!aborted && c->ListView1->topLevelItemCount() >= 50) {
            aborted = true;
            QTimer::singleShot(0, window.get(), [&] { click(c->BitBtn7); });
        }
    });
    clickNode(node({"big"}));
    ASSERT_TRUE(waitUntil([&] { return aborted && !session().connected(); })) << logText();
    pumpEventsFor(200);
    EXPECT_EQ(c->TreeView1->topLevelItemCount(), 0);
    EXPECT_EQ(c->ListView1->topLevelItemCount(), 0);
    // The files in line are the transfer queue's; the session's end leaves
    // them listed.
    EXPECT_EQ(c->ListBox4->count(), 1);
    EXPECT_TRUE(c->BitBtn1->isEnabled());
    EXPECT_FALSE(c->BitBtn7->isEnabled());
    EXPECT_EQ(hintOf(c->connectknap), QStringLiteral("Connect"));
    EXPECT_FALSE(window->sessionChannel().client().Connected());
    // The big listing was cut short: no "Done..." after it started.
    const std::string log = logText();
    const std::size_t bigListing = log.find("> CWD /big");
    ASSERT_NE(bigListing, std::string::npos) << log;
    EXPECT_EQ(log.find("Done...", bigListing), std::string::npos) << log;

    // A new connection starts from the emptied window.
    click(c->connectknap);
    ASSERT_TRUE(waitUntilBrowsing()) << logText();
    EXPECT_EQ(childNames(root()), QStringList{"big"});
}

// Abort while the listing is still being received: the gate lets BeginAbort
// through although the LIST request is running.
TEST_F(RemoteOperationsWindow, AbortWhileAListingIsReceivedClosesTheConnection)
{
    ScriptedFtpServer scripted;
    scripted.login().expect("PWD").reply("257 \"/\" is the current directory.")
        .expect("CWD /").reply("250 \"/\" is the current directory.")
        .expect("PORT").reply("200 PORT command successful.")
        .expect("LIST").reply("150 Here comes the listing.")
        .connectToClientDataPort().sendData("-rw-r--r-- 1 u g 5 Jan 14 10:22 first.txt\r\n")
        .waitForClientClose();
    ASSERT_TRUE(scripted.start());
    connectToScripted(scripted);
    ASSERT_TRUE(waitUntil([&] { return scripted.commands().contains("LIST -a") && c->BitBtn7->isEnabled(); }))
        << logText();
    ASSERT_TRUE(session().requestRunning());

    click(c->BitBtn7);
    EXPECT_FALSE(session().connected());
    EXPECT_EQ(c->TreeView1->topLevelItemCount(), 0);
    ASSERT_TRUE(waitUntil([&] { return scripted.clientClosedControl(); }));
    EXPECT_TRUE(scripted.failure().isEmpty()) << scripted.failure().toStdString();
    EXPECT_FALSE(window->sessionChannel().client().Connected());
    // The listing's end (426) changes nothing more in the window.
    pumpEventsFor(200);
    EXPECT_EQ(c->TreeView1->topLevelItemCount(), 0);
    EXPECT_TRUE(c->BitBtn1->isEnabled());
}

// --- server failures, against the scripted server ------------------------------------------

// Logs in at "/", lists a root holding the folder "trash", then opens it.
void scriptUpToTrash(ScriptedFtpServer& server, const QByteArray& trashListing)
{
    server.login().expect("PWD").reply("257 \"/\" is the current directory.")
        .expect("CWD /").reply("250 \"/\" is the current directory.");
    scriptListing(server, "drwxr-xr-x   2 user     group        4096 Jan 14 10:22 trash\r\n");
    server.expect("CWD /trash").reply("250 \"/trash\" is the current directory.");
    scriptListing(server, trashListing);
}

class ScriptedOperations : public RemoteOperationsWindow {
protected:
    ScriptedFtpServer scripted;

    void connectAndOpenTrash()
    {
        ASSERT_TRUE(scripted.start());
        connectToScripted(scripted);
        ASSERT_TRUE(waitUntilBrowsing()) << logText();
        const int before = doneCount();
        clickNode(node({"trash"}));
        ASSERT_TRUE(waitForListing(before)) << scripted.failure().toStdString() << "\n" << logText();
    }
};

TEST_F(ScriptedOperations, ARefusedDeleteEndsTheDirectoryDeletion)
{
    scriptUpToTrash(scripted, "-rw-r--r-- 1 u g 1 Jan 14 10:22 a.txt\r\n"
                              "-rw-r--r-- 1 u g 1 Jan 14 10:22 b.txt\r\n"
                              "-rw-r--r-- 1 u g 1 Jan 14 10:22 c.txt\r\n");
    scripted.expect("DELE a.txt").reply("250 Deleted.").expect("DELE b.txt").reply("550 Permission denied.");
    // The folder is read again, so the list does not show a.txt, now gone.
    scripted.expect("CWD /trash").reply("250 \"/trash\" is the current directory.");
    scriptListing(scripted, "-rw-r--r-- 1 u g 1 Jan 14 10:22 b.txt\r\n"
                            "-rw-r--r-- 1 u g 1 Jan 14 10:22 c.txt\r\n");
    connectAndOpenTrash();

    dialogs.expectNameDialog(QStringLiteral("Remove directory "), DialogAnswer::Ok);
    click(c->BitBtn5);
    ASSERT_TRUE(waitUntil([&] { return scripted.finished() && !session().requestRunning(); })) << logText();
    pumpEventsFor(300);
    // Nothing follows the refusal but the listing: no further DELE, no
    // CDUP, no RMD.
    EXPECT_EQ(scripted.commands().last(), QByteArray("LIST -a"));
    EXPECT_FALSE(scripted.commands().contains("DELE c.txt"));
    EXPECT_TRUE(scripted.failure().isEmpty()) << scripted.failure().toStdString();
    EXPECT_NE(logText().find("< 550 Permission denied."), std::string::npos);
    EXPECT_FALSE(window->remoteOperations().directoryDeletionRunning());
    EXPECT_TRUE(session().connected());
    EXPECT_EQ(fileNames(), (QStringList{"b.txt", "c.txt"}));
}

// A folder tree chosen in the list: each folder is read, one question, then
// the deepest first; the first refusal ends it and the list shows what is
// left, the message panel why.
TEST_F(ScriptedOperations, ARefusalStopsAFolderTreeDeletionAndTheListShowsWhatIsLeft)
{
    scriptUpToTrash(scripted, "drwxr-xr-x 2 u g 4096 Jan 14 10:22 old\r\n"
                              "-rw-r--r-- 1 u g 1 Jan 14 10:22 keep.txt\r\n");
    scripted.expect("CWD /trash/old").reply("250 \"/trash/old\" is the current directory.");
    scriptListing(scripted, "drwxr-xr-x 2 u g 4096 Jan 14 10:22 inner\r\n"
                            "-rw-r--r-- 1 u g 1 Jan 14 10:22 a.txt\r\n"
                            "lrwxrwxrwx 1 u g 4 Jan 14 10:22 up -> /etc\r\n");
    scripted.expect("CWD /trash/old/inner").reply("250 \"/trash/old/inner\" is the current directory.");
    scriptListing(scripted, "-rw-r--r-- 1 u g 1 Jan 14 10:22 b.txt\r\n"
                            "-rw-r--r-- 1 u g 1 Jan 14 10:22 c.txt\r\n");
    scripted.expect("DELE /trash/old/inner/b.txt").reply("250 Deleted.")
        .expect("DELE /trash/old/inner/c.txt").reply("550 Permission denied.");
    scripted.expect("CWD /trash").reply("250 \"/trash\" is the current directory.");
    scriptListing(scripted, "drwxr-xr-x 2 u g 4096 Jan 14 10:22 old\r\n"
                            "-rw-r--r-- 1 u g 1 Jan 14 10:22 keep.txt\r\n");
    connectAndOpenTrash();

    clickFile(fileItem(QStringLiteral("old")));
    dialogs.expectYesNo("Delete folder",
                        "Delete the folder /trash/old with the 4 files and 1 folder in it from the server?",
                        DialogAnswer::Yes);
    click(c->BitBtn5);
    ASSERT_TRUE(waitUntil([&] { return scripted.finished() && !session().requestRunning(); }))
        << scripted.failure().toStdString() << "\n" << logText();
    pumpEventsFor(300);
    EXPECT_TRUE(scripted.failure().isEmpty()) << scripted.failure().toStdString();
    // Nothing after the refusal but the listing: the link, a.txt and the
    // folders stay, and the link was never entered.
    EXPECT_EQ(scripted.commands().last(), QByteArray("LIST -a"));
    EXPECT_FALSE(scripted.commands().contains("CWD /trash/old/up"));
    EXPECT_EQ(dialogs.pending(), 0u);
    EXPECT_EQ(window->messagePanel().message(),
              QStringLiteral("Could not delete /trash/old/inner/c.txt: 550 Permission denied.; the rest was left as it is"));
    EXPECT_EQ(shownNames(), (QStringList{"old", "keep.txt"}));
}

TEST_F(ScriptedOperations, ARefusedFolderRemovalShowsTheServersReason)
{
    scriptUpToTrash(scripted, "-rw-r--r-- 1 u g 1 Jan 14 10:22 a.txt\r\n");
    scripted.expect("DELE a.txt").reply("250 Deleted.")
        .expect("CDUP").reply("250 \"/\" is the current directory.")
        .expect("RMD trash").reply("550 trash: Permission denied");
    scripted.expect("CWD /trash").reply("250 \"/trash\" is the current directory.");
    scriptListing(scripted, "");
    connectAndOpenTrash();

    dialogs.expectNameDialog(QStringLiteral("Remove directory "), DialogAnswer::Ok);
    dialogs.expectMessage(QStringLiteral("Subdirectory must be removed first!\n550 trash: Permission denied"));
    click(c->BitBtn5);
    ASSERT_TRUE(waitUntil([&] { return scripted.finished() && dialogs.pending() == 0 && !session().requestRunning(); }))
        << scripted.failure().toStdString() << "\n" << logText();
    EXPECT_TRUE(scripted.failure().isEmpty()) << scripted.failure().toStdString();
    EXPECT_NE(logText().find("< 550 trash: Permission denied"), std::string::npos) << logText();
    EXPECT_FALSE(window->remoteOperations().directoryDeletionRunning());
}

// A refused delete, rename or new directory shows only in the log, where
// later lines soon hide it; the status bar's message panel keeps the
// server's answer, whatever the pointer's hints do meanwhile.
TEST_F(ScriptedOperations, RefusalsShowTheServersAnswerInTheStatusBar)
{
    scriptUpToTrash(scripted, "-rw-r--r-- 1 u g 1 Jan 14 10:22 a.txt\r\n");
    scripted.expect("DELE a.txt").reply("550 Permission denied.")
        .expect("RNFR a.txt").reply("350 Ready for RNTO.")
        .expect("RNTO b.txt").reply("553 Rename not allowed here.")
        .expect("MKD images").reply("550 Create directory operation failed.");
    connectAndOpenTrash();
    const auto message = [&] { return window->messagePanel().message(); };
    const auto idleWith = [&](const QString& text) {
        return waitUntil([&] { return message() == text && !session().requestRunning(); });
    };

    clickFile(fileItem(QStringLiteral("a.txt")));
    dialogs.expectYesNo("Delete file", "Delete a.txt from the server?", DialogAnswer::Yes);
    click(c->BitBtn5);
    ASSERT_TRUE(idleWith(QStringLiteral("Could not delete a.txt: 550 Permission denied."))) << message().toStdString();

    clickFile(fileItem(QStringLiteral("a.txt")));
    dialogs.expectNameDialog(QStringLiteral("New name for a.txt"), DialogAnswer::Ok, QStringLiteral("b.txt"));
    click(c->BitBtn8);
    ASSERT_TRUE(idleWith(QStringLiteral("Could not rename a.txt to b.txt: 553 Rename not allowed here.")))
        << message().toStdString();

    dialogs.expectNameDialog(QStringLiteral("Create Directory"), DialogAnswer::Ok, QStringLiteral("images"));
    click(c->BitBtn6);
    ASSERT_TRUE(idleWith(QStringLiteral("Could not create the directory images: 550 Create directory operation failed.")))
        << message().toStdString();

    // A hint shown afterwards takes the other part of the status bar.
    QTest::mouseMove(window.get(), c->BitBtn1->mapTo(window.get(), c->BitBtn1->rect().center()));
    QApplication::processEvents();
    EXPECT_EQ(c->StatusBar1->currentMessage(), QStringLiteral("FTP address manager"));
    EXPECT_EQ(message(), QStringLiteral("Could not create the directory images: 550 Create directory operation failed."));
    // Both parts are in sight: the panel lies inside the bar, beside the
    // hint, and is wide enough for the whole reply.
    const MessagePanel& panel = window->messagePanel();
    EXPECT_TRUE(c->StatusBar1->rect().contains(panel.geometry()))
        << panel.geometry().x() << "+" << panel.geometry().width() << " in " << c->StatusBar1->width();
    EXPECT_GT(panel.x(), panel.fontMetrics().horizontalAdvance(QStringLiteral("FTP address manager")));
    EXPECT_EQ(panel.text(), message());
    EXPECT_TRUE(scripted.failure().isEmpty()) << scripted.failure().toStdString();
    EXPECT_EQ(dialogs.pending(), 0u);
    if (const char* target = std::getenv("TAVLIN_SCREENSHOT")) {
        EXPECT_TRUE(c->StatusBar1->grab().save(QString::fromLocal8Bit(target)));
    }
    // A reply longer than the panel is cut with an ellipsis, whole in the tip.
    const QString longReply = QStringLiteral("550 ") + QString(400, QLatin1Char('x'));
    window->messagePanel().showMessage(longReply);
    EXPECT_TRUE(panel.text().endsWith(QChar(0x2026))) << panel.text().toStdString();
    EXPECT_LE(panel.fontMetrics().horizontalAdvance(panel.text()), panel.contentsRect().width());
    EXPECT_EQ(panel.toolTip(), longReply);
}

TEST_F(ScriptedOperations, AConnectionDroppedDuringARenameEndsTheSession)
{
    scriptUpToTrash(scripted, "-rw-r--r-- 1 u g 1 Jan 14 10:22 a.txt\r\n");
    scripted.expect("CDUP").reply("250 \"/\" is the current directory.").expect("RNFR trash").dropConnection();
    connectAndOpenTrash();

    dialogs.expectNameDialog(QStringLiteral("New name for trash"), DialogAnswer::Ok, QStringLiteral("bin"));
    click(c->BitBtn8);
    ASSERT_TRUE(waitUntil([&] { return !session().connected() && !window->sessionChannel().client().Connected(); }))
        << logText();
    pumpEventsFor(300);
    EXPECT_EQ(c->TreeView1->topLevelItemCount(), 0);
    EXPECT_EQ(c->ListView1->topLevelItemCount(), 0);
    EXPECT_EQ(hintOf(c->connectknap), QStringLiteral("Connect"));
    EXPECT_FALSE(c->BitBtn5->isEnabled());
    EXPECT_TRUE(c->BitBtn1->isEnabled());
    EXPECT_EQ(scripted.commands().last(), QByteArray("RNFR trash"));
    // The session can start again.
    EXPECT_FALSE(session().requestRunning());
}

} // namespace
