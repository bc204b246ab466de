// The help pages and the About entry, opened from the main window's and the
// WebWatch window's menus.
#include "support/scripted_dialogs.h"
#include "support/temp_dir.h"
#include "support/test_main_window.h"
#include "ui/help_window.h"
#include "ui/main_window.h"
#include "ui/webwatch_window.h"

#include <QAction>
#include <QApplication>
#include <QPushButton>
#include <QSet>
#include <QTest>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextDocument>

#include <gtest/gtest.h>

namespace {

class HelpPages : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        window->show();
    }

    QAction* item(const QObject& owner, const char* name)
    {
        return owner.findChild<QAction*>(QString::fromLatin1(name));
    }
};

// The links of the page the browser shows.
QStringList linksOf(const QTextBrowser& browser)
{
    QStringList links;
    for (QTextBlock block = browser.document()->begin(); block.isValid(); block = block.next())
        for (auto fragment = block.begin(); !fragment.atEnd(); ++fragment)
            if (const QString href = fragment.fragment().charFormat().anchorHref(); !href.isEmpty())
                links << href;
    links.removeDuplicates();
    return links;
}

TEST_F(HelpPages, HelpOpensTheContentsAndEveryLinkLeadsToAPage)
{
    item(*window, "Help1")->trigger();
    auto* helpWindow = window->findChild<HelpWindow*>();
    ASSERT_NE(helpWindow, nullptr);
    EXPECT_TRUE(helpWindow->isVisible());
    auto* browser = helpWindow->findChild<QTextBrowser*>(QStringLiteral("helpBrowser"));
    EXPECT_EQ(browser->source(), helpPageUrl("index.html"));
    EXPECT_EQ(browser->documentTitle(), "Tavlin FTP help");

    // Follow every link from the contents, the way a reader clicks through.
    QStringList toVisit{QStringLiteral("index.html")};
    QSet<QString> visited;
    QString webwatchPage;
    while (!toVisit.isEmpty()) {
        const QString page = toVisit.takeFirst();
        if (visited.contains(page))
            continue;
        visited.insert(page);
        browser->setSource(helpPageUrl(page));
        EXPECT_FALSE(browser->documentTitle().isEmpty()) << page.toStdString();
        EXPECT_GT(browser->toPlainText().size(), 200) << page.toStdString();
        if (page == "webwatch.html")
            webwatchPage = browser->toPlainText();
        for (const QString& link : linksOf(*browser)) {
            EXPECT_FALSE(link.contains(':')) << "leaves the help: " << link.toStdString();
            toVisit << link;
        }
    }
    const QSet<QString> pages{"index.html",    "connecting.html", "transfers.html",  "recording.html",
                              "webwatch.html", "datafiles.html",  "commandline.html"};
    EXPECT_EQ(visited, pages);
    EXPECT_TRUE(webwatchPage.contains("Clean directory"));
    EXPECT_TRUE(webwatchPage.contains("Delete missing files"));

    // Back goes to the page seen before, Contents to the first.
    auto* back = helpWindow->findChild<QPushButton*>(QStringLiteral("helpBackButton"));
    ASSERT_TRUE(back->isEnabled());
    const QUrl before = browser->historyUrl(-1);
    QTest::mouseClick(back, Qt::LeftButton);
    EXPECT_EQ(browser->source(), before);
    QTest::mouseClick(helpWindow->findChild<QPushButton*>(QStringLiteral("helpContentsButton")), Qt::LeftButton);
    EXPECT_EQ(browser->source(), helpPageUrl("index.html"));

    // Read with the keyboard, closed with it too.
    QTest::keyClick(browser, Qt::Key_Escape);
    EXPECT_FALSE(helpWindow->isVisible());
}

TEST_F(HelpPages, WebwatchHelpOpensAtTheWebwatchPageAboutTellsVersionAndLicence)
{
    window->openWebwatch();
    TWebwatch& webwatch = window->webwatchWindow();
    ASSERT_TRUE(webwatch.isVisible());
    item(webwatch, "Help2")->trigger();
    // Its own help window, so the modal WebWatch window does not block it.
    auto* helpWindow = webwatch.findChild<HelpWindow*>();
    ASSERT_NE(helpWindow, nullptr);
    EXPECT_TRUE(helpWindow->isVisible());
    EXPECT_EQ(helpWindow->findChild<QTextBrowser*>()->source(), helpPageUrl("webwatch.html"));
    webwatch.reject();

    dialogs.expectMessage(QStringLiteral("Tavlin FTP 2.1\n\n"
                                         "A desktop FTP client that keeps web sites up to date.\n\n"
                                         "Licence: proprietary, all rights reserved."),
                          QStringLiteral("About Tavlin FTP"));
    item(*window, "About1")->trigger();
    EXPECT_EQ(dialogs.pending(), 0u);
}

}  // namespace
