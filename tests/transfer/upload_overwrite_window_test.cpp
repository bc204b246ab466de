// "Ask before overwriting on the server" in the real main window (offscreen,
// against the real FTP server): an upload whose name the remote list shows
// asks first, and each answer leaves the server's files as it says.
#include "../browse/browse_window_harness.h"

#include "app/local_panel.h"
#include "support/time_fixtures.h"
#include "transfer/transfer_queue.h"
#include "transfer/upload_overwrite_question.h"

#include <QAction>
#include <QListWidget>

#include <chrono>
#include <filesystem>

namespace {

namespace fs = std::filesystem;

constexpr int kOverwriteIfNewer = 1;
constexpr int kSkip = 2;
constexpr int kRename = 3;

class UploadOverwriteWindowTest : public BrowseWindowTest {
protected:
    void SetUp() override
    {
        BrowseWindowTest::SetUp();
        fs::create_directories(site.path() + "/web");
    }

    // Chooses these local files with Ctrl-click and presses Upload.
    void uploadChosen(const QStringList& names)
    {
        ctrlClick(c->ListView2, names);
        click(c->BitBtn2);
    }

    // The chosen names in the order the local list shows them (the order
    // the questions come in).
    QStringList inLocalListOrder(const QStringList& names) const
    {
        QStringList ordered;
        for (int i = 0; i < c->ListView2->topLevelItemCount(); ++i)
            if (names.contains(c->ListView2->topLevelItem(i)->text(0)))
                ordered << c->ListView2->topLevelItem(i)->text(0);
        return ordered;
    }

    bool waitUntilQueueEndsAndListed(int files)
    {
        return waitUntil(
            [&] {
                return !window->transferQueue().busy() && c->ListBox4->count() == 0 &&
                       !window->transferQueue().client().Connected() && !session().requestRunning() &&
                       fileNames().size() == files;
            },
            30000);
    }

    static void setAge(const std::string& path, std::chrono::minutes age)
    {
        fs::last_write_time(path, fs::file_time_type::clock::now() - age);
    }

    TempDir local;
};

TEST_F(UploadOverwriteWindowTest, SkipLeavesTheServersFileWhileTheOtherFileGoesUp)
{
    site.write("web/page.html", "the server's page");
    local.write("page.html", "a local page");
    local.write("new.txt", "a new file");
    openServerFolderBesideLocal("web", local.path());
    ASSERT_EQ(fileNames(), QStringList{"page.html"});

    // Off by default: the menu item is unticked until the user ticks it, and
    // the settings file keeps the choice.
    QAction* ask = window->findChild<QAction*>(QStringLiteral("AskBeforeOverwriting"));
    ASSERT_NE(ask, nullptr);
    EXPECT_FALSE(ask->isChecked());
    ask->trigger();
    EXPECT_TRUE(ask->isChecked());
    EXPECT_NE(data.read("tavlinftp.ini").find("AskBeforeOverwriting=true"), std::string::npos);

    dialogs.expectChoice(UploadOverwriteQuestion::kCaption, "page.html is already on the server in ./web", kSkip,
                         false);
    uploadChosen({"page.html", "new.txt"});
    ASSERT_TRUE(waitUntilQueueEndsAndListed(2)) << logText();
    EXPECT_EQ(site.read("web/page.html"), "the server's page");
    EXPECT_EQ(site.read("web/new.txt"), "a new file");
    ASSERT_EQ(dialogs.shown().size(), 1u);
    EXPECT_EQ(dialogs.shown()[0].choices,
              QStringList({"Overwrite", "Overwrite if newer", "Skip", "Rename…", "Cancel"}));
    EXPECT_EQ(dialogs.shown()[0].checkBoxText, "Apply to all");
}

TEST_F(UploadOverwriteWindowTest, AnAnswerForAllHoldsForTheRestOfItsActionOnly)
{
    using namespace std::chrono_literals;
    site.write("web/old.html", "server old");
    site.write("web/fresh.html", "server fresh");
    local.write("old.html", "local old");
    local.write("fresh.html", "local fresh");
    // The server's copies were changed two hours ago; the local old.html
    // before that, fresh.html since.
    setAge(site.file("web/old.html"), 120min);
    setAge(site.file("web/fresh.html"), 120min);
    setAge(local.file("old.html"), 180min);
    setAge(local.file("fresh.html"), 60min);
    window->findChild<QAction*>(QStringLiteral("AskBeforeOverwriting"))->trigger();
    openServerFolderBesideLocal("web", local.path());
    const QStringList both = inLocalListOrder({"old.html", "fresh.html"});
    ASSERT_EQ(both.size(), 2);

    // "Overwrite if newer" for all: one question, and only the newer file
    // replaces the server's.
    dialogs.expectChoice(UploadOverwriteQuestion::kCaption, both[0] + " is already on the server",
                         kOverwriteIfNewer, true);
    uploadChosen(both);
    ASSERT_TRUE(waitUntilQueueEndsAndListed(2)) << logText();
    EXPECT_EQ(site.read("web/fresh.html"), "local fresh");
    EXPECT_EQ(site.read("web/old.html"), "server old");
    EXPECT_EQ(dialogs.shown().size(), 1u);

    // The next upload asks again; "Rename…" for all then asks each file's
    // new name, and the server's files stay as they are.
    dialogs.expectChoice(UploadOverwriteQuestion::kCaption, both[0] + " is already on the server", kRename, true)
        .expectNameDialog("Name on the server for " + both[0], DialogAnswer::Ok, "copy-" + both[0], "Upload as")
        .expectNameDialog("Name on the server for " + both[1], DialogAnswer::Ok, "copy-" + both[1], "Upload as");
    uploadChosen(both);
    ASSERT_TRUE(waitUntilQueueEndsAndListed(4)) << logText();
    EXPECT_EQ(site.read("web/copy-old.html"), "local old");
    EXPECT_EQ(site.read("web/copy-fresh.html"), "local fresh");
    EXPECT_EQ(site.read("web/old.html"), "server old");
    EXPECT_EQ(site.read("web/fresh.html"), "local fresh");
    EXPECT_EQ(dialogs.pending(), 0u);
    // The shared name dialog is left as the other operations expect it.
    EXPECT_EQ(window->dialogs().nameDialog().caption, "Write name");
}

// A name typed for "Rename…" that the server lists too is asked about
// again, and the dialog starts with the name the question was about.
TEST_F(UploadOverwriteWindowTest, RenameToANameTheServerListsAsksAgain)
{
    site.write("web/a.html", "server a");
    site.write("web/b.html", "server b");
    local.write("a.html", "local a");
    window->findChild<QAction*>(QStringLiteral("AskBeforeOverwriting"))->trigger();
    openServerFolderBesideLocal("web", local.path());
    dialogs.expectChoice(UploadOverwriteQuestion::kCaption, "a.html is already on the server", kRename)
        .expectNameDialog("Name on the server for a.html", DialogAnswer::Ok, QStringLiteral("b.html"), "Upload as")
        .expectChoice(UploadOverwriteQuestion::kCaption, "b.html is already on the server", kRename)
        .expectNameDialog("Name on the server for b.html", DialogAnswer::Ok, QStringLiteral("c.html"), "Upload as");
    uploadChosen({"a.html"});
    ASSERT_TRUE(waitUntilQueueEndsAndListed(3)) << logText();
    EXPECT_EQ(site.read("web/a.html"), "server a");
    EXPECT_EQ(site.read("web/b.html"), "server b");
    EXPECT_EQ(site.read("web/c.html"), "local a");
    ASSERT_EQ(dialogs.shown().size(), 4u);
    EXPECT_EQ(dialogs.shown()[1].name.editText, QStringLiteral("a.html"));
    EXPECT_EQ(dialogs.pending(), 0u);
}

// A server that lists its dates in another language ("Mai 05  2020"):
// "Overwrite if newer" cannot tell which copy is newer, and sends the file,
// as an upload without the question would, even when the local file is the
// older one.
class ForeignDatesUploadWindowTest : public UploadOverwriteWindowTest {
protected:
    void SetUp() override
    {
        serverOptions.listingMonthNames = {"Jan", "Feb", "Mär", "Apr", "Mai", "Jun",
                                           "Jul", "Aug", "Sep", "Okt", "Nov", "Dez"};
        UploadOverwriteWindowTest::SetUp();
    }
};

TEST_F(ForeignDatesUploadWindowTest, OverwriteIfNewerSendsAFileWhoseServerDateCannotBeRead)
{
    site.write("web/page.html", "server page");
    local.write("page.html", "local page");
    ASSERT_TRUE(setModifiedTime(site.file("web/page.html"), 1588680000));  // 5 May 2020
    ASSERT_TRUE(setModifiedTime(local.file("page.html"), 1546344000));     // 1 January 2019
    window->findChild<QAction*>(QStringLiteral("AskBeforeOverwriting"))->trigger();
    openServerFolderBesideLocal("web", local.path());
    ASSERT_EQ(fileText("page.html", 3).simplified(), QStringLiteral("Mai 05 2020"));
    dialogs.expectChoice(UploadOverwriteQuestion::kCaption, "page.html is already on the server", kOverwriteIfNewer);
    uploadChosen({"page.html"});
    ASSERT_TRUE(waitUntilQueueEndsAndListed(1)) << logText();
    EXPECT_EQ(site.read("web/page.html"), "local page");
    EXPECT_EQ(logText().find("not uploaded"), std::string::npos) << logText();
}

}  // namespace
