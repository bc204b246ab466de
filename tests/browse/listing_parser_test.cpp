#include "remote/listing_parser.h"

#include "remote/listing_date.h"

#include <gtest/gtest.h>

namespace {

std::vector<ListingEntry> parseAll(const std::vector<std::string>& lines)
{
    ListingParser parser(lines);
    std::vector<ListingEntry> entries;
    while (auto entry = parser.next())
        entries.push_back(*entry);
    return entries;
}

std::vector<std::string> names(const std::vector<ListingEntry>& entries)
{
    std::vector<std::string> out;
    for (const auto& e : entries)
        out.push_back(e.name);
    return out;
}

std::string fileLine(const std::string& name, const std::string& size = "12345",
                     const std::string& date = "Jan 14 10:22")
{
    return "-rw-r--r--   1 user     group    " + size + " " + date + " " + name;
}

} // namespace

TEST(ListingParser, FileColumnsGiveNameSizeAndDate)
{
    auto entries = parseAll({fileLine("index.html"), fileLine("small.txt", "1023"),
                             fileLine("empty.txt", "0"), fileLine("old.txt", "77", "Mar  3  2019")});
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_EQ(entries[0].kind, ListingEntry::Kind::File);
    EXPECT_EQ(entries[0].name, "index.html");
    EXPECT_EQ(entries[0].size, 12345);
    EXPECT_EQ(entries[0].date, "Jan 14 10:22");
    EXPECT_EQ(remoteSizeText(entries[0].size), "12KB");
    EXPECT_EQ(remoteTypeText(entries[0].name), "html File");
    EXPECT_EQ(remoteSizeText(entries[1].size), "1023");
    EXPECT_EQ(remoteSizeText(entries[2].size), "");
    EXPECT_EQ(entries[3].date, "Mar  3  2019");
    EXPECT_EQ(entries[3].size, 77);
}

TEST(ListingParser, SizeAndTypeTexts)
{
    EXPECT_EQ(remoteSizeText(1024), "1KB");
    EXPECT_EQ(remoteSizeText(-5), "");
    EXPECT_EQ(remoteSizeText(5 * 1024 * 1024 + 3), "5120KB");
    EXPECT_EQ(remoteTypeText("README"), " File");
    EXPECT_EQ(remoteTypeText("archive.tar.gz"), "gz File");
    EXPECT_EQ(remoteTypeText(".htaccess"), "htaccess File");
}

TEST(ListingParser, NameIsEverythingAfterTheDate)
{
    // Blanks, digits, tabs, leading blanks and arrows all belong to the
    // name; cutting any of them would name another file on the server.
    auto entries = parseAll({fileLine("my file.txt"), fileLine("release 2 notes"), fileLine("01 Track.mp3"),
                             "drwxr-xr-x   2 user     group     4096 Jan 14 10:22 2024 photos",
                             fileLine("  two leading blanks"), fileLine("tab\tinside"),
                             fileLine("a -> b.txt"), fileLine("Jan 5 2020 notes", "88", "Mar  3  2019"),
                             fileLine("trailing blank ")});
    EXPECT_EQ(names(entries), (std::vector<std::string>{"my file.txt", "release 2 notes", "01 Track.mp3",
                                                        "2024 photos", "  two leading blanks", "tab\tinside",
                                                        "a -> b.txt", "Jan 5 2020 notes", "trailing blank "}));
    EXPECT_EQ(entries[1].size, 12345);
    EXPECT_EQ(entries[1].date, "Jan 14 10:22");
    EXPECT_EQ(entries[3].kind, ListingEntry::Kind::Directory);
    EXPECT_EQ(entries[6].kind, ListingEntry::Kind::File);
    EXPECT_EQ(entries[6].linkTarget, "");
    EXPECT_EQ(entries[7].size, 88);
    EXPECT_EQ(entries[7].date, "Mar  3  2019");
}

TEST(ListingParser, ColumnsAreFoundWithOrWithoutAGroup)
{
    auto entries = parseAll({
        // No group column.
        "-rw-r--r--   1 webuser     512 Jan 14 10:22 7 fields.txt",
        // Numeric owner and group, an access-list mark after the permissions.
        "-rw-r--r--+  1 1000 1000  2048 Feb  9  2021 3 more.txt",
        // Tabs between the columns, and a date spread wider than usual.
        "-rw-r--r--\t1\tuser\tgroup\t77\tMar\t3\t9:05\tx 1 y",
        // An owner of two words.
        "drwxr-xr-x   3 Domain Users  staff  0 Dec 24 23:59 12 days",
    });
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_EQ(entries[0].name, "7 fields.txt");
    EXPECT_EQ(entries[0].size, 512);
    EXPECT_EQ(entries[0].date, "Jan 14 10:22");
    EXPECT_EQ(entries[1].name, "3 more.txt");
    EXPECT_EQ(entries[1].size, 2048);
    EXPECT_EQ(entries[1].date, "Feb  9  2021");
    EXPECT_EQ(entries[2].name, "x 1 y");
    EXPECT_EQ(entries[2].size, 77);
    EXPECT_EQ(entries[2].date, "Mar  3  9:05");
    EXPECT_EQ(entries[3].name, "12 days");
    EXPECT_EQ(entries[3].kind, ListingEntry::Kind::Directory);
}

TEST(ListingParser, LineOfAnotherLayoutIsTakenByPosition)
{
    // No Unix columns: the name starts after the last blank behind a digit.
    auto entries = parseAll({"01-14-20  10:22AM                12345 index.html"});
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].name, "index.html");
}

TEST(ListingParser, LinkGivesNameAndTarget)
{
    auto entries = parseAll({"lrwxrwxrwx   1 user     group        9 Feb  1 12:00 docs -> /pub/docs",
                             "lrwxrwxrwx   1 user     group       14 Feb  1 12:00 my docs -> /pub/my docs",
                             "lrwxrwxrwx   1 user     group        3 Feb  1 12:00 2 up -> ../.."});
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].kind, ListingEntry::Kind::Link);
    EXPECT_EQ(entries[0].name, "docs");
    EXPECT_EQ(entries[0].linkTarget, "/pub/docs");
    EXPECT_EQ(entries[0].date, "Feb  1 12:00");
    EXPECT_EQ(entries[0].size, 9);
    EXPECT_EQ(entries[1].name, "my docs");
    EXPECT_EQ(entries[1].linkTarget, "/pub/my docs");
    EXPECT_EQ(entries[2].name, "2 up");
    EXPECT_EQ(entries[2].linkTarget, "../..");
}

TEST(ListingParser, TotalLineEmptyLineArrowLinesAndDotEntries)
{
    // "total" is only special as the first line; an empty line ends the
    // listing; lines starting with ">" and the entries "." and ".." create
    // nothing.
    auto entries = parseAll({"total 12",
                             "drwxr-xr-x   2 user group 4096 Jan 14 10:22 .",
                             "drwxr-xr-x   2 user group 4096 Jan 14 10:22 ..",
                             "> some server remark 1 x",
                             fileLine("a.txt"),
                             "",
                             fileLine("after-empty.txt")});
    EXPECT_EQ(names(entries), (std::vector<std::string>{"a.txt"}));

    // Without a total line the first line is an entry.
    EXPECT_EQ(names(parseAll({fileLine("first.txt"), fileLine("second.txt")})),
              (std::vector<std::string>{"first.txt", "second.txt"}));
    EXPECT_TRUE(ListingParser({}).emptyListing());
    EXPECT_FALSE(ListingParser({"total 0"}).emptyListing());
    EXPECT_TRUE(parseAll({"total 0"}).empty());
}

TEST(ListingParser, LooksAtTenThousandLinesAtMost)
{
    std::vector<std::string> lines;
    for (int i = 0; i < 10005; ++i)
        lines.push_back(fileLine("f" + std::to_string(i)));
    ListingParser parser(lines);
    int count = 0;
    std::string last;
    while (auto e = parser.next()) {
        ++count;
        last = e->name;
    }
    EXPECT_EQ(count, 10000);
    EXPECT_EQ(last, "f9999");
    EXPECT_TRUE(parser.truncatedAtLineLimit());

    // The limit counts from the first line of the file, total line included.
    lines.resize(10000);
    lines[0] = "total 40000";
    EXPECT_EQ(parseAll(lines).size(), 9999u);
}

TEST(ListingParser, OverlongLinesAndFieldsAreLeftOutNotCut)
{
    const std::string name511(507, 'n');
    const std::string maxName = name511 + ".txt"; // 511 characters
    const std::string longName = maxName + "x";   // 512: cutting would name another file
    // A very wide owner column: the line length is the only limit hit.
    const std::string head = "-rw-r--r--   1 ";
    const std::string tail = " 12345 Jan 14 10:22 z";
    const std::string owner(1022 - head.size() - tail.size(), 'o');
    const std::string line1022 = head + owner + tail;
    ASSERT_EQ(line1022.size(), 1022u);
    const std::string line1023 = head + owner + "o" + tail;

    ListingParser parser({fileLine(maxName), fileLine(longName), line1023,
                          "lrwxrwxrwx 1 u g 9 Feb  1 12:00 far -> /" + std::string(511, 't'),
                          "lrwxrwxrwx 1 u g 9 Feb  1 12:00 near -> /" + std::string(510, 't'), line1022});
    std::vector<ListingEntry> entries;
    while (auto e = parser.next())
        entries.push_back(*e);
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].name, maxName);
    EXPECT_EQ(entries[1].name, "near");
    EXPECT_EQ(entries[1].linkTarget.size(), 511u);
    EXPECT_EQ(entries[2].name, "z");
    EXPECT_EQ(entries[2].size, 12345);
    EXPECT_EQ(parser.leftOutCount(), 3u);
}

TEST(ListingParser, NamesThatCannotBeRemoteFileNamesAreLeftOut)
{
    ListingParser parser({fileLine("../../etc/passwd"), fileLine("sub/x"), fileLine("ok.txt")});
    std::vector<std::string> seen;
    while (auto e = parser.next())
        seen.push_back(e->name);
    EXPECT_EQ(seen, (std::vector<std::string>{"ok.txt"}));
    EXPECT_EQ(parser.leftOutCount(), 2u);
}

TEST(ListingParser, LineWithoutColumnsReusesThePreviousPositions)
{
    // The second line has no blank after a digit; the name is taken from
    // where the first line's name started.
    const std::string first = fileLine("index.html");
    const std::size_t nameStart = first.size() - std::string("index.html").size();
    std::string second = "-rw-r--r--   x user     group    abcde Jan xx yy:zz ";
    second.resize(nameStart, ' ');
    second += "other name";
    auto entries = parseAll({first, second});
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[1].name, "other name");
    EXPECT_EQ(entries[1].size, 0);
}

TEST(ListingParser, GarbageLinesNeverCrashAndYieldWhatThePositionsGive)
{
    std::vector<std::string> lines = {"x", "-", "l", "d", "l ->", "l a -> b", "-1 ", "d 9 a",
                                      std::string("\xff\xfe\x00\x01 2 3", 8), "l 1 -> ", "-rw 99999999999999999999999 Jan 14 10:22 big"};
    auto entries = parseAll(lines);
    for (const auto& e : entries) {
        EXPECT_FALSE(e.name.empty());
        EXPECT_LE(e.date.size(), kListingDateLength);
        EXPECT_GE(e.size, 0);
    }
    // "d 9 a": a directory named "a" (the blank after the digit 9).
    bool sawA = false;
    for (const auto& e : entries)
        sawA = sawA || (e.name == "a" && e.kind == ListingEntry::Kind::Directory);
    EXPECT_TRUE(sawA);
}

TEST(ListingParser, LeadingNumber)
{
    EXPECT_EQ(leadingNumber(" 12345"), 12345);
    EXPECT_EQ(leadingNumber("12KB"), 12);
    EXPECT_EQ(leadingNumber("abc"), 0);
    EXPECT_EQ(leadingNumber(""), 0);
    EXPECT_EQ(leadingNumber("99999999999999999999999"), 0);
    EXPECT_EQ(leadingNumber("9223372036854775"), 9223372036854775);
}

TEST(ListingParser, IconLookupComparesFourExtensionCharacters)
{
    const std::vector<std::string> table = {".txt3", ".htm12", ".html40", ".jpeg7"};
    EXPECT_EQ(iconIndexForFile("readme.txt", table), 3);
    // ".html" matches the ".htm" line first.
    EXPECT_EQ(iconIndexForFile("index.html", table), 12);
    EXPECT_EQ(iconIndexForFile("a.gz", table), 0);
    EXPECT_EQ(iconIndexForFile("noext", table), 0);
    // A first matching line with a longer extension yields 0.
    EXPECT_EQ(iconIndexForFile("photo.jpeg", table), 0);
    EXPECT_EQ(iconIndexForFile("page.html", {".html40"}), 0);

    // Only the first 1800 lines take part.
    std::vector<std::string> longTable(1800, ".xyz1");
    longTable.push_back(".pdf9");
    EXPECT_EQ(iconIndexForFile("a.pdf", longTable), 0);
    longTable[1799] = ".pdf9";
    EXPECT_EQ(iconIndexForFile("a.pdf", longTable), 9);
}

// A Windows server's lines give what the same files' Unix lines give: a
// folder for <DIR>, the size, the whole name after the blanks, and the date
// in the Unix form (to the minute within the last half year, to the day
// before it), which reads back as the same time.
TEST(ListingParser, WindowsStyleLinesGiveTheEntriesUnixLinesWould)
{
    using namespace std::chrono;
    const sys_seconds now = sys_days{2024y / March / 10} + 15h;
    ListingParser parser({"01-14-24  10:22AM       <DIR>          My Folder",
                          "01-14-24  10:22PM                12345 index.html",
                          "03-01-2024  12:05AM                  0 midnight file.txt",
                          "03-01-24  12:05PM                    7 two  blanks ",
                          "03-11-24  09:30AM                    1 tomorrow.txt",
                          "12-31-99  11:59PM                 1024 old.txt",
                          "01-01-00  01:00AM                    1 y2k.txt",
                          "06-30-70  09:00AM                    1 seventy.txt",
                          "06-30-69  21:00                      1 sixty-nine.txt",
                          "01-14-24  10:22AM       <DIR>          ..",
                          "01-14-24  10:22AM                    5 ../escape.txt"},
                         now);
    std::vector<ListingEntry> entries;
    while (auto entry = parser.next())
        entries.push_back(*entry);
    ASSERT_EQ(entries.size(), 9u);
    EXPECT_EQ(parser.leftOutCount(), 1u);
    struct Expected {
        ListingEntry::Kind kind;
        std::string name;
        std::int64_t size;
        std::string date;
        sys_seconds time;
    };
    const ListingEntry::Kind file = ListingEntry::Kind::File;
    const std::vector<Expected> expected = {
        {ListingEntry::Kind::Directory, "My Folder", 0, "Jan 14 10:22", sys_days{2024y / January / 14} + 10h + 22min},
        {file, "index.html", 12345, "Jan 14 22:22", sys_days{2024y / January / 14} + 22h + 22min},
        {file, "midnight file.txt", 0, "Mar  1 00:05", sys_days{2024y / March / 1} + 5min},
        {file, "two  blanks ", 7, "Mar  1 12:05", sys_days{2024y / March / 1} + 12h + 5min},
        {file, "tomorrow.txt", 1, "Mar 11 09:30", sys_days{2024y / March / 11} + 9h + 30min},
        {file, "old.txt", 1024, "Dec 31  1999", sys_days{1999y / December / 31}},
        {file, "y2k.txt", 1, "Jan  1  2000", sys_days{2000y / January / 1}},
        {file, "seventy.txt", 1, "Jun 30  1970", sys_days{1970y / June / 30}},
        {file, "sixty-nine.txt", 1, "Jun 30  2069", sys_days{2069y / June / 30}},
    };
    for (std::size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(expected[i].name);
        EXPECT_EQ(entries[i].kind, expected[i].kind);
        EXPECT_EQ(entries[i].name, expected[i].name);
        EXPECT_EQ(entries[i].size, expected[i].size);
        EXPECT_EQ(entries[i].date, expected[i].date);
        const std::optional<ListingTime> time = listingTime(entries[i].date, now);
        ASSERT_TRUE(time.has_value());
        EXPECT_EQ(time->start, expected[i].time);
    }
    // Not a date or a time of day: not read as a Windows line.
    EXPECT_FALSE(unixFormOfWindowsDate("02-30-24", "10:00AM", now));
    EXPECT_FALSE(unixFormOfWindowsDate("13-01-24", "10:00AM", now));
    EXPECT_FALSE(unixFormOfWindowsDate("01-14-24", "13:00PM", now));
    EXPECT_FALSE(unixFormOfWindowsDate("01-14-24", "0:00AM", now));
    EXPECT_FALSE(unixFormOfWindowsDate("01-14-24", "24:00", now));
}
