#include "app/file_helper.h"
#include "core/file_copy.h"
#include "support/opened_urls.h"
#include "support/scripted_dialogs.h"
#include "support/temp_dir.h"

#include <QUrl>

#include <gtest/gtest.h>

#include <filesystem>

TEST(ExecuteFile, OpensTheFileInTheDefaultDirectoryWithoutCuttingIt)
{
    OpenedUrls opened;
    const std::string longName = std::string(120, 'n') + ".html";
    EXPECT_TRUE(executeFile(longName, " ", "/srv/site", kShowWindowAsIs));
    EXPECT_TRUE(executeFile("/abs/page.htm", " ", "/srv/site", kShowWindowAsIs));
    EXPECT_FALSE(executeFile("", " ", "/srv/site", kShowWindowAsIs));
    ASSERT_EQ(opened.urls.size(), 2);
    EXPECT_EQ(opened.urls[0].toLocalFile().toStdString(), "/srv/site/" + longName);
    EXPECT_EQ(opened.urls[1].toLocalFile(), QStringLiteral("/abs/page.htm"));
}

TEST(CopyFile, OverwritesTheDestination)
{
    TempDir dir;
    ScriptedDialogs dialogs;
    dir.write("nyweb2.dfd", "1\r\nnew\r\n1\r\n1\r\n");
    dir.write("wbprj.dfd", "0\r\n");
    EXPECT_TRUE(copyFile(dir.file("nyweb2.dfd"), dir.file("wbprj.dfd"), dialogs));
    EXPECT_EQ(dir.read("wbprj.dfd"), "1\r\nnew\r\n1\r\n1\r\n");
    EXPECT_EQ(dir.read("nyweb2.dfd"), "1\r\nnew\r\n1\r\n1\r\n");

    // A relative destination is taken from the current directory.
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    EXPECT_TRUE(copyFile(dir.file("nyweb2.dfd"), "relative.dfd", dialogs));
    std::filesystem::current_path(previous);
    EXPECT_EQ(dir.read("relative.dfd"), "1\r\nnew\r\n1\r\n1\r\n");

    // Onto itself: the file keeps its content.
    EXPECT_TRUE(copyFileOver(dir.file("wbprj.dfd"), dir.file("wbprj.dfd")));
    EXPECT_EQ(dir.read("wbprj.dfd"), "1\r\nnew\r\n1\r\n1\r\n");
}

TEST(CopyFile, FailureIsShownAndLeavesTheOldDestination)
{
    TempDir dir;
    ScriptedDialogs dialogs;
    dir.write("wbprj.dfd", "0\r\n");
    dialogs.expectMessage(QStringLiteral("Please give the destination filename"));
    EXPECT_FALSE(copyFile(dir.file("missing.dfd"), dir.file("wbprj.dfd"), dialogs));
    EXPECT_EQ(dir.read("wbprj.dfd"), "0\r\n");

    dir.write("source.dfd", "x");
    dialogs.expectMessage(QStringLiteral("Please give the destination filename"));
    EXPECT_FALSE(copyFile(dir.file("source.dfd"), dir.file("no/such/folder/x.dfd"), dialogs));
    EXPECT_EQ(dialogs.pending(), 0u);
    // No temporary copies are left behind.
    std::size_t entries = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.path()))
        ++entries;
    EXPECT_EQ(entries, 2u);
}
