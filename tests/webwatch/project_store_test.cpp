#include "core/text_line_list.h"
#include "support/random_bytes.h"
#include "support/temp_dir.h"
#include "support/time_fixtures.h"
#include "webwatch/project_store.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <sys/time.h>

namespace {

ProjectFileEntry makeFile(const std::string& localPath, const std::string& remoteName,
                          bool binary = false, bool notClean = false, const std::string& stamp = "May")
{
    ProjectFileEntry entry;
    entry.localPath = localPath;
    entry.server = "ftp.example.org";
    entry.login = "webmaster";
    entry.password = "secret";
    entry.port = "21";
    entry.remoteDirectory = "/www";
    entry.remoteFileName = remoteName;
    entry.binary = binary;
    entry.notClean = notClean;
    entry.stamp = stamp;
    return entry;
}

std::vector<std::string> recordOf(const std::string& localPath, const std::string& remoteName,
                                  const std::string& mode, const std::string& stamp)
{
    return {" " + localPath, " ftp.example.org", " webmaster", " secret", " 21", " /www",
            " " + remoteName, " " + mode, " " + stamp};
}

// Builds file lines: a count, then the blocks given.
TextLineList linesOf(std::initializer_list<std::vector<std::string>> blocks)
{
    TextLineList lines;
    for (const auto& block : blocks)
        for (const auto& line : block)
            lines.append(line);
    return lines;
}

ProjectStore storeOf(TextLineList lines)
{
    ProjectStore store;
    store.setLines(std::move(lines));
    return store;
}

} // namespace

TEST(ProjectStore, LoadSaveRoundTripIsByteIdentical)
{
    TempDir dir;
    const std::string bytes =
        "2\r\nSite one\r\n1\r\n0\r\n"
        " /home/u/site/index.html\r\n ftp.example.org\r\n webmaster\r\n secret\r\n 21\r\n /www\r\n"
        " index.html\r\n 0\r\n 1321549021\r\n"
        "Empty project\r\n0\r\n1\r\n";
    dir.write("wbprj.dfd", bytes);

    ProjectStore store;
    ASSERT_TRUE(store.load(dir.file("wbprj.dfd")));
    ASSERT_EQ(store.projectCount(), 2u);
    EXPECT_EQ(store.projectName(0), "Site one");
    EXPECT_TRUE(store.cleanDirectory(0));
    EXPECT_FALSE(store.deleteMissing(0));
    EXPECT_EQ(store.fileCount(0), 1u);
    EXPECT_EQ(store.field(0, 0, ProjectField::LocalPath), "/home/u/site/index.html");
    EXPECT_EQ(store.field(0, 0, ProjectField::UploadStamp), "1321549021");
    EXPECT_EQ(store.projectName(1), "Empty project");
    EXPECT_EQ(store.fileCount(1), 0u);
    EXPECT_TRUE(store.deleteMissing(1));

    ASSERT_TRUE(store.save(dir.file("copy.dfd")));
    EXPECT_EQ(dir.read("copy.dfd"), bytes);

    // A file saved by hand with bare LF is read the same and written back with CR LF.
    std::string lfOnly;
    for (char c : bytes)
        if (c != '\r')
            lfOnly += c;
    dir.write("lf.dfd", lfOnly);
    ProjectStore fromLf;
    ASSERT_TRUE(fromLf.load(dir.file("lf.dfd")));
    ASSERT_TRUE(fromLf.save(dir.file("lf.dfd")));
    EXPECT_EQ(dir.read("lf.dfd"), bytes);

    // A failed load leaves the store as it was.
    EXPECT_FALSE(store.load(dir.file("missing.dfd")));
    EXPECT_EQ(store.projectCount(), 2u);
}

TEST(ProjectStore, AppendProjectOnTheEmptyStoreAndAfterAProjectWithoutFiles)
{
    ProjectStore store = storeOf(TextLineList({"0"}));
    EXPECT_EQ(store.projectCount(), 0u);

    ASSERT_TRUE(store.appendProject("Bare", false, true, {}));
    ASSERT_TRUE(store.appendProject("Site", true, false,
                                    {makeFile("/s/a.html", "a.html"), makeFile("/s/b.gif", "b.gif", true, true)}));

    const TextLineList expected = linesOf({{"2", "Bare", "0", "1", "Site", "1", "0"},
                                           recordOf("/s/a.html", "a.html", "0", "May"),
                                           recordOf("/s/b.gif", "b.gif", "3", "May")});
    EXPECT_EQ(store.lines(), expected);
    ASSERT_EQ(store.projectCount(), 2u);
    EXPECT_EQ(store.projectLine(1), 4u);
    EXPECT_EQ(store.fileCount(0), 0u);
    EXPECT_EQ(store.fileCount(1), 2u);
    EXPECT_EQ(store.file(1, 1), makeFile("/s/b.gif", "b.gif", true, true));

    WebProject site = store.project(1);
    EXPECT_EQ(site.name, "Site");
    EXPECT_TRUE(site.cleanDirectory);
    EXPECT_EQ(site.files.size(), 2u);
}

TEST(ProjectStore, AppendRefusesNamesAndValuesTheFormatCannotHold)
{
    ProjectStore store = storeOf(TextLineList({"0"}));
    EXPECT_FALSE(store.appendProject("", true, true, {}));
    EXPECT_FALSE(store.appendProject(" leading blank", true, true, {}));
    EXPECT_FALSE(store.appendProject("two\r\nlines", true, true, {}));
    EXPECT_FALSE(store.appendProject("ok", true, true, {makeFile("/s/a\nb.html", "a")}));
    EXPECT_EQ(store.lines(), TextLineList({"0"}));
}

TEST(ProjectStore, InsertFilesAtFirstPositionKeepsTheirOrderBeforeEarlierFiles)
{
    ProjectStore store = storeOf(linesOf({{"2", "One", "1", "1"},
                                          recordOf("/s/old.html", "old.html", "1", "111"),
                                          {"Two", "0", "0"},
                                          recordOf("/t/x.html", "x.html", "0", "222")}));
    ASSERT_EQ(store.fileCount(0), 1u);

    ASSERT_TRUE(store.insertFiles(0, 0, {makeFile("/s/new1.html", "new1.html"), makeFile("/s/new2.html", "new2.html")}));
    EXPECT_EQ(store.lines(), linesOf({{"2", "One", "1", "1"},
                                      recordOf("/s/new1.html", "new1.html", "0", "May"),
                                      recordOf("/s/new2.html", "new2.html", "0", "May"),
                                      recordOf("/s/old.html", "old.html", "1", "111"),
                                      {"Two", "0", "0"},
                                      recordOf("/t/x.html", "x.html", "0", "222")}));
    EXPECT_EQ(store.fileCount(0), 3u);
    EXPECT_EQ(store.projectLine(1), 4u + 27u);
    EXPECT_EQ(store.field(1, 0, ProjectField::UploadStamp), "222");

    // Insert between files and at the end; a position past the end is refused.
    ASSERT_TRUE(store.insertFiles(0, 3, {makeFile("/s/last.html", "last.html")}));
    EXPECT_EQ(store.field(0, 3, ProjectField::RemoteFileName), "last.html");
    EXPECT_EQ(store.projectName(1), "Two");
    const TextLineList before = store.lines();
    EXPECT_FALSE(store.insertFiles(0, 9, {makeFile("/s/z.html", "z.html")}));
    EXPECT_FALSE(store.insertFiles(5, 0, {makeFile("/s/z.html", "z.html")}));
    EXPECT_EQ(store.lines(), before);
}

TEST(ProjectStore, SetFieldRemoveFileAndTwoRecordsOfTheSamePath)
{
    ProjectStore store = storeOf(linesOf({{"1", "Dup", "0", "1"},
                                          recordOf("/s/a.html", "a.html", "0", "111"),
                                          recordOf("/s/a.html", "copy-of-a.html", "0", "111")}));
    ASSERT_EQ(store.fileCount(0), 2u);

    // The records are independent: editing the second leaves the first alone.
    ASSERT_TRUE(store.setField(0, 1, ProjectField::Server, "ftp.other.net"));
    ASSERT_TRUE(store.setField(0, 1, ProjectField::UploadStamp, "May"));
    EXPECT_EQ(store.lines()[store.fieldLine(0, 1, ProjectField::Server)], " ftp.other.net");
    EXPECT_EQ(store.field(0, 0, ProjectField::Server), "ftp.example.org");
    EXPECT_EQ(store.field(0, 0, ProjectField::UploadStamp), "111");
    EXPECT_EQ(store.field(0, 1, ProjectField::UploadStamp), "May");

    EXPECT_FALSE(store.setField(0, 2, ProjectField::Server, "nowhere"));
    EXPECT_FALSE(store.setField(0, 0, ProjectField::Server, "a\rb"));

    ASSERT_TRUE(store.removeFile(0, 0));
    std::vector<std::string> edited = recordOf("/s/a.html", "copy-of-a.html", "0", "May");
    edited[1] = " ftp.other.net";
    EXPECT_EQ(store.lines(), linesOf({{"1", "Dup", "0", "1"}, edited}));
    EXPECT_EQ(store.fileCount(0), 1u);
    EXPECT_EQ(store.field(0, 0, ProjectField::RemoteFileName), "copy-of-a.html");
    ASSERT_TRUE(store.removeFile(0, 0));
    EXPECT_EQ(store.lines(), TextLineList({"1", "Dup", "0", "1"}));
    EXPECT_FALSE(store.removeFile(0, 0));

    ASSERT_TRUE(store.setCleanDirectory(0, true));
    ASSERT_TRUE(store.setDeleteMissing(0, false));
    EXPECT_EQ(store.lines(), TextLineList({"1", "Dup", "1", "0"}));
}

TEST(ProjectStore, RemoveProjectDecrementsTheCountAndDeletesItsLines)
{
    ProjectStore store = storeOf(linesOf({{"3", "A", "1", "1"},
                                          recordOf("/a/1.html", "1.html", "0", "1"),
                                          {"B", "0", "0"},
                                          recordOf("/b/1.html", "1.html", "1", "2"),
                                          recordOf("/b/2.html", "2.html", "1", "3"),
                                          {"C", "1", "0"}}));
    ASSERT_TRUE(store.removeProject(1));
    EXPECT_EQ(store.lines(), linesOf({{"2", "A", "1", "1"}, recordOf("/a/1.html", "1.html", "0", "1"), {"C", "1", "0"}}));
    ASSERT_TRUE(store.removeProject(0));
    ASSERT_TRUE(store.removeProject(0));
    EXPECT_EQ(store.lines(), TextLineList({"0"}));
    EXPECT_EQ(store.projectCount(), 0u);
    EXPECT_FALSE(store.removeProject(0));

    TempDir dir;
    ASSERT_TRUE(store.save(dir.file("wbprj.dfd")));
    EXPECT_EQ(dir.read("wbprj.dfd"), "0\r\n");
}

TEST(ProjectStore, ModeCodesPackBinaryAndNotClean)
{
    ProjectFileEntry entry;
    for (const char* code : {"0", "1", "2", "3"}) {
        entry.setModeCode(code);
        EXPECT_EQ(entry.modeCode(), code);
    }
    entry.setModeCode("2");
    EXPECT_FALSE(entry.binary);
    EXPECT_TRUE(entry.notClean);
    // An unknown code is neither binary nor a clean file, as the upload run reads it.
    entry.setModeCode("7");
    EXPECT_FALSE(entry.binary);
    EXPECT_TRUE(entry.notClean);
}

// Damaged files: each shape must read safely, and nothing is written unless
// an operation was asked for.
TEST(ProjectStoreDamagedFile, EmptyFileAndNonNumericCount)
{
    ProjectStore empty = storeOf(TextLineList());
    EXPECT_EQ(empty.projectCount(), 0u);
    EXPECT_EQ(empty.declaredProjectCount(), std::nullopt);
    EXPECT_EQ(empty.projectName(0), "");
    EXPECT_EQ(empty.fileCount(0), 0u);
    EXPECT_EQ(empty.field(0, 0, ProjectField::LocalPath), "");
    EXPECT_FALSE(empty.removeProject(0));
    // Creating a project in an empty file starts the count at "0".
    ASSERT_TRUE(empty.appendProject("New", true, true, {}));
    EXPECT_EQ(empty.lines(), TextLineList({"1", "New", "1", "1"}));

    for (const char* count : {"two", "-1", "", "1x", "99999999999999999999999"}) {
        const TextLineList lines({count, "A", "1", "1"});
        ProjectStore store = storeOf(lines);
        EXPECT_EQ(store.projectCount(), 0u) << count;
        EXPECT_FALSE(store.appendProject("B", true, true, {})) << count;
        EXPECT_EQ(store.lines(), lines) << count;
    }
    // Blanks around the number are tolerated.
    EXPECT_EQ(storeOf(TextLineList({" 1 ", "A", "1", "1"})).projectCount(), 1u);
}

TEST(ProjectStoreDamagedFile, CountLargerThanTheProjectsPresent)
{
    const TextLineList lines = linesOf({{"5", "A", "1", "0"}, recordOf("/a/x", "x", "0", "1"), {"B", "0", "0"}});
    ProjectStore store = storeOf(lines);
    EXPECT_EQ(store.declaredProjectCount(), 5u);
    ASSERT_EQ(store.projectCount(), 2u);
    EXPECT_EQ(store.projectName(1), "B");
    EXPECT_EQ(store.projectName(2), "");
    EXPECT_EQ(store.fileCount(1), 0u);
    EXPECT_EQ(store.lines(), lines);

    // A project appended to such a file is still found where it was written.
    ASSERT_TRUE(store.appendProject("C", false, false, {}));
    EXPECT_EQ(store.lines()[0], "6");
    ASSERT_EQ(store.projectCount(), 3u);
    EXPECT_EQ(store.projectName(2), "C");
}

TEST(ProjectStoreDamagedFile, CountSmallerThanTheProjectsPresentRefusesAppend)
{
    const TextLineList lines = linesOf({{"1", "A", "1", "0"}, {"B", "0", "0"}});
    ProjectStore store = storeOf(lines);
    EXPECT_EQ(store.projectCount(), 1u);
    // "2" would make B the second project and hide the new one.
    EXPECT_FALSE(store.appendProject("C", false, false, {}));
    EXPECT_EQ(store.lines(), lines);
}

TEST(ProjectStoreDamagedFile, TruncatedRecordsAndHeaders)
{
    // The last record is cut after five lines, at the end of the file.
    std::vector<std::string> cut = recordOf("/a/cut.html", "cut.html", "0", "1");
    cut.resize(5);
    ProjectStore atEnd = storeOf(linesOf({{"1", "A", "1", "1"}, recordOf("/a/ok.html", "ok.html", "0", "1"), cut}));
    EXPECT_EQ(atEnd.fileCount(0), 1u);
    EXPECT_EQ(atEnd.field(0, 1, ProjectField::LocalPath), "");

    // A short record followed by another project: the count stops before the
    // next project's name instead of reading its lines as a record.
    ProjectStore beforeNext = storeOf(linesOf({{"2", "A", "1", "1"}, cut, {"B", "0", "0"},
                                               recordOf("/b/1.html", "1.html", "0", "1")}));
    EXPECT_EQ(beforeNext.fileCount(0), 0u);
    EXPECT_EQ(beforeNext.projectName(1), "B");
    EXPECT_EQ(beforeNext.fileCount(1), 1u);
    // Removing the damaged project takes its stray lines with it.
    ASSERT_TRUE(beforeNext.removeProject(0));
    EXPECT_EQ(beforeNext.lines(), linesOf({{"1", "B", "0", "0"}, recordOf("/b/1.html", "1.html", "0", "1")}));

    // A header cut after the name: flags read as off, no files, inserting and
    // appending are refused rather than writing records into flag lines.
    const TextLineList nameOnly({"1", "A"});
    ProjectStore headerCut = storeOf(nameOnly);
    ASSERT_EQ(headerCut.projectCount(), 1u);
    EXPECT_FALSE(headerCut.cleanDirectory(0));
    EXPECT_EQ(headerCut.fileCount(0), 0u);
    EXPECT_FALSE(headerCut.setCleanDirectory(0, true));
    EXPECT_FALSE(headerCut.insertFiles(0, 0, {makeFile("/a/x", "x")}));
    EXPECT_FALSE(headerCut.appendProject("B", true, true, {}));
    EXPECT_EQ(headerCut.lines(), nameOnly);
    ASSERT_TRUE(headerCut.removeProject(0));
    EXPECT_EQ(headerCut.lines(), TextLineList({"0"}));
}

// A project file is used and written over only when it reads whole. Each
// damage is named by the file and the first line that is wrong, and neither
// load() nor a save() of a store that never loaded touches the file.
TEST(ProjectFileCheck, DamagedFilesAreNamedByTheirLineAndNeverLoadedOrWrittenOver)
{
    const auto text = [](const TextLineList& lines) { return lines.joinedText(); };
    const TextLineList sound = linesOf({{"2", "Site", "1", "0"}, recordOf("/s/a.html", "a.html", "0", "1321549021"),
                                        recordOf("/s/b.html", "b.html", "3", "May"), {"Empty", "0", "1"}});
    // The first record without its first line: its fields slide by one.
    TextLineList shifted = sound;
    shifted.removeAt(4);
    TextLineList cut = sound;
    cut.lines().resize(16);
    TextLineList badFlag = sound;
    badFlag[3] = "yes";
    TextLineList badMode = sound;
    badMode[11] = " 4";
    TextLineList badStamp = sound;
    badStamp[21] = " 13215x";
    TextLineList spaceName = sound;
    spaceName[1] = " Site";
    TextLineList extra = sound;
    extra.append("Third");
    std::string utf16 = "\xff\xfe";
    for (char c : std::string("1\r\nA\r\n0\r\n0\r\n"))
        utf16 += std::string{c, '\0'};

    const std::pair<std::string, std::string> damaged[] = {
        {"", "is empty"},
        {randomBytes(4096, 7), "line 1: "},
        {"1\rSite\r0\r0\r", "line 1: the lines end in a bare CR"},
        {utf16, "line 1: the file is not plain text"},
        {"abc\r\nA\r\n0\r\n0\r\n", "line 1: the number of projects is not a number"},
        {"-1\r\n", "line 1: the number of projects is not a number"},
        {"100000000000000000000000000\r\n", "line 1: the number of projects is not a number"},
        {"2\r\n", "line 2: the file ends where project 1 of 2 should begin"},
        {text(shifted), "line 12: the mode code of the file record that begins on line 5"},
        {text(cut), "line 17: the file record that begins on line 14 has 3 of its nine lines"},
        {text(badFlag), "line 4: the delete-missing-files flag of project 1 of 2 is not 0 or 1"},
        {text(badMode), "line 12: the mode code"},
        {text(badStamp), "line 22: the upload stamp"},
        {text(spaceName), "line 2: a record line stands where the name of project 1 of 2 should be"},
        {text(extra), "line 26: more lines follow the 2 projects the first line counts"},
    };
    TempDir dir;
    const std::string path = dir.file("wbprj.dfd");
    for (const auto& [bytes, why] : damaged) {
        SCOPED_TRACE(why);
        dir.write("wbprj.dfd", bytes);
        const std::string fault = projectFileFault(path);
        EXPECT_EQ(fault.rfind(path, 0), 0u) << fault;
        EXPECT_NE(fault.find(why), std::string::npos) << fault;
        EXPECT_EQ(fault.find("secret"), std::string::npos) << "a record line may be a password: " << fault;

        ProjectStore store = storeOf(TextLineList({"0"}));
        EXPECT_FALSE(store.load(path));
        EXPECT_EQ(store.lines(), TextLineList({"0"}));
        EXPECT_FALSE(ProjectStore().save(path)) << "an empty store is no project file";
        EXPECT_EQ(dir.read("wbprj.dfd"), bytes);
    }

    // The sound file reads whole, and so does one with an empty line after
    // its last project; that line is not kept.
    dir.write("wbprj.dfd", text(sound) + "\r\n");
    EXPECT_EQ(projectFileFault(path), "");
    ProjectStore store;
    ASSERT_TRUE(store.load(path));
    EXPECT_EQ(store.lines(), sound);
    ASSERT_TRUE(store.save(path));
    EXPECT_EQ(dir.read("wbprj.dfd"), text(sound));
    EXPECT_EQ(projectFileFault(dir.file("missing.dfd")).rfind("cannot read " + dir.file("missing.dfd") + ": ", 0),
              0u);
}

TEST(ProjectStore, StampOfALocalFile)
{
    ScopedTimeZone zone("UTC");

    TempDir dir;
    dir.write("site/index.html", "<html>");
    ASSERT_TRUE(setModifiedTime(dir.file("site/index.html"), utcTime(2005, 12, 31, 23, 59, 58)));

    // The stamp line a run writes for this file.
    const auto stamp = ProjectStore::stampOf(dir.file("site\\index.html"));
    ASSERT_TRUE(stamp);
    EXPECT_EQ(" " + *stamp, " 1321549021");
    EXPECT_EQ(ProjectStore::stampOf(dir.file("site/gone.html")), std::nullopt);
}
