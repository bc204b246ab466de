// What the window keeps of itself between starts: its size and position,
// the splitters, the file lists' columns, and where each site was left.
#include "browse_window_harness.h"

#include "app/message_panel.h"

#include <QSplitter>

#include <filesystem>

namespace {

class RememberedPlaces : public BrowseWindowTest {
protected:
    QSplitter* splitter(const char* name) const { return window->findChild<QSplitter*>(QString::fromLatin1(name)); }

    void disconnect()
    {
        click(c->connectknap);
        ASSERT_TRUE(waitUntil([&] { return !session().connected() && !session().requestRunning(); }));
    }

    QString currentPath() const
    {
        QStringList names;
        for (const QTreeWidgetItem* item = c->TreeView1->currentItem(); item && item->parent(); item = item->parent())
            names.prepend(item->text(0));
        return QLatin1Char('/') + names.join(QLatin1Char('/'));
    }
};

TEST_F(RememberedPlaces, ARestartKeepsTheLayoutAndEachSiteStartsWhereItWasLeft)
{
    site.write("a/b/deep.html", "deep");
    site.write("top.html", "top");
    connectAsTestUser();
    ASSERT_TRUE(waitUntilBrowsing()) << logText();
    ASSERT_EQ(currentPath(), QStringLiteral("/"));
    int before = doneCount();
    clickNode(node({"a"}));
    ASSERT_TRUE(waitForListing(before)) << logText();
    before = doneCount();
    clickNode(node({"a", "b"}));
    ASSERT_TRUE(waitForListing(before)) << logText();
    ASSERT_EQ(fileNames(), QStringList{"deep.html"});
    disconnect();

    // The user's own arrangement, different from every default.
    window->setGeometry(37, 41, 900, 640);
    QSplitter* sides = splitter("SidesSplitter");
    QSplitter* rows = splitter("RowsSplitter");
    ASSERT_TRUE(sides && rows);
    sides->setSizes({310, 570});
    rows->setSizes({400, 150});
    const QList<int> sidesSizes = sides->sizes();
    const QList<int> rowsSizes = rows->sizes();
    c->ListView1->setColumnWidth(0, 231);
    c->ListView1->setColumnWidth(2, 77);
    c->ListView2->setColumnWidth(0, 143);
    const QRect geometry = window->geometry();

    reopenWindow();
    EXPECT_EQ(window->geometry(), geometry);
    EXPECT_EQ(splitter("SidesSplitter")->sizes(), sidesSizes);
    EXPECT_EQ(splitter("RowsSplitter")->sizes(), rowsSizes);
    EXPECT_EQ(c->ListView2->columnWidth(0), 143);

    // The same site opens in the folder it was left in, and a listing with
    // short names leaves the user's column widths alone.
    connectAsTestUser();
    ASSERT_TRUE(waitUntilBrowsing()) << logText();
    EXPECT_EQ(currentPath(), QStringLiteral("/a/b"));
    EXPECT_EQ(fileNames(), QStringList{"deep.html"});
    EXPECT_EQ(c->ListView1->columnWidth(0), 231);
    EXPECT_EQ(c->ListView1->columnWidth(2), 77);
    disconnect();

    // A directory in the host text still comes first.
    c->Edit1->setText(QStringLiteral("ftp://127.0.0.1/a"));
    click(c->connectknap);
    ASSERT_TRUE(waitUntilBrowsing()) << logText();
    EXPECT_EQ(currentPath(), QStringLiteral("/a"));
    disconnect();
    // That session ended in /a, which is now the site's folder.
    c->Edit1->setText(QStringLiteral("127.0.0.1"));

    // A remembered folder removed on the server since: the walk stops where
    // the server refuses it and says so, as for any folder it cannot open.
    std::filesystem::remove_all(site.file("a"));
    click(c->connectknap);
    ASSERT_TRUE(waitUntil([&] {
        return window->messagePanel().message().startsWith(QStringLiteral("Could not open the folder /a:")) &&
               c->BitBtn1->isEnabled() && !session().requestRunning();
    })) << logText();
    EXPECT_EQ(currentPath(), QStringLiteral("/"));
    EXPECT_TRUE(fileNames().contains(QStringLiteral("top.html")));
}

}  // namespace
