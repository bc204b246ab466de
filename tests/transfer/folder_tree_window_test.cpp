// A folder chosen in a file list goes with everything under it: up, down,
// and into a web project while recording, each after one question naming
// both folders and the number of files. The real main window, offscreen,
// against the real FTP server, driven by mouse clicks.
#include "../browse/browse_window_harness.h"
#include "support/random_bytes.h"

#include "app/folder_tree_transfer.h"
#include "app/local_panel.h"
#include "app/message_panel.h"
#include "transfer/transfer_queue.h"
#include "webwatch/recorder.h"

#include <QAction>
#include <QListWidget>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>

namespace fs = std::filesystem;

namespace {

// Every file under a folder with its bytes, by its path below the folder.
std::map<std::string, std::string> treeOf(const std::string& folder)
{
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        if (!entry.is_regular_file() || entry.is_symlink())
            continue;
        std::ifstream in(entry.path(), std::ios::binary);
        files[fs::relative(entry.path(), folder).string()] =
            std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    return files;
}

class FolderTreeWindowTest : public BrowseWindowTest {
protected:
    void clickItem(QTreeWidget* list, const QString& name)
    {
        const auto found = list->findItems(name, Qt::MatchExactly, 0);
        ASSERT_EQ(found.size(), 1) << name.toStdString();
        list->scrollToItem(found.first());
        // Near the start of the row: a long name's middle lies beyond the
        // viewport.
        const QRect row = list->visualItemRect(found.first());
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, QPoint(row.left() + 20, row.center().y()));
    }

    bool waitUntilQueueEnds()
    {
        return waitUntil(
            [&] {
                return !window->transferQueue().busy() && window->transferQueue().entries().empty() &&
                       !window->transferQueue().client().Connected() && !session().requestRunning();
            },
            60000);
    }

    // A site of three levels, with a link to a folder inside that a
    // transfer must not follow.
    void writeLocalSite()
    {
        local.write("site/index.html", randomBytes(3000, 1));
        local.write("site/logo.png", randomBytes(70000, 2));
        local.write("site/img/a.jpg", randomBytes(20000, 3));
        local.write("site/img/icons/b.gif", randomBytes(500, 4));
        local.write("site/img/icons/c.gif", randomBytes(9, 5));
        local.write("site/docs/readme.txt", "read me\n");
        fs::create_directory_symlink(local.file("site/img"), local.file("site/docs/img-link"));
    }

    TempDir local;
    TempDir back;
};

TEST_F(FolderTreeWindowTest, ATreeOfThreeLevelsGoesUpAndComesBackIdentical)
{
    writeLocalSite();
    site.write("web/.keep", "");
    connectAsTestUser();
    ASSERT_TRUE(waitUntilBrowsing());
    clickNode(node({"web"}));
    ASSERT_TRUE(waitForListing(doneCount())) << logText();
    ASSERT_TRUE(window->localPanel().setLocalDirectory(local.path()));

    // Up: the folder is chosen in the local list, one question, every file.
    clickItem(c->ListView2, "site");
    dialogs.expectYesNo("Upload folder",
                        QString::fromStdString("Upload 6 files from " + local.file("site") +
                                               " and the folders inside it to /web/site on 127.0.0.1?"),
                        DialogAnswer::Yes);
    click(c->BitBtn2);
    ASSERT_TRUE(waitUntilQueueEnds()) << logText();
    EXPECT_EQ(treeOf(site.file("web/site")), treeOf(local.file("site")));
    EXPECT_FALSE(fs::exists(site.file("web/site/docs/img-link")));
    EXPECT_NE(logText().find(local.file("site/docs/img-link") + " left out: a link to a folder is not followed"),
              std::string::npos)
        << logText();

    // Down: the remote folder, read folder by folder, into another folder.
    ASSERT_TRUE(waitUntil([&] { return shownNames().contains("site") && !session().requestRunning(); }))
        << logText();
    ASSERT_TRUE(window->localPanel().setLocalDirectory(back.path()));
    clickItem(c->ListView1, "site");
    dialogs.expectYesNo("Download folder",
                        QString::fromStdString("Download 6 files from /web/site and the folders inside it into " +
                                               back.file("site") + "?"),
                        DialogAnswer::Yes);
    click(c->BitBtn3);
    ASSERT_TRUE(waitUntil([&] { return dialogs.pending() == 0; }, 20000)) << logText();
    ASSERT_TRUE(waitUntilQueueEnds()) << logText();
    EXPECT_EQ(treeOf(back.file("site")), treeOf(local.file("site")));
    // The browsing side is back in the folder it shows.
    EXPECT_EQ(c->TreeView1->currentItem(), node({"web"}));
    ASSERT_TRUE(waitUntil([&] { return shownNames().contains("site") && !session().requestRunning(); }));
    EXPECT_EQ(channel().client().HostDirName(), "./web");
}

// The program's data directory, sent as a folder (a drop of it does this),
// keeps its own files: the site list holds every site's password.
TEST_F(FolderTreeWindowTest, TheProgramsOwnDataFilesStayOutOfAFolderUpload)
{
    data.write("notes.txt", "the user's own notes");
    site.write("web/.keep", "");
    connectAsTestUser();
    ASSERT_TRUE(waitUntilBrowsing());
    clickNode(node({"web"}));
    ASSERT_TRUE(waitForListing(doneCount())) << logText();
    ASSERT_TRUE(fs::exists(data.file("serv3.adr")) || fs::exists(data.file("fiext1.fil")));

    const std::string name = fs::path(data.path()).filename().string();
    dialogs.expectYesNo("Upload folder",
                        QString::fromStdString("Upload 1 file from " + data.path() +
                                               " and the folders inside it to /web/" + name + " on 127.0.0.1?"),
                        DialogAnswer::Yes);
    EXPECT_EQ(window->folderTransfer().uploadLocalFolder(data.path()), 1u);
    ASSERT_TRUE(waitUntilQueueEnds()) << logText();
    EXPECT_EQ(treeOf(site.file("web/" + name)),
              (std::map<std::string, std::string>{{"notes.txt", "the user's own notes"}}));
}

// A site folder that holds the data directory further down: its upload
// leaves every file of the program's own out, however deep it lies.
TEST_F(FolderTreeWindowTest, AFolderUploadWhoseSubFolderHoldsTheDataDirectoryQueuesNoDataFile)
{
    data.write("mysite/page.htm", "<p>a page</p>");
    data.write("mysite/private/notes.txt", "mine");
    dataDirectoryPath = data.file("mysite/private/tavlin");
    fs::create_directories(dataDirectoryPath);
    reopenWindow();
    ASSERT_TRUE(fs::exists(data.file("mysite/private/tavlin/serv3.adr")));
    data.write("mysite/private/tavlin/wbprj.dfd.tmp4242", "0\r\n");
    site.write("web/.keep", "");
    connectAsTestUser();
    ASSERT_TRUE(waitUntilBrowsing());
    clickNode(node({"web"}));
    ASSERT_TRUE(waitForListing(doneCount())) << logText();

    dialogs.expectYesNo("Upload folder",
                        QString::fromStdString("Upload 2 files from " + data.file("mysite") +
                                               " and the folders inside it to /web/mysite on 127.0.0.1?"),
                        DialogAnswer::Yes);
    EXPECT_EQ(window->folderTransfer().uploadLocalFolder(data.file("mysite")), 2u);
    ASSERT_TRUE(waitUntilQueueEnds()) << logText();
    EXPECT_EQ(treeOf(site.file("web/mysite")),
              (std::map<std::string, std::string>{{"page.htm", "<p>a page</p>"}, {"private/notes.txt", "mine"}}));
}

TEST_F(FolderTreeWindowTest, RecordingTakesATreeOfThreeLevelsInOneActionEachFileInItsOwnRemoteFolder)
{
    writeLocalSite();
    site.write("www/.keep", "");
    connectAsTestUser();
    ASSERT_TRUE(waitUntilBrowsing());
    clickNode(node({"www"}));
    ASSERT_TRUE(waitForListing(doneCount())) << logText();
    ASSERT_TRUE(window->localPanel().setLocalDirectory(local.path()));
    server->clearCommands();

    dialogs.expectNameDialog("Web project name:", DialogAnswer::Ok, QStringLiteral("Site"),
                             QStringLiteral("Start new Web-project"));
    c->record->trigger();
    ASSERT_TRUE(window->recorder().recording());
    clickItem(c->ListView2, "site");
    dialogs.expectYesNo("Record folder",
                        QString::fromStdString("Record 6 files from " + local.file("site") +
                                               " and the folders inside it into the web project, for ./www/site "
                                               "on 127.0.0.1?"),
                        DialogAnswer::Yes);
    click(c->BitBtn2);
    EXPECT_EQ(dialogs.pending(), 0u);

    std::map<std::string, std::string> remoteFolderOf;
    for (const ProjectFileEntry& file : window->recorder().recordedFiles()) {
        remoteFolderOf[file.remoteFileName] = file.remoteDirectory;
        EXPECT_EQ(file.localPath, (fs::path(local.file("site")) / fs::path(file.remoteDirectory).lexically_relative("./www/site") /
                                   file.remoteFileName).lexically_normal().string());
    }
    EXPECT_EQ(remoteFolderOf, (std::map<std::string, std::string>{{"index.html", "./www/site"},
                                                                   {"logo.png", "./www/site"},
                                                                   {"readme.txt", "./www/site/docs"},
                                                                   {"a.jpg", "./www/site/img"},
                                                                   {"b.gif", "./www/site/img/icons"},
                                                                   {"c.gif", "./www/site/img/icons"}}));
    // Recording sends nothing.
    EXPECT_TRUE(commands().empty());
    EXPECT_TRUE(window->transferQueue().entries().empty());
}

TEST_F(FolderTreeWindowTest, ARemoteTreeIsDeletedDeepestFirstAfterOneQuestionAndAFileWithoutOne)
{
    site.write("web/site/index.html", "i");
    site.write("web/site/img/a.jpg", "a");
    site.write("web/site/img/icons/b.gif", "b");
    site.write("web/site/empty/.hidden", "h");
    site.write("web/keep.txt", "k");
    site.write("web/lone.txt", "l");
    connectAsTestUser();
    ASSERT_TRUE(waitUntilBrowsing());
    clickNode(node({"web"}));
    ASSERT_TRUE(waitForListing(doneCount())) << logText();
    ASSERT_EQ(shownNames().value(0), QStringLiteral("site"));

    clickItem(c->ListView1, "site");
    server->clearCommands();
    dialogs.expectYesNo("Delete folder",
                        "Delete the folder /web/site with the 4 files and 3 folders in it from the server?",
                        DialogAnswer::Yes);
    c->ListView1->setFocus();
    QTest::keyClick(c->ListView1, Qt::Key_Delete);
    ASSERT_TRUE(waitUntil([&] { return !fs::exists(site.file("web/site")) && !session().requestRunning(); }))
        << logText();
    EXPECT_EQ(dialogs.pending(), 0u);
    // Every folder was listed before anything went; a folder goes only
    // after everything in it.
    std::vector<std::string> removals;
    for (const std::string& command : commands())
        if (command.rfind("RMD ", 0) == 0 || command.rfind("DELE ", 0) == 0)
            removals.push_back(command);
    const auto at = [&](const std::string& command) {
        return std::find(removals.begin(), removals.end(), command) - removals.begin();
    };
    ASSERT_EQ(removals.size(), 8u) << logText();
    EXPECT_LT(at("DELE /web/site/img/icons/b.gif"), at("RMD /web/site/img/icons"));
    EXPECT_LT(at("RMD /web/site/img/icons"), at("RMD /web/site/img"));
    EXPECT_LT(at("DELE /web/site/empty/.hidden"), at("RMD /web/site/empty"));
    EXPECT_EQ(removals.back(), "RMD /web/site");
    ASSERT_TRUE(waitUntil([&] { return !shownNames().contains("site") && !session().requestRunning(); }));
    EXPECT_TRUE(childNames(node({"web"})).isEmpty());
    EXPECT_TRUE(fs::exists(site.file("web/keep.txt")));

    // One file asks a question of its own.
    clickItem(c->ListView1, "lone.txt");
    dialogs.expectYesNo("Delete file", "Delete lone.txt from the server?", DialogAnswer::Yes);
    click(c->BitBtn5);
    ASSERT_TRUE(waitUntil([&] { return !fs::exists(site.file("web/lone.txt")) && !session().requestRunning(); }));
    EXPECT_EQ(dialogs.shown().size(), 2u);
}

// Several folders and a file chosen at once are one action: one question
// names the selection with its totals, for an upload, a download, a
// deletion and a recording alike.
TEST_F(FolderTreeWindowTest, FoldersAndFilesChosenAtOnceAreAskedAboutOnceForEachAction)
{
    local.write("a/one.txt", std::string(1024, '1'));
    local.write("a/deep/two.txt", std::string(1024, '2'));
    local.write("b/three.txt", std::string(1024, '3'));
    local.write("c/four.txt", std::string(512, '4'));
    local.write("top.html", std::string(512, 't'));
    site.write("web/.keep", "");
    connectAsTestUser();
    ASSERT_TRUE(waitUntilBrowsing());
    clickNode(node({"web"}));
    ASSERT_TRUE(waitForListing(doneCount())) << logText();
    ASSERT_TRUE(window->localPanel().setLocalDirectory(local.path()));

    // Up: three folders and a file, one question.
    ctrlClick(c->ListView2, {"a", "b", "c", "top.html"});
    dialogs.expectYesNo("Upload folders",
                        "Upload 3 folders and 1 file to /web on 127.0.0.1? 5 files, 4.0 KB in all, with the "
                        "folders inside them.",
                        DialogAnswer::Yes);
    click(c->BitBtn2);
    EXPECT_EQ(dialogs.pending(), 0u);
    ASSERT_TRUE(waitUntilQueueEnds()) << logText();
    EXPECT_EQ(treeOf(site.file("web")),
              (std::map<std::string, std::string>{{".keep", ""},
                                                  {"a/one.txt", std::string(1024, '1')},
                                                  {"a/deep/two.txt", std::string(1024, '2')},
                                                  {"b/three.txt", std::string(1024, '3')},
                                                  {"c/four.txt", std::string(512, '4')},
                                                  {"top.html", std::string(512, 't')}}));

    // "No" to the same selection queues nothing at all.
    ASSERT_TRUE(window->localPanel().setLocalDirectory(local.path()));
    ctrlClick(c->ListView2, {"a", "b", "top.html"});
    dialogs.expectYesNoBeginning("Upload folders", "Upload 2 folders and 1 file to /web", DialogAnswer::No);
    click(c->BitBtn2);
    EXPECT_TRUE(window->transferQueue().entries().empty());

    // Down: the folders are read first, then one question.
    ASSERT_TRUE(waitUntil([&] { return shownNames().contains("c") && !session().requestRunning(); })) << logText();
    ASSERT_TRUE(window->localPanel().setLocalDirectory(back.path()));
    ctrlClick(c->ListView1, {"a", "b", "top.html"});
    dialogs.expectYesNo("Download folders",
                        QString::fromStdString("Download 2 folders and 1 file from /web into " + back.path() +
                                               "? 4 files, 3.5 KB in all, with the folders inside them."),
                        DialogAnswer::Yes);
    click(c->BitBtn3);
    ASSERT_TRUE(waitUntil([&] { return dialogs.pending() == 0; }, 20000)) << logText();
    ASSERT_TRUE(waitUntilQueueEnds()) << logText();
    EXPECT_EQ(treeOf(back.path()),
              (std::map<std::string, std::string>{{"a/one.txt", std::string(1024, '1')},
                                                  {"a/deep/two.txt", std::string(1024, '2')},
                                                  {"b/three.txt", std::string(1024, '3')},
                                                  {"top.html", std::string(512, 't')}}));

    // Delete on the server: one question with what it comes to.
    ASSERT_TRUE(waitUntil([&] { return shownNames().contains("c") && !session().requestRunning(); })) << logText();
    ctrlClick(c->ListView1, {"a", "c", "top.html"});
    dialogs.expectYesNo("Delete folder",
                        "Delete 2 folders and 1 file from the server? 4 files and 3 folders in all.",
                        DialogAnswer::Yes);
    click(c->BitBtn5);
    ASSERT_TRUE(waitUntil([&] { return !fs::exists(site.file("web/a")) && !fs::exists(site.file("web/c")) &&
                                       !session().requestRunning(); }))
        << logText();
    EXPECT_FALSE(fs::exists(site.file("web/top.html")));
    EXPECT_TRUE(fs::exists(site.file("web/b/three.txt")));

    // Recording: one question for the folders, named with the file.
    ASSERT_TRUE(window->localPanel().setLocalDirectory(local.path()));
    dialogs.expectNameDialog("Web project name:", DialogAnswer::Ok, QStringLiteral("Site"),
                             QStringLiteral("Start new Web-project"));
    c->record->trigger();
    ASSERT_TRUE(window->recorder().recording());
    // Without clean folders a single file is recorded without a question
    // of its own.
    if (c->Usecleandirectory1->isChecked())
        c->Usecleandirectory1->trigger();
    ASSERT_FALSE(c->Usecleandirectory1->isChecked());
    ctrlClick(c->ListView2, {"a", "b", "top.html"});
    dialogs.expectYesNo("Record folders",
                        "Record 2 folders and 1 file into the web project, for ./web on 127.0.0.1? 4 files in all, "
                        "with the folders inside them.",
                        DialogAnswer::Yes);
    click(c->BitBtn2);
    EXPECT_EQ(dialogs.pending(), 0u);
    std::vector<std::string> recorded;
    for (const ProjectFileEntry& file : window->recorder().recordedFiles())
        recorded.push_back(file.remoteDirectory + "/" + file.remoteFileName);
    std::sort(recorded.begin(), recorded.end());
    EXPECT_EQ(recorded, (std::vector<std::string>{"./web/a/deep/two.txt", "./web/a/one.txt", "./web/b/three.txt",
                                                  "./web/top.html"}));
}

// --- a server that lists a folder inside itself ---------------------------------------------

// The log-in on the scripted server, whose root lists the folder `name` and
// a file.
void scriptRootWithFolder(ScriptedFtpServer& server, const QByteArray& name)
{
    server.login().expect("PWD").reply("257 \"/\" is the current directory.")
        .expect("CWD /").reply("250 ok");
    scriptListing(server, "drwxr-xr-x   2 user     group        4096 Jan 14 10:22 " + name +
                              "\r\n-rw-r--r--   1 user     group          12 Jan 14 10:22 readme.txt\r\n");
}

// The folder `name` holds a folder `name`, which holds one again (as a link
// shown as a folder would), for `levels` levels.
void scriptFolderInsideItself(ScriptedFtpServer& server, const QByteArray& name, int levels)
{
    QByteArray path;
    for (int level = 0; level < levels; ++level) {
        path += "/" + name;
        server.expect("CWD " + path).reply("250 ok");
        scriptListing(server, "drwxr-xr-x   2 user     group        4096 Jan 14 10:22 " + name + "\r\n");
    }
}

QList<QByteArray> changesOf(const ScriptedFtpServer& server)
{
    QList<QByteArray> changes;
    for (const QByteArray& command : server.commands())
        if (command.startsWith("CWD "))
            changes.push_back(command);
    return changes;
}

struct EndlessFolder {
    QByteArray name;
    // The levels read before the scan stops: the folder chosen and those
    // below it.
    int levelsRead;
    QString why;
};

class FolderInsideItself : public FolderTreeWindowTest, public ::testing::WithParamInterface<EndlessFolder> {};

// The scan stops at a depth (or a path length) no real site has, says why,
// asks nothing and queues nothing; the session shows its folder again.
TEST_P(FolderInsideItself, ADownloadReadsItToALimitNoSiteReachesThenStopsWithAMessage)
{
    const EndlessFolder& folder = GetParam();
    ScriptedFtpServer scripted;
    scriptRootWithFolder(scripted, folder.name);
    scriptFolderInsideItself(scripted, folder.name, folder.levelsRead);
    scripted.expect("CWD /").reply("250 ok");
    scriptListing(scripted, "drwxr-xr-x   2 user     group        4096 Jan 14 10:22 " + folder.name +
                                "\r\n-rw-r--r--   1 user     group          12 Jan 14 10:22 readme.txt\r\n");
    ASSERT_TRUE(scripted.start());
    connectToScripted(scripted);
    ASSERT_TRUE(waitUntilBrowsing()) << scripted.failure().toStdString() << logText();
    ASSERT_TRUE(window->localPanel().setLocalDirectory(back.path()));

    clickItem(c->ListView1, QString::fromLatin1(folder.name));
    click(c->BitBtn3);
    ASSERT_TRUE(waitUntil([&] { return scripted.finished() && !session().requestRunning(); }, 30000))
        << scripted.failure().toStdString() << "\n" << logText().substr(0, 4000);
    EXPECT_TRUE(scripted.failure().isEmpty()) << scripted.failure().toStdString();
    EXPECT_EQ(window->messagePanel().message(),
              "Stopped reading the folder /" + QString::fromLatin1(folder.name) + ": " + folder.why +
                  ", which no real site does; the server may list a folder inside itself");
    const QList<QByteArray> changes = changesOf(scripted);
    ASSERT_EQ(changes.size(), 1 + folder.levelsRead + 1);
    EXPECT_EQ(changes.back(), "CWD /");
    EXPECT_EQ(dialogs.shown().size(), 0u);
    EXPECT_TRUE(window->transferQueue().entries().empty());
    EXPECT_TRUE(fs::is_empty(back.path()));
    EXPECT_TRUE(session().connected());
    EXPECT_TRUE(waitUntil([&] { return fileNames() == QStringList{"readme.txt"}; })) << logText().substr(0, 4000);
}

INSTANTIATE_TEST_SUITE_P(
    DepthAndPathLength, FolderInsideItself,
    ::testing::Values(EndlessFolder{"loop", 33, QStringLiteral("it goes more than 32 folders deep")},
                      // 200 characters a level: the tenth level's 2000 are
                      // read, the eleventh's 2200 are not.
                      EndlessFolder{QByteArray(199, 'n'), 10,
                                    QStringLiteral("a path inside it is longer than 2048 characters")}));

// Abort stops the scan after the command under way; the session stays
// logged in and shows its folder again.
TEST_F(FolderTreeWindowTest, AbortStopsReadingARemoteFolderAndKeepsTheSession)
{
    ScriptedFtpServer scripted;
    scriptRootWithFolder(scripted, "loop");
    scriptFolderInsideItself(scripted, "loop", 2);
    scripted.expect("CWD /loop/loop/loop").hold().reply("250 ok");
    scripted.expect("CWD /").reply("250 ok");
    scriptListing(scripted, "-rw-r--r--   1 user     group          12 Jan 14 10:22 readme.txt\r\n");
    ASSERT_TRUE(scripted.start());
    connectToScripted(scripted);
    ASSERT_TRUE(waitUntilBrowsing()) << scripted.failure().toStdString() << logText();

    clickItem(c->ListView1, "loop");
    click(c->BitBtn3);
    ASSERT_TRUE(waitUntil([&] { return changesOf(scripted).size() == 4; })) << logText();
    ASSERT_TRUE(c->BitBtn7->isEnabled());
    click(c->BitBtn7);
    scripted.release();
    ASSERT_TRUE(waitUntil([&] { return scripted.finished() && !session().requestRunning(); }))
        << scripted.failure().toStdString() << "\n" << logText();
    EXPECT_TRUE(scripted.failure().isEmpty()) << scripted.failure().toStdString();
    EXPECT_EQ(window->messagePanel().message(), QStringLiteral("Reading the folder /loop was stopped by Abort"));
    EXPECT_EQ(changesOf(scripted).back(), "CWD /");
    EXPECT_EQ(dialogs.shown().size(), 0u);
    EXPECT_TRUE(window->transferQueue().entries().empty());
    EXPECT_TRUE(session().connected());
    EXPECT_TRUE(waitUntil([&] { return fileNames() == QStringList{"readme.txt"}; })) << logText();
    EXPECT_TRUE(c->BitBtn6->isEnabled());
}

}  // namespace
