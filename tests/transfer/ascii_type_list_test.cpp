#include "transfer/ascii_type_list.h"

#include "support/temp_dir.h"

#include <gtest/gtest.h>

TEST(AsciiTypeList, MissingFileAtStartLeavesListEmptyAndRetriesOnShowing)
{
    TempDir dir;
    AsciiTypeList list;
    list.loadAtStart(dir.path());
    EXPECT_TRUE(list.loadFailedAtStart());
    EXPECT_TRUE(list.extensions().empty());
    EXPECT_EQ(list.path(), dir.file("ascd.dfd"));

    dir.write("ascd.dfd", ".htm\r\n.js\n");
    // An editor given no directory keeps the path from the start rather
    // than looking in the file system's root.
    list.prepareForShowing("");
    EXPECT_EQ(list.path(), dir.file("ascd.dfd"));
    EXPECT_EQ(list.extensions(), (std::vector<std::string>{".htm", ".js"}));
}

TEST(AsciiTypeList, ShowingDoesNotReloadAfterASuccessfulStart)
{
    TempDir dir;
    dir.write("ascd.dfd", ".htm\r\n.txt\r\n");
    AsciiTypeList list;
    list.loadAtStart(dir.path());
    ASSERT_FALSE(list.loadFailedAtStart());
    list.removeAt(0);
    list.prepareForShowing(dir.path());
    EXPECT_EQ(list.extensions(), (std::vector<std::string>{".txt"}));
}

TEST(AsciiTypeList, ConfirmAddsDotSavesAndTellsWhetherToStayOpen)
{
    TempDir dir;
    dir.write("ascd.dfd", ".htm\r\n");
    AsciiTypeList list;
    list.loadAtStart(dir.path());

    auto result = list.confirm("cgi");
    EXPECT_EQ(result.next, AsciiTypeList::AfterConfirm::KeepOpen);
    EXPECT_TRUE(result.saved);
    EXPECT_EQ(dir.read("ascd.dfd"), ".htm\r\n.cgi\r\n");

    list.confirm(".htm");  // already has its dot; a duplicate is kept
    EXPECT_EQ(dir.read("ascd.dfd"), ".htm\r\n.cgi\r\n.htm\r\n");

    list.removeAt(1);
    EXPECT_EQ(dir.read("ascd.dfd"), ".htm\r\n.cgi\r\n.htm\r\n");  // removal waits for OK
    result = list.confirm("");
    EXPECT_EQ(result.next, AsciiTypeList::AfterConfirm::Close);
    EXPECT_EQ(dir.read("ascd.dfd"), ".htm\r\n.htm\r\n");
}

TEST(AsciiTypeList, RemoveOutsideTheListRemovesNothing)
{
    TempDir dir;
    dir.write("ascd.dfd", ".a\r\n.b\r\n");
    AsciiTypeList list;
    list.loadAtStart(dir.path());
    list.removeAt(2);
    list.removeAt(static_cast<std::size_t>(-1));
    EXPECT_EQ(list.extensions().size(), 2u);
}

TEST(AsciiTypeList, FailedSaveIsReportedAndTheListKeepsTheAddition)
{
    TempDir dir;
    AsciiTypeList list;
    list.loadAtStart(dir.file("no-such-folder"));
    const auto result = list.confirm("txt");
    EXPECT_FALSE(result.saved);
    EXPECT_EQ(list.extensions(), (std::vector<std::string>{".txt"}));
}
