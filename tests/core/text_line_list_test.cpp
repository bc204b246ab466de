#include "core/data_paths.h"
#include "core/text_line_list.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

TEST(TextLineList, SplitsOnCrLfAndBareLf)
{
    EXPECT_EQ(TextLineList::splitLines("a\r\nb\nc"), (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(TextLineList::splitLines("a\r\n\r\n"), (std::vector<std::string>{"a", ""}));
    EXPECT_TRUE(TextLineList::splitLines("").empty());
    // A lone CR is part of the line, not a line end.
    EXPECT_EQ(TextLineList::splitLines("a\rb\r\n"), (std::vector<std::string>{"a\rb"}));
}

TEST(TextLineList, SaveWritesCrLfAndRoundTripsBytes)
{
    TempDir dir;
    TextLineList list({"0", "", "caf\xe9 not utf-8", "last"});
    ASSERT_TRUE(list.saveToFile(dir.file("x.dfd")));
    EXPECT_EQ(dir.read("x.dfd"), "0\r\n\r\ncaf\xe9 not utf-8\r\nlast\r\n");

    TextLineList loaded;
    ASSERT_TRUE(loaded.loadFromFile(dir.file("x.dfd")));
    EXPECT_EQ(loaded, list);
}

TEST(TextLineList, FailedLoadKeepsListAndFailedSaveReportsIt)
{
    TempDir dir;
    TextLineList list({"keep"});
    EXPECT_FALSE(list.loadFromFile(dir.file("missing.dfd")));
    EXPECT_EQ(list.lineOr(0), "keep");
    EXPECT_EQ(list.lineOr(5, "none"), "none");
    EXPECT_FALSE(list.saveToFile(dir.file("no/such/folder/x.dfd")));
    // A folder where a file is expected is "not loaded", not an exception.
    dir.write("folder.dfd/inside", "x");
    EXPECT_FALSE(list.loadFromFile(dir.file("folder.dfd")));
    EXPECT_EQ(list.lineOr(0), "keep");
}

TEST(DataPaths, JoinAddsOneSeparatorAndNeverCuts)
{
    EXPECT_EQ(joinPath("/home/u/data", "koefil.dfd"), "/home/u/data/koefil.dfd");
    EXPECT_EQ(joinPath("/", "koefil.dfd"), "/koefil.dfd");
    const std::string longDir = "/" + std::string(300, 'd');
    EXPECT_EQ(joinPath(longDir, "serv3.adr").size(), longDir.size() + 10);
}
