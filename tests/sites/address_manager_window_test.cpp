#include "sites/site_connection_target.h"
#include "ui/address_manager_window.h"

#include "support/controls_by_name.h"
#include "support/scripted_dialogs.h"
#include "support/temp_dir.h"
#include "support/wait.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>

namespace {

std::string site(const std::string& name, const std::string& port = "21", const std::string& passive = "0")
{
    return name + "\r\nftp." + name + ".com\r\nuser-" + name + "\r\npw-" + name + "\r\n" + port +
           "\r\n/home/" + name + "\r\n/www/" + name + "\r\n" + passive + "\r\n";
}

// The address manager as the program uses it: a real window, a real set of
// main window connection fields to hand its settings to, and a dialogs
// service that answers the questions the test expects.
class AddressManagerWindow : public ::testing::Test {
protected:
    // The main window's "Passive mode" item is a checkable menu item.
    AddressManagerWindow() { mainPassive.setCheckable(true); }

    void open()
    {
        window = std::make_unique<Tmidlform>(dialogs, mainWindow, dir.path());
        window->show();
        QApplication::setActiveWindow(window.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }
    void reopen()
    {
        window->show();
        QApplication::setActiveWindow(window.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }

    AddressManagerByName c() const { return AddressManagerByName(*window); }

    void clickSite(int row)
    {
        QListWidget* list = c().ListBox1;
        ASSERT_NE(list->item(row), nullptr) << "no site in row " << row;
        const QRect rect = list->visualItemRect(list->item(row));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rect.center());
    }
    // Clicks into the field, selects its text and types over it, as a user would.
    void typeInto(QLineEdit* field, const QString& text)
    {
        QTest::mouseClick(field, Qt::LeftButton);
        ASSERT_TRUE(field->hasFocus());
        field->selectAll();
        QTest::keyClicks(field, text);
    }
    int selectedRow() const
    {
        const auto selected = c().ListBox1->selectedItems();
        return selected.isEmpty() ? -1 : c().ListBox1->row(selected.first());
    }
    void pressTab() { QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab); }

    TempDir dir;
    ScriptedDialogs dialogs;
    QLineEdit mainHost, mainLogin, mainPassword, mainPort;
    QAction mainPassive{nullptr};
    ConnectionFieldsTarget mainWindow{{&mainHost, &mainLogin, &mainPassword, &mainPort, &mainPassive}};
    std::unique_ptr<Tmidlform> window;
};

}  // namespace

TEST_F(AddressManagerWindow, OldSiteFileIsConvertedAndListed)
{
    dir.write("serv.adr", "ftp.a.com\r\nanna\r\nsecret\r\n21\r\n/home/anna\r\n"
                          "ftp.b.com\r\nbob\r\npw\r\n2121\r\n\r\n");
    open();

    const std::string converted = dir.read("serv3.adr");
    EXPECT_EQ(TextLineList::splitLines(converted).size(), 16u);
    EXPECT_EQ(converted, "Servername 1\r\nftp.a.com\r\nanna\r\nsecret\r\n21\r\n/home/anna\r\n\r\n0\r\n"
                         "Servername 2\r\nftp.b.com\r\nbob\r\npw\r\n2121\r\n\r\n\r\n0\r\n");
    ASSERT_EQ(c().ListBox1->count(), 2);
    EXPECT_EQ(c().ListBox1->item(0)->text(), "Servername 1");
    EXPECT_EQ(c().ListBox1->item(1)->text(), "Servername 2");
    // The first site is selected and shown.
    EXPECT_EQ(selectedRow(), 0);
    EXPECT_EQ(c().Edit1->text(), "ftp.a.com");
    EXPECT_EQ(c().Edit5->text(), "/home/anna");
    EXPECT_EQ(c().Edit6->text(), "");
    EXPECT_FALSE(c().CheckBox1->isChecked());
    EXPECT_TRUE(c().Delete->isVisible());
}

TEST_F(AddressManagerWindow, PartialRecordIsNotListedAndTheFileIsLeftAlone)
{
    const std::string content = site("alpha") + site("beta", "21", "1") + "half a site\r\n";
    dir.write("serv3.adr", content);
    open();
    ASSERT_EQ(c().ListBox1->count(), 2);
    clickSite(1);
    EXPECT_EQ(c().Edit7->text(), "beta");
    EXPECT_TRUE(c().CheckBox1->isChecked());
    window->reject();
    EXPECT_EQ(dir.read("serv3.adr"), content);
}

TEST_F(AddressManagerWindow, EmptyListShowsNothingAndDeleteDoesNothing)
{
    open();
    EXPECT_EQ(dir.read("serv3.adr"), "");
    EXPECT_EQ(c().ListBox1->count(), 0);
    EXPECT_EQ(selectedRow(), -1);
    EXPECT_EQ(c().Edit1->text(), "");
    EXPECT_FALSE(c().Delete->isVisible());
    window->manager().deleteSite();
    EXPECT_EQ(dir.read("serv3.adr"), "");
}

TEST_F(AddressManagerWindow, EditedFieldIsSavedWhenItLosesTheFocus)
{
    dir.write("serv3.adr", site("alpha") + site("beta") + site("gamma"));
    open();
    clickSite(1);
    typeInto(c().Edit4, "2121");
    EXPECT_EQ(dir.read("serv3.adr"), site("alpha") + site("beta") + site("gamma"));  // not yet
    pressTab();

    // Only line 8*1+5 changed; the same site stays selected and shown.
    EXPECT_EQ(dir.read("serv3.adr"), site("alpha") + site("beta", "2121") + site("gamma"));
    EXPECT_EQ(selectedRow(), 1);
    EXPECT_EQ(c().Edit7->text(), "beta");
    EXPECT_EQ(c().Edit4->text(), "2121");
    EXPECT_FALSE(window->manager().modified());

    // A renamed site shows its new name in the list straight away.
    typeInto(c().Edit7, "Beta server");
    pressTab();
    EXPECT_EQ(c().ListBox1->item(1)->text(), "Beta server");
    EXPECT_EQ(dir.read("serv3.adr"),
              site("alpha") + "Beta server" + site("beta", "2121").substr(4) + site("gamma"));

    // Clicking another site after typing saves the typed field first.
    typeInto(c().Edit2, "carol");
    clickSite(2);
    EXPECT_EQ(c().Edit7->text(), "gamma");
    EXPECT_NE(dir.read("serv3.adr").find("Beta server\r\nftp.beta.com\r\ncarol\r\n"), std::string::npos);
}

TEST_F(AddressManagerWindow, CheckBoxIsSavedWhenItLosesTheFocus)
{
    dir.write("serv3.adr", site("alpha") + site("beta"));
    open();
    clickSite(1);
    QTest::mouseClick(c().CheckBox1, Qt::LeftButton, {}, QPoint(5, c().CheckBox1->height() / 2));
    ASSERT_TRUE(c().CheckBox1->isChecked());
    pressTab();
    EXPECT_EQ(dir.read("serv3.adr"), site("alpha") + site("beta", "21", "1"));
    EXPECT_TRUE(c().CheckBox1->isChecked());
}

TEST_F(AddressManagerWindow, BytesTheFieldsCannotShowSurviveEditsAndSaveChanges)
{
    const std::string latin1Name = "caf\xe9";
    const std::string longDirectory = "/" + std::string(40000, 'd');
    const std::string record = latin1Name + "\r\nftp.x.com\r\nu\r\np\r\n21\r\n" + longDirectory + "\r\n\r\n0\r\n";
    dir.write("serv3.adr", record);
    open();
    EXPECT_EQ(c().Edit5->text().size(), static_cast<qsizetype>(longDirectory.size()));

    typeInto(c().Edit2, "v");
    pressTab();
    EXPECT_EQ(dir.read("serv3.adr"), latin1Name + "\r\nftp.x.com\r\nv\r\np\r\n21\r\n" + longDirectory + "\r\n\r\n0\r\n");

    // "Save changes?" rewrites the whole record from the fields; unchanged
    // fields keep their bytes there, too.
    typeInto(c().Edit3, "q");
    dialogs.expectOkCancel("Save changes?", true);
    QTest::keyClick(c().Edit3, Qt::Key_Escape);
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(dir.read("serv3.adr"), latin1Name + "\r\nftp.x.com\r\nv\r\nq\r\n21\r\n" + longDirectory + "\r\n\r\n0\r\n");
}

TEST_F(AddressManagerWindow, EnterAndArrowsMoveThroughTheFieldsToConnect)
{
    dir.write("serv3.adr", site("alpha"));
    open();
    const std::vector<QWidget*> order{c().Edit7, c().Edit1, c().Edit2, c().Edit3,
                                      c().Edit4, c().Edit5, c().Edit6, c().Button1};
    c().Edit7->setFocus();
    for (std::size_t i = 1; i < order.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), i % 2 ? Qt::Key_Return : Qt::Key_Down);
        EXPECT_EQ(QApplication::focusWidget(), order[i]) << "step " << i;
    }
    c().Edit6->setFocus();
    for (std::size_t i = order.size() - 2; i > 0; --i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Up);
        EXPECT_EQ(QApplication::focusWidget(), order[i - 1]);
    }
    QTest::keyClick(c().Edit7, Qt::Key_Up);
    EXPECT_EQ(QApplication::focusWidget(), c().Edit7);
    // Enter in a field moves on; it does not press "Connect".
    EXPECT_TRUE(window->isVisible());
    EXPECT_FALSE(window->manager().connectRequested());
}

TEST_F(AddressManagerWindow, DeletingSitesMovesTheSelectionOnOrClearsIt)
{
    dir.write("serv3.adr", site("alpha") + site("beta") + site("gamma"));
    open();
    clickSite(1);
    QTest::mouseClick(c().Delete, Qt::LeftButton);
    EXPECT_EQ(dir.read("serv3.adr"), site("alpha") + site("gamma"));
    // The site that followed takes the deleted one's place.
    EXPECT_EQ(selectedRow(), 1);
    EXPECT_EQ(c().Edit7->text(), "gamma");

    // Deleting the last site of the list leaves nothing selected.
    QTest::mouseClick(c().Delete, Qt::LeftButton);
    EXPECT_EQ(dir.read("serv3.adr"), site("alpha"));
    EXPECT_EQ(c().ListBox1->count(), 1);
    EXPECT_EQ(selectedRow(), -1);
    EXPECT_EQ(c().Edit7->text(), "");
    EXPECT_FALSE(c().Delete->isVisible());

    // Deleting the only site leaves an empty file.
    clickSite(0);
    QTest::mouseClick(c().Delete, Qt::LeftButton);
    EXPECT_EQ(dir.read("serv3.adr"), "");
    EXPECT_EQ(c().ListBox1->count(), 0);
    EXPECT_EQ(selectedRow(), -1);
}

TEST_F(AddressManagerWindow, AddModeAppendsANewSite)
{
    dir.write("serv3.adr", site("alpha", "2121", "1") + site("beta"));
    open();
    clickSite(0);
    QTest::mouseClick(c().server, Qt::LeftButton);
    EXPECT_TRUE(c().OK->isVisible());
    EXPECT_TRUE(c().Cancel->isVisible());
    EXPECT_FALSE(c().server->isVisible());
    EXPECT_FALSE(c().Delete->isVisible());
    EXPECT_FALSE(c().Button1->isVisible());
    EXPECT_FALSE(c().Button2->isVisible());
    EXPECT_EQ(c().Edit7->text(), "");
    EXPECT_EQ(c().Edit1->text(), "");
    EXPECT_EQ(c().Edit4->text(), "2121");  // the port stays as a starting value
    EXPECT_FALSE(c().CheckBox1->isChecked());

    typeInto(c().Edit7, "delta");
    typeInto(c().Edit1, "ftp.delta.org");
    // Leaving the check box in add mode must not touch the selected site.
    QTest::mouseClick(c().CheckBox1, Qt::LeftButton, {}, QPoint(5, c().CheckBox1->height() / 2));
    typeInto(c().Edit6, "/pub");
    EXPECT_EQ(dir.read("serv3.adr"), site("alpha", "2121", "1") + site("beta"));

    QTest::mouseClick(c().OK, Qt::LeftButton);
    EXPECT_EQ(dir.read("serv3.adr"),
              site("alpha", "2121", "1") + site("beta") + "delta\r\nftp.delta.org\r\n\r\n\r\n2121\r\n\r\n/pub\r\n1\r\n");
    ASSERT_EQ(c().ListBox1->count(), 3);
    EXPECT_EQ(c().ListBox1->item(2)->text(), "delta");
    EXPECT_EQ(selectedRow(), 0);  // the remembered site is shown again
    EXPECT_EQ(c().Edit7->text(), "alpha");
    EXPECT_TRUE(c().server->isVisible());
    EXPECT_TRUE(c().Button1->isVisible());
    EXPECT_FALSE(c().OK->isVisible());

    // Cancelling an add changes nothing and shows the remembered site.
    QTest::mouseClick(c().server, Qt::LeftButton);
    typeInto(c().Edit7, "never");
    QTest::mouseClick(c().Cancel, Qt::LeftButton);
    EXPECT_EQ(c().ListBox1->count(), 3);
    EXPECT_EQ(c().Edit7->text(), "alpha");
    EXPECT_TRUE(c().Button2->isVisible());
}

TEST_F(AddressManagerWindow, PastedLineBreaksNeverSplitARecord)
{
    // A line edit keeps the line breaks of pasted text; written as they are
    // they would make a record nine lines long and shift every later site.
    dir.write("serv3.adr", site("alpha") + site("beta"));
    open();
    clickSite(0);
    QTest::mouseClick(c().Edit1, Qt::LeftButton);
    c().Edit1->selectAll();
    QGuiApplication::clipboard()->setText(QStringLiteral("ftp.new\r\n.com\n"));
    QTest::keyClick(c().Edit1, Qt::Key_V, Qt::ControlModifier);
    ASSERT_TRUE(c().Edit1->text().contains(QLatin1Char('\n')));
    pressTab();
    EXPECT_EQ(dir.read("serv3.adr"),
              "alpha\r\nftp.new.com\r\n" + site("alpha").substr(22) + site("beta"));
    EXPECT_EQ(c().Edit1->text(), "ftp.new.com");

    // A new site typed in add mode, and "Save changes?" on closing.
    QTest::mouseClick(c().server, Qt::LeftButton);
    typeInto(c().Edit7, "delta");
    QTest::mouseClick(c().Edit2, Qt::LeftButton);
    QGuiApplication::clipboard()->setText(QStringLiteral("an\nna"));
    QTest::keyClick(c().Edit2, Qt::Key_V, Qt::ControlModifier);
    QTest::mouseClick(c().OK, Qt::LeftButton);
    clickSite(1);
    QTest::mouseClick(c().Edit6, Qt::LeftButton);
    c().Edit6->selectAll();
    QGuiApplication::clipboard()->setText(QStringLiteral("/www\r\n/b"));
    QTest::keyClick(c().Edit6, Qt::Key_V, Qt::ControlModifier);
    dialogs.expectOkCancel("Save changes?", true);
    window->reject();
    EXPECT_EQ(dir.read("serv3.adr"), "alpha\r\nftp.new.com\r\n" + site("alpha").substr(22) +
                                         site("beta").substr(0, site("beta").size() - 14) + "/www/b\r\n0\r\n" +
                                         "delta\r\n\r\nanna\r\n\r\n21\r\n\r\n\r\n0\r\n");
    EXPECT_EQ(TextLineList::splitLines(dir.read("serv3.adr")).size(), 24u);
}

TEST_F(AddressManagerWindow, SaveChangesOnClosingRewritesTheSelectedRecordInPlace)
{
    dir.write("serv3.adr", site("alpha") + site("beta") + site("gamma"));
    open();
    clickSite(1);
    typeInto(c().Edit1, "ftp.new-beta.com");
    dialogs.expectOkCancel("Save changes?", true);
    QTest::keyClick(c().Edit1, Qt::Key_Escape);
    ASSERT_FALSE(window->isVisible());
    const std::string expected = site("alpha") + "beta\r\nftp.new-beta.com" + site("beta").substr(18) + site("gamma");
    EXPECT_EQ(dir.read("serv3.adr"), expected);
    EXPECT_EQ(TextLineList::splitLines(expected).size(), 24u);

    // Answering Cancel keeps the file as it is.
    reopen();
    EXPECT_EQ(selectedRow(), 1);
    typeInto(c().Edit2, "mallory");
    dialogs.expectOkCancel("Save changes?", false);
    window->close();
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(dir.read("serv3.adr"), expected);
}

TEST_F(AddressManagerWindow, ClosingWithoutConnectClearsTheDirectoriesAndLeavesTheMainWindow)
{
    dir.write("serv3.adr", site("alpha"));
    open();
    mainHost.setText("typed.by.hand");
    QTest::mouseClick(c().Button2, Qt::LeftButton);
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(window->result(), QDialog::Rejected);
    EXPECT_EQ(c().Edit1->text(), "");
    EXPECT_EQ(window->manager().localDirectory(), "");
    EXPECT_EQ(window->manager().remoteDirectory(), "");
    EXPECT_EQ(c().Edit2->text(), "user-alpha");
    EXPECT_EQ(mainHost.text(), "typed.by.hand");

    // Showing the window again shows the stored site, host included.
    reopen();
    EXPECT_EQ(c().Edit1->text(), "ftp.alpha.com");
    EXPECT_EQ(c().Edit5->text(), "/home/alpha");
    EXPECT_EQ(dir.read("serv3.adr"), site("alpha"));
}

TEST_F(AddressManagerWindow, AfterConnectEveryCloseCopiesTheSiteIntoTheMainWindow)
{
    dir.write("serv3.adr", site("alpha", "21", "0") + site("beta", "2121", "1"));
    open();
    QTest::mouseClick(c().Button1, Qt::LeftButton);
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(window->result(), QDialog::Accepted);
    EXPECT_EQ(mainHost.text(), "ftp.alpha.com");
    EXPECT_EQ(mainLogin.text(), "user-alpha");
    EXPECT_EQ(mainPassword.text(), "pw-alpha");
    EXPECT_EQ(mainPort.text(), "21");
    EXPECT_FALSE(mainPassive.isChecked());
    // The directories stay for the connect that follows.
    EXPECT_EQ(window->manager().localDirectory(), "/home/alpha");
    EXPECT_EQ(window->manager().remoteDirectory(), "/www/alpha");

    reopen();
    clickSite(1);
    QTest::mouseClick(c().Button2, Qt::LeftButton);
    EXPECT_EQ(window->result(), QDialog::Rejected);
    EXPECT_EQ(mainHost.text(), "ftp.beta.com");
    EXPECT_EQ(mainLogin.text(), "user-beta");
    EXPECT_EQ(mainPassword.text(), "pw-beta");
    EXPECT_EQ(mainPort.text(), "2121");
    EXPECT_TRUE(mainPassive.isChecked());
}
