// Several files chosen at once in the real main window (offscreen, against
// the real FTP server) with Ctrl-click and Ctrl+A: uploaded, downloaded and
// deleted in one action each, with the questions a user is asked.
#include "../browse/browse_window_harness.h"
#include "support/random_bytes.h"

#include "app/local_panel.h"
#include "transfer/transfer_queue.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QTimer>

#include <filesystem>

namespace {

class MultiSelectionWindowTest : public BrowseWindowTest {
protected:
    QStringList selectedNames(const QTreeWidget* list) const
    {
        QStringList names;
        for (int i = 0; i < list->topLevelItemCount(); ++i)
            if (list->topLevelItem(i)->isSelected())
                names << list->topLevelItem(i)->text(0);
        return names;
    }

    bool waitUntilQueueEnds()
    {
        return waitUntil(
            [&] {
                return !window->transferQueue().busy() && c->ListBox4->count() == 0 &&
                       !window->transferQueue().client().Connected() && !session().requestRunning();
            },
            30000);
    }

    // TAVLIN_SCREENSHOT=name.png keeps pictures of what the user saw, with
    // `suffix` before the extension.
    static void keepPicture(QWidget* widget, const QString& suffix)
    {
        const QString shot = qEnvironmentVariable("TAVLIN_SCREENSHOT");
        if (shot.isEmpty() || !widget)
            return;
        QString path = shot;
        path.insert(path.endsWith(QStringLiteral(".png")) ? path.size() - 4 : path.size(), suffix);
        EXPECT_TRUE(widget->grab().save(path)) << path.toStdString();
    }

    TempDir local;
    TempDir downloads;
    const std::vector<std::string> contents{randomBytes(70000, 61), randomBytes(3000, 62), randomBytes(120000, 63)};
    const QStringList names{"one.bin", "two.jpg", "three.zip"};
};

TEST_F(MultiSelectionWindowTest, ThreeFilesGoUpComeDownAndAreDeletedInOneActionEach)
{
    std::filesystem::create_directories(site.path() + "/web");
    for (int i = 0; i < 3; ++i)
        local.write(names[i].toStdString(), contents[static_cast<std::size_t>(i)]);
    local.write("left-alone.bin", "not chosen");
    openServerFolderBesideLocal("web", local.path());

    // Up: three of the four local files, Ctrl-clicked.
    ctrlClick(c->ListView2, {names[1], names[2], names[0]});
    ASSERT_EQ(selectedNames(c->ListView2).size(), 3);
    keepPicture(c->ListView2, QStringLiteral("-selection"));
    click(c->BitBtn2);
    ASSERT_TRUE(waitUntilQueueEnds()) << logText();
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(site.read("web/" + names[i].toStdString()) == contents[static_cast<std::size_t>(i)]) << i;
    EXPECT_FALSE(std::filesystem::exists(site.path() + "/web/left-alone.bin"));

    // Down, into a folder where two of them exist already: "Yes to all" at
    // the first question overwrites both without a second one.
    ASSERT_TRUE(waitUntil([&] { return fileNames().size() == 3 && !session().requestRunning(); })) << logText();
    downloads.write("one.bin", "older one");
    downloads.write("three.zip", "older three");
    // Each file replaced keeps the permissions the user gave it.
    std::filesystem::permissions(downloads.file("one.bin"), std::filesystem::perms(0600));
    std::filesystem::permissions(downloads.file("three.zip"), std::filesystem::perms(0755));
    ASSERT_TRUE(window->localPanel().setLocalDirectory(downloads.path()));
    ctrlClick(c->ListView1, names);
    ASSERT_EQ(selectedNames(c->ListView1).size(), 3);
    // The question comes for the first of the two in the remote list.
    const QStringList listed = fileNames();
    const QString firstExisting =
        listed.indexOf(names[0]) < listed.indexOf(names[2]) ? names[0] : names[2];
    dialogs.expectChoice(QString::fromStdString(downloads.path() + "/") + firstExisting, "Overwrite File???", 1);
    click(c->BitBtn3);
    ASSERT_TRUE(waitUntilQueueEnds()) << logText();
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(downloads.read(names[i].toStdString()) == contents[static_cast<std::size_t>(i)]) << i;
    EXPECT_EQ(dialogs.shown().size(), 1u);
    const auto mode = [&](const char* name) {
        return static_cast<int>(std::filesystem::status(downloads.file(name)).permissions() & std::filesystem::perms::all);
    };
    EXPECT_EQ(mode("one.bin"), 0600);
    EXPECT_EQ(mode("three.zip"), 0755);

    // Delete: Ctrl+A in the remote list, one question, then every file.
    ASSERT_TRUE(waitUntil([&] { return !session().requestRunning(); }));
    c->ListView1->setFocus();
    QTest::keyClick(c->ListView1, Qt::Key_A, Qt::ControlModifier);
    ASSERT_EQ(selectedNames(c->ListView1).size(), 3);
    server->clearCommands();
    dialogs.expectYesNo("Delete files", "Delete 3 items from the server?", DialogAnswer::Yes);
    click(c->BitBtn5);
    ASSERT_TRUE(waitUntil([&] { return fileNames().isEmpty() && !session().requestRunning(); })) << logText();
    EXPECT_TRUE(std::filesystem::is_empty(site.path() + "/web"));
    std::vector<std::string> deletions;
    for (const std::string& command : commands())
        if (command.rfind("DELE ", 0) == 0)
            deletions.push_back(command);
    std::vector<std::string> inListOrder;
    for (const QString& name : listed)
        inListOrder.push_back("DELE " + name.toStdString());
    EXPECT_EQ(deletions, inListOrder);
    EXPECT_EQ(dialogs.pending(), 0u);

    // The context menu a right click shows.
    if (!qEnvironmentVariableIsEmpty("TAVLIN_SCREENSHOT")) {
        QMenu menu;
        menu.addActions(c->ListView2->actions());
        menu.popup(c->ListView2->mapToGlobal(QPoint(20, 20)));
        QApplication::processEvents();
        keepPicture(&menu, QStringLiteral("-menu"));
    }
}

}  // namespace
