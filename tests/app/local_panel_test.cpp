#include "app/control_hint.h"
#include "app/file_list_item.h"
#include "core/directory_search.h"
#include "app/local_panel.h"
#include "app/message_panel.h"
#include "support/controls_by_name.h"
#include "support/opened_urls.h"
#include "support/scripted_dialogs.h"
#include "support/temp_dir.h"
#include "support/time_fixtures.h"
#include "support/wait.h"
#include "ui/main_window.h"

#include <QComboBox>
#include <QFile>
#include <QHeaderView>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeDatabase>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTest>
#include <QTreeWidget>
#include <QUrl>

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <sys/time.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// The real main window at its first start, whose local panel shows the home
// folder: here a folder of test files.
class LocalPanelWindow : public ::testing::Test {
protected:
    TempDir data;
    TempDir folder;
    ScriptedDialogs dialogs;
    std::unique_ptr<Thovedform> window;
    // The window's controls, found by name.
    MainWindowByName controls;
    MainWindowByName* c = nullptr;
    fs::path previousDirectory;
    QByteArray previousHome;
    ScopedTimeZone zone{"UTC"};

    void SetUp() override
    {
        previousDirectory = fs::current_path();
        writeDated("small.txt", std::string(1023, 's'), utcNoon(1999, 2, 2));
        writeDated("onek.htm", std::string(1024, 'k'), utcNoon(2000, 3, 5));
        writeDated("empty.gif", "", utcNoon(2001, 1, 21));
        writeDated("abbc.txt", "abbc", utcNoon(2002, 2, 22));
        writeDated("Makefile", "all:", utcNoon(2003, 3, 23));
        writeDated("sub/inner.html", "<p>", utcNoon(2004, 12, 31));
        fs::create_directory(folder.file("Beta"));
        previousHome = qgetenv("HOME");
        qputenv("HOME", QFile::encodeName(QString::fromStdString(folder.path())));
        openWindow();
    }

    void openWindow()
    {
        ThovedformSetup setup;
        setup.dialogs = &dialogs;
        // Data files (written at a first start) go elsewhere so the listed
        // folder holds only the test's files; the icon table is collected
        // from the small data folder instead of the whole root.
        setup.dataDirectory = data.path();
        setup.iconTableRoot = data.path();
        window = std::make_unique<Thovedform>(setup);
        controls = MainWindowByName(*window);
        c = &controls;
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }

    void TearDown() override
    {
        window.reset();
        qputenv("HOME", previousHome);
        fs::current_path(previousDirectory);
    }

    void writeDated(const std::string& name, const std::string& bytes, std::time_t when)
    {
        folder.write(name, bytes);
        ASSERT_TRUE(setModifiedTime(folder.file(name), when));
    }

    LocalPanel& panel() { return window->localPanel(); }

    // The files the list shows, by name; its folders are left out.
    QStringList listed() const
    {
        QStringList names;
        for (int i = 0; i < c->ListView2->topLevelItemCount(); ++i)
            if (!file_list::isFolder(c->ListView2->topLevelItem(i)))
                names << c->ListView2->topLevelItem(i)->text(0);
        names.sort();
        return names;
    }

    // Every line of the list, folders and files, in the order shown.
    QStringList shownInOrder() const
    {
        QStringList names;
        for (int i = 0; i < c->ListView2->topLevelItemCount(); ++i)
            names << c->ListView2->topLevelItem(i)->text(0);
        return names;
    }

    QTreeWidgetItem* item(const QString& name) const
    {
        const auto found = c->ListView2->findItems(name, Qt::MatchExactly, 0);
        return found.isEmpty() ? nullptr : found.first();
    }

    QStringList folderList() const
    {
        QStringList rows;
        for (int i = 0; i < c->DirectoryListBox1->count(); ++i)
            rows << c->DirectoryListBox1->item(i)->text();
        return rows;
    }

    void clickFile(const QString& name, bool twice = false)
    {
        QTreeWidgetItem* target = item(name);
        ASSERT_NE(target, nullptr) << name.toStdString();
        c->ListView2->scrollToItem(target);
        const QPoint at = c->ListView2->visualItemRect(target).center();
        QTest::mouseClick(c->ListView2->viewport(), Qt::LeftButton, {}, at);
        if (twice)
            QTest::mouseDClick(c->ListView2->viewport(), Qt::LeftButton, {}, at);
    }

    void clickFolder(const QString& trimmedText)
    {
        for (int i = 0; i < c->DirectoryListBox1->count(); ++i) {
            QListWidgetItem* row = c->DirectoryListBox1->item(i);
            if (row->text().trimmed() == trimmedText) {
                c->DirectoryListBox1->scrollToItem(row);
                QTest::mouseClick(c->DirectoryListBox1->viewport(), Qt::LeftButton, {},
                                  c->DirectoryListBox1->visualItemRect(row).center());
                return;
            }
        }
        FAIL() << "no folder row " << trimmedText.toStdString();
    }

    void typeFilter(const QString& text)
    {
        QLineEdit* edit = c->ComboBox1->lineEdit();
        edit->setFocus();
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Backspace);
        QTest::keyClicks(edit, text);
    }

    // Opens the filter's drop-down and clicks the item with this text.
    void chooseFilter(const QString& text)
    {
        const int index = c->ComboBox1->findText(text);
        ASSERT_GE(index, 0);
        c->ComboBox1->showPopup();
        QAbstractItemView* view = c->ComboBox1->view();
        ASSERT_TRUE(waitUntil([&] { return view->isVisible(); }));
        const QRect rect = view->visualRect(view->model()->index(index, 0));
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, rect.center());
        ASSERT_TRUE(waitUntil([&] { return !view->isVisible(); }));
    }
};

} // namespace

TEST_F(LocalPanelWindow, ListsTheStartFolderWithSizesTypesAndDates)
{
    EXPECT_EQ(panel().localDirectory(), folder.path());
    EXPECT_EQ(panel().lastSearchPattern(), folder.path() + "/*.*");
    // "*.*" also lists names without a dot; the sub-folders come first.
    EXPECT_EQ(listed(), QStringList({"Makefile", "abbc.txt", "empty.gif", "onek.htm", "small.txt"}));
    EXPECT_EQ(panel().fileCounter(), 5);
    const QStringList shown = shownInOrder();
    ASSERT_EQ(shown.size(), 7);
    EXPECT_TRUE(shown.mid(0, 2).contains(QStringLiteral("Beta")) && shown.mid(0, 2).contains(QStringLiteral("sub")))
        << shown.join(QLatin1Char(' ')).toStdString();
    // Until a column is chosen the files keep the order the folder is read in.
    QStringList readOrder;
    for (const DirectoryEntry& entry : findEntries(folder.path() + "/*.*", false))
        readOrder << QString::fromStdString(entry.name);
    EXPECT_EQ(shown.mid(2), readOrder);
    EXPECT_EQ(item(QStringLiteral("sub"))->text(2), QStringLiteral("Folder"));
    EXPECT_EQ(LocalPanel::localFileSize(item(QStringLiteral("sub"))), std::nullopt);

    auto columns = [&](const char* name) {
        QTreeWidgetItem* row = item(QString::fromLatin1(name));
        return row ? QStringList{row->text(1), row->text(3)} : QStringList{};
    };
    EXPECT_EQ(columns("small.txt"), QStringList({"1023", "Feb- 2nd-1999"}));
    EXPECT_EQ(columns("onek.htm"), QStringList({"1KB", "Mar- 5th-2000"}));
    EXPECT_EQ(columns("empty.gif"), QStringList({"", "Jan-21st-2001"}));
    EXPECT_EQ(columns("abbc.txt"), QStringList({"4", "Feb-22nd-2002"}));
    EXPECT_EQ(columns("Makefile"), QStringList({"4", "Mar-23rd-2003"}));

    QTreeWidgetItem* html = item(QStringLiteral("onek.htm"));
    ASSERT_NE(html, nullptr);
    EXPECT_EQ(html->text(2), QMimeDatabase().mimeTypeForName(QStringLiteral("text/html")).comment());
    EXPECT_FALSE(html->icon(0).isNull());

    // Each file's item keeps its size.
    for (const QString& name : listed())
        EXPECT_EQ(LocalPanel::localFileSize(item(name)), fs::file_size(folder.file(name.toStdString())))
            << name.toStdString();

    const QString base = QString::fromStdString(fs::path(folder.path()).filename().string());
    const QStringList rows = folderList();
    ASSERT_GE(rows.size(), 3);
    EXPECT_EQ(rows[rows.size() - 3].trimmed(), base);
    EXPECT_EQ(c->DirectoryListBox1->currentItem()->text().trimmed(), base);
    EXPECT_EQ(rows[rows.size() - 2].trimmed(), "Beta");
    EXPECT_EQ(rows[rows.size() - 1].trimmed(), "sub");
}

TEST_F(LocalPanelWindow, ClickingFoldersChangesTheLocalAndCurrentDirectory)
{
    c->Edit1->setText(QStringLiteral("ftp.example.org"));
    clickFolder(QStringLiteral("sub"));
    EXPECT_EQ(panel().localDirectory(), folder.file("sub"));
    EXPECT_EQ(fs::current_path(), fs::path(folder.file("sub")));
    EXPECT_EQ(listed(), QStringList({"inner.html"}));
    EXPECT_EQ(panel().lastSearchPattern(), folder.file("sub") + "/*.*");
    EXPECT_EQ(hintOf(c->BitBtn11),
              QString::fromStdString("Transfer " + folder.file("sub") + " to ftp.example.org"));

    // Back up through the path shown above it.
    const QString base = QString::fromStdString(fs::path(folder.path()).filename().string());
    clickFolder(base);
    EXPECT_EQ(panel().localDirectory(), folder.path());
    EXPECT_EQ(listed().size(), 5);

    // A disk image of a terabyte (sparse, so it costs nothing) shows its
    // size whole in the size column, not cut to "10737...".
    folder.write("Beta/disk.img", "");
    fs::resize_file(folder.file("Beta/disk.img"), std::uintmax_t{1} << 40);
    clickFolder(QStringLiteral("Beta"));
    ASSERT_EQ(listed(), QStringList({"disk.img"}));
    ASSERT_NE(item(QStringLiteral("disk.img")), nullptr);
    const QString sizeText = item(QStringLiteral("disk.img"))->text(1);
    EXPECT_EQ(sizeText, "1073741824KB");
    EXPECT_GE(c->ListView2->columnWidth(1), c->ListView2->fontMetrics().horizontalAdvance(sizeText));
}

// The folder shown last is where the next start begins; the program's data
// directory (the current directory at start) is never shown just because the
// program was started there. The folder is kept in the settings file, which
// leaves the other data files as they are.
TEST_F(LocalPanelWindow, StartsInTheFolderShownLastOrElseInTheHomeFolder)
{
    data.write("prox.dfd", "\r\n\r\n1\r\nsocks5\r\n");
    fs::current_path(data.path());
    clickFolder(QStringLiteral("sub"));
    ASSERT_EQ(panel().localDirectory(), folder.file("sub"));
    window.reset();

    fs::current_path(data.path());
    openWindow();
    EXPECT_EQ(panel().localDirectory(), folder.file("sub"));
    EXPECT_EQ(listed(), QStringList({"inner.html"}));
    EXPECT_TRUE(fs::exists(data.file("tavlinftp.ini")));
    EXPECT_EQ(data.read("prox.dfd"), "\r\n\r\n1\r\nsocks5\r\n");
    window.reset();

    // A remembered folder that has gone: the home folder again.
    fs::current_path(data.path());
    fs::remove_all(folder.file("sub"));
    openWindow();
    EXPECT_EQ(panel().localDirectory(), folder.path());
}

// Del on a link that leads nowhere moves the link itself to the trash. With
// no ~/.local/share yet the trash is made there, as desktops keep it, with
// the info file that lets the file manager put the item back.
TEST_F(LocalPanelWindow, ALinkThatLeadsNowhereGoesToTheTrashMadeWhereDesktopsKeepIt)
{
    const QByteArray previousDataHome = qgetenv("XDG_DATA_HOME");
    qunsetenv("XDG_DATA_HOME");
    fs::create_symlink(folder.file("nowhere"), folder.file("gone.lnk"));
    window.reset();
    openWindow();
    c->ListView2->setFocus();
    clickFile(QStringLiteral("gone.lnk"));
    dialogs.expectYesNo(QStringLiteral("Delete"), QStringLiteral("Delete \"gone.lnk\"?"), DialogAnswer::Yes);
    QTest::keyClick(c->ListView2, Qt::Key_Delete);
    EXPECT_EQ(dialogs.pending(), 0u);
    EXPECT_EQ(window->messagePanel().message(), QString());
    EXPECT_FALSE(fs::exists(fs::symlink_status(folder.file("gone.lnk"))));
    EXPECT_FALSE(listed().contains("gone.lnk"));
    const std::string trash = folder.file(".local/share/Trash/");
    EXPECT_TRUE(fs::is_symlink(trash + "files/gone.lnk"));
    const std::string info = folder.read(".local/share/Trash/info/gone.lnk.trashinfo");
    EXPECT_EQ(info.rfind("[Trash Info]\nPath=" + folder.file("gone.lnk") + "\nDeletionDate=", 0), 0u) << info;
    EXPECT_FALSE(fs::exists(folder.file("files")));
    EXPECT_FALSE(fs::exists(folder.file("info")));

    // A second item of the same name takes a name of its own there.
    clickFile(QStringLiteral("abbc.txt"));
    dialogs.expectYesNo(QStringLiteral("Delete"), QStringLiteral("Delete \"abbc.txt\"?"), DialogAnswer::Yes);
    QTest::keyClick(c->ListView2, Qt::Key_Delete);
    folder.write("abbc.txt", "second");
    window.reset();
    openWindow();
    c->ListView2->setFocus();
    clickFile(QStringLiteral("abbc.txt"));
    dialogs.expectYesNo(QStringLiteral("Delete"), QStringLiteral("Delete \"abbc.txt\"?"), DialogAnswer::Yes);
    QTest::keyClick(c->ListView2, Qt::Key_Delete);
    EXPECT_EQ(folder.read(".local/share/Trash/files/abbc.txt"), "abbc");
    EXPECT_EQ(folder.read(".local/share/Trash/files/abbc.txt.2"), "second");
    EXPECT_TRUE(fs::exists(trash + "info/abbc.txt.2.trashinfo"));
    if (previousDataHome.isNull())
        qunsetenv("XDG_DATA_HOME");
    else
        qputenv("XDG_DATA_HOME", previousDataHome);
}

TEST_F(LocalPanelWindow, DriveRootGivesThePatternWithoutASecondSeparator)
{
    const int root = c->DriveComboBox1->findData(QByteArray("/"));
    ASSERT_EQ(root, 0) << "the root file system comes first";
    c->DriveComboBox1->setFocus();
    // Move away and back with the keys, as a user choosing the drive would.
    if (c->DriveComboBox1->count() > 1) {
        QTest::keyClick(c->DriveComboBox1, Qt::Key_Down);
        QTest::keyClick(c->DriveComboBox1, Qt::Key_Up);
    } else {
        panel().driveChosen();
    }
    EXPECT_EQ(panel().localDirectory(), "/");
    EXPECT_EQ(panel().lastSearchPattern(), "/*.*");
    EXPECT_EQ(folderList().first(), "/");
    // The root's folders are listed as folders, not as files.
    const QList<QTreeWidgetItem*> tmp = c->ListView2->findItems(QStringLiteral("tmp"), Qt::MatchExactly, 0);
    ASSERT_EQ(tmp.size(), 1);
    EXPECT_TRUE(file_list::isFolder(tmp.first()));
}

TEST_F(LocalPanelWindow, FilterRefillsOnEnterAndOnlyOnChangedTextOtherwise)
{
    // A file that appears after the fill shows only when the list is refilled.
    folder.write("late.txt", "late");

    chooseFilter(QStringLiteral("*.*"));
    EXPECT_EQ(item(QStringLiteral("late.txt")), nullptr) << "choosing the filter in use must not refill";

    typeFilter(QStringLiteral("a??c.txt"));
    QTest::keyClick(c->ComboBox1->lineEdit(), Qt::Key_Return);
    EXPECT_EQ(listed(), QStringList({"abbc.txt"}));
    EXPECT_EQ(panel().lastFilter(), "a??c.txt");

    // Enter refills even when the text did not change.
    folder.write("axyc.TXT", "x");
    QTest::keyClick(c->ComboBox1->lineEdit(), Qt::Key_Return);
    EXPECT_EQ(listed(), QStringList({"abbc.txt", "axyc.TXT"}));

    chooseFilter(QStringLiteral("*.htm"));
    EXPECT_EQ(listed(), QStringList({"onek.htm"}));

    // Leaving the field refills when the text differs, not otherwise.
    typeFilter(QStringLiteral("*.gif"));
    c->ListView2->setFocus();
    ASSERT_TRUE(waitUntil([&] { return listed() == QStringList({"empty.gif"}); }));
    folder.write("late.gif", "x");
    c->ComboBox1->lineEdit()->setFocus();
    c->ListView2->setFocus();
    pumpEventsFor(50);
    EXPECT_EQ(listed(), QStringList({"empty.gif"}));

    typeFilter(QStringLiteral("*.none"));
    QTest::keyClick(c->ComboBox1->lineEdit(), Qt::Key_Return);
    EXPECT_TRUE(listed().isEmpty());
    EXPECT_EQ(panel().fileCounter(), 0);
}

TEST_F(LocalPanelWindow, FilterNamingAnotherFolderListsNothing)
{
    // The listed names are taken as names in the local directory (opening,
    // uploading); a file from "sub" listed here would name another file.
    folder.write("inner.html", "not the one in sub");
    for (const QString& filter : {QStringLiteral("sub/*.*"), QStringLiteral("../*.*")}) {
        typeFilter(filter);
        QTest::keyClick(c->ComboBox1->lineEdit(), Qt::Key_Return);
        EXPECT_TRUE(listed().isEmpty()) << filter.toStdString() << ": " << listed().join(' ').toStdString();
        EXPECT_EQ(panel().fileCounter(), 0);
        EXPECT_EQ(c->ListView2->topLevelItemCount(), 0);
    }

    typeFilter(QStringLiteral("*.html"));
    QTest::keyClick(c->ComboBox1->lineEdit(), Qt::Key_Return);
    EXPECT_EQ(listed(), QStringList({"inner.html"}));
}

TEST_F(LocalPanelWindow, UploadButtonFollowsTheSelectionWhileConnectedOrRecording)
{
    // Neither connected nor recording: selecting changes nothing.
    clickFile(QStringLiteral("small.txt"));
    ASSERT_EQ(c->ListView2->selectedItems().size(), 1);
    EXPECT_FALSE(c->BitBtn2->isEnabled());
    EXPECT_FALSE(c->BitBtn4->isEnabled());

    panel().setRecording(true);
    clickFile(QStringLiteral("onek.htm"));
    EXPECT_TRUE(c->BitBtn2->isEnabled());
    EXPECT_TRUE(c->BitBtn4->isEnabled());
    QTest::mouseClick(c->BitBtn4, Qt::LeftButton);
    EXPECT_TRUE(c->ListView2->selectedItems().isEmpty());
    EXPECT_FALSE(c->BitBtn2->isEnabled());
    EXPECT_FALSE(c->BitBtn4->isEnabled());
    panel().setRecording(false);

    // Connected: the remote selection goes and the delete/rename hints name
    // the selected remote folder.
    auto* node = new QTreeWidgetItem(c->TreeView1, QStringList{QStringLiteral("htdocs")});
    c->TreeView1->setCurrentItem(node);
    auto* remote = new QTreeWidgetItem(c->ListView1, QStringList{QStringLiteral("remote.html")});
    remote->setSelected(true);
    panel().setConnected(true);
    clickFile(QStringLiteral("abbc.txt"));
    EXPECT_TRUE(c->BitBtn2->isEnabled());
    EXPECT_TRUE(c->ListView1->selectedItems().isEmpty());
    EXPECT_EQ(hintOf(c->BitBtn5), "Delete Directory htdocs");
    EXPECT_EQ(hintOf(c->BitBtn8), "Rename Directory htdocs");

    // A local selection that is only taken away (the remote list does that
    // when the user picks a remote file) leaves the remote selection alone.
    {
        const QSignalBlocker remoteListQuiet(c->ListView1);
        remote->setSelected(true);
    }
    ASSERT_EQ(c->ListView2->selectedItems().size(), 1);
    c->ListView2->clearSelection();
    EXPECT_EQ(c->ListView1->selectedItems().size(), 1);
    EXPECT_FALSE(c->BitBtn2->isEnabled());

    // Cancel selections clears both lists.
    remote->setSelected(true);
    c->ListView2->clearSelection();
    clickFile(QStringLiteral("abbc.txt"));
    remote->setSelected(true);
    QTest::mouseClick(c->BitBtn4, Qt::LeftButton);
    EXPECT_TRUE(c->ListView2->selectedItems().isEmpty());
    EXPECT_TRUE(c->ListView1->selectedItems().isEmpty());
    EXPECT_FALSE(c->BitBtn2->isEnabled());
}

TEST_F(LocalPanelWindow, DoubleClickOpensTheFileAndDropsTheSelection)
{
    OpenedUrls opened;
    clickFile(QStringLiteral("onek.htm"), true);
    ASSERT_EQ(opened.urls.size(), 1);
    EXPECT_EQ(opened.urls[0].toLocalFile().toStdString(), folder.file("onek.htm"));
    EXPECT_TRUE(c->ListView2->selectedItems().isEmpty());
}

TEST_F(LocalPanelWindow, OddEntriesAreListedWithWhatIsKnown)
{
    fs::create_symlink(folder.file("nowhere"), folder.file("dangling.lnk"));
    const std::string notUtf8 = "caf\xe9.txt";
    folder.write(notUtf8, "12345");
    const std::string longName = std::string(250, 'L') + ".txt";
    folder.write(longName, "x");
    typeFilter(QStringLiteral("*.*"));
    QTest::keyClick(c->ComboBox1->lineEdit(), Qt::Key_Return);

    EXPECT_EQ(panel().fileCounter(), 8);
    QTreeWidgetItem* dangling = item(QStringLiteral("dangling.lnk"));
    ASSERT_NE(dangling, nullptr);
    EXPECT_EQ(dangling->text(1), "");
    EXPECT_EQ(dangling->text(3), "");

    QTreeWidgetItem* odd = nullptr;
    for (int i = 0; i < c->ListView2->topLevelItemCount(); ++i)
        if (LocalPanel::fileNameOf(c->ListView2->topLevelItem(i)) == notUtf8)
            odd = c->ListView2->topLevelItem(i);
    ASSERT_NE(odd, nullptr) << "the name keeps its bytes";
    EXPECT_EQ(odd->text(1), "5");

    QTreeWidgetItem* longItem = item(QString::fromStdString(longName));
    ASSERT_NE(longItem, nullptr);
    EXPECT_EQ(longItem->text(1), "1");

    // The folder goes away under the panel: the refill gives an empty list.
    clickFolder(QStringLiteral("sub"));
    fs::remove_all(folder.file("sub"));
    QTest::keyClick(c->ComboBox1->lineEdit(), Qt::Key_Return);
    EXPECT_TRUE(listed().isEmpty());
}

// Sizes belong to the files, not to rows: past the 3500th file, and after a
// sort by size has moved every row, each file still gives its own size.
TEST_F(LocalPanelWindow, EveryFileKeepsItsOwnSizeHoweverManyAndHoweverSorted)
{
    fs::create_directory(folder.file("many"));
    fs::create_directory(folder.file("many/zz-folder"));
    for (int i = 0; i < 3600; ++i)
        folder.write("many/f" + std::to_string(i), std::string(static_cast<std::size_t>(i % 7 + 1), 'x'));
    // Clicking the folder shown reads it again, with its new sub-folder.
    clickFolder(QString::fromStdString(fs::path(folder.path()).filename().string()));
    clickFolder(QStringLiteral("many"));
    EXPECT_EQ(panel().fileCounter(), 3600);
    ASSERT_EQ(c->ListView2->topLevelItemCount(), 3601);

    const auto sizesMatch = [&] {
        for (int row = 1; row < c->ListView2->topLevelItemCount(); ++row) {
            const QTreeWidgetItem* file = c->ListView2->topLevelItem(row);
            if (LocalPanel::localFileSize(file) != fs::file_size(folder.file("many/" + file->text(0).toStdString())))
                return false;
        }
        return true;
    };
    EXPECT_TRUE(sizesMatch());
    QTest::mouseClick(c->ListView2->header()->viewport(), Qt::LeftButton, {},
                      QPoint(c->ListView2->header()->sectionViewportPosition(1) + 5, 5));
    ASSERT_EQ(c->ListView2->sortColumn(), 1);
    EXPECT_EQ(c->ListView2->topLevelItem(0)->text(0), QStringLiteral("zz-folder"));
    EXPECT_EQ(LocalPanel::localFileSize(c->ListView2->topLevelItem(1)), 1u);
    EXPECT_EQ(LocalPanel::localFileSize(c->ListView2->topLevelItem(3600)), 7u);
    EXPECT_TRUE(sizesMatch());
}

TEST_F(LocalPanelWindow, ScreenshotOfThePanel)
{
    clickFile(QStringLiteral("onek.htm"));
    const QPixmap picture = c->Panel8->grab();
    ASSERT_FALSE(picture.isNull());
    if (const char* target = std::getenv("TAVLIN_SCREENSHOT")) {
        EXPECT_TRUE(picture.save(QString::fromLocal8Bit(target)));
    }
}

// F2, Del and "New folder" on the local list: names that would clash or
// leave the folder are refused, one question goes before any delete (a
// folder with what is in it), deleted items land in the trash, and the list
// and folder list are read again. A step that fails is told in the message
// panel and the items after it are left alone.
TEST_F(LocalPanelWindow, RenamesDeletesAndMakesFoldersFromTheLocalListKeys)
{
    TempDir dataHome;
    const QByteArray previousDataHome = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", QByteArray::fromStdString(dataHome.path()));
    const std::string trash = dataHome.file("Trash/files/");

    c->ListView2->setFocus();
    clickFile(QStringLiteral("small.txt"));
    dialogs.expectNameDialog(QStringLiteral("New name for small.txt"), DialogAnswer::Ok, QStringLiteral("onek.htm"))
        .expectMessage(QStringLiteral("\"onek.htm\" already exists"))
        .expectNameDialog(QStringLiteral("New name for small.txt"), DialogAnswer::Ok, QStringLiteral("sub/x.txt"))
        .expectMessage(QStringLiteral("\"sub/x.txt\" cannot be the name of a file or folder"))
        .expectNameDialog(QStringLiteral("New name for small.txt"), DialogAnswer::Ok, QStringLiteral("renamed.txt"));
    for (int attempt = 0; attempt < 3; ++attempt)
        QTest::keyClick(c->ListView2, Qt::Key_F2);
    EXPECT_EQ(dialogs.pending(), 0u);
    EXPECT_EQ(folder.read("onek.htm"), std::string(1024, 'k'));
    EXPECT_FALSE(fs::exists(folder.file("sub/x.txt")));
    EXPECT_EQ(folder.read("renamed.txt"), std::string(1023, 's'));
    EXPECT_TRUE(listed().contains("renamed.txt"));
    EXPECT_FALSE(listed().contains("small.txt"));

    // Two chosen, one of them a folder: asked once; No leaves both.
    clickFile(QStringLiteral("renamed.txt"));
    QTreeWidgetItem* sub = item(QStringLiteral("sub"));
    ASSERT_NE(sub, nullptr);
    QTest::mouseClick(c->ListView2->viewport(), Qt::LeftButton, Qt::ControlModifier,
                      c->ListView2->visualItemRect(sub).center());
    dialogs.expectYesNo(QStringLiteral("Delete"), QStringLiteral("Delete 2 items?"), DialogAnswer::No)
        .expectYesNo(QStringLiteral("Delete"), QStringLiteral("Delete 2 items?"), DialogAnswer::Yes);
    QTest::keyClick(c->ListView2, Qt::Key_Delete);
    EXPECT_TRUE(fs::exists(folder.file("sub/inner.html")));
    QTest::keyClick(c->ListView2, Qt::Key_Delete);
    EXPECT_EQ(dialogs.pending(), 0u);
    EXPECT_FALSE(fs::exists(folder.file("renamed.txt")));
    EXPECT_FALSE(fs::exists(folder.file("sub")));
    EXPECT_TRUE(fs::exists(trash + "renamed.txt"));
    EXPECT_TRUE(fs::exists(trash + "sub/inner.html"));
    EXPECT_EQ(item(QStringLiteral("sub")), nullptr);
    EXPECT_FALSE(folderList().join('|').contains("sub"));

    // A file gone behind the list's back stops the delete there.
    clickFile(QStringLiteral("abbc.txt"));
    QTest::mouseClick(c->ListView2->viewport(), Qt::LeftButton, Qt::ControlModifier,
                      c->ListView2->visualItemRect(item(QStringLiteral("onek.htm"))).center());
    fs::remove(folder.file("abbc.txt"));
    dialogs.expectYesNo(QStringLiteral("Delete"), QStringLiteral("Delete 2 items?"), DialogAnswer::Yes);
    QTest::keyClick(c->ListView2, Qt::Key_Delete);
    EXPECT_TRUE(window->messagePanel().message().startsWith("Could not delete abbc.txt"))
        << window->messagePanel().message().toStdString();
    EXPECT_EQ(folder.read("onek.htm"), std::string(1024, 'k'));
    EXPECT_FALSE(listed().contains("abbc.txt"));

    // One item is named; a new folder appears in both lists.
    clickFile(QStringLiteral("onek.htm"));
    dialogs.expectYesNo(QStringLiteral("Delete"), QStringLiteral("Delete \"onek.htm\"?"), DialogAnswer::No)
        .expectNameDialog(QStringLiteral("Insert new directory name"), DialogAnswer::Ok, QStringLiteral("made"),
                          QStringLiteral("New folder"));
    QTest::keyClick(c->ListView2, Qt::Key_Delete);
    controlNamed<QAction>(*window, "NewLocalFolder")->trigger();
    EXPECT_EQ(dialogs.pending(), 0u);
    EXPECT_TRUE(fs::is_directory(folder.file("made")));
    EXPECT_NE(item(QStringLiteral("made")), nullptr);
    EXPECT_TRUE(folderList().join('|').contains("made"));

    qputenv("XDG_DATA_HOME", previousDataHome);
}
