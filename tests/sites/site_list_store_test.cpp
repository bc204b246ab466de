#include "sites/site_list_store.h"

#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

std::string siteLines(const std::string& name, const std::string& port = "21")
{
    return name + "\r\nhost." + name + "\r\nuser\r\npw\r\n" + port + "\r\n/local\r\n/remote\r\n0\r\n";
}

}  // namespace

TEST(SiteListStore, ConvertsOldFileWhenNoNewFileExists)
{
    TempDir dir;
    dir.write("serv.adr", "ftp.a.com\r\nanna\r\nsecret\r\n21\r\n/home/anna\r\n"
                          "ftp.b.com\r\nbob\r\npw\r\n2121\r\n\r\n");
    SiteListStore store;
    store.load(dir.path());

    ASSERT_EQ(store.siteCount(), 2u);
    EXPECT_EQ(store.path(), dir.file("serv3.adr"));
    EXPECT_EQ(dir.read("serv3.adr"),
              "Servername 1\r\nftp.a.com\r\nanna\r\nsecret\r\n21\r\n/home/anna\r\n\r\n0\r\n"
              "Servername 2\r\nftp.b.com\r\nbob\r\npw\r\n2121\r\n\r\n\r\n0\r\n");
    EXPECT_EQ(store.lines().size(), 16u);
    // The old file is left as it was.
    EXPECT_TRUE(std::filesystem::exists(dir.file("serv.adr")));

    // Saving goes to the new file from now on. It holds passwords: a copy
    // readable by others is closed to them at the first save.
    std::filesystem::permissions(dir.file("serv3.adr"), std::filesystem::perms(0644));
    ASSERT_TRUE(store.setField(1, SiteField::Port, "21"));
    EXPECT_EQ(dir.read("serv.adr").substr(0, 9), "ftp.a.com");
    EXPECT_NE(dir.read("serv3.adr").find("bob\r\npw\r\n21\r\n"), std::string::npos);
    EXPECT_EQ(std::filesystem::status(dir.file("serv3.adr")).permissions(), std::filesystem::perms(0600));
}

TEST(SiteListStore, OldFileWithPartialRecordConvertsCompleteOnesOnly)
{
    TempDir dir;
    dir.write("serv.adr", "h1\r\nu1\r\np1\r\n21\r\nl1\r\nh2\r\nu2\r\n");
    SiteListStore store;
    store.load(dir.path());
    EXPECT_EQ(store.siteCount(), 1u);
    EXPECT_EQ(store.lines().size(), 8u);
}

TEST(SiteListStore, NeitherFileGivesAnEmptyListAndAnEmptyFile)
{
    TempDir dir;
    SiteListStore store;
    store.load(dir.path());
    EXPECT_EQ(store.siteCount(), 0u);
    ASSERT_TRUE(std::filesystem::exists(dir.file("serv3.adr")));
    EXPECT_EQ(dir.read("serv3.adr"), "");
    EXPECT_FALSE(store.deleteSite(0));
}

TEST(SiteListStore, NewFileWinsOverOldFile)
{
    TempDir dir;
    dir.write("serv3.adr", siteLines("one"));
    dir.write("serv.adr", "h\r\nu\r\np\r\n21\r\nl\r\n");
    SiteListStore store;
    store.load(dir.path());
    ASSERT_EQ(store.siteCount(), 1u);
    EXPECT_EQ(store.field(0, SiteField::Name), "one");
}

TEST(SiteListStore, PartialRecordIsIgnoredButKeptOnDisk)
{
    TempDir dir;
    const std::string content = siteLines("one") + siteLines("two") + "stray\r\n";
    dir.write("serv3.adr", content);
    SiteListStore store;
    store.load(dir.path());
    ASSERT_EQ(store.siteCount(), 2u);
    EXPECT_EQ(store.field(1, SiteField::Name), "two");
    EXPECT_EQ(store.field(2, SiteField::Name), "");
    EXPECT_EQ(dir.read("serv3.adr"), content);  // loading never rewrites

    // A new site goes in front of the stray line, so it stays a whole record.
    SiteRecord added;
    added[SiteField::Name] = "three";
    added[SiteField::Passive] = "1";
    ASSERT_TRUE(store.appendSite(added));
    ASSERT_EQ(store.siteCount(), 3u);
    EXPECT_EQ(store.site(2), added);
    EXPECT_EQ(dir.read("serv3.adr"),
              siteLines("one") + siteLines("two") + "three\r\n\r\n\r\n\r\n\r\n\r\n\r\n1\r\nstray\r\n");
}

TEST(SiteListStore, UnusualBytesSurviveEditsOfOtherLines)
{
    TempDir dir;
    const std::string longLine(100000, 'x');
    const std::string latin1 = "caf\xe9";
    dir.write("serv3.adr", latin1 + "\r\n" + longLine + "\r\nu\r\np\r\n21\r\n\r\n\r\n0\r\n");
    SiteListStore store;
    store.load(dir.path());
    ASSERT_TRUE(store.setField(0, SiteField::Port, "990"));
    EXPECT_EQ(dir.read("serv3.adr"), latin1 + "\r\n" + longLine + "\r\nu\r\np\r\n990\r\n\r\n\r\n0\r\n");
}

TEST(SiteListStore, EditsTouchOnlyTheirSite)
{
    TempDir dir;
    dir.write("serv3.adr", siteLines("a") + siteLines("b") + siteLines("c"));
    SiteListStore store;
    store.load(dir.path());

    ASSERT_TRUE(store.setField(1, SiteField::Port, "2121"));
    EXPECT_EQ(dir.read("serv3.adr"), siteLines("a") + siteLines("b", "2121") + siteLines("c"));

    SiteRecord replacement = store.site(0);
    replacement[SiteField::Host] = "changed";
    ASSERT_TRUE(store.replaceSite(0, replacement));
    EXPECT_EQ(store.lines()[1], "changed");
    EXPECT_EQ(store.lines().size(), 24u);

    ASSERT_TRUE(store.deleteSite(1));
    EXPECT_EQ(store.siteCount(), 2u);
    EXPECT_EQ(store.field(1, SiteField::Name), "c");
    EXPECT_FALSE(store.setField(2, SiteField::Name, "nope"));
    EXPECT_FALSE(store.replaceSite(5, replacement));
    EXPECT_EQ(store.lines().size(), 16u);
}
