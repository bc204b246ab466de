// The window's SOCKS proxy setting: the Proxy dialog, "prox.dfd", and both
// FTP clients (browsing and transfers) through a real SOCKS 5 server.
#include "browse_window_harness.h"

#include "app/local_panel.h"
#include "core/text_line_list.h"
#include "fixtures/socks_proxy_server.h"
#include "sites/passive_mode_option.h"
#include "sites/proxy_option.h"
#include "support/modal.h"
#include "transfer/transfer_queue.h"
#include "ui/proxy_dialog.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>

#include <algorithm>
#include <random>
#include <sys/stat.h>

namespace {

using Strings = std::vector<std::string>;

const std::string kPassiveNote =
    "! Passive mode is used: through a SOCKS proxy the server cannot connect back for active mode";

std::size_t occurrences(const std::string& text, const std::string& part)
{
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

class ProxyWindowTest : public BrowseWindowTest {
protected:
    // A settings file as the program wrote it before it knew of proxies,
    // with passive mode off.
    void beforeWindow() override { data.write("prox.dfd", "first\r\nsecond\r\n0\r\n"); }

    Strings settingsLines() const { return TextLineList::splitLines(data.read("prox.dfd")); }

    QAction* item(const char* name) const { return window->findChild<QAction*>(QString::fromLatin1(name)); }

    // Opens Options -> Proxy..., fills it in as a user would and presses OK
    // (or, with `cancelAfterOk`, presses OK and then Cancel).
    void chooseProxy(const QString& kind, const QString& host = {}, const QString& port = {},
                     const QString& user = {}, const QString& password = {}, bool cancelAfterOk = false)
    {
        bool seen = false;
        whenModalOpens([&](QWidget* modal) {
            auto* dialog = qobject_cast<ProxyDialog*>(modal);
            if (!dialog) {
                modal->close();
                return;
            }
            seen = true;
            dialog->kindBox->setCurrentIndex(dialog->kindBox->findText(kind));
            for (auto [field, text] : {std::pair{dialog->hostField, host}, {dialog->portField, port},
                                       {dialog->userField, user}, {dialog->passwordField, password}}) {
                field->clear();
                if (field->isEnabled())
                    QTest::keyClicks(field, text);
            }
            QTest::mouseClick(dialog->okButton, Qt::LeftButton);
            if (cancelAfterOk && dialog->isVisible())
                QTest::mouseClick(dialog->cancelButton, Qt::LeftButton);
        });
        item("Proxy1")->trigger();
        EXPECT_TRUE(seen) << "the Proxy dialog did not open";
    }

    void selectLocal(const QString& name)
    {
        const auto found = c->ListView2->findItems(name, Qt::MatchExactly, 0);
        ASSERT_EQ(found.size(), 1) << name.toStdString();
        c->ListView2->setCurrentItem(found.first());
        found.first()->setSelected(true);
    }

    bool waitUntilQueueEnds(int timeoutMs = 60000)
    {
        return waitUntil(
            [&] {
                return !window->transferQueue().busy() && c->ListBox4->count() == 0 &&
                       !window->transferQueue().client().Connected() && !window->session().requestRunning();
            },
            timeoutMs);
    }

    TempDir local;
};

}  // namespace

TEST_F(ProxyWindowTest, AnOldSettingsFileLoadsWithNoProxyAndTheDialogStoresItBesideThePassiveLine)
{
    EXPECT_FALSE(window->proxyOption().proxy().Enabled());
    QAction* passive = item("Passivemode1");
    EXPECT_TRUE(passive->isEnabled());
    EXPECT_FALSE(passive->isChecked());
    EXPECT_FALSE(item("Proxy1")->text().isEmpty());

    // A host is needed; the dialog says so and stays open.
    dialogs.expectMessage("Please enter the proxy's host and a port from 1 to 65535");
    chooseProxy("SOCKS 4", "", "1080", "", "", true);
    EXPECT_EQ(settingsLines(), (Strings{"first", "second", "0"}));
    EXPECT_FALSE(window->proxyOption().proxy().Enabled());

    chooseProxy("SOCKS 5", "gw.example", "1081", "me", "secret");
    EXPECT_EQ(settingsLines(), (Strings{"first", "second", "0", "socks5", "gw.example", "1081", "me", "secret"}));
    struct stat info {};
    ASSERT_EQ(::stat(data.file("prox.dfd").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u) << "a stored proxy password must be the owner's alone";
    // The mark shows passive mode, cannot be clicked, and the log says why.
    EXPECT_TRUE(passive->isChecked());
    EXPECT_FALSE(passive->isEnabled());
    EXPECT_TRUE(window->passiveMode().passive());
    EXPECT_EQ(occurrences(logText(), kPassiveNote), 1u) << logText();
    for (TCustomFtpCli* client : {static_cast<TCustomFtpCli*>(&window->sessionChannel().client()),
                                  static_cast<TCustomFtpCli*>(&window->transferQueue().client())}) {
        EXPECT_EQ(client->Proxy().host, "gw.example");
        EXPECT_EQ(client->Proxy().port, "1081");
        EXPECT_TRUE(client->DataPassive());
    }

    // Back to no proxy: the user's own mark returns and can be clicked again.
    chooseProxy("No proxy");
    EXPECT_EQ(settingsLines(), (Strings{"first", "second", "0", "none", "", "", "", ""}));
    EXPECT_FALSE(passive->isChecked());
    EXPECT_TRUE(passive->isEnabled());
    EXPECT_FALSE(window->sessionChannel().client().DataPassive());
    passive->trigger();
    EXPECT_EQ(settingsLines(), (Strings{"first", "second", "1", "none", "", "", "", ""}));
    EXPECT_EQ(dialogs.pending(), 0u);
}

// The proxy's outgoing connections come from 127.0.0.2, and the server takes
// data connections only from where its control connection came from: a data
// connection made around the proxy would be refused.
TEST_F(ProxyWindowTest, BrowsingAndBothTransferDirectionsGoThroughAnAuthenticatingProxy)
{
    SocksProxyServer proxy("pxuser", "pxpass", "127.0.0.2");
    ASSERT_TRUE(proxy.started()) << "microsocks could not be started";
    const QString proxyPort = QString::number(proxy.port());
    site.write("docs/readme.txt", "remote readme");
    std::string bytes(5 * 1024 * 1024, '\0');
    std::mt19937 generator(26);
    for (char& byte : bytes)
        byte = static_cast<char>(generator() & 0xFF);
    local.write("big.bin", bytes);

    chooseProxy("SOCKS 5", "127.0.0.1", proxyPort, "pxuser", "pxpass");
    connectAsTestUser();
    ASSERT_TRUE(waitUntilBrowsing()) << logText();
    EXPECT_NE(childNames(root()).indexOf("docs"), -1);

    ASSERT_TRUE(window->localPanel().setLocalDirectory(local.path()));
    selectLocal("big.bin");
    click(c->BitBtn2);
    ASSERT_TRUE(waitUntilQueueEnds()) << logText();
    EXPECT_TRUE(site.read("big.bin") == bytes) << "the upload is not byte-identical";

    ASSERT_TRUE(waitUntil([&] { return fileItem("big.bin") != nullptr; })) << logText();
    TempDir back;
    ASSERT_TRUE(window->localPanel().setLocalDirectory(back.path()));
    clickFile(fileItem("big.bin"));
    click(c->BitBtn3);
    ASSERT_TRUE(waitUntilQueueEnds()) << logText();
    EXPECT_TRUE(back.read("big.bin") == bytes) << "the download is not byte-identical";
    const Strings seen = commands();
    EXPECT_NE(std::find(seen.begin(), seen.end(), "PASV"), seen.end());
    EXPECT_EQ(std::find(seen.begin(), seen.end(), "PORT"), seen.end());

    // Disconnect, then a wrong proxy password: the proxy's refusal is shown
    // in the log and as a message, and the window is ready for another try.
    click(c->connectknap);
    ASSERT_TRUE(waitUntil([&] { return !channel().client().Connected() && !session().requestRunning(); }));
    chooseProxy("SOCKS 5", "127.0.0.1", proxyPort, "pxuser", "wrong");
    const QString refusal = "500 SOCKS proxy 127.0.0.1:" + proxyPort + ": socks authentication failed (error #20015)";
    dialogs.expectMessage(refusal);
    click(c->connectknap);
    ASSERT_TRUE(waitUntil([&] { return logText().find("socks authentication failed") != std::string::npos; }))
        << logText();
    ASSERT_TRUE(waitUntil([&] { return !session().requestRunning(); }));
    EXPECT_FALSE(session().connected());
    EXPECT_EQ(dialogs.pending(), 0u);

    chooseProxy("SOCKS 5", "127.0.0.1", proxyPort, "pxuser", "pxpass");
    click(c->connectknap);
    ASSERT_TRUE(waitUntilBrowsing()) << logText();
}
