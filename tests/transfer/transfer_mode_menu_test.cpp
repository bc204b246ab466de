#include "transfer/transfer_mode_options.h"
#include "ui/ascii_types_window.h"
#include "ui/main_window.h"

#include "support/controls_by_name.h"
#include "support/modal.h"
#include "support/scripted_dialogs.h"
#include "support/temp_dir.h"
#include "support/wait.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>

namespace {

const char* const kDefaultList = ".htm\r\n.txt\r\n.bat\r\n.pas\r\n.asp\r\n.doc\r\n.css\r\n.sql\r\n.log\r\n";

// The real main window, started again over a data directory that holds the
// default list.
class OptionsMenuModes : public ::testing::Test {
protected:
    void start(const std::string& asciiFile = kDefaultList)
    {
        // An icon table on disk makes this a later start, which leaves the
        // other files as the test wrote them.
        data.write("fiext1.fil", "");
        if (!asciiFile.empty())
            data.write("ascd.dfd", asciiFile);
        ThovedformSetup setup;
        setup.dialogs = &dialogs;
        setup.dataDirectory = data.path();
        window = std::make_unique<Thovedform>(setup);
    }
    MainWindowByName c() { return MainWindowByName(*window); }
    TransferModeOptions& modes() { return window->transferModes(); }
    TAsciitypes& editor() { return window->asciitypes(); }
    QStringList shownList()
    {
        QStringList items;
        for (int i = 0; i < AsciiTypesByName(editor()).ListBox1->count(); ++i)
            items << AsciiTypesByName(editor()).ListBox1->item(i)->text();
        return items;
    }
    // Opens "Specify filetypes" and lets `act` work in the editor while it
    // is shown modally; returns when the editor has closed.
    void inEditor(const std::function<void(TAsciitypes&)>& act)
    {
        whenModalOpens([this, act](QWidget* modal) {
            EXPECT_EQ(modal, &editor());
            act(editor());
            if (editor().isVisible())
                editor().reject();
        });
        c().Specifyfiletypes->trigger();
    }

    TempDir data;
    ScriptedDialogs dialogs;
    std::unique_ptr<Thovedform> window;
};

}  // namespace

TEST_F(OptionsMenuModes, AutoDetectIsCheckedAtStartAndUsesTheList)
{
    start();
    EXPECT_TRUE(c().AutoDetect->isChecked());
    EXPECT_FALSE(c().ASCII->isChecked());
    EXPECT_FALSE(c().Binary->isChecked());
    EXPECT_EQ(modes().decideMode("index.HTM"), "0");
    EXPECT_EQ(modes().decideMode("photo.jpg"), "1");
    EXPECT_EQ(modes().decideMode("page.html"), "1");
    EXPECT_EQ(modes().decideMode("README"), "1");
}

TEST_F(OptionsMenuModes, ExactlyOneItemIsCheckedAfterEachClick)
{
    start();
    c().ASCII->trigger();
    EXPECT_TRUE(c().ASCII->isChecked());
    EXPECT_FALSE(c().AutoDetect->isChecked());
    EXPECT_FALSE(c().Binary->isChecked());
    const std::string queuedEarlier = modes().decideMode("photo.jpg");
    EXPECT_EQ(queuedEarlier, "0");
    EXPECT_EQ(modes().decideMode("README"), "0");

    c().Binary->trigger();
    EXPECT_TRUE(c().Binary->isChecked());
    EXPECT_FALSE(c().ASCII->isChecked());
    EXPECT_EQ(modes().decideMode("index.htm"), "1");
    EXPECT_EQ(queuedEarlier, "0");  // a decision once made is the file's for good

    // Clicking the item that is already checked keeps it checked.
    c().Binary->trigger();
    EXPECT_TRUE(c().Binary->isChecked());

    c().AutoDetect->trigger();
    EXPECT_TRUE(c().AutoDetect->isChecked());
    EXPECT_FALSE(c().Binary->isChecked());
    EXPECT_EQ(modes().decideMode("index.htm"), "0");
}

TEST_F(OptionsMenuModes, MissingListMakesEveryFileBinary)
{
    start("");
    EXPECT_TRUE(editor().asciiTypes().loadFailedAtStart());
    EXPECT_EQ(modes().decideMode("index.htm"), "1");
}

TEST_F(OptionsMenuModes, EditorAddsSavesClearsAndClosesOnAnEmptyOk)
{
    start();
    inEditor([this](TAsciitypes& ed) {
        EXPECT_EQ(ed.windowTitle(), "Asciitypes");
        EXPECT_EQ(AsciiTypesByName(ed).Edit2->text().toStdString(), data.path());
        EXPECT_FALSE(AsciiTypesByName(ed).Edit2->isVisible());
        QTest::keyClicks(AsciiTypesByName(ed).Edit1, "cgi");
        QTest::mouseClick(AsciiTypesByName(ed).Button1, Qt::LeftButton);
        EXPECT_TRUE(ed.isVisible());
        EXPECT_EQ(AsciiTypesByName(ed).Edit1->text(), "");
        EXPECT_EQ(data.read("ascd.dfd"), std::string(kDefaultList) + ".cgi\r\n");
        EXPECT_EQ(shownList().last(), ".cgi");

        QTest::mouseClick(AsciiTypesByName(ed).Button1, Qt::LeftButton);
        EXPECT_FALSE(ed.isVisible());
    });
    EXPECT_FALSE(editor().isVisible());
    EXPECT_EQ(data.read("ascd.dfd"), std::string(kDefaultList) + ".cgi\r\n");
    EXPECT_EQ(modes().decideMode("form.CGI"), "0");
}

TEST_F(OptionsMenuModes, AddingAnExtensionTwiceKeepsBothLines)
{
    start();
    inEditor([](TAsciitypes& ed) {
        QTest::keyClicks(AsciiTypesByName(ed).Edit1, ".htm");
        QTest::keyClick(AsciiTypesByName(ed).Edit1, Qt::Key_Return);  // Enter works like "OK"
        QTest::keyClicks(AsciiTypesByName(ed).Edit1, ".htm");
        QTest::mouseClick(AsciiTypesByName(ed).Button1, Qt::LeftButton);
        EXPECT_TRUE(ed.isVisible());
    });
    EXPECT_EQ(data.read("ascd.dfd"), std::string(kDefaultList) + ".htm\r\n.htm\r\n");
    EXPECT_EQ(modes().decideMode("a.htm"), "0");
    EXPECT_EQ(modes().decideMode("a.jpg"), "1");
}

TEST_F(OptionsMenuModes, DeleteTakesEffectAtOnceButReachesTheFileOnlyWithOk)
{
    start();
    inEditor([this](TAsciitypes& ed) {
        // Without a selection nothing is removed.
        QTest::mouseClick(AsciiTypesByName(ed).Button3, Qt::LeftButton);
        EXPECT_EQ(AsciiTypesByName(ed).ListBox1->count(), 9);

        // Nor after an item was clicked and unselected again with Ctrl: the
        // list still has a current row, but nothing is chosen.
        const QRect third = AsciiTypesByName(ed).ListBox1->visualItemRect(AsciiTypesByName(ed).ListBox1->item(2));
        QTest::mouseClick(AsciiTypesByName(ed).ListBox1->viewport(), Qt::LeftButton, {}, third.center());
        QTest::mouseClick(AsciiTypesByName(ed).ListBox1->viewport(), Qt::LeftButton, Qt::ControlModifier, third.center());
        ASSERT_TRUE(AsciiTypesByName(ed).ListBox1->selectedItems().isEmpty());
        ASSERT_EQ(AsciiTypesByName(ed).ListBox1->currentRow(), 2);
        QTest::mouseClick(AsciiTypesByName(ed).Button3, Qt::LeftButton);
        EXPECT_EQ(AsciiTypesByName(ed).ListBox1->count(), 9);

        const QRect first = AsciiTypesByName(ed).ListBox1->visualItemRect(AsciiTypesByName(ed).ListBox1->item(0));
        QTest::mouseClick(AsciiTypesByName(ed).ListBox1->viewport(), Qt::LeftButton, {}, first.center());
        QTest::mouseClick(AsciiTypesByName(ed).Button3, Qt::LeftButton);
        EXPECT_EQ(shownList().first(), ".txt");
        QTest::mouseClick(AsciiTypesByName(ed).Button2, Qt::LeftButton);  // "Cancel"
        EXPECT_FALSE(ed.isVisible());
    });
    EXPECT_EQ(modes().decideMode("index.htm"), "1");
    EXPECT_EQ(data.read("ascd.dfd"), kDefaultList);

    // The next start reads the file again, so the removed item is back.
    window.reset();
    start("");
    EXPECT_EQ(modes().decideMode("index.htm"), "0");

    // "OK" writes the list as it stands, removals included.
    inEditor([this](TAsciitypes& ed) {
        AsciiTypesByName(ed).ListBox1->setCurrentRow(0);
        QTest::mouseClick(AsciiTypesByName(ed).Button3, Qt::LeftButton);
        QTest::mouseClick(AsciiTypesByName(ed).Button1, Qt::LeftButton);
    });
    EXPECT_EQ(data.read("ascd.dfd"), std::string(kDefaultList).substr(6));
}

TEST_F(OptionsMenuModes, ListMissingAtStartIsReadWhenTheEditorOpens)
{
    start("");
    data.write("ascd.dfd", ".js\r\n");
    inEditor([this](TAsciitypes&) { EXPECT_EQ(shownList(), QStringList{".js"}); });
    EXPECT_EQ(modes().decideMode("app.js"), "0");
}
