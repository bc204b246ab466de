#include "core/file_type_icon_table.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <map>
#include <sys/stat.h>

namespace {

// An icon source with a fixed answer per probed pattern; it records every
// probe path it was asked about.
struct FakeProbe {
    std::map<std::string, int> indexByPattern;  // "*.htm" -> 7
    std::vector<std::string> asked;

    FileTypeProbe function()
    {
        return [this](const std::string& probePath) {
            asked.push_back(probePath);
            const std::string pattern = probePath.substr(probePath.rfind('/') + 1);
            auto found = indexByPattern.find(pattern);
            return FileTypeProbeResult{found == indexByPattern.end() ? 0 : found->second, "type"};
        };
    }
};

TEST(FileTypeIconTable, ExtensionAndProbePath)
{
    EXPECT_EQ(fileExtension("index.html"), ".html");
    EXPECT_EQ(fileExtension("archive.tar.gz"), ".gz");
    EXPECT_EQ(fileExtension("README"), "");
    EXPECT_EQ(fileExtension("trailing."), ".");
    EXPECT_EQ(fileTypeProbePath("/", ".html"), "/*.htm");
    EXPECT_EQ(fileTypeProbePath("/etc", ".conf"), "/etc/*.con");
    EXPECT_EQ(fileTypeProbePath("/etc", ".c"), "/etc/*.c");
}

TEST(FileTypeIconTable, LinesAreAddedOnceAndComAddsExeLines)
{
    TextLineList table;
    EXPECT_TRUE(addFileTypeLine(table, ".txt", 2));
    EXPECT_FALSE(addFileTypeLine(table, ".txt", 2));
    // Same extension with another index is another line.
    EXPECT_TRUE(addFileTypeLine(table, ".txt", 5));
    EXPECT_TRUE(addFileTypeLine(table, ".COM", 31));
    EXPECT_FALSE(addFileTypeLine(table, ".COM", 31));
    EXPECT_TRUE(addFileTypeLine(table, ".com", 31));
    EXPECT_EQ(table.lines(), (std::vector<std::string>{".txt2", ".txt5", ".COM31", ".EXE31", ".exe31", ".com31"}));
}

TEST(FileTypeIconTable, OnlyTheFirst500LinesAreComparedForDuplicates)
{
    TextLineList table;
    for (int i = 0; i < 499; ++i)
        table.append(".x" + std::to_string(i) + "1");
    EXPECT_TRUE(addFileTypeLine(table, ".late", 3));  // line 500
    EXPECT_FALSE(addFileTypeLine(table, ".late", 3));
    EXPECT_TRUE(addFileTypeLine(table, ".later", 3));  // line 501
    EXPECT_TRUE(addFileTypeLine(table, ".later", 3));  // beyond the limit: added again
    EXPECT_EQ(table.size(), 502u);
    EXPECT_EQ(table[501], ".later3");
}

class CollectFileTypes : public ::testing::Test {
protected:
    TempDir root;
    FakeProbe probe;
    TextLineList table;

    void SetUp() override
    {
        probe.indexByPattern = {{"*.htm", 3}, {"*.txt", 2}, {"*.css", 4}, {"*.COM", 31}, {"*.com", 31},
                                {"*.png", 16}, {"*.cfg", 1}};
    }
};

TEST_F(CollectFileTypes, WalksTheRootAndItsFoldersOneLevelDeep)
{
    root.write("index.html", "x");
    root.write("site/old.htm", "x");
    root.write("site/style.css", "x");
    root.write("site/deep/notes.txt", "x");  // two levels down: not looked at
    root.write("docs/a.txt", "x");
    root.write("docs/b.txt", "x");           // the same line again
    root.write("tools/RUN.COM", "x");
    root.write("tools/setup.exe", "x");
    root.write("tools/SETUP.EXE", "x");
    root.write("tools/Makefile", "x");
    root.write("tools/data.unknownext", "x");  // the probe has no icon for it
    collectFileTypes(root.path(), probe.function(), table);

    std::multiset<std::string> lines(table.begin(), table.end());
    EXPECT_EQ(lines, (std::multiset<std::string>{".html3", ".htm3", ".css4", ".txt2", ".COM31", ".EXE31", ".exe31"}))
        << ::testing::PrintToString(table.lines());
    // ".EXE" and ".exe" follow ".COM" directly.
    auto com = std::find(table.begin(), table.end(), ".COM31");
    ASSERT_NE(com, table.end());
    EXPECT_EQ(*(com + 1), ".EXE31");
    EXPECT_EQ(*(com + 2), ".exe31");
    // ".html" was probed as "*.htm", in the folder it was found in.
    EXPECT_NE(std::find(probe.asked.begin(), probe.asked.end(), root.path() + "/*.htm"), probe.asked.end());
    EXPECT_NE(std::find(probe.asked.begin(), probe.asked.end(), root.path() + "/site/*.htm"), probe.asked.end());
    for (const std::string& asked : probe.asked) {
        EXPECT_EQ(asked.find("deep"), std::string::npos);
        EXPECT_EQ(asked.find(".exe"), std::string::npos);
        EXPECT_EQ(asked.find(".EXE"), std::string::npos);
    }
}

TEST_F(CollectFileTypes, OnlyOrdinaryFilesCount)
{
    root.write("visible.txt", "x");
    root.write(".hidden.css", "x");     // hidden
    root.write("locked.png", "x");      // read-only for its owner
    ::chmod(root.file("locked.png").c_str(), 0444);
    ::mkfifo(root.file("pipe.cfg").c_str(), 0600);  // not a regular file
    collectFileTypes(root.path(), probe.function(), table);
    EXPECT_EQ(table.lines(), std::vector<std::string>{".txt2"});
}

TEST_F(CollectFileTypes, AnUnreadableRootAddsNothing)
{
    collectFileTypes(root.file("missing"), probe.function(), table);
    EXPECT_TRUE(table.empty());
    EXPECT_TRUE(probe.asked.empty());
}

}  // namespace
