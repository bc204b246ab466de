#include "sites/passive_mode_option.h"
#include "sites/site_connection_target.h"
#include "ui/main_window.h"
#include "app/message_panel.h"
#include "ui/address_manager_window.h"

#include "core/text_line_list.h"
#include "support/controls_by_name.h"
#include "support/modal.h"
#include "support/scripted_dialogs.h"
#include "support/temp_dir.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include <QStatusBar>

#include <filesystem>
#include <memory>

namespace {

struct ConnectRequests : AddressManagerConnectRequest {
    int count = 0;
    void connectFromAddressManager() override { ++count; }
};

// The real main window over its own data directory.
class MainWindowSites : public ::testing::Test {
protected:
    void start()
    {
        // An icon table on disk makes this a later start, which leaves the
        // other files as the test wrote them.
        data.write("fiext1.fil", "");
        ThovedformSetup setup;
        setup.dialogs = &dialogs;
        setup.dataDirectory = data.path();
        window = std::make_unique<Thovedform>(setup);
        window->setAddressManagerConnectRequest(&connects);
        window->show();
    }
    MainWindowByName c() { return MainWindowByName(*window); }
    std::string proxLineThree() { return TextLineList::splitLines(data.read("prox.dfd")).at(2); }

    // Clicks "Addr" and lets `act` work in the address manager while it is
    // shown modally.
    void inAddressManager(const std::function<void(Tmidlform&, const AddressManagerByName&)>& act)
    {
        whenModalOpens([this, act](QWidget* modal) {
            ASSERT_EQ(modal, &window->midlform());
            act(window->midlform(), AddressManagerByName(window->midlform()));
            if (modal->isVisible())
                window->midlform().reject();
        });
        QTest::mouseClick(c().BitBtn1, Qt::LeftButton);
    }

    TempDir data;
    ScriptedDialogs dialogs;
    ConnectRequests connects;
    std::unique_ptr<Thovedform> window;
};

}  // namespace

TEST_F(MainWindowSites, PassiveModeTogglesLineThreeAndEmptiesTheLog)
{
    data.write("prox.dfd", "proxyhost\r\n8080\r\n0\r\n");
    start();
    EXPECT_FALSE(c().Passivemode1->isChecked());
    c().Memo1->appendPlainText("< 220 ready");

    c().Passivemode1->trigger();
    EXPECT_TRUE(c().Passivemode1->isChecked());
    EXPECT_EQ(proxLineThree(), "1");
    EXPECT_TRUE(c().Memo1->toPlainText().isEmpty());

    c().Passivemode1->trigger();
    EXPECT_FALSE(c().Passivemode1->isChecked());
    EXPECT_EQ(data.read("prox.dfd"), "proxyhost\r\n8080\r\n0\r\n");

    // The stored mark is read at the next start.
    c().Passivemode1->trigger();
    window.reset();
    start();
    EXPECT_TRUE(c().Passivemode1->isChecked());
}

TEST_F(MainWindowSites, PassiveModeCannotChangeWhileConnected)
{
    data.write("prox.dfd", "\r\n\r\n1\r\n");
    start();
    window->browsingConnection().setBrowsingConnected(true);
    c().Passivemode1->trigger();
    EXPECT_TRUE(c().Passivemode1->isChecked());
    EXPECT_EQ(data.read("prox.dfd"), "\r\n\r\n1\r\n");
    EXPECT_EQ(window->messagePanel().message(),
              QStringLiteral("Passive mode stays as it is while connected; disconnect to change it"));
}

TEST_F(MainWindowSites, MissingSettingsFileIsReportedAndNotCreated)
{
    start();
    dialogs.expectMessage(QStringLiteral("Cannot open file \"%1\". Passive mode is on for this session only.")
                              .arg(QString::fromStdString(data.file("prox.dfd"))));
    c().Passivemode1->trigger();
    EXPECT_EQ(dialogs.pending(), 0u);
    EXPECT_TRUE(c().Passivemode1->isChecked());
    EXPECT_FALSE(std::filesystem::exists(data.file("prox.dfd")));
}

TEST_F(MainWindowSites, ConnectInTheAddressManagerFillsTheConnectionFieldsForThisRunOnly)
{
    data.write("prox.dfd", "\r\n\r\n0\r\n");
    data.write("serv3.adr", "Home\r\nftp.home.net\r\nme\r\nsecret\r\n21\r\n/tmp\r\n/www\r\n0\r\n"
                            "Work\r\nftp.work.com\r\nboss\r\nhunter2\r\n2121\r\n\r\n/pub\r\n1\r\n");
    start();
    inAddressManager([](Tmidlform&, const AddressManagerByName& am) {
        EXPECT_TRUE(am.ListBox1->isVisible());
        const QRect work = am.ListBox1->visualItemRect(am.ListBox1->item(1));
        QTest::mouseClick(am.ListBox1->viewport(), Qt::LeftButton, {}, work.center());
        QTest::mouseClick(am.Button1, Qt::LeftButton);
    });
    EXPECT_FALSE(window->midlform().isVisible());
    EXPECT_EQ(connects.count, 1);
    EXPECT_EQ(c().Edit1->text(), "ftp.work.com");
    EXPECT_EQ(c().Edit2->text(), "boss");
    EXPECT_EQ(c().Edit3->text(), "hunter2");
    EXPECT_EQ(c().Edit4->text(), "2121");
    EXPECT_TRUE(c().Passivemode1->isChecked());
    EXPECT_EQ(window->midlform().manager().remoteDirectory(), "/pub");
    EXPECT_EQ(proxLineThree(), "0");

    // Closing with "Cancel" later does not connect, but still hands over
    // the selected site.
    inAddressManager([](Tmidlform&, const AddressManagerByName& am) {
        const QRect home = am.ListBox1->visualItemRect(am.ListBox1->item(0));
        QTest::mouseClick(am.ListBox1->viewport(), Qt::LeftButton, {}, home.center());
        QTest::mouseClick(am.Button2, Qt::LeftButton);
    });
    EXPECT_EQ(connects.count, 1);
    EXPECT_EQ(c().Edit1->text(), "ftp.home.net");
    EXPECT_FALSE(c().Passivemode1->isChecked());

    // After a restart the stored passive setting applies again.
    inAddressManager([](Tmidlform&, const AddressManagerByName& am) {
        const QRect work = am.ListBox1->visualItemRect(am.ListBox1->item(1));
        QTest::mouseClick(am.ListBox1->viewport(), Qt::LeftButton, {}, work.center());
        QTest::mouseClick(am.Button1, Qt::LeftButton);
    });
    ASSERT_TRUE(c().Passivemode1->isChecked());
    window.reset();
    start();
    EXPECT_FALSE(c().Passivemode1->isChecked());
}

TEST_F(MainWindowSites, CancelWithoutEverConnectingLeavesTheConnectionFields)
{
    data.write("serv3.adr", "Home\r\nftp.home.net\r\nme\r\nsecret\r\n21\r\n/tmp\r\n/www\r\n0\r\n");
    start();
    c().Edit1->setText("typed.example");
    inAddressManager([](Tmidlform&, const AddressManagerByName& am) {
        QTest::mouseClick(am.Button2, Qt::LeftButton);
    });
    EXPECT_EQ(connects.count, 0);
    EXPECT_EQ(c().Edit1->text(), "typed.example");
    EXPECT_EQ(window->midlform().manager().localDirectory(), "");
    EXPECT_EQ(window->midlform().manager().remoteDirectory(), "");
}
