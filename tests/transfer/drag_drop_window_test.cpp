// Drag and drop in the real main window (offscreen, against the real FTP
// server). QTest's mouse moves do not start a real drag, so each test hands
// the drop target the events a drag brings (enter, move, drop) carrying the
// data the source list gives its drags, or a file manager's file list.
#include "../browse/browse_window_harness.h"
#include "support/random_bytes.h"

#include "app/local_folder_tree.h"
#include "app/local_panel.h"
#include "transfer/transfer_queue.h"
#include "transfer/upload_overwrite_question.h"

#include <QAction>
#include <QApplication>
#include <QDropEvent>
#include <QListWidget>
#include <QMimeData>
#include <QUrl>

#include <filesystem>
#include <functional>
#include <memory>

namespace {

class DragDropWindowTest : public BrowseWindowTest {
protected:
    void SetUp() override
    {
        BrowseWindowTest::SetUp();
        std::filesystem::create_directories(site.path() + "/web");
    }

    // What a drag from this list carries: the data the list gives Qt's own
    // drag of its chosen items.
    static std::unique_ptr<QMimeData> dragOf(QTreeWidget* list)
    {
        return std::unique_ptr<QMimeData>(list->model()->mimeData(list->selectionModel()->selectedIndexes()));
    }

    // Drags `data` over the target and, unless told not to, drops it there.
    // `whileOver` looks at the target while the drag hovers over it. Returns
    // whether the target took the drag.
    static bool dragOnto(QAbstractScrollArea* target, const QMimeData& data,
                         const std::function<void()>& whileOver = {}, bool drop = true)
    {
        QWidget* viewport = target->viewport();
        const QPoint at = viewport->rect().center();
        const Qt::DropActions offered = Qt::CopyAction | Qt::MoveAction;
        QDragEnterEvent enter(at, offered, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(viewport, &enter);
        QDragMoveEvent move(at + QPoint(1, 1), offered, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(viewport, &move);
        if (!move.isAccepted())
            return false;
        if (whileOver)
            whileOver();
        if (!drop) {
            QDragLeaveEvent leave;
            QApplication::sendEvent(viewport, &leave);
            return true;
        }
        QDropEvent dropped(QPointF(at), offered, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(viewport, &dropped);
        // Taken as a copy: a move would have the source delete its files.
        EXPECT_EQ(dropped.dropAction(), Qt::CopyAction);
        return dropped.isAccepted();
    }

    // A drop is acted on once the drag has ended, so the queue may not
    // have begun yet: the wait is for what the drop leaves behind.
    bool waitUntilQueueEndsWith(const std::function<bool()>& done)
    {
        return waitUntil(
            [&] {
                return done() && !window->transferQueue().busy() && c->ListBox4->count() == 0 &&
                       !window->transferQueue().client().Connected() && !session().requestRunning();
            },
            30000);
    }

    TempDir local;
    TempDir downloads;
    const std::string first = randomBytes(50000, 71);
    const std::string second = randomBytes(2000, 72);
};

TEST_F(DragDropWindowTest, FilesAndFoldersDraggedFromTheLocalSideGoUpAndFromTheRemoteListComeDown)
{
    local.write("first.bin", first);
    local.write("second.bin", second);
    local.write("stays.bin", "not dragged");
    local.write("sub/inner.txt", "inside");
    openServerFolderBesideLocal("web", local.path());

    ctrlClick(c->ListView2, {"first.bin", "second.bin"});
    const std::unique_ptr<QMimeData> up = dragOf(c->ListView2);
    ASSERT_TRUE(up);
    // The remote side lights up under the drag and is itself again after it.
    const QColor plain = c->ListView1->palette().color(QPalette::Base);
    const bool taken = dragOnto(c->ListView1, *up, [&] {
        EXPECT_NE(c->ListView1->palette().color(QPalette::Base), plain);
        const QString shot = qEnvironmentVariable("TAVLIN_SCREENSHOT");
        if (!shot.isEmpty())
            EXPECT_TRUE(window->grab().save(shot));
    });
    ASSERT_TRUE(taken);
    EXPECT_EQ(c->ListView1->palette().color(QPalette::Base), plain);
    ASSERT_TRUE(waitUntilQueueEndsWith([&] { return site.read("web/second.bin").size() == second.size(); }))
        << logText();
    EXPECT_TRUE(site.read("web/first.bin") == first);
    EXPECT_TRUE(site.read("web/second.bin") == second);
    EXPECT_FALSE(std::filesystem::exists(site.file("web/stays.bin")));

    // A folder of the local folder list goes up with what is inside it.
    ASSERT_TRUE(waitUntil([&] { return !session().requestRunning(); }));
    QListWidgetItem* sub = nullptr;
    for (int row = 0; row < c->DirectoryListBox1->count(); ++row)
        if (LocalFolderTree::pathOf(c->DirectoryListBox1->item(row)) == local.file("sub"))
            sub = c->DirectoryListBox1->item(row);
    ASSERT_NE(sub, nullptr);
    c->DirectoryListBox1->setCurrentItem(sub, QItemSelectionModel::ClearAndSelect);
    const std::unique_ptr<QMimeData> folder(c->DirectoryListBox1->model()->mimeData(
        c->DirectoryListBox1->selectionModel()->selectedIndexes()));
    ASSERT_TRUE(folder);
    dialogs.expectYesNoBeginning("Upload folder", "Upload 1 file from " + QString::fromStdString(local.file("sub")),
                                 DialogAnswer::Yes);
    ASSERT_TRUE(dragOnto(c->TreeView1, *folder));
    ASSERT_TRUE(waitUntilQueueEndsWith([&] { return site.read("web/sub/inner.txt") == "inside"; })) << logText();

    // Down: the remote list's drag onto the local side fetches the chosen
    // file into the local folder shown; the remote side does not take it.
    ASSERT_TRUE(waitUntil([&] { return fileNames().contains("second.bin") && !session().requestRunning(); }))
        << logText();
    ASSERT_TRUE(window->localPanel().setLocalDirectory(downloads.path()));
    ctrlClick(c->ListView1, {"second.bin"});
    const std::unique_ptr<QMimeData> down = dragOf(c->ListView1);
    ASSERT_TRUE(down);
    EXPECT_FALSE(dragOnto(c->TreeView1, *down, {}, false));
    ASSERT_TRUE(dragOnto(c->ListView2, *down));
    ASSERT_TRUE(waitUntilQueueEndsWith([&] { return downloads.read("second.bin").size() == second.size(); }))
        << logText();
    EXPECT_TRUE(downloads.read("second.bin") == second);
    EXPECT_FALSE(std::filesystem::exists(downloads.file("first.bin")));
}

TEST_F(DragDropWindowTest, FilesAndFoldersDroppedFromAFileManagerGoUpIntoTheRemoteFolderShown)
{
    TempDir elsewhere;
    elsewhere.write("page.html", "the new page");
    elsewhere.write("pictures/small/dot.gif", "GIF89a");
    site.write("web/page.html", "the old page");
    window->findChild<QAction*>(QStringLiteral("AskBeforeOverwriting"))->trigger();
    openServerFolderBesideLocal("web", local.path());

    QMimeData fromFileManager;
    fromFileManager.setUrls({QUrl::fromLocalFile(QString::fromStdString(elsewhere.file("page.html"))),
                             QUrl::fromLocalFile(QString::fromStdString(elsewhere.file("pictures")))});
    // The drop asks as the upload button would: one question for the folder
    // and the file, and the overwrite question for the page the server has.
    dialogs.expectYesNo("Upload folders",
                        "Upload 1 folder and 1 file to /web on 127.0.0.1? 2 files, 18 B in all, with the folders "
                        "inside them.",
                        DialogAnswer::Yes)
        .expectChoice(UploadOverwriteQuestion::kCaption, "page.html is already on the server in ./web", 0);
    ASSERT_TRUE(dragOnto(c->TreeView1, fromFileManager));
    ASSERT_TRUE(waitUntilQueueEndsWith([&] {
        return site.read("web/page.html") == "the new page" && site.read("web/pictures/small/dot.gif") == "GIF89a";
    })) << logText();
    EXPECT_EQ(dialogs.pending(), 0u);
}

}  // namespace
