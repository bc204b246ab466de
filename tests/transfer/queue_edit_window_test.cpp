// The queue list of the real main window while the queue waits (offscreen,
// against the real FTP server): Del takes chosen files out of the queue and
// "Move up" changes their order, the queue file following each change, and
// Start then sends what is left in the order shown.
#include "../browse/browse_window_harness.h"

#include "core/queue_journal.h"
#include "core/text_line_list.h"
#include "transfer/transfer_queue.h"

#include <QAction>
#include <QLabel>
#include <QListWidget>

#include <filesystem>

namespace {

class QueueEditWindowTest : public BrowseWindowTest {
protected:
    // A queue of three uploads left from the last run, waiting for Start.
    void beforeWindow() override
    {
        site.write("site/.keep", "");
        std::string queue = "3\r\n";
        for (const char* name : {"one.txt", "two.txt", "three.txt"}) {
            local.write(name, std::string("content of ") + name);
            queue += "1" + local.file(name) + "\r\n127.0.0.1\r\n" + ftpServer()->user() + "\r\n" +
                     ftpServer()->password() + "\r\n" + ftpServer()->portText() + "\r\n./site\r\n" + name + "\r\n" +
                     std::to_string(std::string("content of ").size() + std::string(name).size()) + "\r\n1\r\n";
        }
        data.write("koefil.dfd", queue);
    }

    LocalFtpServer* ftpServer()
    {
        if (!BrowseWindowTest::server)
            startServer();
        return BrowseWindowTest::server.get();
    }

    QStringList queueLines() const
    {
        QStringList lines;
        for (int i = 0; i < c->ListBox4->count(); ++i)
            lines << c->ListBox4->item(i)->text();
        return lines;
    }

    // The names the queue file holds, read as every reader of it reads it
    // (through its journal), after checking that the file on its own says
    // the same.
    std::vector<std::string> queuedNames() const
    {
        const std::string path = window->dataFiles().koefilDfd;
        TextLineList throughJournal;
        EXPECT_TRUE(loadQueueFile(path, throughJournal));
        EXPECT_FALSE(std::filesystem::exists(queueJournalPath(path)));
        std::vector<std::string> names;
        for (std::size_t line = 7; line < throughJournal.size(); line += 9)
            names.push_back(throughJournal[line]);
        EXPECT_EQ(throughJournal.size(), 1 + 9 * names.size());
        EXPECT_EQ(throughJournal.empty() ? std::string() : throughJournal[0], std::to_string(names.size()));
        return names;
    }

    void clickLine(int row)
    {
        QListWidget* list = c->ListBox4;
        QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, list->visualItemRect(list->item(row)).center());
    }

    TempDir local;
};

TEST_F(QueueEditWindowTest, DelAndMoveUpChangeTheWaitingQueueAndItsFileAndStartSendsWhatIsLeftInOrder)
{
    ASSERT_TRUE(waitUntil([&] { return c->BitBtn9->isVisible() && c->ListBox4->count() == 3; }));
    // Keys go to the focused control of the active window.
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    const QString up = QString::fromUtf8("\xC2\xBB\xC2\xBB ");
    ASSERT_EQ(queueLines(), QStringList({up + "one.txt", up + "two.txt", up + "three.txt"}));

    // Del on the chosen line takes its file out of the queue and the file.
    clickLine(1);
    c->ListBox4->setFocus();
    QTest::keyClick(c->ListBox4, Qt::Key_Delete);
    EXPECT_EQ(queueLines(), QStringList({up + "one.txt", up + "three.txt"}));
    EXPECT_EQ(queuedNames(), (std::vector<std::string>{"one.txt", "three.txt"}));
    EXPECT_EQ(c->Label3->text(), "2 files in line ");

    // "Move up" from the line's context menu.
    clickLine(1);
    QAction* moveUp = window->findChild<QAction*>(QStringLiteral("MoveQueuedUp"));
    ASSERT_NE(moveUp, nullptr);
    EXPECT_TRUE(c->ListBox4->actions().contains(moveUp));
    moveUp->trigger();
    EXPECT_EQ(queueLines(), QStringList({up + "three.txt", up + "one.txt"}));
    EXPECT_EQ(queuedNames(), (std::vector<std::string>{"three.txt", "one.txt"}));
    EXPECT_EQ(c->ListBox4->currentRow(), 0);

    // Start sends the rest in the new order; the file taken out stays here.
    click(c->BitBtn9);
    ASSERT_TRUE(waitUntil(
        [&] {
            return !window->transferQueue().busy() && c->ListBox4->count() == 0 &&
                   !window->transferQueue().client().Connected();
        },
        30000))
        << logText();
    std::vector<std::string> stores;
    for (const std::string& command : ftpServer()->commands())
        if (command.rfind("STOR ", 0) == 0)
            stores.push_back(command);
    EXPECT_EQ(stores, (std::vector<std::string>{"STOR three.txt", "STOR one.txt"}));
    EXPECT_FALSE(std::filesystem::exists(site.file("site/two.txt")));
    EXPECT_FALSE(std::filesystem::exists(window->dataFiles().koefilDfd));
}

}  // namespace
