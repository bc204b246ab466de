#include "core/data_file_io.h"
#include "core/data_file_read.h"
#include "core/data_paths.h"
#include "core/text_line_list.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

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

// Only a regular file of a data file's size is read: a FIFO would hold the
// reader until someone writes to it, a device would be read without end.
TEST(TextLineList, FifosDevicesAndHugeFilesAreRefusedWithTheReason)
{
    TempDir dir;
    ASSERT_EQ(::mkfifo(dir.file("fifo").c_str(), 0600), 0);
    std::filesystem::create_symlink("/dev/zero", dir.file("zero"));
    // Sparse: no disk space is taken.
    dir.write("huge", "");
    ASSERT_EQ(::truncate(dir.file("huge").c_str(), static_cast<off_t>(kMaxDataFileBytes + 1)), 0);
    for (const char* name : {"fifo", "zero", "huge", "missing"}) {
        SCOPED_TRACE(name);
        TextLineList list({"kept"});
        std::string failure;
        EXPECT_FALSE(loadDataFile(list, dir.file(name), failure));
        EXPECT_EQ(list, TextLineList({"kept"}));
        const std::string expected = std::string(name) == "huge" ? "larger than 64 MiB"
            : std::string(name) == "missing"                    ? "No such file or directory"
                                                                 : "not a regular file";
        EXPECT_NE(failure.find(expected), std::string::npos) << failure;
    }
    // Exactly the limit is still a data file.
    ASSERT_EQ(::truncate(dir.file("huge").c_str(), static_cast<off_t>(kMaxDataFileBytes)), 0);
    std::string bytes;
    EXPECT_TRUE(readWholeFile(dir.file("huge"), bytes));
    EXPECT_EQ(bytes.size(), kMaxDataFileBytes);
}

TEST(TextLineList, SavingKeepsTheFilesPermissionsAndLinks)
{
    TempDir dir;
    const mode_t previousMask = ::umask(022);

    // A user who made the site list private keeps it private: the file is
    // replaced by a new one, which must not fall back to the default mode.
    dir.write("serv3.adr", "old\r\n");
    ASSERT_EQ(::chmod(dir.file("serv3.adr").c_str(), 0600), 0);
    EXPECT_TRUE(TextLineList({"new"}).saveToFile(dir.file("serv3.adr")));
    struct stat status {};
    ASSERT_EQ(::stat(dir.file("serv3.adr").c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, 0600u);
    EXPECT_EQ(dir.read("serv3.adr"), "new\r\n");

    // A data file kept elsewhere through a link is written there; the link
    // stays a link.
    dir.write("elsewhere/wbprj.dfd", "0\r\n");
    ASSERT_EQ(::symlink(dir.file("elsewhere/wbprj.dfd").c_str(), dir.file("wbprj.dfd").c_str()), 0);
    EXPECT_TRUE(TextLineList({"1", "site", "0", "0"}).saveToFile(dir.file("wbprj.dfd")));
    ASSERT_EQ(::lstat(dir.file("wbprj.dfd").c_str(), &status), 0);
    EXPECT_TRUE(S_ISLNK(status.st_mode));
    EXPECT_EQ(dir.read("elsewhere/wbprj.dfd"), "1\r\nsite\r\n0\r\n0\r\n");

    // A new file is still made.
    EXPECT_TRUE(TextLineList({"x"}).saveToFile(dir.file("new.dfd")));
    EXPECT_EQ(dir.read("new.dfd"), "x\r\n");
    ::umask(previousMask);
}

// With a data file that is, or leads to, a FIFO, a device or a folder,
// nothing is read from it or written into it or put in its place; the
// program says which file it left alone. A link to a regular file stays a
// link, and the file it leads to is replaced without letting others write.
TEST(TextLineList, DataFilesThatAreNoRegularFilesAreLeftAloneAndNamed)
{
    TempDir dir;
    std::vector<std::string> notices;
    setDataFileNoticeSink([&](const std::string& message) { notices.push_back(message); });
    auto typeOf = [&](const std::string& name) {
        struct stat status {};
        return ::lstat(dir.file(name).c_str(), &status) == 0 ? (status.st_mode & S_IFMT) : 0u;
    };
    ASSERT_EQ(::mkfifo(dir.file("koefil.dfd").c_str(), 0600), 0);
    ASSERT_EQ(::mkfifo(dir.file("elsewhere.fifo").c_str(), 0644), 0);
    ASSERT_EQ(::symlink(dir.file("elsewhere.fifo").c_str(), dir.file("wbprj.dfd").c_str()), 0);
    dir.write("serv3.adr/inside", "a folder");
    std::vector<std::string> names{"koefil.dfd", "wbprj.dfd", "serv3.adr"};
    // A device node of its own (as /dev/null), where the system lets one be
    // made; never one of the system's, which a fault here could replace.
    if (::mknod(dir.file("null").c_str(), S_IFCHR | 0666, ::makedev(1, 3)) == 0) {
        ASSERT_EQ(::symlink(dir.file("null").c_str(), dir.file("nyweb2.dfd").c_str()), 0);
        names.push_back("nyweb2.dfd");
        names.push_back("null");
    }
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        const unsigned type = typeOf(name);
        notices.clear();
        std::string failure;
        EXPECT_FALSE(writeDataFile(dir.file(name), "1\r\nsecret\r\n", failure, FileAccess::OwnerOnly));
        EXPECT_NE(failure.find("not a regular file"), std::string::npos) << failure;
        EXPECT_FALSE(writeWholeFile(dir.file(name), "2\r\n", FileAccess::OwnerOnly, FileReplace::Frequent));
        EXPECT_FALSE(TextLineList({"3"}).saveToFile(dir.file(name)));
        TextLineList read;
        EXPECT_FALSE(read.loadFromFile(dir.file(name)));
        removeWholeFile(dir.file(name));
        retireWholeFile(dir.file(name));
        EXPECT_FALSE(removeDataFile(dir.file(name)));
        const int fd = openDataFileToAppend(dir.file(name), true, failure);
        EXPECT_EQ(fd, -1);
        if (fd >= 0)
            ::close(fd);
        EXPECT_EQ(typeOf(name), type);
        ASSERT_FALSE(notices.empty());
        for (const std::string& notice : notices)
            EXPECT_EQ(notice.rfind(dir.file(name) + ": not a regular file (", 0), 0u) << notice;
        EXPECT_NE(notices[0].find("; left as it is"), std::string::npos) << notices[0];
    }
    EXPECT_EQ(typeOf("elsewhere.fifo"), unsigned(S_IFIFO));
    EXPECT_EQ(typeOf("serv3.adr/inside"), unsigned(S_IFREG));

    // Through a link to a regular file the file it leads to is replaced;
    // group or others lose the right to write it, not to read it.
    const mode_t previousMask = ::umask(0);
    dir.write("dotfiles/prox.dfd", "old\r\n");
    ASSERT_EQ(::chmod(dir.file("dotfiles/prox.dfd").c_str(), 0666), 0);
    ASSERT_EQ(::symlink(dir.file("dotfiles/prox.dfd").c_str(), dir.file("prox.dfd").c_str()), 0);
    EXPECT_TRUE(TextLineList({"new"}).saveToFile(dir.file("prox.dfd")));
    EXPECT_EQ(typeOf("prox.dfd"), unsigned(S_IFLNK));
    EXPECT_EQ(dir.read("dotfiles/prox.dfd"), "new\r\n");
    struct stat status {};
    ASSERT_EQ(::stat(dir.file("prox.dfd").c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, 0644u);
    // A new file neither, whatever the umask allows.
    EXPECT_TRUE(TextLineList({"x"}).saveToFile(dir.file("ascd.dfd")));
    ASSERT_EQ(::stat(dir.file("ascd.dfd").c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, 0644u);
    ::umask(previousMask);
    // A link to a regular file, or to nothing, is removed; what it led to
    // is not.
    EXPECT_TRUE(removeDataFile(dir.file("prox.dfd")));
    EXPECT_EQ(typeOf("dotfiles/prox.dfd"), unsigned(S_IFREG));
    setDataFileNoticeSink(nullptr);
}

TEST(TextLineList, AFrequentSaveSwapsTheWholeFileInThroughOneSwapFile)
{
    TempDir dir;
    auto entriesIn = [&](const std::string& folder) {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(dir.file(folder)))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    };
    dir.write("data/koefil.dfd", "2\r\nold entry\r\n");
    ASSERT_EQ(::chmod(dir.file("data/koefil.dfd").c_str(), 0600), 0);
    for (int round = 0; round < 3; ++round) {
        const std::string text = std::to_string(round) + "\r\n" + std::string(20000, 'q') + "\r\n";
        ASSERT_TRUE(writeWholeFile(dir.file("data/koefil.dfd"), text, FileAccess::OwnerOnly, FileReplace::Frequent));
        EXPECT_EQ(dir.read("data/koefil.dfd"), text);
    }
    struct stat status {};
    ASSERT_EQ(::stat(dir.file("data/koefil.dfd").c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, 0600u);
    // One swap file stays beside it for the next save, private like it;
    // removing the file takes it along.
    const std::string swap = "koefil.dfd.swap";
    EXPECT_EQ(entriesIn("data"), (std::vector<std::string>{"koefil.dfd", swap}));
    ASSERT_EQ(::stat(dir.file("data/" + swap).c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, 0600u);
    // A shorter save is cut to its own length.
    ASSERT_TRUE(writeWholeFile(dir.file("data/koefil.dfd"), "1\r\n", FileAccess::OwnerOnly, FileReplace::Frequent));
    EXPECT_EQ(dir.read("data/koefil.dfd"), "1\r\n");
    // Retired, the file is gone from sight and its next save reuses the swap.
    retireWholeFile(dir.file("data/koefil.dfd"));
    EXPECT_EQ(entriesIn("data"), std::vector<std::string>{swap});
    ASSERT_TRUE(writeWholeFile(dir.file("data/koefil.dfd"), "back\r\n", FileAccess::OwnerOnly, FileReplace::Frequent));
    EXPECT_EQ(dir.read("data/koefil.dfd"), "back\r\n");
    EXPECT_EQ(entriesIn("data"), std::vector<std::string>{"koefil.dfd"});
    removeWholeFile(dir.file("data/koefil.dfd"));
    EXPECT_TRUE(entriesIn("data").empty());
    dir.write("data/koefil.dfd", "2\r\nold entry\r\n");

    // Through a link the linked file is replaced; a missing file is made.
    ASSERT_EQ(::symlink(dir.file("data/koefil.dfd").c_str(), dir.file("link.dfd").c_str()), 0);
    ASSERT_TRUE(writeWholeFile(dir.file("link.dfd"), "linked\r\n", FileAccess::OwnerOnly, FileReplace::Frequent));
    EXPECT_EQ(dir.read("data/koefil.dfd"), "linked\r\n");
    ASSERT_EQ(::lstat(dir.file("link.dfd").c_str(), &status), 0);
    EXPECT_TRUE(S_ISLNK(status.st_mode));
    ASSERT_TRUE(writeWholeFile(dir.file("data/new.dfd"), "new\r\n", FileAccess::OwnerOnly, FileReplace::Frequent));
    EXPECT_EQ(dir.read("data/new.dfd"), "new\r\n");
}

TEST(TextLineList, FilesHoldingPasswordsAreTheOwnersAlone)
{
    TempDir dir;
    const mode_t previousMask = ::umask(022);
    auto modeOf = [](const std::string& path) {
        struct stat status {};
        return ::stat(path.c_str(), &status) == 0 ? (status.st_mode & 07777) : 0u;
    };

    // New: owner only, while the umask would give everyone read access.
    EXPECT_TRUE(TextLineList({"1", "secret"}).saveToFile(dir.file("koefil.dfd"), FileAccess::OwnerOnly));
    EXPECT_EQ(modeOf(dir.file("koefil.dfd")), 0600u);
    // An existing file that others may read is closed to them when a
    // password is written into it; a plain data file keeps its mode.
    dir.write("serv3.adr", "old\r\n");
    ASSERT_EQ(::chmod(dir.file("serv3.adr").c_str(), 0644), 0);
    EXPECT_TRUE(TextLineList({"site"}).saveToFile(dir.file("serv3.adr"), FileAccess::OwnerOnly));
    EXPECT_EQ(modeOf(dir.file("serv3.adr")), 0600u);
    dir.write("ascd.dfd", ".htm\r\n");
    ASSERT_EQ(::chmod(dir.file("ascd.dfd").c_str(), 0644), 0);
    EXPECT_TRUE(TextLineList({".txt"}).saveToFile(dir.file("ascd.dfd")));
    EXPECT_EQ(modeOf(dir.file("ascd.dfd")), 0644u);
    // A private file the user also made read-only for himself stays so.
    dir.write("rstfil.txt", "x\r\n");
    ASSERT_EQ(::chmod(dir.file("rstfil.txt").c_str(), 0400), 0);
    EXPECT_TRUE(TextLineList({"y"}).saveToFile(dir.file("rstfil.txt"), FileAccess::OwnerOnly));
    EXPECT_EQ(modeOf(dir.file("rstfil.txt")), 0400u);
    EXPECT_EQ(dir.read("rstfil.txt"), "y\r\n");
    ::umask(previousMask);
}

TEST(DataPaths, JoinAddsOneSeparatorAndNeverCuts)
{
    EXPECT_EQ(joinPath("/home/u/data", "koefil.dfd"), "/home/u/data/koefil.dfd");
    EXPECT_EQ(joinPath("/", "koefil.dfd"), "/koefil.dfd");
    const std::string longDir = "/" + std::string(300, 'd');
    EXPECT_EQ(joinPath(longDir, "serv3.adr").size(), longDir.size() + 10);
}
