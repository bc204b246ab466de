// Both file lists as a file manager shows them: the folders of the folder
// shown come first, a click on a column header sorts by that column (sizes
// by their bytes, not their text), a second click the other way round, and
// the order holds for the next listing and the next start. A folder in a
// list opens with a double click or Enter. The real window, offscreen,
// against the real FTP server, driven by mouse and key events.
#include "browse_window_harness.h"

#include "app/file_list_item.h"
#include "app/local_panel.h"

#include <QAction>
#include <QHeaderView>

#include <filesystem>

namespace {

class FoldersInListsWindowTest : public BrowseWindowTest {
protected:
    void clickHeader(QTreeWidget* list, int column)
    {
        QHeaderView* header = list->header();
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
                                 header->height() / 2));
    }

    QStringList localShown() const
    {
        QStringList names;
        for (int i = 0; i < c->ListView2->topLevelItemCount(); ++i)
            names << c->ListView2->topLevelItem(i)->text(0);
        return names;
    }

    QTreeWidgetItem* shownItem(QTreeWidget* list, const QString& name) const
    {
        const auto found = list->findItems(name, Qt::MatchExactly, 0);
        return found.isEmpty() ? nullptr : found.first();
    }

    // TAVLIN_SCREENSHOT=name.png keeps a picture of the sorted lists.
    static void keepPicture(QWidget* widget, const QString& suffix)
    {
        const QString shot = qEnvironmentVariable("TAVLIN_SCREENSHOT");
        if (shot.isEmpty())
            return;
        QString path = shot;
        path.insert(path.endsWith(QStringLiteral(".png")) ? path.size() - 4 : path.size(), suffix);
        EXPECT_TRUE(widget->grab().save(path)) << path.toStdString();
    }

    TempDir local;
};

TEST_F(FoldersInListsWindowTest, ASizeSortPutsNineBytesBeforeTenKilobytesWithFoldersFirstAndIsKept)
{
    site.write("web/nine.txt", std::string(9, 'n'));
    site.write("web/ten.bin", std::string(10 * 1024, 't'));
    site.write("web/two.htm", std::string(2 * 1024, 'w'));
    site.write("web/b-folder/x.txt", "x");
    site.write("web/a-folder/y.txt", "y");
    local.write("nine.txt", std::string(9, 'n'));
    local.write("ten.bin", std::string(10 * 1024, 't'));
    local.write("two.htm", std::string(2 * 1024, 'w'));
    std::filesystem::create_directories(local.file("sub"));
    connectAsTestUser();
    ASSERT_TRUE(waitUntilBrowsing());
    ASSERT_TRUE(window->localPanel().setLocalDirectory(local.path()));
    clickNode(node({"web"}));
    ASSERT_TRUE(waitForListing(doneCount())) << logText();

    // Unsorted, the folders lead the list in the server's order.
    QStringList shown = shownNames();
    ASSERT_EQ(shown.size(), 5) << shown.join(',').toStdString();
    EXPECT_TRUE(file_list::isFolder(c->ListView1->topLevelItem(0)));
    EXPECT_TRUE(file_list::isFolder(c->ListView1->topLevelItem(1)));
    EXPECT_EQ(localShown().first(), QStringLiteral("sub"));

    // By size: 9 B, 2 KB, 10 KB, the folders above them; a text sort would
    // have put "10KB" before "2KB" and "9".
    clickHeader(c->ListView1, file_list::kSizeColumn);
    EXPECT_EQ(shownNames(), (QStringList{"a-folder", "b-folder", "nine.txt", "two.htm", "ten.bin"}));
    clickHeader(c->ListView2, file_list::kSizeColumn);
    EXPECT_EQ(localShown(), (QStringList{"sub", "nine.txt", "two.htm", "ten.bin"}));
    keepPicture(c->ListView1, QStringLiteral("-remote"));
    keepPicture(c->ListView2, QStringLiteral("-local"));

    // Again: the other way round, the folders still first.
    clickHeader(c->ListView1, file_list::kSizeColumn);
    EXPECT_EQ(shownNames(), (QStringList{"b-folder", "a-folder", "ten.bin", "two.htm", "nine.txt"}));
    // Each item keeps its own size for the queue whatever the order.
    EXPECT_EQ(file_list::sizeOf(shownItem(c->ListView1, "ten.bin")), 10u * 1024);
    EXPECT_EQ(file_list::sizeOf(shownItem(c->ListView1, "nine.txt")), 9u);

    // The context menu sorts as well, for the keyboard: by name, folders
    // first, then the other way round.
    auto* byName = window->findChild<QAction*>(QStringLiteral("SortRemoteByName"));
    ASSERT_NE(byName, nullptr);
    EXPECT_TRUE(c->ListView1->actions().contains(byName));
    byName->trigger();
    EXPECT_EQ(shownNames(), (QStringList{"a-folder", "b-folder", "nine.txt", "ten.bin", "two.htm"}));
    byName->trigger();
    EXPECT_EQ(shownNames(), (QStringList{"b-folder", "a-folder", "two.htm", "ten.bin", "nine.txt"}));
    clickHeader(c->ListView1, file_list::kSizeColumn);
    clickHeader(c->ListView1, file_list::kSizeColumn);
    ASSERT_EQ(c->ListView1->header()->sortIndicatorOrder(), Qt::DescendingOrder);

    // A new listing comes in sorted.
    site.write("web/five.txt", std::string(5 * 1024, 'f'));
    const int before = doneCount();
    c->ListView1->setFocus();
    QTest::keyClick(c->ListView1, Qt::Key_F5);
    ASSERT_TRUE(waitForListing(before)) << logText();
    ASSERT_TRUE(waitUntil([&] { return shownNames().size() == 6; }));
    EXPECT_EQ(shownNames(), (QStringList{"b-folder", "a-folder", "ten.bin", "five.txt", "two.htm", "nine.txt"}));

    // And so does the next start.
    reopenWindow();
    EXPECT_EQ(c->ListView1->sortColumn(), file_list::kSizeColumn);
    EXPECT_EQ(c->ListView1->header()->sortIndicatorOrder(), Qt::DescendingOrder);
    EXPECT_EQ(c->ListView2->sortColumn(), file_list::kSizeColumn);
    EXPECT_EQ(c->ListView2->header()->sortIndicatorOrder(), Qt::AscendingOrder);
    connectAsTestUser();
    ASSERT_TRUE(waitUntilBrowsing());
    ASSERT_TRUE(window->localPanel().setLocalDirectory(local.path()));
    EXPECT_EQ(localShown(), (QStringList{"sub", "nine.txt", "two.htm", "ten.bin"}));
}

TEST_F(FoldersInListsWindowTest, AFolderInEitherListOpensWithADoubleClickOrEnter)
{
    site.write("web/inner/deep.txt", "d");
    site.write("web/top.txt", "t");
    local.write("sub/inside.txt", "i");
    local.write("outside.txt", "o");
    connectAsTestUser();
    ASSERT_TRUE(waitUntilBrowsing());
    ASSERT_TRUE(window->localPanel().setLocalDirectory(local.path()));
    clickNode(node({"web"}));
    ASSERT_TRUE(waitForListing(doneCount())) << logText();

    // A single click only selects the folder.
    QTreeWidgetItem* inner = shownItem(c->ListView1, "inner");
    ASSERT_NE(inner, nullptr);
    clickFile(inner);
    EXPECT_TRUE(inner->isSelected());
    EXPECT_EQ(c->TreeView1->currentItem(), node({"web"}));

    const int before = doneCount();
    QTest::mouseDClick(c->ListView1->viewport(), Qt::LeftButton, {}, c->ListView1->visualItemRect(inner).center());
    ASSERT_TRUE(waitForListing(before)) << logText();
    EXPECT_EQ(c->TreeView1->currentItem(), node({"web", "inner"}));
    EXPECT_EQ(fileNames(), QStringList{"deep.txt"});

    // Enter on the local folder opens it.
    QTreeWidgetItem* sub = shownItem(c->ListView2, "sub");
    ASSERT_NE(sub, nullptr);
    c->ListView2->setFocus();
    c->ListView2->setCurrentItem(sub);
    QTest::keyClick(c->ListView2, Qt::Key_Return);
    ASSERT_TRUE(waitUntil([&] { return window->localPanel().localDirectory() == local.file("sub"); }));
    EXPECT_EQ(localShown(), QStringList{"inside.txt"});
}

}  // namespace
