// Moving about both sides as a user of a desktop file client expects: F5
// and a click on the folder shown read it again, a typed server path is
// gone to, Backspace goes up. The real window, offscreen, against the real
// FTP server, driven by key and mouse events.
#include "browse_window_harness.h"

#include "app/local_panel.h"
#include "app/message_panel.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QListWidget>

#include <filesystem>

namespace {

class NavigationWindowTest : public BrowseWindowTest {
protected:
    QStringList localNames() const
    {
        QStringList names;
        for (int i = 0; i < c->ListView2->topLevelItemCount(); ++i)
            names << c->ListView2->topLevelItem(i)->text(0);
        return names;
    }

    QLineEdit* pathField() const { return controlNamed<QLineEdit>(*window, "RemotePath"); }

    // Types over what the field holds and presses Enter.
    void typeInto(QLineEdit* field, const QString& text)
    {
        field->setFocus();
        field->selectAll();
        QTest::keyClicks(field, text);
        QTest::keyClick(field, Qt::Key_Return);
    }

    // Connects, shows the local folder and opens the server's "web".
    void showWebBesideLocal()
    {
        connectAsTestUser();
        ASSERT_TRUE(waitUntilBrowsing());
        ASSERT_TRUE(window->localPanel().setLocalDirectory(local.path()));
        clickNode(node({"web"}));
        ASSERT_TRUE(waitForListing(doneCount()));
    }

    TempDir local;
};

TEST_F(NavigationWindowTest, F5AndAClickOnTheFolderShownReadWhatChangedBehindTheWindowsBack)
{
    site.write("web/index.html", "<p>i</p>");
    local.write("page.html", "p");
    ASSERT_NO_FATAL_FAILURE(showWebBesideLocal());
    ASSERT_EQ(fileNames(), QStringList{"index.html"});

    // Both sides change without the window knowing.
    site.write("web/new.html", "<p>n</p>");
    local.write("fresh.html", "f");
    local.write("sub/inner.txt", "s");
    ASSERT_FALSE(localNames().contains("fresh.html"));
    const int before = doneCount();
    c->TreeView1->setFocus();
    QTest::keyClick(c->TreeView1, Qt::Key_F5);
    ASSERT_TRUE(waitForListing(before)) << logText();
    EXPECT_TRUE(fileNames().contains("new.html")) << fileNames().join(',').toStdString();
    EXPECT_TRUE(localNames().contains("fresh.html"));
    // The folder list indents each folder by its depth.
    EXPECT_EQ(c->DirectoryListBox1->findItems(" sub", Qt::MatchEndsWith).size(), 1);
    EXPECT_EQ(c->TreeView1->currentItem(), node({"web"}));

    // The context menu of each side offers the same.
    for (QWidget* view : {static_cast<QWidget*>(c->ListView1), static_cast<QWidget*>(c->ListView2)}) {
        EXPECT_EQ(view->contextMenuPolicy(), Qt::ActionsContextMenu);
        const QList<QAction*> actions = view->actions();
        EXPECT_TRUE(std::any_of(actions.begin(), actions.end(),
                                [](const QAction* action) { return action->text() == "Refresh"; }));
    }

    // A click on the node already selected reads it again.
    site.write("web/later.html", "<p>l</p>");
    const int beforeClick = doneCount();
    clickNode(node({"web"}));
    ASSERT_TRUE(waitForListing(beforeClick)) << logText();
    EXPECT_TRUE(fileNames().contains("later.html")) << fileNames().join(',').toStdString();
}

// The file lists' context menus and keys do what the buttons beside them
// do: F2 renames, Del deletes (one file without a question, as the button
// does), "Copy path" puts the chosen files' full paths on the clipboard.
TEST_F(NavigationWindowTest, TheFileListsMenusAndKeysActAsTheirButtons)
{
    site.write("web/a.html", "a");
    site.write("web/b.html", "b");
    local.write("page.html", "p");
    ASSERT_NO_FATAL_FAILURE(showWebBesideLocal());

    QTreeWidgetItem* a = fileItem(QStringLiteral("a.html"));
    ASSERT_NE(a, nullptr);
    clickFile(a);
    dialogs.expectNameDialog(QStringLiteral("New name for a.html"), DialogAnswer::Ok, QStringLiteral("c.html"));
    int before = doneCount();
    c->ListView1->setFocus();
    QTest::keyClick(c->ListView1, Qt::Key_F2);
    ASSERT_TRUE(waitForListing(before)) << logText();
    EXPECT_EQ(site.read("web/c.html"), "a");
    EXPECT_EQ(dialogs.pending(), 0u);

    QTreeWidgetItem* b = fileItem(QStringLiteral("b.html"));
    ASSERT_NE(b, nullptr);
    clickFile(b);
    QAction* copyRemote = controlNamed<QAction>(*window, "CopyRemotePath");
    ASSERT_NE(copyRemote, nullptr);
    copyRemote->trigger();
    EXPECT_EQ(QApplication::clipboard()->text(), "/web/b.html");
    before = doneCount();
    dialogs.expectYesNo("Delete file", "Delete b.html from the server?", DialogAnswer::Yes);
    c->ListView1->setFocus();
    QTest::keyClick(c->ListView1, Qt::Key_Delete);
    ASSERT_TRUE(waitForListing(before)) << logText();
    EXPECT_FALSE(std::filesystem::exists(site.file("web/b.html")));
    EXPECT_EQ(fileNames(), QStringList{"c.html"});

    const QList<QTreeWidgetItem*> page = c->ListView2->findItems("page.html", Qt::MatchExactly);
    ASSERT_EQ(page.size(), 1);
    c->ListView2->setCurrentItem(page.front());
    QAction* copyLocal = controlNamed<QAction>(*window, "CopyLocalPath");
    ASSERT_NE(copyLocal, nullptr);
    copyLocal->trigger();
    EXPECT_EQ(QApplication::clipboard()->text().toStdString(), local.path() + "/page.html");
    QStringList offered;
    for (const QAction* action : c->ListView2->actions())
        offered << action->text();
    EXPECT_EQ(offered, (QStringList{"Upload", "Open", "", "Rename", "Delete", "New folder", "", "Refresh", "Copy path", "", "Sort by name", "Sort by size",
                                    "Sort by type", "Sort by date"}));
}

class TypedPathWindowTest : public NavigationWindowTest {
protected:
    void SetUp() override
    {
        serverOptions.loginFolder = "/home/webuser";
        NavigationWindowTest::SetUp();
    }
};

TEST_F(TypedPathWindowTest, ATypedPathIsGoneToAndBackspaceGoesUp)
{
    site.write("home/webuser/www/site/index.html", "<p>i</p>");
    site.write("pub/readme.txt", "r");
    connectAsTestUser();
    ASSERT_TRUE(waitUntilBrowsing());
    ASSERT_EQ(c->TreeView1->currentItem(), node({"home", "webuser"}));
    EXPECT_EQ(pathField()->text(), "/home/webuser");

    // Relative to the login folder.
    int before = doneCount();
    typeInto(pathField(), "www/site");
    ASSERT_TRUE(waitUntil([&] {
        return c->TreeView1->currentItem() == node({"home", "webuser", "www", "site"}) &&
               fileNames().contains("index.html") && !session().requestRunning();
    })) << logText() << "\n" << testing::PrintToString(commands());
    EXPECT_EQ(pathField()->text(), "/home/webuser/www/site");
    EXPECT_EQ(channel().client().HostDirName(), "./home/webuser/www/site");

    // A folder the server refuses: the view stays, the status bar says why.
    typeInto(pathField(), "/nowhere");
    ASSERT_TRUE(waitUntil([&] { return !session().requestRunning(); }));
    EXPECT_TRUE(window->messagePanel().message().startsWith("Could not open the folder /nowhere: 550"))
        << window->messagePanel().message().toStdString();
    EXPECT_EQ(c->TreeView1->currentItem(), node({"home", "webuser", "www", "site"}));
    EXPECT_TRUE(fileNames().contains("index.html"));
    EXPECT_EQ(channel().client().HostDirName(), "./home/webuser/www/site");
    EXPECT_EQ(pathField()->text(), "/home/webuser/www/site");

    // An absolute path, then Backspace in the tree goes to the parent.
    typeInto(pathField(), "/pub");
    ASSERT_TRUE(waitUntil([&] {
        return c->TreeView1->currentItem() == node({"pub"}) && fileNames().contains("readme.txt") &&
               !session().requestRunning();
    })) << logText();
    before = doneCount();
    c->TreeView1->setFocus();
    QTest::keyClick(c->TreeView1, Qt::Key_Backspace);
    ASSERT_TRUE(waitForListing(before));
    EXPECT_EQ(c->TreeView1->currentItem(), root());
    EXPECT_EQ(pathField()->text(), "/");

    // Backspace in the local list goes to the parent folder.
    local.write("inner/deeper/file.txt", "x");
    ASSERT_TRUE(window->localPanel().setLocalDirectory(local.path() + "/inner/deeper"));
    c->ListView2->setFocus();
    QTest::keyClick(c->ListView2, Qt::Key_Backspace);
    EXPECT_EQ(window->localPanel().localDirectory(), local.path() + "/inner");
}

}  // namespace
