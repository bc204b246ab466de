#include "core/directory_search.h"
#include "core/dos_date_time.h"
#include "core/file_attributes.h"
#include "core/wildcard.h"
#include "support/temp_dir.h"
#include "support/time_fixtures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// Stamps depend on the local time zone; every test here fixes it.
class FixedTimeZone : public ::testing::Test {
    ScopedTimeZone zone_{"UTC"};
};

void setModified(const std::string& path, std::time_t when)
{
    ASSERT_TRUE(setModifiedTime(path, when));
}

std::vector<std::string> namesOf(const std::vector<DirectoryEntry>& entries)
{
    std::vector<std::string> names;
    for (const auto& e : entries)
        names.push_back(e.name);
    std::sort(names.begin(), names.end());
    return names;
}

const DirectoryEntry* find(const std::vector<DirectoryEntry>& entries, const std::string& name)
{
    for (const auto& e : entries)
        if (e.name == name)
            return &e;
    return nullptr;
}

} // namespace

using UploadStamp = FixedTimeZone;

TEST_F(UploadStamp, PacksLocalTimeIntoDosDateAndTimeDigits)
{
    const DosDateTime packed = dosDateTimeFromTime(utcTime(2005, 12, 31, 23, 59, 58));
    EXPECT_EQ(packed.date, 13215);
    EXPECT_EQ(packed.time, 49021);
    EXPECT_EQ(uploadStampText(packed), "1321549021");

    // Odd seconds fall to the even second below; the first DOS day.
    EXPECT_EQ(dosDateTimeFromTime(utcTime(2005, 12, 31, 23, 59, 59)), packed);
    EXPECT_EQ(uploadStampText(dosDateTimeFromTime(utcTime(1980, 1, 1, 0, 0, 0))), "330");
}

TEST_F(UploadStamp, FollowsTheLocalZoneNotUtc)
{
    ::setenv("TZ", "CET-1", 1);
    ::tzset();
    // 23:00 UTC on 31 Dec is already 1 January 2006 00:00 in CET.
    const DosDateTime packed = dosDateTimeFromTime(utcTime(2005, 12, 31, 23, 0, 0));
    EXPECT_EQ(packed.date, (26 << 9) | (1 << 5) | 1);
    EXPECT_EQ(packed.time, 0);
}

TEST_F(UploadStamp, TimesOutsideTheDosRangeStillGiveDigits)
{
    EXPECT_EQ(uploadStampText(dosDateTimeFromTime(utcTime(1970, 6, 1, 12, 0, 0))), "330");
    EXPECT_EQ(dosDateTimeFromTime(utcTime(2200, 1, 1, 0, 0, 0)).date, (127 << 9) | (12 << 5) | 31);
}

TEST_F(UploadStamp, LookupOfOnePathTakesBothSeparatorsAndNeverAnotherFile)
{
    TempDir dir;
    dir.write("site/index.html", "<html>");
    setModified(dir.file("site/index.html"), utcTime(2005, 12, 31, 23, 59, 58));

    EXPECT_EQ(uploadStampOf(dir.file("site/index.html")), "1321549021");
    std::string withBackslashes = dir.file("site\\index.html");
    EXPECT_EQ(uploadStampOf(withBackslashes), "1321549021");

    // A '?' is a character of the stored name, not a wildcard.
    EXPECT_EQ(uploadStampOf(dir.file("site/index.htm?")), std::nullopt);
    EXPECT_EQ(uploadStampOf(dir.file("site/missing.html")), std::nullopt);
    EXPECT_EQ(uploadStampOf(""), std::nullopt);

    // A directory of that name is found as well.
    const auto folder = lookUpPath(dir.file("site"));
    ASSERT_TRUE(folder);
    EXPECT_EQ(folder->name, "site");
    EXPECT_EQ(folder->attributes, kAttrDirectory);

    // A link that leads nowhere is an entry, but no file to upload.
    fs::create_symlink(dir.file("nowhere"), dir.file("site/dangling"));
    ASSERT_TRUE(lookUpPath(dir.file("site/dangling")));
    EXPECT_EQ(uploadStampOf(dir.file("site/dangling")), std::nullopt);
}

TEST(AttributeWord, DescribesReadOnlyHiddenSpecialAndDirectories)
{
    TempDir dir;
    dir.write("plain.txt", "x");
    dir.write("locked.txt", "x");
    dir.write(".hidden", "x");
    fs::create_directory(dir.file("sub"));
    fs::create_directory(dir.file(".git"));
    ::chmod(dir.file("locked.txt").c_str(), 0444);
    ASSERT_EQ(::mkfifo(dir.file("pipe").c_str(), 0644), 0);

    const auto entries = findEntries(dir.file("*.*"), true);
    auto attributesOf = [&](const std::string& name) {
        const DirectoryEntry* e = find(entries, name);
        return e ? e->attributes : 0xFFFFu;
    };
    EXPECT_EQ(attributesOf("plain.txt"), kAttrArchive);
    EXPECT_EQ(attributesOf("locked.txt"), kAttrArchive | kAttrReadOnly);
    EXPECT_EQ(attributesOf(".hidden"), kAttrArchive | kAttrHidden);
    EXPECT_EQ(attributesOf("pipe"), kAttrArchive | kAttrSystem);
    EXPECT_EQ(attributesOf("sub"), kAttrDirectory);
    EXPECT_EQ(attributesOf(".git"), kAttrDirectory);
}

TEST(Wildcard, WindowsPatternMeaning)
{
    EXPECT_TRUE(wildcardMatch("*.*", "Makefile"));
    EXPECT_TRUE(wildcardMatch("*.*", "index.html"));
    EXPECT_TRUE(wildcardMatch("*.*", ".htaccess"));
    EXPECT_TRUE(wildcardMatch("*", "anything.at.all"));
    EXPECT_TRUE(wildcardMatch("*.HTM", "page.htm"));
    EXPECT_FALSE(wildcardMatch("*.htm", "page.html"));
    EXPECT_TRUE(wildcardMatch("a??c.txt", "abbc.TXT"));
    EXPECT_FALSE(wildcardMatch("a??c.txt", "abc.txt"));
    EXPECT_FALSE(wildcardMatch("a??c.txt", "abbbc.txt"));
    EXPECT_TRUE(wildcardMatch("???file.exe", "my_file.exe"));
    EXPECT_TRUE(wildcardMatch("readme.*", "README"));
    EXPECT_FALSE(wildcardMatch("readme.*", "readme2"));
    EXPECT_TRUE(wildcardMatch("*a*b*c", "xxaxxbxxbxxc"));
    EXPECT_FALSE(wildcardMatch("*a*b*c", "xxaxxbxxbxxd"));
    // Bytes beyond ASCII must match exactly (names need not be UTF-8).
    EXPECT_TRUE(wildcardMatch("caf\xe9.*", "caf\xe9.txt"));
    EXPECT_FALSE(wildcardMatch("caf\xc9.*", "caf\xe9.txt"));
    // A long run of stars is not exponential.
    EXPECT_FALSE(wildcardMatch(std::string(200, '*') + "x", std::string(5000, 'a')));
}

TEST_F(UploadStamp, DirectorySearchYieldsSizeTimeAndHonoursDirectoriesFlag)
{
    TempDir dir;
    dir.write("Makefile", std::string(1500, 'm'));
    dir.write("page.HTM", "<p>");
    dir.write("other.txt", "");
    fs::create_directory(dir.file("images"));
    setModified(dir.file("page.HTM"), utcTime(2005, 12, 31, 23, 59, 58));

    EXPECT_EQ(namesOf(findEntries(dir.file("*.*"), true)),
              (std::vector<std::string>{"Makefile", "images", "other.txt", "page.HTM"}));
    EXPECT_EQ(namesOf(findEntries(dir.file("*.*"), false)),
              (std::vector<std::string>{"Makefile", "other.txt", "page.HTM"}));
    EXPECT_EQ(namesOf(findEntries(dir.file("*.htm"), true)), (std::vector<std::string>{"page.HTM"}));
    EXPECT_TRUE(findEntries(dir.file("*.gif"), true).empty());
    EXPECT_TRUE(findEntries(dir.file("no-such-folder/*.*"), true).empty());
    EXPECT_TRUE(findEntries(dir.path() + "/", true).empty());

    const auto entries = findEntries(dir.file("*.*"), true);
    EXPECT_EQ(find(entries, "Makefile")->size, 1500u);
    EXPECT_EQ(find(entries, "images")->size, 0u);
    EXPECT_EQ(uploadStampText(find(entries, "page.HTM")->dosTime), "1321549021");

    // Without a folder the pattern is looked for in the current directory.
    const auto previous = fs::current_path();
    fs::current_path(dir.path());
    EXPECT_EQ(namesOf(findEntries("*.txt", true)), (std::vector<std::string>{"other.txt"}));
    fs::current_path(previous);
}

TEST(DirectorySearch, RootFolderAndUnreadableFolder)
{
    // The drive root of this system: "/" followed directly by the pattern.
    const auto root = findEntries("/*.*", true);
    EXPECT_NE(find(root, "tmp"), nullptr);
    EXPECT_EQ(find(root, "."), nullptr);
    EXPECT_EQ(find(root, ".."), nullptr);

    if (::geteuid() == 0)
        GTEST_SKIP() << "root reads every folder";
    TempDir dir;
    dir.write("closed/a.txt", "x");
    ::chmod(dir.file("closed").c_str(), 0);
    DirectorySearch search(dir.file("closed/*.*"), true);
    EXPECT_FALSE(search.isOpen());
    DirectoryEntry entry;
    EXPECT_FALSE(search.next(entry));
}
