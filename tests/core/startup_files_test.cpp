#include "core/data_files.h"
#include "core/first_start_files.h"
#include "core/placeholder_password.h"
#include "core/restore_files.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <sys/stat.h>

namespace {

std::string queueFile(int entries)
{
    std::string text = std::to_string(entries) + "\r\n";
    for (int e = 1; e <= entries; ++e) {
        const std::string n = std::to_string(e);
        for (const std::string& field : {"1/home/u/site/f" + n + ".htm", std::string("127.0.0.1"), std::string("demo"),
                                         std::string("demo"), std::string("2121"), std::string("/www"),
                                         "f" + n + ".htm", std::string("120"), std::string("0")})
            text += field + "\r\n";
    }
    return text;
}

const std::string kResumeRecord =
    "127.0.0.1\r\ndemo\r\ndemo\r\n2121\r\n/home/u/big.iso\r\nbig.iso\r\n/home/u/big.iso\r\n/pub\r\nbig.iso\r\n"
    "7340032\r\n1\r\n";

TEST(DataFilePaths, EveryFileSitsDirectlyInTheDataDirectory)
{
    const DataFilePaths paths = DataFilePaths::inDirectory("/home/u/.local/share/tavlinftp");
    EXPECT_EQ(paths.dataDirectory, "/home/u/.local/share/tavlinftp");
    const std::pair<std::string, const char*> expected[] = {
        {paths.fiext1Fil, "fiext1.fil"}, {paths.ftpdirlTxt, "FTPDIRL.TXT"}, {paths.rstfilTxt, "rstfil.txt"},
        {paths.koefilDfd, "koefil.dfd"}, {paths.serv3Adr, "serv3.adr"},   {paths.servAdr, "serv.adr"},
        {paths.ascdDfd, "ascd.dfd"},     {paths.proxDfd, "prox.dfd"},     {paths.wbprjDfd, "wbprj.dfd"},
        {paths.nywebDfd, "nyweb.dfd"},   {paths.nyweb2Dfd, "nyweb2.dfd"}, {paths.defilDfd, "defil.dfd"},
    };
    for (const auto& [path, name] : expected)
        EXPECT_EQ(path, std::string("/home/u/.local/share/tavlinftp/") + name);

    // A data directory at the root gets no doubled separator.
    EXPECT_EQ(DataFilePaths::inDirectory("/").koefilDfd, "/koefil.dfd");
    EXPECT_EQ(DataFilePaths::inDirectory("/srv/data/").wbprjDfd, "/srv/data/wbprj.dfd");

    // Long paths are kept whole: a cut path would name another file.
    const std::string deep = "/" + std::string(120, 'a') + "/" + std::string(120, 'b') + "/" + std::string(60, 'c');
    const DataFilePaths longPaths = DataFilePaths::inDirectory(deep);
    EXPECT_EQ(longPaths.nyweb2Dfd, deep + "/nyweb2.dfd");
    EXPECT_GT(longPaths.nyweb2Dfd.size(), 255u);
}

class RestoreFiles : public ::testing::Test {
protected:
    TempDir dir;
    DataFilePaths paths = DataFilePaths::inDirectory(dir.path());
    TextLineList restore{{"stale"}};
    TextLineList deletions{{"built-in sites"}};
};

TEST_F(RestoreFiles, NothingLeftBehindSetsNoFlag)
{
    const StartupFlags flags = loadRestoreFiles(paths, restore, deletions);
    EXPECT_FALSE(flags.anySet());
    EXPECT_EQ(deletions.lineOr(0), "built-in sites");
}

TEST_F(RestoreFiles, AResumeRecordWinsOverAQueue)
{
    dir.write("rstfil.txt", kResumeRecord);
    dir.write("koefil.dfd", queueFile(2));
    dir.write("nyweb2.dfd", "1\r\n");
    const StartupFlags flags = loadRestoreFiles(paths, restore, deletions);
    EXPECT_TRUE(flags.resumeRecordLoaded);
    EXPECT_FALSE(flags.queueLoaded);
    EXPECT_FALSE(flags.pendingProjectLoaded);
    EXPECT_EQ(restore.size(), 11u);
    EXPECT_EQ(restore[9], "7340032");
    // No queue: the deletion list buffer is not touched.
    EXPECT_EQ(deletions.lineOr(0), "built-in sites");
}

TEST_F(RestoreFiles, AQueueAloneIsLoadedAndClearsTheDeletionBuffer)
{
    dir.write("koefil.dfd", queueFile(2));
    const StartupFlags flags = loadRestoreFiles(paths, restore, deletions);
    EXPECT_FALSE(flags.resumeRecordLoaded);
    EXPECT_TRUE(flags.queueLoaded);
    EXPECT_FALSE(flags.pendingProjectLoaded);
    EXPECT_EQ(restore.size(), 19u);
    EXPECT_EQ(restore[0], "2");
    EXPECT_EQ(restore[16], "f2.htm");
    EXPECT_TRUE(deletions.empty());
}

TEST_F(RestoreFiles, AQueueWithAPendingRunKeepsTheQueueAndLoadsTheDeletionList)
{
    dir.write("koefil.dfd", queueFile(1));
    dir.write("nyweb2.dfd", "1\r\n site\r\n1\r\n1\r\n");
    dir.write("defil.dfd", "127.0.0.1\r\ndemo\r\ndemo\r\n2121\r\n/www\r\nold.htm\r\n");
    const StartupFlags flags = loadRestoreFiles(paths, restore, deletions);
    EXPECT_TRUE(flags.queueLoaded);
    EXPECT_TRUE(flags.pendingProjectLoaded);
    EXPECT_EQ(restore, TextLineList(TextLineList::splitLines(queueFile(1))));
    ASSERT_EQ(deletions.size(), 6u);
    EXPECT_EQ(deletions[5], "old.htm");
}

// A run of deletions only, or one killed after its queue was worked off,
// has no queue file: it is still a run to finish.
TEST_F(RestoreFiles, APendingProjectWithoutAQueueIsARunToFinish)
{
    dir.write("nyweb2.dfd", "1\r\n");
    dir.write("defil.dfd", "x\r\n");
    const StartupFlags flags = loadRestoreFiles(paths, restore, deletions);
    EXPECT_FALSE(flags.queueLoaded);
    EXPECT_TRUE(flags.pendingProjectLoaded);
    EXPECT_EQ(restore.lineOr(0), "stale");
    EXPECT_EQ(deletions, TextLineList({"x"}));
}

TEST_F(RestoreFiles, DamagedOrUnreadableFilesAreNotTakenUp)
{
    // A resume record cut short, and a queue whose count promises more
    // entries than it holds.
    dir.write("rstfil.txt", "127.0.0.1\r\ndemo\r\n");
    dir.write("koefil.dfd", "3\r\n" + queueFile(1).substr(3));
    StartupFlags flags = loadRestoreFiles(paths, restore, deletions);
    EXPECT_FALSE(flags.anySet());
    EXPECT_EQ(restore.lineOr(0), "stale");

    // A queue with no count, with a count of 0, and with binary noise.
    for (const std::string& bad : {std::string("abc\r\n"), std::string("0\r\n"), std::string("\x01\xff\x00\x02", 4),
                                   std::string()}) {
        dir.write("koefil.dfd", bad);
        flags = loadRestoreFiles(paths, restore, deletions);
        EXPECT_FALSE(flags.queueLoaded) << bad;
    }

    // A queue file that cannot be read (a folder of that name).
    std::remove(paths.koefilDfd.c_str());
    ASSERT_EQ(::mkdir(paths.koefilDfd.c_str(), 0700), 0);
    flags = loadRestoreFiles(paths, restore, deletions);
    EXPECT_FALSE(flags.anySet());
}

TEST_F(RestoreFiles, AGarbledPendingProjectFileLeavesOnlyTheQueue)
{
    dir.write("koefil.dfd", queueFile(1));
    dir.write("nyweb2.dfd", "not a count\r\n");
    const StartupFlags flags = loadRestoreFiles(paths, restore, deletions);
    EXPECT_TRUE(flags.queueLoaded);
    EXPECT_FALSE(flags.pendingProjectLoaded);
}

class FirstStartFiles : public ::testing::Test {
protected:
    TempDir dir;
    DataFilePaths paths = DataFilePaths::inDirectory(dir.path());
};

TEST_F(FirstStartFiles, WritesTheFourFilesWithTheirExactContents)
{
    const FirstStartOutcome outcome = writeFirstStartFiles(paths, builtInSiteList());
    EXPECT_FALSE(outcome.oldSiteListRead);
    EXPECT_EQ(outcome.written, (std::vector<std::string>{paths.serv3Adr, paths.ascdDfd, paths.wbprjDfd, paths.proxDfd}));

    const std::string sites = dir.read("serv3.adr");
    const std::vector<std::string> lines = TextLineList::splitLines(sites);
    ASSERT_EQ(lines.size(), 48u);
    EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.begin() + 8),
              (std::vector<std::string>{"Local demo server", "127.0.0.1", "demo", "demo", "2121", "", "", "0"}));
    for (std::size_t site = 1; site < 6; ++site) {
        EXPECT_FALSE(lines[8 * site].empty());
        EXPECT_EQ(lines[8 * site + 2], "anonymous");
        EXPECT_EQ(lines[8 * site + 3], kPlaceholderEmailPassword);
        EXPECT_EQ(lines[8 * site + 4], "21");
        EXPECT_EQ(lines[8 * site + 7], "0");
    }
    // Every line ends in CR LF.
    EXPECT_EQ(sites.substr(0, 19), "Local demo server\r\n");
    EXPECT_EQ(sites.size() - sites.find_last_not_of("\r\n") - 1, 2u);

    EXPECT_EQ(dir.read("ascd.dfd"), ".htm\r\n.txt\r\n.bat\r\n.pas\r\n.asp\r\n.css\r\n.sql\r\n.log\r\n");
    EXPECT_EQ(dir.read("wbprj.dfd"), "0\r\n");
    EXPECT_EQ(dir.read("prox.dfd"), "\r\n\r\n0\r\n");
}

TEST_F(FirstStartFiles, AnOldSiteListIsReadAndNoBuiltInListWritten)
{
    dir.write("serv.adr", "ftp.example.net\r\nme\r\nsecret\r\n21\r\n/home/me\r\n");
    const FirstStartOutcome outcome = writeFirstStartFiles(paths, builtInSiteList());
    EXPECT_TRUE(outcome.oldSiteListRead);
    EXPECT_EQ(outcome.oldSiteList.size(), 5u);
    EXPECT_EQ(dir.read("serv3.adr"), "");
    EXPECT_EQ(dir.read("wbprj.dfd"), "0\r\n");
}

TEST_F(FirstStartFiles, FilesThatExistAreNeverReplaced)
{
    // The icon table was deleted; the user's files beside it must survive.
    const std::string projects = "1\r\n site\r\n1\r\n1\r\n";
    dir.write("wbprj.dfd", projects);
    dir.write("serv3.adr", "Mine\r\nh\r\nu\r\np\r\n21\r\n\r\n\r\n1\r\n");
    dir.write("ascd.dfd", ".php\r\n");
    dir.write("prox.dfd", "proxy\r\n8080\r\n1\r\n");
    const FirstStartOutcome outcome = writeFirstStartFiles(paths, builtInSiteList());
    EXPECT_TRUE(outcome.written.empty());
    EXPECT_EQ(dir.read("wbprj.dfd"), projects);
    EXPECT_EQ(dir.read("serv3.adr"), "Mine\r\nh\r\nu\r\np\r\n21\r\n\r\n\r\n1\r\n");
    EXPECT_EQ(dir.read("ascd.dfd"), ".php\r\n");
    EXPECT_EQ(dir.read("prox.dfd"), "proxy\r\n8080\r\n1\r\n");
}

}  // namespace
