// The transfer queue as a user drives it from the real main window,
// offscreen, against the real FTP server.
#include "../browse/browse_window_harness.h"
#include "support/random_bytes.h"

#include "app/local_panel.h"
#include "app/message_panel.h"
#include "sites/address_manager.h"
#include "transfer/queue_progress.h"
#include "transfer/transfer_queue.h"
#include "ui/address_manager_window.h"
#include "ui/connections_dialog.h"
#include "support/modal.h"

#include <QAction>
#include <QComboBox>
#include <QSpinBox>
#include <QEvent>
#include <QPushButton>
#include <QLabel>
#include <QListWidget>
#include <QProcess>
#include <QRegularExpression>
#include <QTimer>

#include <algorithm>
#include <map>
#include <filesystem>
#include <random>

namespace {

QStringList lines(const QListWidget* list)
{
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->item(i)->text();
    return out;
}

const QString kErrorQuestion = ":Do You want to remove the file that caused the error from this transfer";

// The log lines that do not carry the transfer connection's mark.
QStringList browsingLines(const std::string& log)
{
    QStringList lines;
    for (const QString& line : QString::fromStdString(log).split(QLatin1Char('\n')))
        if (!QRegularExpression(QStringLiteral("^\\[T[1-8]\\] ")).match(line).hasMatch())
            lines << line;
    return lines;
}

class QueueWindowTest : public BrowseWindowTest {
protected:
    // These tests follow one transfer connection's commands in order; the
    // settings file asks for one.
    void SetUp() override
    {
        data.write("tavlinftp.ini", "[Transfers]\nConnections=1\n");
        BrowseWindowTest::SetUp();
    }

    // Shows `folder` on the local side.
    void showLocalFolder(const TempDir& folder)
    {
        ASSERT_TRUE(window->localPanel().setLocalDirectory(folder.path()));
    }

    void selectLocal(const QString& name)
    {
        const auto found = c->ListView2->findItems(name, Qt::MatchExactly, 0);
        ASSERT_EQ(found.size(), 1) << name.toStdString();
        c->ListView2->setCurrentItem(found.first());
        found.first()->setSelected(true);
    }

    void selectRemote(const QString& name)
    {
        QTreeWidgetItem* item = fileItem(name);
        ASSERT_NE(item, nullptr) << name.toStdString();
        clickFile(item);
    }

    // The queue has run dry: nothing in line, the counter hidden, the title
    // back, the transfer connection closed, the browsing side idle again.
    bool waitUntilQueueEnds(int timeoutMs = 30000)
    {
        return waitUntil(
            [&] {
                return !window->transferQueue().busy() && c->ListBox4->count() == 0 && !c->Label3->isVisible() &&
                       !window->transferQueue().client().Connected() && !window->session().requestRunning();
            },
            timeoutMs);
    }

    std::vector<std::string> transferCommands(const std::string& from = "USER tavlin")
    {
        return commandsFrom(from);
    }

    TempDir local;
};

TEST_F(QueueWindowTest, FilesGoUpAndDownFromTheButtonsWithTheQuestionsAUserIsAsked)
{
    const std::string page = "<html>index</html>";
    const std::string photo = randomBytes(200000, 1);
    site.write("docs/readme.txt", "remote readme");
    local.write("index.htm", page);
    local.write("photo.jpg", photo);
    connectAsTestUser();
    ASSERT_TRUE(waitUntilBrowsing());
    showLocalFolder(local);

    // Into the top directory: after CWD "/" there is no directory to enter.
    ASSERT_EQ(window->sessionChannel().client().HostDirName(), "/");
    server->clearCommands();
    selectLocal("index.htm");
    click(c->BitBtn2);
    ASSERT_TRUE(waitUntilQueueEnds());
    EXPECT_EQ(site.read("index.htm"), page);
    const auto intoTop = transferCommands();
    ASSERT_GE(intoTop.size(), 7u);
    // The first ASCII upload of a connection asks what system the server is.
    EXPECT_EQ(std::vector<std::string>(intoTop.begin() + 2, intoTop.begin() + 7),
              (std::vector<std::string>{"CWD /", "TYPE A", "SYST", "PORT", "STOR index.htm"}));

    clickNode(node({"docs"}));
    ASSERT_TRUE(waitForListing(doneCount()));

    // Two uploads, the second queued while the first runs: one log-in, one
    // CWD, and a TYPE only where the mode changes.
    ASSERT_EQ(window->sessionChannel().client().HostDirName(), "./docs");
    const std::string docs = "CWD /docs";
    server->clearCommands();
    selectLocal("index.htm");
    click(c->BitBtn2);
    EXPECT_TRUE(c->Label3->isVisible());
    selectLocal("photo.jpg");
    click(c->BitBtn2);
    EXPECT_EQ(lines(c->ListBox4).size() + (window->transferQueue().busy() ? 0 : 1), 2);
    ASSERT_TRUE(waitUntilQueueEnds());
    EXPECT_EQ(site.read("docs/index.htm"), page);
    EXPECT_TRUE(site.read("docs/photo.jpg") == photo);
    const std::vector<std::string> expected{"USER tavlin", "PASS s3cret", docs, "TYPE A", "SYST", "PORT",
                                            "STOR index.htm", "TYPE I", "PORT", "STOR photo.jpg"};
    const auto seen = transferCommands();
    ASSERT_GE(seen.size(), expected.size());
    EXPECT_EQ(std::vector<std::string>(seen.begin(), seen.begin() + expected.size()), expected);
    // The title shows the queue while it runs, the window's caption after.
    EXPECT_EQ(window->windowTitle(), "Tavlin FTP 2.1");
    EXPECT_FALSE(std::filesystem::exists(window->dataFiles().koefilDfd));
    // The remote view shows the new files.
    ASSERT_TRUE(waitUntil([&] { return fileItem("photo.jpg") != nullptr; }));

    // Download onto an existing local file: Cancel disables the button,
    // No asks for another name, Yes overwrites.
    const QString existing = QString::fromStdString(local.path() + "/photo.jpg");
    local.write("photo.jpg", "changed locally");
    dialogs.expectYesNoCancel(existing, "Overwrite File???", DialogAnswer::Cancel);
    selectRemote("photo.jpg");
    click(c->BitBtn3);
    EXPECT_FALSE(c->BitBtn3->isEnabled());
    EXPECT_EQ(c->ListBox4->count(), 0);

    // Choosing a file again makes the button usable again.
    dialogs.expectYesNoCancel(existing, "Overwrite File???", DialogAnswer::No)
        .expectSaveFile("photo.jpg", QString::fromStdString(local.path() + "/photo-copy.jpg"));
    selectRemote("index.htm");
    selectRemote("photo.jpg");
    ASSERT_TRUE(c->BitBtn3->isEnabled());
    click(c->BitBtn3);
    ASSERT_TRUE(waitUntilQueueEnds());
    EXPECT_TRUE(local.read("photo-copy.jpg") == photo);
    EXPECT_EQ(local.read("photo.jpg"), "changed locally");
    // The local list was read again.
    EXPECT_EQ(c->ListView2->findItems("photo-copy.jpg", Qt::MatchExactly, 0).size(), 1);

    dialogs.expectYesNoCancel(existing, "Overwrite File???", DialogAnswer::Yes);
    selectRemote("photo.jpg");
    click(c->BitBtn3);
    ASSERT_TRUE(waitUntilQueueEnds());
    EXPECT_TRUE(local.read("photo.jpg") == photo);

    // A download for another log-in (the fields changed to anonymous with
    // an empty password) queued behind one of the current site: QUIT, then
    // the new log-in with the placeholder password.
    TempDir other;
    showLocalFolder(other);
    server->clearCommands();
    selectRemote("readme.txt");
    click(c->BitBtn3);
    c->Edit2->setText("anonymous");
    c->Edit3->clear();
    selectRemote("index.htm");
    click(c->BitBtn3);
    ASSERT_TRUE(waitUntilQueueEnds());
    EXPECT_EQ(other.read("readme.txt"), "remote readme");
    EXPECT_EQ(other.read("index.htm"), page);
    const auto second = transferCommands();
    const auto quit = std::find(second.begin(), second.end(), "QUIT");
    ASSERT_NE(quit, second.end());
    EXPECT_EQ(std::vector<std::string>(quit, std::min(quit + 5, second.end())),
              (std::vector<std::string>{"QUIT", "USER anonymous", "PASS tavlinftp@example.com", docs,
                                        "TYPE A"}));
    EXPECT_EQ(dialogs.pending(), 0u);
}

TEST_F(QueueWindowTest, ADirectoryOfPagesGoesUpAndAFailingFileIsRemovedOnRequest)
{
    site.write("web/.keep", "");
    local.write("a.htm", "page a");
    local.write("b.htm", "page b");
    local.write("c.htm", "page c");
    local.write("notes.txt", "not a page");
    local.write("sub/d.htm", "in a subfolder");
    connectAsTestUser();
    ASSERT_TRUE(waitUntilBrowsing());
    clickNode(node({"web"}));
    ASSERT_TRUE(waitForListing(doneCount()));
    showLocalFolder(local);
    c->ComboBox1->setEditText("*.htm");
    QTest::keyClick(c->ComboBox1, Qt::Key_Return);
    // The folder "sub" above the three pages; "Dir" takes the pages only.
    ASSERT_EQ(c->ListView2->topLevelItemCount(), 4);
    EXPECT_EQ(c->ListView2->topLevelItem(0)->text(0), QStringLiteral("sub"));

    // b.htm disappears before its turn: the error box, "Yes" removes it and
    // the queue goes on with c.htm.
    // The question names the folder and the number of files; the error box
    // names the file and why it failed.
    dialogs
        .expectNameDialog(QString::fromStdString("web: 3 files from " + local.path()), DialogAnswer::Ok,
                          std::nullopt, QStringLiteral("Transfer local dir to"))
        .expectYesNoCancelContaining("Error!! ",
                                     {QString::fromStdString("Could not upload " + local.path() + "/b.htm"),
                                      kErrorQuestion},
                                     DialogAnswer::Yes)
        .expectMessage("b.htm removed");
    click(c->BitBtn11);
    EXPECT_EQ(c->Label3->text(), "3 files in line ");
    EXPECT_EQ(lines(c->ListBox4), (QStringList{"»» a.htm", "»» b.htm", "»» c.htm"}));
    std::filesystem::remove(local.path() + "/b.htm");
    ASSERT_TRUE(waitUntilQueueEnds());
    EXPECT_EQ(site.read("web/a.htm"), "page a");
    EXPECT_EQ(site.read("web/c.htm"), "page c");
    EXPECT_FALSE(std::filesystem::exists(site.path() + "/web/b.htm"));
    EXPECT_FALSE(std::filesystem::exists(site.path() + "/web/notes.txt"));
    EXPECT_FALSE(std::filesystem::exists(site.path() + "/web/sub"));
    EXPECT_EQ(window->dialogs().nameDialog().caption, "Write name");
    EXPECT_TRUE(window->dialogs().nameDialog().editVisible);
    EXPECT_EQ(dialogs.pending(), 0u);
    // The failure stays readable in the status bar after the questions.
    EXPECT_EQ(window->messagePanel().message().toStdString(),
              "Could not upload b.htm: 426 Unable to open local file " + local.path() + "/b.htm");

    // The transfer connection's lines are marked, and the password is
    // masked on both connections.
    const std::string log = logText();
    EXPECT_NE(log.find("[T1] > STOR a.htm"), std::string::npos) << log;
    EXPECT_NE(log.find("[T1] > PASS ****"), std::string::npos) << log;
    EXPECT_EQ(log.find("s3cret"), std::string::npos) << log;
    for (const QString& line : browsingLines(log))
        EXPECT_FALSE(line.contains(QStringLiteral("STOR")) || line.contains(QStringLiteral("Transfer request")))
            << line.toStdString();
}

// Abort stops the running upload and ends the session, but the files in line
// stay listed, counted and kept; Start sends them, the list shrinking with
// each one.
TEST_F(QueueWindowTest, AbortKeepsTheFilesInLineShownUntilStartSendsThem)
{
    site.write("web/.keep", "");
    std::vector<std::string> contents;
    for (int i = 0; i < 6; ++i) {
        contents.push_back(randomBytes(3 * 1024 * 1024, 20 + i));
        local.write("file" + std::to_string(i) + ".bin", contents.back());
    }
    connectAsTestUser();
    ASSERT_TRUE(waitUntilBrowsing());
    clickNode(node({"web"}));
    ASSERT_TRUE(waitForListing(doneCount()));
    showLocalFolder(local);

    // Abort as soon as the first file shows progress.
    bool aborted = false;
    QObject::connect(window.get(), &QWidget::windowTitleChanged, window.get(), [&](const QString& title) {
        if (!aborted && title.endsWith(QLatin1Char('%'))) {
            aborted = true;
            QTimer::singleShot(0, window.get(), [&] { click(c->BitBtn7); });
        }
    });
    dialogs.expectNameDialog(QString::fromStdString("web: 6 files from " + local.path()), DialogAnswer::Ok);
    click(c->BitBtn11);
    ASSERT_TRUE(waitUntil([&] { return aborted && !window->transferQueue().busy() && c->BitBtn9->isVisible(); }))
        << logText();
    // Only the transfers stopped: the browsing session stays logged in,
    // showing the folder it showed.
    pumpEventsFor(300);
    EXPECT_TRUE(session().connected());
    EXPECT_EQ(c->TreeView1->currentItem(), node({"web"}));
    EXPECT_EQ(c->connectknap->accessibleName(), "Disconnect");
    EXPECT_TRUE(c->BitBtn5->isEnabled());
    const int left = static_cast<int>(window->transferQueue().entries().count());
    ASSERT_GE(left, 1);
    EXPECT_EQ(c->ListBox4->count(), left);
    EXPECT_EQ(c->Label3->text().toStdString(), std::to_string(left) + " files in line ");
    EXPECT_EQ(c->BitBtn9->text(), "Start");
    QStringList inLine;
    for (const QueueEntry& entry : window->transferQueue().entries().all())
        inLine << QString::fromStdString("»» " + entry.fileName);
    EXPECT_EQ(lines(c->ListBox4), inLine);

    // Start: each file leaves the list as it is sent.
    std::vector<int> shown;
    QObject::connect(c->ListBox4->model(), &QAbstractItemModel::rowsRemoved, window.get(),
                     [&] { shown.push_back(c->ListBox4->count()); });
    click(c->BitBtn9);
    ASSERT_TRUE(waitUntilQueueEnds(60000)) << logText();
    for (int i = 0; i < 6; ++i)
        EXPECT_TRUE(site.read("web/file" + std::to_string(i) + ".bin") == contents[static_cast<std::size_t>(i)]) << i;
    std::vector<int> countdown;
    for (int n = left - 1; n >= 0; --n)
        countdown.push_back(n);
    EXPECT_EQ(shown, countdown);
    EXPECT_EQ(window->windowTitle(), "Tavlin FTP 2.1");
    EXPECT_EQ(dialogs.pending(), 0u);
}

// While the queue is worked off, waiting files can be taken out (Del) and
// moved (the context menu); the file in transfer stays as it is.
TEST_F(QueueWindowTest, WaitingFilesAreTakenOutAndMovedWhileTheQueueRuns)
{
    site.write("web/.keep", "");
    std::vector<std::string> contents;
    for (int i = 0; i < 6; ++i) {
        contents.push_back(randomBytes(3 * 1024 * 1024, 60 + i));
        local.write("file" + std::to_string(i) + ".bin", contents.back());
    }
    connectAsTestUser();
    ASSERT_TRUE(waitUntilBrowsing());
    clickNode(node({"web"}));
    ASSERT_TRUE(waitForListing(doneCount()));
    showLocalFolder(local);
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));

    const QString up = QString::fromUtf8("\xC2\xBB\xC2\xBB ");
    const auto clickLine = [&](int row) {
        QListWidget* list = c->ListBox4;
        QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier,
                          list->visualItemRect(list->item(row)).center());
    };
    QAction* moveUp = window->findChild<QAction*>(QStringLiteral("MoveQueuedUp"));
    ASSERT_NE(moveUp, nullptr);
    // The edits are made as soon as the first file shows progress.
    bool edited = false;
    bool runningWhileEdited = false;
    QStringList atEdit;
    QStringList afterEdits;
    QString inFlightNotice;
    QObject::connect(window.get(), &QWidget::windowTitleChanged, window.get(), [&](const QString& title) {
        if (edited || !title.endsWith(QLatin1Char('%')))
            return;
        edited = true;
        QTimer::singleShot(0, window.get(), [&] {
            const std::vector<TransferQueue::RunningFile> running = window->transferQueue().runningFiles();
            atEdit = lines(c->ListBox4);
            runningWhileEdited = running.size() == 1 && running.front().row == 0 && atEdit.size() == 6;
            if (!runningWhileEdited)
                return;
            // The fifth line out, the sixth then above the fourth.
            clickLine(4);
            c->ListBox4->setFocus();
            QTest::keyClick(c->ListBox4, Qt::Key_Delete);
            clickLine(4);
            moveUp->trigger();
            afterEdits = lines(c->ListBox4);
            // The file in transfer stays, and the status bar says why.
            clickLine(static_cast<int>(running.front().row));
            QTest::keyClick(c->ListBox4, Qt::Key_Delete);
            inFlightNotice = window->messagePanel().message();
        });
    });
    dialogs.expectNameDialog(QString::fromStdString("web: 6 files from " + local.path()), DialogAnswer::Ok);
    click(c->BitBtn11);
    ASSERT_TRUE(waitUntilQueueEnds(60000)) << logText();
    ASSERT_TRUE(edited);
    ASSERT_TRUE(runningWhileEdited) << atEdit.join(", ").toStdString();
    EXPECT_EQ(afterEdits, (QStringList{atEdit[0], atEdit[1], atEdit[2], atEdit[5], atEdit[3]}));
    EXPECT_EQ(inFlightNotice, "A file in transfer stays in the queue: stop it with Abort");
    // The queue file followed the edits: nothing of it is left at the end.
    EXPECT_FALSE(std::filesystem::exists(window->dataFiles().koefilDfd));

    // Sent in the order shown; the file taken out never went.
    std::vector<std::string> stores;
    for (const std::string& command : commands())
        if (command.rfind("STOR ", 0) == 0)
            stores.push_back(command);
    std::vector<std::string> expected;
    for (const QString& line : afterEdits)
        expected.push_back("STOR " + line.mid(up.size()).toStdString());
    EXPECT_EQ(stores, expected);
    const std::string removed = atEdit[4].mid(up.size()).toStdString();
    EXPECT_FALSE(std::filesystem::exists(site.file("web/" + removed)));
    for (int i = 0; i < 6; ++i) {
        const std::string name = "file" + std::to_string(i) + ".bin";
        if (name != removed)
            EXPECT_TRUE(site.read("web/" + name) == contents[static_cast<std::size_t>(i)]) << name;
    }
    EXPECT_TRUE(session().connected());
}

// Closing the window while files go up asks first; No leaves the window
// and the transfer as they were, Yes quits and the next start offers what
// was left in line.
TEST_F(QueueWindowTest, ClosingDuringATransferAsksAndTheNextStartOffersTheQueue)
{
    site.write("web/.keep", "");
    std::vector<std::string> contents;
    for (int i = 0; i < 4; ++i) {
        contents.push_back(randomBytes(3 * 1024 * 1024, 40 + i));
        local.write("part" + std::to_string(i) + ".bin", contents.back());
    }
    connectAsTestUser();
    ASSERT_TRUE(waitUntilBrowsing());
    clickNode(node({"web"}));
    ASSERT_TRUE(waitForListing(doneCount()));
    showLocalFolder(local);

    const QString question =
        QStringLiteral("A transfer is running. Quit anyway? The queue will be offered again at the next start.");
    // Closes the window at the first progress shown (in the middle of the
    // first file), and again once a file is on the server and the next one
    // goes up. After a close that went through the program ends: the window
    // goes as soon as the loop turns, with the queue as it stands.
    const auto filesSent = [&] {
        int sent = 0;
        for (int i = 0; i < 4; ++i) {
            std::error_code error;
            sent += std::filesystem::file_size(site.file("web/part" + std::to_string(i) + ".bin"), error) ==
                    contents[static_cast<std::size_t>(i)].size();
        }
        return sent;
    };
    std::vector<bool> closes;
    bool visibleAfterNo = false;
    int sentAtQuit = 0;
    QObject::connect(window.get(), &QWidget::windowTitleChanged, window.get(), [&](const QString& title) {
        if (!title.endsWith(QLatin1Char('%')) || closes.size() >= 2 || (closes.size() == 1 && filesSent() == 0))
            return;
        closes.push_back(window->close());
        if (closes.size() == 1)
            visibleAfterNo = window->isVisible();
        if (closes.back()) {
            sentAtQuit = filesSent();
            QTimer::singleShot(0, [&] { window.reset(); });
        }
    });
    dialogs.expectNameDialog(QString::fromStdString("web: 4 files from " + local.path()), DialogAnswer::Ok);
    dialogs.expectYesNo("Tavlin FTP 2.1", question, DialogAnswer::No);
    dialogs.expectYesNo("Tavlin FTP 2.1", question, DialogAnswer::Yes);
    click(c->BitBtn11);

    // No kept the window and the files went on going up; Yes quit.
    ASSERT_TRUE(waitUntil([&] { return !window; }, 60000)) << logText();
    EXPECT_EQ(closes, (std::vector<bool>{false, true}));
    EXPECT_TRUE(visibleAfterNo);
    EXPECT_EQ(dialogs.pending(), 0u);
    EXPECT_GE(sentAtQuit, 1);

    // Yes: the program ends in the middle of a file; started again, it
    // offers the files still in line and sends them.
    reopenWindow();
    ASSERT_TRUE(waitUntil([&] { return c->BitBtn9->isVisible(); }));
    EXPECT_EQ(c->BitBtn9->text(), "Start");
    EXPECT_GE(c->ListBox4->count(), 1);
    click(c->BitBtn9);
    ASSERT_TRUE(waitUntilQueueEnds(60000)) << logText();
    for (int i = 0; i < 4; ++i)
        EXPECT_TRUE(site.read("web/part" + std::to_string(i) + ".bin") == contents[static_cast<std::size_t>(i)]) << i;
}

// However the user comes to list the data directory, its site list, queue
// and other files of the program's own stay on this computer.
TEST_F(QueueWindowTest, TheProgramsOwnDataFilesAreNeverQueued)
{
    site.write("web/.keep", "");
    connectAsTestUser();
    ASSERT_TRUE(waitUntilBrowsing());
    clickNode(node({"web"}));
    ASSERT_TRUE(waitForListing(doneCount()));
    data.write("page.htm", "<p>kept beside the data files</p>");
    data.write("wbprj.dfd.tmp4242", "0\r\n");
    showLocalFolder(data);
    ASSERT_EQ(c->ListView2->findItems("serv3.adr", Qt::MatchExactly, 0).size(), 1);

    selectLocal("serv3.adr");
    click(c->BitBtn2);
    EXPECT_EQ(c->ListBox4->count(), 0);
    EXPECT_FALSE(window->transferQueue().busy());
    EXPECT_EQ(window->messagePanel().message(),
              "serv3.adr was not queued: it is one of the program's own data files");

    dialogs.expectNameDialog(QString::fromStdString("web: 1 file from " + data.path()), DialogAnswer::Ok);
    click(c->BitBtn11);
    const QString told = window->messagePanel().message();
    EXPECT_TRUE(told.contains("serv3.adr") && told.contains("wbprj.dfd.tmp4242") &&
                told.endsWith("were not queued: they are the program's own data files"))
        << told.toStdString();
    ASSERT_TRUE(waitUntilQueueEnds());
    std::vector<std::string> sent;
    for (const auto& entry : std::filesystem::directory_iterator(site.path() + "/web"))
        sent.push_back(entry.path().filename().string());
    std::sort(sent.begin(), sent.end());
    EXPECT_EQ(sent, (std::vector<std::string>{".keep", "page.htm"}));
    EXPECT_EQ(dialogs.pending(), 0u);
}

// Keeps where the sliding progress button went and what it said.
class ProgressWatch : public QObject {
public:
    explicit ProgressWatch(QPushButton* button) : button_(button) { button->installEventFilter(this); }
    ~ProgressWatch() override { button_->removeEventFilter(this); }
    int moves = 0;
    int rightmost = 0;
    int highestPercent = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == button_ && event->type() == QEvent::Move && button_->isVisible()) {
            ++moves;
            rightmost = std::max(rightmost, button_->geometry().right() + 1);
            QString caption = button_->text();
            if (caption.endsWith('%'))
                highestPercent = std::max(highestPercent, caption.chopped(1).toInt());
        }
        return false;
    }

private:
    QPushButton* button_;
};

TEST_F(QueueWindowTest, TheProgressButtonStaysInItsBarWhenMoreArrivesThanWasListed)
{
    site.write("web/grow.bin", std::string(200000, 'g'));
    connectAsTestUser();
    ASSERT_TRUE(waitUntilBrowsing());
    clickNode(node({"web"}));
    ASSERT_TRUE(waitForListing(doneCount()));
    showLocalFolder(local);
    // The file grew after it was listed: half as much again arrives.
    const std::string grown = randomBytes(300000, 12);
    site.write("web/grow.bin", grown);
    ProgressWatch watch(c->BitBtn9);
    selectRemote("grow.bin");
    click(c->BitBtn3);
    ASSERT_TRUE(waitUntilQueueEnds());
    EXPECT_EQ(local.read("grow.bin"), grown);
    EXPECT_GT(watch.moves, 0);
    EXPECT_LE(watch.highestPercent, 100);
    EXPECT_LE(watch.rightmost, c->Panel6->width());
}

// A queue left from the last run, for a site the window is not connected
// to: Start connects the browsing side as well, and it opens in the
// directory of the queue's first file, not at the server's root.
class PendingQueueInAFolder : public QueueWindowTest {
protected:
    void beforeWindow() override
    {
        site.write("site/deep/existing.html", "e");
        site.write("top.html", "t");
        local.write("new.html", "<p>new</p>");
        startServer();
        data.write("koefil.dfd", "1\r\n1" + local.file("new.html") + "\r\n127.0.0.1\r\n" + server->user() +
                                     "\r\n" + server->password() + "\r\n" + server->portText() +
                                     "\r\n./site/deep\r\nnew.html\r\n10\r\n0\r\n");
    }
};

TEST_F(PendingQueueInAFolder, StartOpensTheBrowsingSessionInTheQueuedFilesDirectory)
{
    ASSERT_TRUE(waitUntil([&] { return c->BitBtn9->isVisible(); }));
    click(c->BitBtn9);
    ASSERT_TRUE(waitUntilQueueEnds()) << logText() << "\n" << c->Label3->text().toStdString() << " busy "
                                      << window->transferQueue().busy() << " list " << c->ListBox4->count()
                                      << " connected " << window->transferQueue().client().Connected()
                                      << " running " << window->session().requestRunning();
    EXPECT_EQ(site.read("site/deep/new.html"), "<p>new</p>");
    ASSERT_TRUE(waitUntil([&] {
        return c->TreeView1->currentItem() == node({"site", "deep"}) && fileNames().contains("existing.html") &&
               !session().requestRunning();
    })) << logText();
    EXPECT_EQ(channel().client().HostDirName(), "./site/deep");
    EXPECT_EQ(window->midlform().manager().remoteDirectory(), QStringLiteral("/site/deep"));
    EXPECT_EQ(window->midlform().manager().localDirectory().toStdString(), local.path());
}

// A queue driver in a process of its own, killed in the middle of its work;
// then the real window opens on the same data directory.
class QueueRestartWindowTest : public QueueWindowTest {
protected:
    void runAndKill(const QStringList& tail)
    {
        QProcess runner;
        QStringList arguments{QString::fromStdString(data.path()), QString::fromStdString(local.path()),
                              QString::fromStdString(server->portText()), "tavlin", "s3cret"};
        arguments += tail;
        runner.start(QStringLiteral(TAVLIN_QUEUE_RUNNER), arguments);
        ASSERT_TRUE(runner.waitForStarted());
        QByteArray said;
        const bool held = waitUntil(
            [&] {
                said += runner.readAllStandardOutput();
                return said.contains("holding") || runner.state() == QProcess::NotRunning;
            },
            60000);
        runner.kill();  // SIGKILL
        runner.waitForFinished();
        ASSERT_TRUE(held && runner.exitStatus() == QProcess::CrashExit) << runner.readAllStandardError().toStdString();
    }

    std::string first = randomBytes(3 * 1024 * 1024, 7);
    std::string second = randomBytes(4 * 1024 * 1024, 8);
    std::string big = randomBytes(24 * 1024 * 1024, 9);
};

class KilledUploadQueue : public QueueRestartWindowTest {
protected:
    void beforeWindow() override
    {
        site.write("site/.keep", "");
        local.write("first.bin", first);
        local.write("second.bin", second);
        startServer();
        runAndKill({"up", "/site", "second.bin", "20", "first.bin", "second.bin"});
    }
};

TEST_F(KilledUploadQueue, IsOfferedWithStartAndFinishesFromTheWindow)
{
    ASSERT_TRUE(waitUntil([&] { return c->BitBtn9->isVisible(); }));
    EXPECT_EQ(c->BitBtn9->text(), "Start");
    EXPECT_TRUE(c->Button1->isVisible());
    EXPECT_EQ(lines(c->ListBox4), (QStringList{"»» second.bin"}));
    click(c->BitBtn9);
    ASSERT_TRUE(waitUntilQueueEnds(60000)) << logText();
    EXPECT_EQ(site.read("site/first.bin"), first);
    EXPECT_EQ(site.read("site/second.bin"), second);
    EXPECT_FALSE(std::filesystem::exists(window->dataFiles().koefilDfd));
}

class KilledDownload : public QueueRestartWindowTest {
protected:
    void beforeWindow() override
    {
        site.write("site/big.bin", big);
        startServer();
        runAndKill({"down", "/site", "big.bin", "30", "big.bin=" + QString::number(big.size())});
    }
};

TEST_F(KilledDownload, IsOfferedWithItsPercentageAndResumedFromTheWindow)
{
    // What arrived lies in the part file; the download's own file comes
    // only with the last byte.
    EXPECT_FALSE(std::filesystem::exists(local.path() + "/big.bin"));
    const auto present = std::filesystem::file_size(local.path() + "/.big.bin.tavlin-part");
    ASSERT_GT(present, 0u);
    ASSERT_TRUE(waitUntil([&] { return c->BitBtn9->isVisible(); }));
    EXPECT_EQ(c->BitBtn9->text().toStdString(), std::to_string(present / (big.size() / 100)) + "%");
    EXPECT_EQ(c->Edit2->text(), "tavlin");
    server->clearCommands();
    click(c->BitBtn9);
    ASSERT_TRUE(waitUntilQueueEnds(60000)) << logText();
    EXPECT_EQ(local.read("big.bin"), big);
    const auto seen = commands();
    EXPECT_NE(std::find(seen.begin(), seen.end(), "REST " + std::to_string(present)), seen.end());
    EXPECT_FALSE(std::filesystem::exists(window->dataFiles().rstfilTxt));
    // Browsing opened where the download came from.
    EXPECT_TRUE(waitUntil([&] {
        return c->TreeView1->currentItem() == node({"site"}) && fileNames().contains("big.bin") &&
               !session().requestRunning();
    })) << logText();
}

}  // namespace

// The label beside the bar tells the queue as a whole; the running file's
// line is marked. Each file leaving the queue is a fixed point to read it at.
TEST_F(QueueWindowTest, TheProgressLabelCountsFilesAndBytesOfTheWholeQueue)
{
    site.write("web/.keep", "");
    for (const char* name : {"a.bin", "b.bin", "c.bin"})
        local.write(name, std::string(4 * 1024 * 1024, name[0]));
    connectAsTestUser();
    ASSERT_TRUE(waitUntilBrowsing());
    clickNode(node({"web"}));
    ASSERT_TRUE(waitForListing(doneCount()));
    showLocalFolder(local);
    ASSERT_EQ(c->ListView2->topLevelItemCount(), 3);

    QStringList atEachEnd;
    std::vector<bool> leavingLineMarked;
    QObject::connect(c->ListBox4->model(), &QAbstractItemModel::rowsAboutToBeRemoved, window.get(),
                     [&](const QModelIndex&, int first, int) {
                         if (first != 0)
                             return;
                         leavingLineMarked.push_back(c->ListBox4->item(0)->font().bold());
                         atEachEnd << (c->QueueProgress->isVisible() ? c->QueueProgress->text() : QString());
                         // TAVLIN_SCREENSHOT=file.png keeps a picture of the queue in mid-run.
                         if (const QByteArray shot = qgetenv("TAVLIN_SCREENSHOT"); !shot.isEmpty() && atEachEnd.size() == 1)
                             window->grab().save(QString::fromLocal8Bit(shot));
                     });
    dialogs.expectNameDialog(QString::fromStdString("web: 3 files from " + local.path()), DialogAnswer::Ok,
                             std::nullopt, QStringLiteral("Transfer local dir to"));
    click(c->BitBtn11);
    ASSERT_TRUE(waitUntilQueueEnds()) << logText();

    ASSERT_EQ(atEachEnd.size(), 3);
    EXPECT_TRUE(atEachEnd[0].startsWith(QStringLiteral("file 2 of 3, 4.0 MB of 12.0 MB"))) << atEachEnd[0].toStdString();
    EXPECT_TRUE(atEachEnd[1].startsWith(QStringLiteral("file 3 of 3, 8.0 MB of 12.0 MB"))) << atEachEnd[1].toStdString();
    EXPECT_TRUE(atEachEnd[2].startsWith(QStringLiteral("file 3 of 3, 12.0 MB of 12.0 MB")))
        << atEachEnd[2].toStdString();
    EXPECT_EQ(leavingLineMarked, (std::vector<bool>{true, true, true}));
    // A queue run dry has nothing left to tell.
    EXPECT_FALSE(c->QueueProgress->isVisible());
    EXPECT_EQ(site.read("web/c.bin"), std::string(4 * 1024 * 1024, 'c'));

    // The rate and the time left, over a measured stretch.
    QueueProgress progress;
    const QueueProgress::Clock::time_point start{};
    progress.progressed(0, 2, 3 * 1024 * 1024, 1, start);
    progress.progressed(1024 * 1024, 2, 3 * 1024 * 1024, 1, start + std::chrono::seconds(1));
    EXPECT_EQ(progress.text(), "file 1 of 2, 1.0 MB of 3.0 MB, 1.0 MB/s, 0:02 left");
}

namespace {

// The window as the program starts it: the settings file asks for nothing,
// so the queue works with the default number of connections.
class SeveralConnectionsWindowTest : public QueueWindowTest {
protected:
    void SetUp() override { BrowseWindowTest::SetUp(); }
};

}  // namespace

// Options -> "Simultaneous transfers..." is set by keyboard and kept in the
// settings file; with three connections a folder goes up on three log-ins at
// once, each connection's log lines marked with its number and every file in
// transfer bold in the list.
TEST_F(SeveralConnectionsWindowTest, SimultaneousTransfersAreKeptAndSeveralFilesGoAtOnce)
{
    EXPECT_EQ(window->transferQueue().connections(), 2u);
    bool seen = false;
    whenModalOpens([&](QWidget* modal) {
        auto* dialog = qobject_cast<ConnectionsDialog*>(modal);
        if (!dialog) {
            modal->close();
            return;
        }
        seen = true;
        EXPECT_EQ(dialog->connectionsBox->value(), 2);
        EXPECT_FALSE(dialog->connectionsBox->accessibleName().isEmpty());
        dialog->connectionsBox->selectAll();
        QTest::keyClicks(dialog->connectionsBox, QStringLiteral("3"));
        QTest::keyClick(dialog->connectionsBox, Qt::Key_Return);
    });
    window->findChild<QAction*>(QStringLiteral("Simultaneoustransfers1"))->trigger();
    ASSERT_TRUE(seen);
    EXPECT_EQ(window->transferQueue().connections(), 3u);
    EXPECT_NE(data.read("tavlinftp.ini").find("Connections=3"), std::string::npos) << data.read("tavlinftp.ini");

    site.write("web/.keep", "");
    std::map<std::string, std::string> files;
    for (int i = 0; i < 6; ++i) {
        const std::string name = "part" + std::to_string(i) + ".bin";
        files[name] = randomBytes(3 * 1024 * 1024, static_cast<unsigned>(i) + 40);
        local.write(name, files[name]);
    }
    connectAsTestUser();
    ASSERT_TRUE(waitUntilBrowsing());
    clickNode(node({"web"}));
    ASSERT_TRUE(waitForListing(doneCount()));
    showLocalFolder(local);
    dialogs.expectNameDialog(QString::fromStdString("web: 6 files from " + local.path()), DialogAnswer::Ok,
                             std::nullopt, QStringLiteral("Transfer local dir to"));
    click(c->BitBtn11);
    int mostRunning = 0;
    ASSERT_TRUE(waitUntil([&] {
        int bold = 0;
        for (int row = 0; row < c->ListBox4->count(); ++row)
            bold += c->ListBox4->item(row)->font().bold();
        mostRunning = std::max(mostRunning, bold);
        return !window->transferQueue().busy() && c->ListBox4->count() == 0;
    }, 60000)) << logText();
    EXPECT_GE(mostRunning, 2);
    for (const auto& [name, bytes] : files)
        EXPECT_EQ(site.read("web/" + name), bytes) << name;
    const std::string log = logText();
    for (const char* line : {"[T1] > PASS ****", "[T2] > PASS ****", "[T3] > PASS ****", "[T2] > STOR part"})
        EXPECT_NE(log.find(line), std::string::npos) << line << "\n" << log;

    // The next start works with three as well.
    reopenWindow();
    EXPECT_EQ(window->transferQueue().connections(), 3u);
}

namespace {

class ThreeConnectionsWindowTest : public QueueWindowTest {
protected:
    void SetUp() override
    {
        data.write("tavlinftp.ini", "[Transfers]\nConnections=3\n");
        BrowseWindowTest::SetUp();
    }
};

}  // namespace

// Abort while three connections work: none takes a further file, the files
// left wait in line for Start, and Start sends them all, whole.
TEST_F(ThreeConnectionsWindowTest, AbortStartsNoFurtherTransferAndTheQueueWaitsForStart)
{
    ASSERT_EQ(window->transferQueue().connections(), 3u);
    site.write("web/.keep", "");
    std::map<std::string, std::string> files;
    for (int i = 0; i < 9; ++i) {
        const std::string name = "part" + std::to_string(i) + ".bin";
        files[name] = randomBytes(3 * 1024 * 1024, static_cast<unsigned>(i) + 80);
        local.write(name, files[name]);
    }
    connectAsTestUser();
    ASSERT_TRUE(waitUntilBrowsing());
    clickNode(node({"web"}));
    ASSERT_TRUE(waitForListing(doneCount()));
    showLocalFolder(local);

    // Abort once two files are in transfer at once.
    bool aborted = false;
    QObject::connect(window.get(), &QWidget::windowTitleChanged, window.get(), [&] {
        if (!aborted && window->transferQueue().runningFiles().size() >= 2) {
            aborted = true;
            QTimer::singleShot(0, window.get(), [&] { click(c->BitBtn7); });
        }
    });
    const auto stores = [&] {
        const std::vector<std::string> all = commands();
        return std::count_if(all.begin(), all.end(), [](const std::string& s) { return s.rfind("STOR ", 0) == 0; });
    };
    dialogs.expectNameDialog(QString::fromStdString("web: 9 files from " + local.path()), DialogAnswer::Ok);
    click(c->BitBtn11);
    ASSERT_TRUE(waitUntil([&] { return aborted && !window->transferQueue().busy() && c->BitBtn9->isVisible(); },
                          60000))
        << logText();
    const auto storesAtAbort = stores();
    const std::size_t left = window->transferQueue().entries().count();
    ASSERT_GE(left, 1u);
    // Nothing starts on its own afterwards.
    pumpEventsFor(1000);
    EXPECT_EQ(stores(), storesAtAbort);
    EXPECT_EQ(window->transferQueue().entries().count(), left);
    EXPECT_FALSE(window->transferQueue().busy());
    EXPECT_EQ(static_cast<std::size_t>(c->ListBox4->count()), left);
    EXPECT_EQ(c->BitBtn9->text(), "Start");
    EXPECT_TRUE(session().connected());

    click(c->BitBtn9);
    ASSERT_TRUE(waitUntilQueueEnds(60000)) << logText();
    for (const auto& [name, bytes] : files)
        EXPECT_TRUE(site.read("web/" + name) == bytes) << name;
}
