#include "support/temp_dir.h"
#include "webwatch/deletion_list.h"
#include "webwatch/upload_run_queue.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

DeletionEntry deletion(const std::string& name)
{
    return {{"ftp.example.org", "webmaster", "secret", "21", "/www", name}};
}

QueuedUpload upload(const std::string& localPath, std::uint64_t size, bool binary)
{
    const std::string name = localPath.substr(localPath.rfind('/') + 1);
    return {{"ftp.example.org", "webmaster", "secret", "2121", "/www/img", name}, localPath, size, binary};
}

} // namespace

TEST(DeletionList, SixLinesPerEntryAndTheEmptyListIsNeverStored)
{
    TempDir dir;
    const std::string path = dir.file("defil.dfd");
    DeletionList list;
    list.append(deletion("old.html"));
    list.append(deletion("gone.gif"));
    ASSERT_TRUE(list.store(path));
    EXPECT_EQ(dir.read("defil.dfd"),
              "ftp.example.org\r\nwebmaster\r\nsecret\r\n21\r\n/www\r\nold.html\r\n"
              "ftp.example.org\r\nwebmaster\r\nsecret\r\n21\r\n/www\r\ngone.gif\r\n");

    DeletionList loaded;
    ASSERT_TRUE(loaded.load(path));
    ASSERT_EQ(loaded.count(), 2u);
    EXPECT_EQ(loaded.entry(0), deletion("old.html"));

    // Processing: the first entry goes, the rest is stored; the last one
    // removes the file.
    loaded.removeFirst();
    ASSERT_TRUE(loaded.store(path));
    EXPECT_EQ(loaded.entries(), std::vector<DeletionEntry>{deletion("gone.gif")});
    loaded.removeFirst();
    EXPECT_TRUE(loaded.empty());
    ASSERT_TRUE(loaded.store(path));
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_TRUE(loaded.store(path)); // already gone is fine
}

TEST(DeletionList, DamagedTailIsNeverProcessedNorStoredAgain)
{
    TempDir dir;
    dir.write("defil.dfd", "h\r\nu\r\np\r\n21\r\n/\r\na.html\r\nh2\r\nu2\r\n");
    DeletionList list;
    ASSERT_TRUE(list.load(dir.file("defil.dfd")));
    EXPECT_EQ(list.count(), 1u);
    EXPECT_EQ(list.entry(1), DeletionEntry{});

    // A new entry follows the complete ones, not the stray lines.
    list.append(deletion("b.html"));
    EXPECT_EQ(list.entry(1), deletion("b.html"));
    list.removeFirst();
    ASSERT_TRUE(list.store(dir.file("defil.dfd")));
    EXPECT_EQ(dir.read("defil.dfd"), "ftp.example.org\r\nwebmaster\r\nsecret\r\n21\r\n/www\r\nb.html\r\n");

    DeletionList onlyStray;
    dir.write("stray.dfd", "h\r\nu\r\n");
    ASSERT_TRUE(onlyStray.load(dir.file("stray.dfd")));
    EXPECT_TRUE(onlyStray.empty());
    ASSERT_TRUE(onlyStray.store(dir.file("stray.dfd")));
    EXPECT_FALSE(std::filesystem::exists(dir.file("stray.dfd")));
}

TEST(UploadRunQueue, CountLineThenNineLinesPerEntry)
{
    TempDir dir;
    UploadRunQueue queue;
    EXPECT_TRUE(queue.lines().empty());
    queue.append(upload("/home/u/site/index.html", 2048, false));
    EXPECT_EQ(queue.lines()[0], "1");
    queue.append(upload("/home/u/site/logo.gif", 0, true));
    ASSERT_TRUE(queue.save(dir.file("koefil.dfd")));
    EXPECT_EQ(dir.read("koefil.dfd"),
              "2\r\n"
              "1/home/u/site/index.html\r\nftp.example.org\r\nwebmaster\r\nsecret\r\n2121\r\n/www/img\r\n"
              "index.html\r\n2048\r\n0\r\n"
              "1/home/u/site/logo.gif\r\nftp.example.org\r\nwebmaster\r\nsecret\r\n2121\r\n/www/img\r\n"
              "logo.gif\r\n0\r\n1\r\n");

    UploadRunQueue loaded;
    ASSERT_TRUE(loaded.load(dir.file("koefil.dfd")));
    EXPECT_EQ(loaded.entries(), (std::vector<QueuedUpload>{upload("/home/u/site/index.html", 2048, false),
                                                            upload("/home/u/site/logo.gif", 0, true)}));
    EXPECT_FALSE(loaded.load(dir.file("missing.dfd")));
    EXPECT_EQ(loaded.count(), 2u);
}

TEST(UploadRunQueue, DamagedFileReadsOnlyCompleteCountedEntries)
{
    TempDir dir;
    // Count says 3, one entry and a half are present.
    dir.write("koefil.dfd", "3\r\n1/a\r\nh\r\nu\r\np\r\n21\r\n/\r\na\r\n5\r\n1\r\n1/b\r\nh\r\n");
    UploadRunQueue queue;
    ASSERT_TRUE(queue.load(dir.file("koefil.dfd")));
    ASSERT_EQ(queue.count(), 1u);
    EXPECT_EQ(queue.entries()[0].localPath, "/a");
    EXPECT_EQ(queue.entries()[0].size, 5u);

    // Appending keeps the count line true to what follows it.
    queue.append(upload("/c/new.html", 7, false));
    EXPECT_EQ(queue.lines()[0], "2");
    EXPECT_EQ(queue.lines().size(), 1u + 2u * 9u);
    EXPECT_EQ(queue.entries()[1], upload("/c/new.html", 7, false));

    dir.write("bad.dfd", "many\r\n1/a\r\n");
    UploadRunQueue bad;
    ASSERT_TRUE(bad.load(dir.file("bad.dfd")));
    EXPECT_EQ(bad.count(), 0u);
    EXPECT_TRUE(bad.entries().empty());
}
